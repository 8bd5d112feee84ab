#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

#include <sys/stat.h>

// The file steps of every photo rewrite and every original backup, so that a photo is never missing or
// half written and a kept original is never truncated, whatever moment the process is killed at.
//
// Both write an UnnamedFile in the folder of the file they make (no name while written, or the hidden
// locked name of a file system without unnamed files) and flush it before it has a name: a rewrite then
// replaces the photo by one rename(2), a backup takes its name without ever replacing one. The new file
// keeps the permission bits it copies where the file system can keep them (SafeCopy::copyMode). Every
// failure removes what the step created.
//
// Thread-safe; every function throws FileError with the French description of the failure.
namespace quavel::PhotoFiles {

// Writes the new file: through the descriptor, or by opening the path (a name that reaches this very
// file, for writers that only take file names).
using Content = std::function<void(int fd, const QString& path)>;

// Replaces the file at target with what content writes (into a new, empty file in target's folder).
// The new file keeps the replaced photo's permission bits. beforeRename, when given, runs once the new
// file is written and before it replaces target (the writer's other file steps, which must come first).
// An exception from content or beforeRename leaves the photo as it was.
void replace(const QString& target, const Content& content, const std::function<void()>& beforeRename = {});

// The same with bytes already encoded.
void replaceWithBytes(const QString& target, const QByteArray& bytes);

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

// The hidden names a photo rewrite leaves when killed: today's (TemporarySweep::temporaryName) and the
// ".<UUID>.<ext>" ones of earlier versions ("." + an upper-case UUID + "." + an extension of lower-case
// letters and digits). Nothing else is ever removed as a leftover.
bool isTemporaryName(QStringView fileName);

// The application's own temporary names among the entries of a photo folder: the hidden siblings of
// rewrites above, and the hidden files of copies made there (UnnamedFile: the organiser's copies). The
// one test of what a sweep of a photo folder may remove.
bool isPhotoFolderTemporary(QStringView fileName);

// Removes leftovers of killed writes from folder: files of those patterns whose writer is gone (no
// write, of this process or another, holds their lock). Returns how many were removed; never throws.
int removeLeftovers(const QString& folder);

// Registers a folder of photos with the start-up sweep (TemporarySweep): its hidden siblings, and the
// temporaries of backups and journals in its ".quavel-originals" (never walked when it is a link).
void addSweepRules(const QString& photoFolder);

// The names of the temporaries ".quavel-originals" may hold: those of UnnamedFile (backups and journals,
// today's and earlier), the photo rewrites' above, and the journal temporaries
// "<name>.edits.json.tmp-XXXXXX" earlier versions left.
bool isOriginalsTemporary(QStringView name);

} // namespace quavel::PhotoFiles
