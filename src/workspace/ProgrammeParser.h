#pragma once

#include "programme/ProgrammeDocument.h"

#include <QString>

#include <functional>

namespace quavel {

// How the programme-holding stores read a programme file: ProgrammeFileParser::parse unless a test
// hands in another reader. `path` opens the file; `name` is the file name it goes by, whose extension
// chooses the reader (an import reads its copy before the copy has a name). Throws what the reader
// throws.
using ProgrammeParser = std::function<ProgrammeDocument(const QString& path, const QString& name)>;

} // namespace quavel
