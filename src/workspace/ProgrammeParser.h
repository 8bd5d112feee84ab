#pragma once

#include "programme/ProgrammeDocument.h"

#include <QString>

#include <functional>

namespace quavel {

// How the programme-holding stores read a programme file: ProgrammeFileParser::parse unless a test
// hands in another reader. Throws what the reader throws.
using ProgrammeParser = std::function<ProgrammeDocument(const QString& path)>;

} // namespace quavel
