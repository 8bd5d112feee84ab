#pragma once

#include <QString>

#include <optional>

// The application-support folder "QUAVEL" under $XDG_DATA_HOME (default ~/.local/share) and its
// sub-folders. Every accessor creates its folder first; a failure to create is not reported (the
// caller's read or write then fails as that caller decides). Paths are absolute, without a trailing
// slash.
namespace quavel::AppSupport {

QString folder();
QString riderFoldersFolder();
QString ordersFolder();

// "programme.pdf", "programme.xlsx", "programme.xlsm": the first that exists (any kind of item).
std::optional<QString> existingProgrammeFile();
void removeProgrammeFiles();
std::optional<QString> existingRiderProgrammeFile();
void removeRiderProgrammeFiles();

// The stored programme-source names, in lookup order.
const QStringList& programmeFileNames();

// Lets the start-up sweep remove what killed saves and copies left in the application's own folders:
// the hidden files of UnnamedFile (today's and earlier) and the siblings of earlier saves in the
// application-support folder and its sub-folders, today's hidden files and the earlier saves' siblings
// beside the user defaults.
void registerTemporaryFiles();

} // namespace quavel::AppSupport
