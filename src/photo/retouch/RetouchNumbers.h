#pragma once

#include "photo/retouch/RetouchRange.h"

#include <QString>

#include <optional>

// How the retouch controls write and read numbers: a decimal comma on screen, and typed values that may
// carry a comma or a point, the minus sign U+2212 or the hyphen-minus, and a unit anywhere in the text.
namespace quavel::RetouchNumbers {

// The value with exactly `decimals` decimals (an exact half rounds to even, as printf does), the point
// replaced by a comma. No unit, no plus sign, no rounding to a step; a negative value keeps the
// hyphen-minus.
QString displayForm(double value, int decimals);

// The number a typed text stands for: commas read as points, U+2212 as "-", every "%", "px" and "IL"
// removed (case-sensitive, in that order), white space and line breaks trimmed, then the whole rest read
// in the C locale (sign, exponent, hexadecimal and the words for infinity accepted). Absent when the text
// is not a number; a not-a-number result counts as not a number, since it would poison the settings.
std::optional<double> parseTyped(const QString& typed);

// The value a commit of `typed` stores: parseTyped, rounded to the step and clamped to the range.
// Absent when the text is refused (the control then keeps its value).
std::optional<double> commitTyped(const QString& typed, const RetouchRange& range);

// The amount shown in a tone group's header: "+", U+2212 or nothing by the sign of the unrounded value,
// the absolute value with no decimals, a no-break space and "%" ("+12 %", "−4 %", "0 %").
QString toneAmountText(double amount);

// The value as a screen reader reads it (six decimals, C locale, as "%lf" writes it).
QString accessibleValue(double value);

} // namespace quavel::RetouchNumbers
