#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The file steps of every photo rewrite and every original backup, so that a photo is never missing or
// half written and a kept original is never truncated, whatever moment the process is killed at.
//
// A rewrite encodes into an unnamed file in the photo's folder (O_TMPFILE), flushes it, gives it a
// hidden name ".<UUID>.<ext>" only just before the one rename(2) that replaces the photo. A backup is
// copied to such a hidden name in its folder, flushed, and renamed into place without replacing
// (renameat2 RENAME_NOREPLACE). File systems without these (USB sticks in exFAT, FAT or NTFS) fall back
// to a hidden name written in full and renamed; for backups to link + unlink, last to exclusive creation
// of the final name. Every failure removes what the step created.
//
// Thread-safe; every function throws FileError with the French description of the failure.
namespace quavel::PhotoFiles {

// Replaces the file at target with what content writes to the descriptor it is given (a new, empty,
// writable file in target's folder). The new file keeps the replaced photo's permission bits. ext is
// the extension of the hidden name (no dot). An exception from content leaves the photo as it was.
void replace(const QString& target, const QString& ext, const std::function<void(int fd)>& content);

// The same with bytes already encoded.
void replaceWithBytes(const QString& target, const QString& ext, const QByteArray& bytes);

// Replaces target (present or not) by a copy of source, with source's permission bits and times.
void replaceWithCopy(const QString& target, const QString& source);

// Copies source to target, never replacing anything: throws FileError with EEXIST when target exists.
// The copy is complete and flushed before it carries target's name, and keeps source's permission bits
// and times.
void copyNoReplace(const QString& source, const QString& target);

// Whether a file name is one of the hidden temporary names above: "." + an upper-case UUID + "." + an
// extension of letters and digits. Nothing else is ever removed as a leftover.
bool isTemporaryName(QStringView fileName);

// Removes leftovers of a killed earlier write from folder: files of that pattern that no write of this
// process is using and that nothing has written to for a while (another process may be writing them).
// Returns how many were removed; never throws.
int removeLeftovers(const QString& folder);

// For tests: makes the functions behave as on a file system lacking these features.
struct Fallbacks
{
    bool noTmpFile = false;
    bool noRenameNoReplace = false;
    bool noHardLinks = false;
};
void setFallbacksForTesting(const Fallbacks& fallbacks);

} // namespace quavel::PhotoFiles
