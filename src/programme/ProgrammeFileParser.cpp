#include "programme/ProgrammeFileParser.h"

#include "programme/ExcelProgrammeParser.h"
#include "programme/ImportError.h"
#include "programme/PDFProgrammeParser.h"
#include "programme/ProgrammeLimits.h"

#include <QFileInfo>

namespace quavel::ProgrammeFileParser {

ProgrammeDocument parse(const QString& path)
{
    return parse(path, QFileInfo(path).fileName());
}

ProgrammeDocument parse(const QString& path, const QString& name)
{
    // The text after the last dot of the file name, empty when there is none.
    const QString extension = QFileInfo(name).suffix().toLower();
    ProgrammeDocument document;
    if (extension == u"pdf")
        document = PDFProgrammeParser::parse(path);
    else if (extension == u"xlsx" || extension == u"xlsm")
        document = ExcelProgrammeParser::parse(path); // stops at the cap while it reads
    else
        throw ImportError::unreadable();
    ProgrammeLimits::checkRiderCount(ProgrammeLimits::riderCount(document));
    if (document.sourceName == QFileInfo(path).fileName())
        document.sourceName = name;
    return document;
}

} // namespace quavel::ProgrammeFileParser
