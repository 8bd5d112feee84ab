#include "photo/print/PrintPaperFormat.h"

namespace quavel::PrintPaperFormats {

namespace {

struct Row
{
    PrintPaperFormat format;
    const char* raw;
    const char* title;
    double width;
    double height;
};

// Titles use the multiplication sign with a space on each side.
const Row kRows[] = {
    { PrintPaperFormat::a5, "a5", "A5", 148, 210 },
    { PrintPaperFormat::a4, "a4", "A4", 210, 297 },
    { PrintPaperFormat::photo10x15, "photo10x15", "10 × 15 cm", 100, 150 },
    { PrintPaperFormat::photo13x18, "photo13x18", "13 × 18 cm", 130, 180 },
    { PrintPaperFormat::photo15x21, "photo15x21", "15 × 21 cm", 150, 210 },
};

const Row& row(PrintPaperFormat format)
{
    for (const Row& r : kRows)
        if (r.format == format)
            return r;
    return kRows[0];
}

} // namespace

QList<PrintPaperFormat> allCases()
{
    QList<PrintPaperFormat> list;
    for (const Row& r : kRows)
        list.append(r.format);
    return list;
}

QString rawValue(PrintPaperFormat format)
{
    return QString::fromLatin1(row(format).raw);
}

std::optional<PrintPaperFormat> fromRawValue(QStringView raw)
{
    for (const Row& r : kRows)
        if (raw == QLatin1String(r.raw))
            return r.format;
    return std::nullopt;
}

QString title(PrintPaperFormat format)
{
    return QString::fromUtf8(row(format).title);
}

QSizeF millimetres(PrintPaperFormat format)
{
    return QSizeF(row(format).width, row(format).height);
}

QSizeF points(PrintPaperFormat format)
{
    return millimetres(format) * (72.0 / 25.4);
}

} // namespace quavel::PrintPaperFormats
