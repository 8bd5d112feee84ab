#pragma once

#include "photo/PhotoEditJournal.h"
#include "platform/imaging/FloatImage.h"

#include <QString>

#include <optional>

// The edit journals beside edited photos: "<name>.edits.json" in ".quavel-originals". Reading never
// fails and writing never reports; every function may run on any thread (the last complete write wins,
// and a reader never sees half a journal).
namespace quavel::PhotoEditMemory {

// The backup path with ".edits.json" appended.
QString journalURL(const QString& photoPath);

// The journal, or the default journal (default state, empty history) when it is missing, unreadable or
// does not decode (every key is required; nesting is limited as for every JSON read from outside).
PhotoEditJournal load(const QString& photoPath);

// The journal when it is there and decodes; absent otherwise.
std::optional<PhotoEditJournal> read(const QString& photoPath);

// Writes the journal atomically, creating ".quavel-originals" when needed. A journal there that does not
// decode is first set aside as "<name>.edits.json.unreadable-<UTC time>", so its history is never lost.
void save(const PhotoEditJournal& journal, const QString& photoPath);

// Deletes the journal; a missing one or a failure is ignored.
void remove(const QString& photoPath);

// Makes the settings the current retouch: when they differ, the current state goes to the history (the
// last 80 kept) and takes them; the journal is written in both cases.
void recordRetouch(const PhotoRetouchSettings& settings, const QString& photoPath);

// Renders the photo in place from its original according to the journal's current state: the original
// is kept first; a state without validated crop, with a neutral retouch and without a watermark to draw
// puts the original's bytes back; otherwise the original is decoded, retouched at full quality and
// written at full size (crop not validated) or as the print canvas of its crop, with the watermark across
// the bottom of either when the state includes it and one is given. The photo's thumbnail entry goes.
// Throws PhotoEditError or FileError.
void materialize(
    const PhotoEditJournal& journal, const QString& photoPath, const std::optional<FloatImage>& watermark);

} // namespace quavel::PhotoEditMemory
