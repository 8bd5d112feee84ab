#pragma once

#include <QString>

namespace quavel {

struct ImportedPerson;

// Folder-safe names for riders.
namespace FileNameSanitizer {

// The ten characters / : \ ? % * | " < > become blanks, every run of white space one blank, and the
// ends are trimmed. Nothing else changes; the result may be empty (":" gives "").
QString sanitize(QStringView text);

// The name of a rider's folder, and the one step every caller that creates a rider folder must use:
// sanitize, then control characters (U+0000 to U+001F, U+007F) removed; an empty, "." or ".." name,
// or one made only of dots, is replaced by the sanitised bib and, when that is no better, by
// "Sans nom"; a name longer than 255 UTF-8 bytes is cut on a character boundary. The result is
// always a single, non-empty path component that names a folder inside the destination. Ordinary
// names come out exactly as sanitize gives them.
QString riderFolderName(QStringView name, QStringView canonicalNumber);
// riderFolderName of the rider's folderName and bib.
QString riderFolderName(const ImportedPerson& person);

} // namespace FileNameSanitizer

} // namespace quavel
