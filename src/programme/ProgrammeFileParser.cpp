#include "programme/ProgrammeFileParser.h"

#include "programme/ImportError.h"

#include <QFileInfo>

namespace quavel::ProgrammeFileParser {

ProgrammeDocument parse(const QString& path)
{
    // The text after the last dot of the file name; QFileInfo::suffix would also do that.
    const QString extension = QFileInfo(path).suffix().toLower();
    Q_UNUSED(extension);
    // The workbook and PDF readers are plugged in here as they land.
    throw ImportError::unreadable();
}

} // namespace quavel::ProgrammeFileParser
