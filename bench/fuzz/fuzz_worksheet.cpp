// Any bytes as worksheet XML and as a shared-string part: rows, header detection and the sheet
// grammar must hold up; only the cell and shared-string budgets, and a shared-string part that is not
// UTF-8, may refuse the input.
#include "programme/ExcelProgrammeParser.h"
#include "programme/ImportParser.h"
#include "programme/SheetXMLParser.h"
#include "programme/ZipError.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QStringList shared = quavel::ImportParser::parseSharedStrings(bytes);
        const QList<QStringList> rows = quavel::SheetXMLParser::parse(bytes, shared);
        quavel::ExcelProgrammeParser::parseSheet(shared.value(0, QStringLiteral("Feuil1")), rows);
    } catch (const quavel::ZipError&) { }
    return 0;
}
