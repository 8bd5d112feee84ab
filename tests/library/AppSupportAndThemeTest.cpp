#include "common/TestSupport.h"
#include "library/AppSupport.h"
#include "library/AppearancePreference.h"
#include "library/QuavelTheme.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace quavel;

namespace {

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

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

} // namespace

TEST(AppSupport, foldersLiveUnderTheDataHomeAndAreCreated)
{
    const QString root = qEnvironmentVariable("XDG_DATA_HOME") + "/QUAVEL";
    QDir(root).removeRecursively();
    EXPECT_EQ(AppSupport::folder(), root);
    EXPECT_TRUE(QFileInfo(root).isDir());
    EXPECT_EQ(AppSupport::folder(), root); // again: no error, same place
    EXPECT_EQ(AppSupport::riderFoldersFolder(), root + "/RiderFolders");
    EXPECT_EQ(AppSupport::ordersFolder(), root + "/Orders");
    EXPECT_TRUE(QFileInfo(root + "/RiderFolders").isDir());
    EXPECT_TRUE(QFileInfo(root + "/Orders").isDir());
}

TEST(AppSupport, theDataHomeFallsBackToTheHomeFolder)
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "relative/path"); // not absolute: ignored
    EXPECT_EQ(AppSupport::folder(), QDir::homePath() + "/.local/share/QUAVEL");
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(AppSupport::folder(), QDir::homePath() + "/.local/share/QUAVEL");
    qputenv("XDG_DATA_HOME", saved);
}

TEST(AppSupport, storedProgrammeFilesAreFoundInOrderAndRemoved)
{
    const QString root = AppSupport::folder();
    EXPECT_FALSE(AppSupport::existingProgrammeFile());
    touch(root + "/programme.xlsm");
    EXPECT_EQ(AppSupport::existingProgrammeFile(), root + "/programme.xlsm");
    QDir(root).mkpath("programme.xlsx/inside"); // a folder of that name counts
    EXPECT_EQ(AppSupport::existingProgrammeFile(), root + "/programme.xlsx");
    touch(root + "/programme.pdf");
    EXPECT_EQ(AppSupport::existingProgrammeFile(), root + "/programme.pdf");
    touch(root + "/programme.json");
    AppSupport::removeProgrammeFiles();
    EXPECT_FALSE(AppSupport::existingProgrammeFile());
    EXPECT_TRUE(QFile::exists(root + "/programme.json")); // not a programme source

    // The rider-folders copies are kept apart.
    touch(AppSupport::riderFoldersFolder() + "/programme.xlsx");
    EXPECT_FALSE(AppSupport::existingProgrammeFile());
    EXPECT_EQ(AppSupport::existingRiderProgrammeFile(), AppSupport::riderFoldersFolder() + "/programme.xlsx");
    AppSupport::removeRiderProgrammeFiles();
    EXPECT_FALSE(AppSupport::existingRiderProgrammeFile());
}

TEST(Appearance, rawValuesTitlesAndOrder)
{
    EXPECT_EQ(Appearance::allCases(),
        (QList<AppearancePreference> {
            AppearancePreference::system, AppearancePreference::light, AppearancePreference::dark }));
    const char* raws[] = { "system", "light", "dark" };
    const char* titles[] = { "Système", "Clair", "Sombre" };
    for (int i = 0; i < 3; ++i) {
        const AppearancePreference p = Appearance::allCases()[i];
        EXPECT_EQ(Appearance::rawValue(p), raws[i]);
        EXPECT_EQ(Appearance::title(p), QString::fromUtf8(titles[i]));
        EXPECT_EQ(Appearance::fromRawValue(raws[i]), p);
    }
    for (const char* other : { "System", "Dark", "", " dark", "sombre" })
        EXPECT_FALSE(Appearance::fromRawValue(other)) << other;
}

TEST(QuavelTheme, defaultDayNameIsTheFrenchDateWithACapital)
{
    ScopedTimeZone tz("Europe/Paris");
    EXPECT_EQ(QuavelTheme::defaultDayName(QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC)),
        "Mardi 8 décembre 2026");
    EXPECT_EQ(QuavelTheme::defaultDayName(QDateTime(QDate(2026, 8, 15), QTime(9, 0), Qt::UTC)),
        "Samedi 15 août 2026");
    EXPECT_EQ(QuavelTheme::defaultDayName(QDateTime(QDate(2027, 1, 1), QTime(9, 0), Qt::UTC)),
        "Vendredi 1 janvier 2027");
}

TEST(QuavelTheme, aDateShortlyBeforeMidnightIsNamedAfterTheLocalDay)
{
    // 04:30 UTC on the 9th is 23:30 on the 8th in New York, 17:30 on the 9th in Auckland.
    const QDateTime instant(QDate(2026, 12, 9), QTime(4, 30), Qt::UTC);
    {
        ScopedTimeZone tz("America/New_York");
        EXPECT_EQ(QuavelTheme::defaultDayName(instant), "Mardi 8 décembre 2026");
        EXPECT_EQ(
            QuavelTheme::defaultDayName(QDateTime(QDate(2026, 12, 8), QTime(23, 59, 59), Qt::LocalTime)),
            "Mardi 8 décembre 2026");
    }
    {
        ScopedTimeZone tz("Pacific/Auckland");
        EXPECT_EQ(QuavelTheme::defaultDayName(instant), "Mercredi 9 décembre 2026");
        EXPECT_EQ(QuavelTheme::defaultDayName(QDateTime(QDate(2026, 12, 8), QTime(10, 59), Qt::UTC)),
            "Mardi 8 décembre 2026");
        EXPECT_EQ(QuavelTheme::defaultDayName(QDateTime(QDate(2026, 12, 8), QTime(11, 0), Qt::UTC)),
            "Mercredi 9 décembre 2026");
    }
}
