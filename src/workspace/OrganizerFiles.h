#pragma once

#include <QString>

// Small POSIX helpers of the organiser, reporting errno values.
namespace quavel::OrganizerFiles {

// Something (file, folder, link, even a dangling one) exists at the path.
bool exists(const QString& path);
// Creates the folder and its missing parents; 0 or the errno value.
int makePath(const QString& path);
// Throws FileError: "Impossible de créer le dossier « <name> » : <description>".
[[noreturn]] void throwCreateFailure(const QString& path, int errnoValue);
// The last path component.
QString lastComponent(const QString& path);

} // namespace quavel::OrganizerFiles
