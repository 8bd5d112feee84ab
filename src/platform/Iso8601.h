#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace quavel::Iso8601 {

// "2025-06-14T09:30:12.345Z": RFC 3339 internet date-time, UTC, exactly three fractional digits
// (the millisecond below is dropped). Empty for a date that has no such text: an invalid date, or a
// year outside 1 to 9999.
QString format(const QDateTime& date);

// True when format() has a text for the date.
bool isRepresentable(const QDateTime& date);

// The same text as format(), as ASCII into `out` (no terminating zero); false, writing nothing, when
// the date is not representable.
constexpr int formattedLength = 24;
bool formatTo(const QDateTime& date, char* out);

// Internet date-time with a fractional part (any number of digits, read to the millisecond),
// zone "Z" or ±HH:MM. The result is in UTC.
std::optional<QDateTime> parseWithFraction(QStringView text);

// Internet date-time without a fractional part, zone "Z" or ±HH:MM. The result is in UTC.
std::optional<QDateTime> parseWithoutFraction(QStringView text);

// The shared decoding rule: with a fraction first, then without; absent when neither reads.
std::optional<QDateTime> parse(QStringView text);

} // namespace quavel::Iso8601
