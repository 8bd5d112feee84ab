#include "platform/Iso8601.h"

#include <QTimeZone>

#include <array>

namespace quavel::Iso8601 {

namespace {

void put(std::array<char16_t, 24>& out, int& pos, int value, int digits)
{
    for (int i = digits - 1; i >= 0; --i) {
        out[pos + i] = char16_t(u'0' + value % 10);
        value /= 10;
    }
    pos += digits;
}

// Reads exactly n ASCII digits at text[pos].
bool digits(QStringView text, qsizetype& pos, int n, int& value)
{
    if (pos + n > text.size())
        return false;
    int v = 0;
    for (int i = 0; i < n; ++i) {
        char16_t c = text[pos + i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c - u'0');
    }
    value = v;
    pos += n;
    return true;
}

bool expect(QStringView text, qsizetype& pos, char16_t c)
{
    if (pos < text.size() && text[pos].unicode() == c) {
        ++pos;
        return true;
    }
    return false;
}

std::optional<QDateTime> parseForm(QStringView text, bool withFraction)
{
    qsizetype pos = 0;
    int year, month, day, hour, minute, second;
    if (!digits(text, pos, 4, year) || !expect(text, pos, u'-') || !digits(text, pos, 2, month)
        || !expect(text, pos, u'-') || !digits(text, pos, 2, day))
        return std::nullopt;
    if (!(expect(text, pos, u'T') || expect(text, pos, u't')))
        return std::nullopt;
    if (!digits(text, pos, 2, hour) || !expect(text, pos, u':') || !digits(text, pos, 2, minute)
        || !expect(text, pos, u':') || !digits(text, pos, 2, second))
        return std::nullopt;

    int millis = 0;
    if (withFraction) {
        if (!expect(text, pos, u'.'))
            return std::nullopt;
        int count = 0;
        int scale = 100;
        while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
            millis += (text[pos].unicode() - u'0') * scale;
            scale /= 10;
            ++pos;
            ++count;
        }
        if (count == 0)
            return std::nullopt;
    }

    int offsetSeconds = 0;
    if (expect(text, pos, u'Z') || expect(text, pos, u'z')) {
    } else if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        int sign = text[pos] == u'-' ? -1 : 1;
        ++pos;
        int oh, om;
        if (!digits(text, pos, 2, oh) || !expect(text, pos, u':') || !digits(text, pos, 2, om) || oh > 23
            || om > 59)
            return std::nullopt;
        offsetSeconds = sign * (oh * 3600 + om * 60);
    } else {
        return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;

    if (hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    // A leap second reads as the next instant.
    int extra = 0;
    if (second == 60) {
        second = 59;
        extra = 1;
    }
    QDateTime result(date, QTime(hour, minute, second, millis), Qt::UTC);
    result = result.addSecs(extra - offsetSeconds);
    return result;
}

} // namespace

QString format(const QDateTime& date)
{
    const QDateTime utc = date.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    std::array<char16_t, 24> out {};
    int pos = 0;
    put(out, pos, d.year(), 4);
    out[pos++] = u'-';
    put(out, pos, d.month(), 2);
    out[pos++] = u'-';
    put(out, pos, d.day(), 2);
    out[pos++] = u'T';
    put(out, pos, t.hour(), 2);
    out[pos++] = u':';
    put(out, pos, t.minute(), 2);
    out[pos++] = u':';
    put(out, pos, t.second(), 2);
    out[pos++] = u'.';
    put(out, pos, t.msec(), 3);
    out[pos++] = u'Z';
    return QString(reinterpret_cast<const QChar*>(out.data()), pos);
}

std::optional<QDateTime> parseWithFraction(QStringView text)
{
    return parseForm(text, true);
}

std::optional<QDateTime> parseWithoutFraction(QStringView text)
{
    return parseForm(text, false);
}

std::optional<QDateTime> parse(QStringView text)
{
    if (auto d = parseWithFraction(text))
        return d;
    return parseWithoutFraction(text);
}

} // namespace quavel::Iso8601
