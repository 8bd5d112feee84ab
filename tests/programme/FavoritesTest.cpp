#include "programme/ProgrammeFavorites.h"
#include "programme/ResultsSite.h"
#include "programme/WebProgrammeParser.h"

#include "library/AppSupport.h"

#include "ProgrammeTestSupport.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace quavel;

namespace quavel {

inline void PrintTo(const ProgrammeFavorite& f, std::ostream* os)
{
    *os << f.title.toStdString() << " <" << f.url.toStdString() << ">";
}

} // namespace quavel

namespace {

class Favorites : public testing::Test
{
protected:
    void SetUp() override
    {
        QDir folder(AppSupport::folder());
        for (const QString& name : folder.entryList({ u8("programme-favorites.json*") }, QDir::Files))
            folder.remove(name);
    }

    static void writeFile(const QByteArray& bytes)
    {
        QFile file(ProgrammeFavorites::filePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QByteArray fileBytes() { return test::readFile(ProgrammeFavorites::filePath()); }

    static QStringList asideFiles()
    {
        return QDir(AppSupport::folder())
            .entryList({ u8("programme-favorites.json.unreadable-*") }, QDir::Files);
    }

    static QList<ProgrammeFavorite> builtInPlus(std::initializer_list<ProgrammeFavorite> before)
    {
        QList<ProgrammeFavorite> list(before);
        list += ProgrammeFavorite::builtIn();
        return list;
    }
};

const ProgrammeFavorite mine { QUuid(u8("11111111-2222-3333-4444-555555555555")), u8("Mon concours"),
    u8("https://s.test/concours/1") };
const char* const mineJSON
    = R"({"id": "11111111-2222-3333-4444-555555555555", "title": "Mon concours", "url": "https://s.test/concours/1"})";

} // namespace

TEST_F(Favorites, builtInsAreTheResultsSitesInFixedOrder)
{
    const QList<ProgrammeFavorite>& builtIn = ProgrammeFavorite::builtIn();
    const char* const ids[]
        = { "A1B2C3D4-E5F6-7890-ABCD-EF1234567890", "B2C3D4E5-F617-8901-BCDE-F12345678901",
              "C3D4E5F6-1718-9012-CDEF-123456789012", "D4E5F617-1890-1234-DEF0-234567890123" };
    ASSERT_EQ(builtIn.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const ResultsSite& site = ResultsSite::builtIn()[i];
        EXPECT_EQ(builtIn[i],
            (ProgrammeFavorite { QUuid(u8(ids[i])), site.brandName, u8("https://") + site.host }));
        EXPECT_FALSE(builtIn[i].url.endsWith(u'/'));
        // The brand of each built-in site is a title prefix the parser strips.
        EXPECT_EQ(WebProgrammeParser::strippedBrandingTitle(builtIn[i].title + u8(" – CSI")), u8("CSI"));
    }
}

TEST_F(Favorites, firstLoadSeedsTheBuiltIns)
{
    EXPECT_EQ(ProgrammeFavorites::load(), ProgrammeFavorite::builtIn());
    const QByteArray written = fileBytes();
    // Sorted keys: "items" before "seedVersion"; upper-case identifiers.
    EXPECT_LT(written.indexOf("\"items\""), written.indexOf("\"seedVersion\": 2"));
    EXPECT_TRUE(written.contains("\"id\": \"A1B2C3D4-E5F6-7890-ABCD-EF1234567890\""));
    EXPECT_EQ(ProgrammeFavorites::load(), ProgrammeFavorite::builtIn());
    EXPECT_EQ(fileBytes(), written);
}

TEST_F(Favorites, olderFileGainsTheMissingBuiltInsOnce)
{
    writeFile(QByteArray(R"({"items": [)") + mineJSON + "]}");
    EXPECT_EQ(ProgrammeFavorites::load(), builtInPlus({ mine }));
    EXPECT_TRUE(fileBytes().contains("\"seedVersion\": 2"));

    // Once seeded, a built-in the user removed stays removed.
    ProgrammeFavorites::save({ mine });
    EXPECT_EQ(ProgrammeFavorites::load(), (QList<ProgrammeFavorite> { mine }));
}

TEST_F(Favorites, olderFileKeepsItsOwnCopyOfABuiltInAddress)
{
    const ProgrammeFavorite& first = ProgrammeFavorite::builtIn().first();
    const QByteArray upperWithSlash = (u8(" ") + first.url.toUpper() + u8("/ ")).toUtf8();
    writeFile(
        R"({"seedVersion": 1, "items": [{"id": "11111111-2222-3333-4444-555555555555", "title": "Le mien", "url": ")"
        + upperWithSlash + "\"}]}");
    const QList<ProgrammeFavorite> loaded = ProgrammeFavorites::load();
    ASSERT_EQ(loaded.size(), 4);
    EXPECT_EQ(loaded[0].title, u8("Le mien"));
    EXPECT_EQ(loaded.mid(1), ProgrammeFavorite::builtIn().mid(1));
}

TEST_F(Favorites, currentFileIsReadAsItIs)
{
    const QByteArray empty = R"({"items": [], "seedVersion": 2})";
    writeFile(empty);
    EXPECT_TRUE(ProgrammeFavorites::load().isEmpty());
    EXPECT_EQ(fileBytes(), empty);
}

TEST_F(Favorites, brokenFilesAreSetAsideBeforeTheBuiltInsAreWritten)
{
    const QByteArray broken[] = {
        R"({"seedVersion": 2})",
        "{\"items\": [",
        R"({"items": [], "seedVersion": "2"})",
        R"({"items": [{"id": "pas un identifiant", "title": "x", "url": "y"}], "seedVersion": 2})",
        R"({"items": [{"id": "11111111-2222-3333-4444-555555555555", "title": "x"}], "seedVersion": 2})",
        R"([])",
    };
    for (const QByteArray& bytes : broken) {
        SetUp();
        writeFile(bytes);
        EXPECT_EQ(ProgrammeFavorites::load(), ProgrammeFavorite::builtIn()) << bytes.toStdString();
        const QStringList aside = asideFiles();
        ASSERT_EQ(aside.size(), 1) << bytes.toStdString();
        EXPECT_EQ(test::readFile(AppSupport::folder() + u'/' + aside.first()), bytes);
        EXPECT_TRUE(fileBytes().contains("\"seedVersion\": 2"));
    }
}

TEST(FavoriteAddresses, normalizedKey)
{
    EXPECT_EQ(normalizedFavoriteURL(u8("  https://S.test/Concours/ \n")), u8("https://s.test/concours"));
    EXPECT_EQ(normalizedFavoriteURL(u8("https://s.test/a")), normalizedFavoriteURL(u8("HTTPS://S.TEST/A/")));
    EXPECT_NE(normalizedFavoriteURL(u8("https://s.test/a//")), normalizedFavoriteURL(u8("https://s.test/a")));
    // Unlike page links, escapes and tabs count.
    EXPECT_NE(normalizedFavoriteURL(u8("https://s.test/%41")), normalizedFavoriteURL(u8("https://s.test/a")));
    EXPECT_NE(normalizedFavoriteURL(u8("https://s.test/\ta")), normalizedFavoriteURL(u8("https://s.test/a")));
}
