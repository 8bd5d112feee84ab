#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace quavel::AtomicFile {

// Writes the whole file as an UnnamedFile in its folder (no name while written, or the short hidden
// name of a file system without unnamed files, whatever the file's own), flushed, then renamed over the
// target, the folder flushed last. A reader sees either the old or the new content, never a half-written
// file. The new file keeps the replaced one's permission bits, or has what open(2) gives a new file.
// Throws FileError (French message) on failure; the target is then left as it was.
void write(const QString& path, const QByteArray& bytes);

// The same for the file `name` of a folder already open (folderFd, kept open by the caller): the
// temporary is created there without following any link, and renamed over `name` there.
void writeAt(int folderFd, const QString& name, const QByteArray& bytes);

// The same, reporting failure instead of throwing; for the stores whose failed saves show nothing.
bool tryWrite(const QString& path, const QByteArray& bytes) noexcept;

// Reads the whole file; absent when it cannot be read (missing, no permission, a folder, or anything else
// that is not a regular file: a FIFO or a device is never waited on).
std::optional<QByteArray> read(const QString& path);

// Moves an existing file that could not be decoded out of the way as "<name>.unreadable-<UTC time>"
// ("-2", "-3"… after it when that is taken), so that the next save never overwrites something the user
// had (SetAside is the rule that calls it). The move never replaces anything
// (UnnamedFile::renameNoReplace). A name too long for the file system with that suffix is cut (at a
// character boundary) so that the whole fits in 255 bytes. Returns the new path, or absent when there
// was nothing to move or it could not be moved.
std::optional<QString> setAside(const QString& path, const QDateTime& now = QDateTime::currentDateTimeUtc());

// The same for the entry `name` of a folder already open, the entry itself (never what a link there
// points to). Returns the new name.
std::optional<QString> setAsideAt(
    int folderFd, const QString& name, const QDateTime& now = QDateTime::currentDateTimeUtc());

} // namespace quavel::AtomicFile
