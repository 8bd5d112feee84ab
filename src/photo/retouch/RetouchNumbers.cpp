#include "photo/retouch/RetouchNumbers.h"

#include "platform/text/Text.h"

#include <charconv>
#include <cmath>

namespace quavel::RetouchNumbers {

namespace {

// printf's fixed notation in the C locale whatever the process locale is (Qt sets it from the
// environment, so snprintf would write a comma under a French locale and a point elsewhere).
QString fixed(double value, int decimals)
{
    char buffer[400];
    const auto result = std::to_chars(
        buffer, buffer + sizeof buffer, value, std::chars_format::fixed, std::max(decimals, 0));
    if (result.ec != std::errc())
        return QString();
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

} // namespace

QString displayForm(double value, int decimals)
{
    return fixed(value, decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

std::optional<double> parseTyped(const QString& typed)
{
    QString t = typed;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    t.replace(QChar(0x2212), QLatin1Char('-'));
    t.remove(QStringLiteral("%"));
    t.remove(QStringLiteral("px"));
    t.remove(QStringLiteral("IL"));
    const std::optional<double> d = text::parseDoubleC(text::trimWhitespaceAndNewlines(t));
    if (!d || std::isnan(*d))
        return std::nullopt;
    return d;
}

std::optional<double> commitTyped(const QString& typed, const RetouchRange& range)
{
    const std::optional<double> d = parseTyped(typed);
    if (!d)
        return std::nullopt;
    return range.stepped(*d);
}

QString toneAmountText(double amount)
{
    QString sign;
    if (amount > 0)
        sign = QStringLiteral("+");
    else if (amount < 0)
        sign = QString(QChar(0x2212));
    return sign + displayForm(std::fabs(amount), 0) + QChar(0x00A0) + QLatin1Char('%');
}

QString accessibleValue(double value)
{
    return fixed(value, 6);
}

} // namespace quavel::RetouchNumbers
