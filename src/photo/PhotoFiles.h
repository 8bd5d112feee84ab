#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

#include <sys/stat.h>

// The file steps of every photo rewrite and every original backup, so that a photo is never missing or
// half written and a kept original is never truncated, whatever moment the process is killed at.
//
// A rewrite encodes into an unnamed file in the photo's folder (O_TMPFILE), flushes it, gives it a
// hidden name ".<UUID>.<ext>" only just before the one rename(2) that replaces the photo; a file system
// without unnamed files (USB sticks in exFAT, FAT or NTFS) gets the hidden name from the start. A backup
// is copied into an UnnamedFile, flushed, and given its name without ever replacing one (linkat, else
// renameat2 RENAME_NOREPLACE, else link + unlink, last exclusive creation). Hidden names are locked while
// their writer lives (TemporarySweep), so sweeps only take those of killed writers. Every failure removes
// what the step created.
//
// Thread-safe; every function throws FileError with the French description of the failure.
namespace quavel::PhotoFiles {

// Writes the new file: through the descriptor, or by opening the path (a name that reaches this very
// file, for writers that only take file names).
using Content = std::function<void(int fd, const QString& path)>;

// Replaces the file at target with what content writes (into a new, empty file in target's folder).
// The new file keeps the replaced photo's permission bits. ext is the extension of the hidden name (no
// dot). An exception from content leaves the photo as it was.
void replace(const QString& target, const QString& ext, const Content& content);

// The same with bytes already encoded.
void replaceWithBytes(const QString& target, const QString& ext, const QByteArray& bytes);

// Replaces target (present or not) by a copy of source, with source's permission bits and times.
void replaceWithCopy(const QString& target, const QString& source);
// The same from a regular file already open for reading (at its start) and its status.
void replaceWithCopy(const QString& target, int sourceFd, const struct stat& sourceStatus);

// Copies source to target, never replacing anything: throws FileError with EEXIST when target exists.
// The copy is complete and flushed before it carries target's name, and keeps source's permission bits
// and times.
void copyNoReplace(const QString& source, const QString& target);
// The same into the entry `name` of a folder already open (folderFd, kept open by the caller): the copy
// lands in that very folder, whatever links stand on the way to it.
void copyNoReplace(const QString& source, int folderFd, const QString& name);

// Whether a file name is one of the hidden temporary names above: "." + an upper-case UUID + "." + an
// extension of letters and digits (at most eight: a longer one, as a photo's odd name may have, is
// written "tmp", so the name never grows past 46 bytes). Nothing else is ever removed as a leftover.
bool isTemporaryName(QStringView fileName);

// The application's own temporary names among the entries of a photo folder: the hidden siblings of
// rewrites above, and the hidden files of copies made there (UnnamedFile: the organiser's copies). The
// one test of what a sweep of a photo folder may remove.
bool isPhotoFolderTemporary(QStringView fileName);

// Removes leftovers of killed writes from folder: files of that pattern whose writer is gone (no write,
// of this process or another, holds their lock). Returns how many were removed; never throws.
int removeLeftovers(const QString& folder);

// Registers a folder of photos with the start-up sweep (TemporarySweep): its hidden siblings, and the
// temporaries of backups and journals in its ".quavel-originals" (never walked when it is a link).
void addSweepRules(const QString& photoFolder);

// The names of the temporaries ".quavel-originals" may hold: the short hidden name of the journal's
// writer (TemporarySweep::temporaryName), the backup's hidden name (UnnamedFile), the hidden siblings
// above, and the journal temporaries "<name>.edits.json.tmp-XXXXXX" earlier versions left.
bool isOriginalsTemporary(QStringView name);

// For tests: makes the functions behave as on a file system lacking these features (process-wide).
struct Fallbacks
{
    bool noTmpFile = false;
    bool noRenameNoReplace = false;
    bool noHardLinks = false;
};
void setFallbacksForTesting(const Fallbacks& fallbacks);

} // namespace quavel::PhotoFiles
