// Any bytes as a workbook, read both ways: as the file reader reads it (each row handed to the grammar
// as it is read, its cells decoded only when the grammar reads them) and as sheets of texts. Either gives
// a programme or a ZipError, never a crash, a hang or another exception.
#include "programme/ExcelProgrammeParser.h"
#include "programme/ImportParser.h"
#include "programme/ZipError.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        quavel::ExcelProgrammeParser::parse(bytes, QStringLiteral("fuzz.xlsx"));
    } catch (const quavel::ZipError& e) {
        if (e.message().isEmpty())
            std::abort();
    }
    try {
        QList<quavel::ProgrammeDay> days;
        for (const auto& sheet : quavel::ImportParser::excelSheets(bytes))
            quavel::ExcelProgrammeParser::merge(
                quavel::ExcelProgrammeParser::parseSheet(sheet.name, sheet.rows), days);
    } catch (const quavel::ZipError& e) {
        if (e.message().isEmpty())
            std::abort();
    }
    return 0;
}
