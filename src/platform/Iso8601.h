#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace quavel::Iso8601 {

// "2025-06-14T09:30:12.345Z": RFC 3339 internet date-time, UTC, exactly three fractional digits.
QString format(const QDateTime& date);

// Internet date-time with a fractional part (any number of digits), zone "Z" or ±HH:MM.
std::optional<QDateTime> parseWithFraction(QStringView text);

// Internet date-time without a fractional part, zone "Z" or ±HH:MM.
std::optional<QDateTime> parseWithoutFraction(QStringView text);

// The shared decoding rule: with a fraction first, then without; absent when neither reads.
std::optional<QDateTime> parse(QStringView text);

} // namespace quavel::Iso8601
