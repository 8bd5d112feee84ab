#include "platform/Iso8601.h"

#include <array>
#include <cstdint>

// Dates are converted with the proleptic Gregorian civil-day arithmetic directly on milliseconds since
// the epoch: the library file holds tens of thousands of dates, and going through QDate/QTime (with
// their time-zone machinery) costs several times more.
namespace quavel::Iso8601 {

namespace {

constexpr std::int64_t msPerDay = 86'400'000;

// Days since 1970-01-01 of a civil date (any valid year, month 1-12, day 1-31).
constexpr std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

struct Civil
{
    std::int64_t year;
    unsigned month;
    unsigned day;
};

constexpr Civil civilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = std::int64_t(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return { y + (m <= 2), m, d };
}

constexpr bool isLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

constexpr int daysInMonth(int y, int m)
{
    constexpr std::array<int, 12> days { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

// 0001-01-01T00:00:00.000Z and 9999-12-31T23:59:59.999Z: the four-digit years.
constexpr std::int64_t earliestMs = daysFromCivil(1, 1, 1) * msPerDay;
constexpr std::int64_t latestMs = (daysFromCivil(9999, 12, 31) + 1) * msPerDay - 1;

template <typename Char> void put(Char* out, int& pos, unsigned value, int digits)
{
    for (int i = digits - 1; i >= 0; --i) {
        out[pos + i] = Char('0' + value % 10);
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
        const char16_t c = text[pos + i].unicode();
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
        while (pos < text.size() && text[pos].unicode() >= u'0' && text[pos].unicode() <= u'9') {
            millis += (text[pos].unicode() - u'0') * scale;
            scale /= 10;
            ++pos;
            ++count;
        }
        if (count == 0)
            return std::nullopt;
    }

    int offsetMinutes = 0;
    if (expect(text, pos, u'Z') || expect(text, pos, u'z')) {
    } else if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        const int sign = text[pos] == u'-' ? -1 : 1;
        ++pos;
        int oh, om;
        if (!digits(text, pos, 2, oh) || !expect(text, pos, u':') || !digits(text, pos, 2, om) || oh > 23
            || om > 59)
            return std::nullopt;
        offsetMinutes = sign * (oh * 60 + om);
    } else {
        return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;

    // A leap second (":60") reads as the first instant of the next minute.
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23
        || minute > 59 || second > 60)
        return std::nullopt;
    const std::int64_t ms = daysFromCivil(year, unsigned(month), unsigned(day)) * msPerDay
        + ((std::int64_t(hour) * 60 + minute - offsetMinutes) * 60 + second) * 1000 + millis;
    if (ms < earliestMs || ms > latestMs)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

} // namespace

bool isRepresentable(const QDateTime& date)
{
    if (!date.isValid())
        return false;
    const std::int64_t ms = date.toMSecsSinceEpoch();
    return ms >= earliestMs && ms <= latestMs;
}

namespace {

template <typename Char> void formatMs(std::int64_t ms, Char* out)
{
    // Floor division, so that instants before 1970 keep a positive time of day.
    std::int64_t days = ms / msPerDay;
    std::int64_t rest = ms % msPerDay;
    if (rest < 0) {
        rest += msPerDay;
        --days;
    }
    const Civil c = civilFromDays(days);
    const unsigned msOfDay = unsigned(rest);
    int pos = 0;
    put(out, pos, unsigned(c.year), 4);
    out[pos++] = Char('-');
    put(out, pos, c.month, 2);
    out[pos++] = Char('-');
    put(out, pos, c.day, 2);
    out[pos++] = Char('T');
    put(out, pos, msOfDay / 3'600'000, 2);
    out[pos++] = Char(':');
    put(out, pos, msOfDay / 60'000 % 60, 2);
    out[pos++] = Char(':');
    put(out, pos, msOfDay / 1000 % 60, 2);
    out[pos++] = Char('.');
    put(out, pos, msOfDay % 1000, 3);
    out[pos++] = Char('Z');
}

} // namespace

QString format(const QDateTime& date)
{
    if (!isRepresentable(date))
        return QString();
    std::array<char16_t, formattedLength> out {};
    formatMs(date.toMSecsSinceEpoch(), out.data());
    return QString(reinterpret_cast<const QChar*>(out.data()), formattedLength);
}

bool formatTo(const QDateTime& date, char* out)
{
    if (!isRepresentable(date))
        return false;
    formatMs(date.toMSecsSinceEpoch(), out);
    return true;
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
