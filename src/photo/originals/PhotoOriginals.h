#pragma once

#include "photo/originals/OriginalsFolder.h"

#include <QString>

#include <functional>
#include <optional>

// The untouched original of an edited photo, kept once in ".quavel-originals" beside it and never
// replaced. Nothing in that folder is read or written through a link (OriginalsFolder): a link or a file
// that is not a regular one standing as the original, as the journal or as the folder refuses the edit
// with a message naming the photo, and stays untouched. Every operation may run on any thread; those that
// write are file steps of the photo's writer (PhotoWriter), run in the photo's turn of its write queue.
namespace quavel::PhotoOriginals {

// "<dir>/.quavel-originals/<name>" for the photo "<dir>/<name>".
QString backupURL(const QString& photoPath);

// Whether something stands as the original: a regular file (a backup only ever takes that name complete
// and flushed, except where the file system has no links: there a copy killed midway can leave an
// empty file under the name, which is no backup: ensureBackup copies again over it, restore leaves the
// photo alone), or something foreign that every edit and the undo refuse with their message.
bool hasBackup(const QString& photoPath);

// Keeps the photo as its original when it has none yet; an existing original is never replaced, even
// when the photo changed since. A failed copy leaves nothing. Throws FileError; PhotoEditError for a
// camera RAW photo, which is never edited, for a name too long to keep a journal beside it, and for a
// foreign original, journal or folder (nothing is then written).
void ensureBackup(const QString& photoPath);

// Puts the original back (one rename of a finished copy over the photo, present or not), then deletes
// the journal, then the original, each removal flushed before the next step: cut anywhere, the photo
// keeps its original and journal, or its original alone, or neither, never a journal alone. An
// unreadable journal is moved aside, never deleted. Without an original nothing changes. Throws
// FileError: the photo is then as it was, or already restored with the original still kept;
// PhotoEditError for a foreign original, journal or folder and for an unreadable journal that cannot be
// moved aside, which leave everything as it was.
void restore(const QString& photoPath);
// Tests: called by restore() between the removal of the journal and that of the original.
// Process-wide; an empty function removes it.
void setRestoreStepHookForTesting(std::function<void()> hook);

// What every rendering of a photo reads: its original, opened without following a link, when it has
// one; else the photo itself. Kept while the readers run: path() stays valid as long as the object.
class Source
{
public:
    explicit Source(const QString& photoPath);
    explicit Source(RegularFile original);

    // The path to hand to the readers.
    const QString& path() const { return m_path; }
    bool isOriginal() const { return m_original.has_value(); }
    // The original, open at its start; null for the photo itself.
    const RegularFile* original() const { return m_original ? &*m_original : nullptr; }

private:
    std::optional<RegularFile> m_original;
    QString m_path;
};

// Throws PhotoEditError (foreignOriginal, foreignOriginalsFolder) when something foreign stands as the
// original or its folder, FileError when the original is there but cannot be opened.
Source openSource(const QString& photoPath);

} // namespace quavel::PhotoOriginals
