#pragma once

#include <QList>
#include <QSize>
#include <QString>

#include <optional>

namespace quavel {

// The sheet a crop is made for. Stored in journals as its raw value ("a5", "a4").
enum class PrintFormat { a5, a4 };

namespace PrintFormats {

// Every case, in declaration order.
QList<PrintFormat> allCases();
QString rawValue(PrintFormat format);
// Absent for any other text (the journal then does not decode).
std::optional<PrintFormat> fromRawValue(QStringView raw);

// Width ÷ height of the crop: 148/210 (A5) or 210/297 (A4) on a portrait image, inverted on a landscape
// or square one (height not greater than width).
double cropAspect(PrintFormat format, bool landscapeImage);

// The print canvas in pixels: 1748 × 2480 (A5) or 2480 × 3508 (A4) in portrait, swapped for a landscape
// crop (height not greater than width).
QSize canvasSize(PrintFormat format, bool landscapeCrop);

} // namespace PrintFormats

} // namespace quavel
