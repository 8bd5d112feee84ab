// Any bytes as a PDF start list: either no document (the import's French error) or a programme,
// through both the federation and the generic grammar.
#include "programme/PDFProgrammeParser.h"

#include "platform/pdf/PdfDocument.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto document = quavel::PdfDocument::fromData(bytes))
        quavel::PDFProgrammeParser::parse(*document, QStringLiteral("fuzz.pdf"));
    return 0;
}
