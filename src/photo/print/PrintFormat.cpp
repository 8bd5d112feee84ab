#include "photo/print/PrintFormat.h"

namespace quavel::PrintFormats {

QList<PrintFormat> allCases()
{
    return { PrintFormat::a5, PrintFormat::a4 };
}

QString rawValue(PrintFormat format)
{
    return format == PrintFormat::a4 ? QStringLiteral("a4") : QStringLiteral("a5");
}

std::optional<PrintFormat> fromRawValue(QStringView raw)
{
    if (raw == u"a5")
        return PrintFormat::a5;
    if (raw == u"a4")
        return PrintFormat::a4;
    return std::nullopt;
}

double cropAspect(PrintFormat format, bool landscapeImage)
{
    if (format == PrintFormat::a4)
        return landscapeImage ? 297.0 / 210.0 : 210.0 / 297.0;
    return landscapeImage ? 210.0 / 148.0 : 148.0 / 210.0;
}

QSize canvasSize(PrintFormat format, bool landscapeCrop)
{
    const QSize portrait = format == PrintFormat::a4 ? QSize(2480, 3508) : QSize(1748, 2480);
    return landscapeCrop ? portrait.transposed() : portrait;
}

} // namespace quavel::PrintFormats
