#pragma once

#include <QList>
#include <QSizeF>
#include <QString>

#include <optional>

namespace quavel {

// The paper formats of the print menu. Stored and identified by their raw values ("a5", "photo10x15").
enum class PrintPaperFormat { a5, a4, photo10x15, photo13x18, photo15x21 };

namespace PrintPaperFormats {

// Every case, in menu order.
QList<PrintPaperFormat> allCases();
QString rawValue(PrintPaperFormat format);
std::optional<PrintPaperFormat> fromRawValue(QStringView raw);
// The menu title: "A5", "A4", "10 × 15 cm", "13 × 18 cm", "15 × 21 cm".
QString title(PrintPaperFormat format);
// The sheet in portrait, in millimetres and in points (millimetres × 72 / 25.4, not rounded).
QSizeF millimetres(PrintPaperFormat format);
QSizeF points(PrintPaperFormat format);

} // namespace PrintPaperFormats

} // namespace quavel
