#pragma once

#include "programme/ProgrammeDocument.h"

#include <QString>

// The one entry point through which a programme file becomes a ProgrammeDocument.
namespace quavel::ProgrammeFileParser {

// Chooses the reader by the file's extension, case ignored: "pdf" for start lists, "xlsx" and "xlsm"
// for workbooks. Synchronous; the caller runs it where it likes.
// Throws ImportError::unreadable for any other extension (none included), and lets the chosen
// reader's errors through unchanged: FileError and ZipError for workbooks, ImportError for PDFs.
ProgrammeDocument parse(const QString& path);
// The file that `path` opens read as if it were named `name` (a copy not named yet, opened through
// /proc/self/fd): the name's extension chooses the reader, and the name is the source name where the
// reader would give the path's.
ProgrammeDocument parse(const QString& path, const QString& name);

} // namespace quavel::ProgrammeFileParser
