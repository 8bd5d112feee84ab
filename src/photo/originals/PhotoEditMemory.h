#pragma once

#include "photo/originals/OriginalsFolder.h"
#include "photo/originals/PhotoEditJournal.h"
#include "platform/imaging/FloatImage.h"

#include <QString>

#include <optional>

// The edit journals beside edited photos: "<name>.edits.json" in ".quavel-originals", never read or
// written through a link (OriginalsFolder). Reading for display never fails; an edit that cannot keep
// its journal fails with a message naming the photo, and is never reported as a success. Every function
// may run on any thread (the last complete write wins, and a reader never sees half a journal).
namespace quavel::PhotoEditMemory {

// The backup path with ".edits.json" appended.
QString journalURL(const QString& photoPath);

// The journal, or the default journal (default state, empty history) when it is missing, unreadable,
// foreign (a link or a file that is not a regular one) or does not decode (every key is required;
// nesting is limited as for every JSON read from outside).
PhotoEditJournal load(const QString& photoPath);

// The journal when it is a regular file that decodes; absent otherwise.
std::optional<PhotoEditJournal> read(const QString& photoPath);

// load() for an edit about to write: throws PhotoEditError (foreignJournal, foreignOriginalsFolder)
// when something foreign stands as the journal or its folder, instead of reading it as the default. A
// journal without its original (none, or an empty file) reads as the default: its look is not what the
// photo shows, and is never applied to it.
PhotoEditJournal loadForEdit(const QString& photoPath);

// Writes the journal atomically, creating ".quavel-originals" when needed. A journal there that does not
// decode is first set aside as "<name>.edits.json.unreadable-<UTC time>" (cut to fit the file system's
// 255 bytes for a long name; never replacing anything), so its history is never lost. Throws
// PhotoEditError, naming the photo, when the journal cannot be written (journalNotSaved), when an
// unreadable one cannot be set aside (journalNotSetAside: it is then left byte for byte), for a name
// too long for its journal and for a foreign original, journal or folder (nothing is then written).
void save(const PhotoEditJournal& journal, const QString& photoPath);

// Moves a journal that is there but cannot be read or decoded aside, as save() does, before a write
// keeps anything for the photo: throws PhotoEditError journalNotSetAside when it cannot be moved
// (foreignJournal and the like for something foreign there); nothing happens without one.
void setAsideUnreadable(const OriginalsFolder& folder);
void setAsideUnreadable(const QString& photoPath);

// Deletes the journal (never a link or another file standing in its place; an unreadable one is moved
// aside instead); a missing one or a failure is ignored.
void remove(const QString& photoPath);

// Makes the settings the current retouch: when they differ, the current state goes to the history (the
// last 80 kept) and takes them; the journal is written in both cases. Throws as loadForEdit and save.
void recordRetouch(const PhotoRetouchSettings& settings, const QString& photoPath);

} // namespace quavel::PhotoEditMemory
