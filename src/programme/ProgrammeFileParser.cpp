#include "programme/ProgrammeFileParser.h"

#include "programme/ExcelProgrammeParser.h"
#include "programme/ImportError.h"
#include "programme/PDFProgrammeParser.h"

#include <QFileInfo>

namespace quavel::ProgrammeFileParser {

ProgrammeDocument parse(const QString& path)
{
    // The text after the last dot of the file name, empty when there is none.
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == u"pdf")
        return PDFProgrammeParser::parse(path);
    if (extension == u"xlsx" || extension == u"xlsm")
        return ExcelProgrammeParser::parse(path);
    throw ImportError::unreadable();
}

} // namespace quavel::ProgrammeFileParser
