#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace quavel::AtomicFile {

// Writes the whole file through a temporary sibling ("<name>.tmp-XXXXXX", locked while written; a
// sibling left by a killed process is removed by the start-up sweep): write, fsync, rename over the
// target, fsync the folder. A reader sees either the old or the new content, never a half-written file.
// Throws FileError (French message) on failure; the target is then left as it was.
void write(const QString& path, const QByteArray& bytes);

// The same, reporting failure instead of throwing; for the stores whose failed saves show nothing.
bool tryWrite(const QString& path, const QByteArray& bytes) noexcept;

// Reads the whole file; absent when it cannot be read (missing, no permission, a folder, or anything else
// that is not a regular file: a FIFO or a device is never waited on).
std::optional<QByteArray> read(const QString& path);

// Moves an existing file that could not be decoded out of the way as "<name>.unreadable-<UTC time>",
// so that the next save never overwrites something the user had. Returns the new path, or absent when
// there was nothing to move or the rename failed.
std::optional<QString> setAside(const QString& path, const QDateTime& now = QDateTime::currentDateTimeUtc());

} // namespace quavel::AtomicFile
