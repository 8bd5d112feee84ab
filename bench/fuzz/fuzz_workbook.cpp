// Any bytes as a workbook: the reader either gives sheets (read through the grammar) or a ZipError,
// never a crash, a hang or another exception.
#include "programme/ExcelProgrammeParser.h"
#include "programme/ImportParser.h"
#include "programme/ZipError.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
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
