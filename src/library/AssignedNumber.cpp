#include "library/AssignedNumber.h"

#include "platform/text/Text.h"

#include <cmath>

namespace quavel::AssignedNumber {

namespace {

// The text is trimmed and not empty.
QString strippingHorsClassement(const QString& text)
{
    const QString upperCopy = text::upper(text);
    for (const QString& suffix : { QStringLiteral("-HC"), QStringLiteral("\u2013HC"), QStringLiteral("/HC"),
             QStringLiteral(" HC") }) {
        if (upperCopy.endsWith(suffix))
            return text::trimWhitespaceAndNewlines(QStringView(text).chopped(std::min<qsizetype>(3, text.size())));
    }
    if (upperCopy.endsWith(u"HC")) {
        const QStringList chars = text::graphemes(text);
        if (chars.size() >= 3) {
            const QString before = chars[chars.size() - 3];
            const char32_t c = before.isEmpty() ? 0 : text::codePoints(before).first();
            if (text::isLetter(c) || text::isNumeric(c))
                return text;
            QString rest;
            for (qsizetype i = 0; i + 2 < chars.size(); ++i)
                rest += chars[i];
            return text::trimWhitespaceAndNewlines(rest);
        }
    }
    return text;
}

std::optional<QString> firstDigitRun(QStringView text)
{
    QString buffer;
    for (char32_t c : text::codePoints(text)) {
        if (text::isNumeric(c)) {
            if (c > 0xFFFF) {
                const QChar pair[2] = { QChar::highSurrogate(c), QChar::lowSurrogate(c) };
                buffer.append(pair, 2);
            } else {
                buffer.append(QChar(char16_t(c)));
            }
        } else if (!buffer.isEmpty()) {
            break;
        }
    }
    if (buffer.isEmpty())
        return std::nullopt;
    return buffer;
}

} // namespace

std::optional<QString> canonical(QStringView input)
{
    QString s = input.toString();
    s.replace(QChar(0x00A0), QChar(u' '));
    s = text::trimWhitespaceAndNewlines(s);
    if (s.isEmpty())
        return std::nullopt;
    s = strippingHorsClassement(s);
    if (s.isEmpty())
        return std::nullopt;
    s.replace(u',', u'.');

    if (auto whole = text::parseInt64(s))
        return QString::number(*whole);

    if (auto number = text::parseDoubleC(s)) {
        const double v = *number;
        if (v < 1000000.0 && v >= 0.0 && std::floor(v) == v)
            return QString::number(qint64(v));
    }

    if (auto run = firstDigitRun(s)) {
        if (auto value = text::parseInt64(*run))
            return QString::number(*value);
    }

    return text::lower(s);
}

} // namespace quavel::AssignedNumber
