#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The crop editor's working copies: one copy of a photo's untouched original per load, in
// "$XDG_CACHE_HOME/QUAVEL/quavel-crop-session" (the user's own cache, mode 0700; never the shared
// temporary folder, where other users could read or replace the copies). The editor keeps every copy
// it made until the next start of the application, whose start-up sweep empties the folder. Callable
// from any thread.
namespace quavel::CropSessionFolder {

// The folder's path ($XDG_CACHE_HOME, else ~/.cache, then "QUAVEL/quavel-crop-session"); not created.
QString path();

// Creates the folder when missing and makes sure it is a real folder of mode 0700; absent when that is
// not possible (a file or a link in its place, no permission).
std::optional<QString> ensure();

// Copies source to "<new UUID>.<source's extension>" in the folder (the dot even without an extension)
// and returns the copy's path; absent when the folder or the copy cannot be made. Never replaces a file.
std::optional<QString> makeCopy(const QString& source);
// The same, the extension taken from `named` (source being a path that names no file, such as an open
// original's /proc entry).
std::optional<QString> makeCopy(const QString& source, const QString& named);

// Whether a file name is a session copy's: an upper-case UUID, ".", then an extension (maybe empty).
bool isSessionCopyName(QStringView name);

// Registers the session copies with the application's start-up sweep, which removes those that earlier
// runs left once, as the single running instance, before any editor opens. Within a run every copy stays.
void registerTemporaryFiles();

} // namespace quavel::CropSessionFolder
