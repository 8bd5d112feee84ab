#pragma once

#include <QString>

#include <optional>

// The crop editor's working copies: one copy of a photo's untouched original per load, in
// "$XDG_CACHE_HOME/QUAVEL/quavel-crop-session" (the user's own cache, mode 0700; never the shared
// temporary folder, where other users could read or replace the copies). The editor keeps every copy
// it made until the next start of the application, which sweeps the folder. Callable from any thread.
namespace quavel::CropSessionFolder {

// The folder's path ($XDG_CACHE_HOME, else ~/.cache, then "QUAVEL/quavel-crop-session"); not created.
QString path();

// Creates the folder when missing and makes sure it is a real folder of mode 0700; absent when that is
// not possible (a file or a link in its place, no permission).
std::optional<QString> ensure();

// Copies source to "<new UUID>.<source's extension>" in the folder (the dot even without an extension)
// and returns the copy's path; absent when the folder or the copy cannot be made. Never replaces a file.
std::optional<QString> makeCopy(const QString& source);

// Removes the copies left by earlier runs, then holds the folder for this process until it ends, so
// that a second instance started meanwhile leaves this one's copies alone (it then sweeps nothing).
// Returns the number of files removed. Called once at application start; never throws.
int sweepAtStart();

// For tests: lets go of the folder as if the process had ended.
void releaseForTesting();

} // namespace quavel::CropSessionFolder
