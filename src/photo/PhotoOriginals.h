#pragma once

#include <QString>

// The untouched original of an edited photo, kept once in ".quavel-originals" beside it and never
// replaced. Every operation may run on any thread; those that write go through the photo's write queue.
namespace quavel::PhotoOriginals {

// "<dir>/.quavel-originals/<name>" for the photo "<dir>/<name>".
QString backupURL(const QString& photoPath);

// Whether a file stands at the backup path. A backup only ever takes that name complete and flushed,
// except where the file system has no links: there a copy killed midway can leave an empty file under
// the name, which is no backup (ensureBackup copies again over it, restore leaves the photo alone).
bool hasBackup(const QString& photoPath);

// Keeps the photo as its original when it has none yet; an existing original is never replaced, even
// when the photo changed since. A failed copy leaves nothing. Throws FileError; PhotoEditError for a
// camera RAW photo, which is never edited.
void ensureBackup(const QString& photoPath);

// Puts the original back (one rename of a finished copy over the photo, present or not), then deletes
// the original and the journal. Without an original nothing changes. Throws FileError: the photo is then
// as it was, or already restored with the original still kept.
void restore(const QString& photoPath);

} // namespace quavel::PhotoOriginals
