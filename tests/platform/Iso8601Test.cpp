#include "platform/Iso8601.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace quavel;

namespace {

// Runs the test body under another process time zone, restored afterwards.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_old.empty())
            ::unsetenv("TZ");
        else
            ::setenv("TZ", m_old.c_str(), 1);
        ::tzset();
    }

private:
    std::string m_old;
};

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

} // namespace

TEST(Iso8601, formatsInUtcWhateverTheProcessZone)
{
    for (const char* zone : { "Europe/Paris", "America/New_York", "Pacific/Kiritimati", "UTC" }) {
        SCOPED_TRACE(zone);
        ScopedTimeZone tz(zone);
        const QDateTime instant = utc(2025, 6, 14, 9, 30, 12, 345);
        EXPECT_EQ(Iso8601::format(instant), "2025-06-14T09:30:12.345Z");
        EXPECT_EQ(Iso8601::format(instant.toLocalTime()), "2025-06-14T09:30:12.345Z");
        // A local wall time near midnight: the text is the UTC instant, possibly on another day.
        const QDateTime local(QDate(2026, 12, 8), QTime(23, 59, 30, 7), Qt::LocalTime);
        const auto back = Iso8601::parse(Iso8601::format(local));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->toMSecsSinceEpoch(), local.toMSecsSinceEpoch());
        EXPECT_EQ(back->timeSpec(), Qt::UTC);
    }
}

TEST(Iso8601, roundTripKeepsTheMillisecondOnly)
{
    ScopedTimeZone tz("Asia/Kolkata"); // a half-hour offset
    const qint64 samples[] = { 0, 1, 999, -1, -86'400'001, 1'780'000'123'456, 253'402'300'799'999 };
    for (qint64 ms : samples) {
        SCOPED_TRACE(ms);
        const QDateTime date = QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime);
        const QString text = Iso8601::format(date);
        ASSERT_EQ(text.size(), 24) << text.toStdString();
        const auto back = Iso8601::parse(text);
        ASSERT_TRUE(back) << text.toStdString();
        EXPECT_EQ(back->toMSecsSinceEpoch(), ms);
        char ascii[Iso8601::formattedLength];
        ASSERT_TRUE(Iso8601::formatTo(date, ascii));
        EXPECT_EQ(QString::fromLatin1(ascii, Iso8601::formattedLength), text);
    }
}

TEST(Iso8601, datesBeforeTheEpochKeepAPositiveTimeOfDay)
{
    EXPECT_EQ(Iso8601::format(utc(1969, 12, 31, 23, 59, 59, 999)), "1969-12-31T23:59:59.999Z");
    EXPECT_EQ(Iso8601::format(utc(1, 1, 1, 0, 0, 0)), "0001-01-01T00:00:00.000Z");
    EXPECT_EQ(Iso8601::format(utc(2024, 2, 29, 12, 0, 0)), "2024-02-29T12:00:00.000Z");
}

TEST(Iso8601, unrepresentableDatesHaveNoText)
{
    EXPECT_FALSE(Iso8601::isRepresentable(QDateTime()));
    EXPECT_EQ(Iso8601::format(QDateTime()), QString());
    EXPECT_FALSE(Iso8601::isRepresentable(utc(10000, 1, 1, 0, 0, 0)));
    EXPECT_FALSE(Iso8601::isRepresentable(QDateTime(QDate(-5, 1, 1), QTime(0, 0), Qt::UTC)));
    char ascii[Iso8601::formattedLength];
    EXPECT_FALSE(Iso8601::formatTo(QDateTime(), ascii));
}

struct ParseCase
{
    const char* text;
    bool withFraction; // read by the first form
    bool withoutFraction; // read by the second form
    qint64 expectedMs; // when read
};

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class Iso8601Parse : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(Iso8601Parse, readsEachFormOnly)
{
    const ParseCase& c = GetParam();
    const auto first = Iso8601::parseWithFraction(QString::fromUtf8(c.text));
    const auto second = Iso8601::parseWithoutFraction(QString::fromUtf8(c.text));
    EXPECT_EQ(first.has_value(), c.withFraction);
    EXPECT_EQ(second.has_value(), c.withoutFraction);
    const auto either = Iso8601::parse(QString::fromUtf8(c.text));
    ASSERT_EQ(either.has_value(), c.withFraction || c.withoutFraction);
    if (either) {
        EXPECT_EQ(either->toMSecsSinceEpoch(), c.expectedMs);
    }
}

const qint64 base = 1'749'893'412'000; // 2025-06-14T09:30:12Z

INSTANTIATE_TEST_SUITE_P(Texts, Iso8601Parse,
    ::testing::Values(ParseCase { "2025-06-14T09:30:12.345Z", true, false, base + 345 },
        ParseCase { "2025-06-14T09:30:12Z", false, true, base },
        ParseCase { "2025-06-14T11:30:12+02:00", false, true, base },
        ParseCase { "2025-06-14T04:00:12-05:30", false, true, base },
        ParseCase { "2025-06-14T09:30:12.3Z", true, false, base + 300 },
        ParseCase { "2025-06-14T09:30:12.123456789Z", true, false, base + 123 },
        ParseCase { "2025-06-14T11:30:12.5+02:00", true, false, base + 500 },
        ParseCase { "2016-12-31T23:59:60Z", false, true, 1'483'228'800'000 }, // leap second
        ParseCase { "2025-06-14", false, false, 0 }, ParseCase { "2025-06-14T09:30Z", false, false, 0 },
        ParseCase { "2025-06-14T09:30:12", false, false, 0 }, // no zone
        ParseCase { "2025-06-14T09:30:12.Z", false, false, 0 },
        ParseCase { "2025-06-14T09:30:12+0200", false, false, 0 },
        ParseCase { "2025-06-14 09:30:12Z", false, false, 0 },
        ParseCase { "2025-02-29T09:30:12Z", false, false, 0 }, // not a leap year
        ParseCase { "2025-13-01T09:30:12Z", false, false, 0 },
        ParseCase { "2025-06-14T24:00:00Z", false, false, 0 },
        ParseCase { "0000-01-01T00:00:00Z", false, false, 0 },
        ParseCase { "9999-12-31T23:59:59-01:00", false, false, 0 }, // past the last four-digit year
        ParseCase { " 2025-06-14T09:30:12Z", false, false, 0 },
        ParseCase { "2025-06-14T09:30:12Z ", false, false, 0 },
        ParseCase { "２０２５-06-14T09:30:12Z", false, false, 0 }, // full-width digits
        ParseCase { "", false, false, 0 }));
