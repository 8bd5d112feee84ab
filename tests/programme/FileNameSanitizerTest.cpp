#include "programme/FileNameSanitizer.h"
#include "programme/ImportedPerson.h"

#include "ProgrammeTestSupport.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace quavel;

namespace {

struct NameCase
{
    QString input;
    QString expected;
};

void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << c.input.toStdString();
}

class Sanitize : public testing::TestWithParam<NameCase>
{
};
class RiderFolder : public testing::TestWithParam<NameCase>
{
};

} // namespace

TEST_P(Sanitize, givesTheFolderSafeText)
{
    EXPECT_EQ(FileNameSanitizer::sanitize(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, Sanitize,
    testing::Values(NameCase { "DUPONT/DURAND JEAN", "DUPONT DURAND JEAN" },
        NameCase { "MARTIN LUC?", "MARTIN LUC" }, NameCase { "A\t\tB  C\nD", "A B C D" },
        NameCase { ":", "" }, NameCase { "a/b:c\\d?e%f*g|h\"i<j>k", "a b c d e f g h i j k" },
        NameCase { "L’ÉCUYER J.-P. 3", "L’ÉCUYER J.-P. 3" }, NameCase { "..", ".." },
        NameCase { "\u00a0X\u2003Y ", "X Y" }));

TEST_P(RiderFolder, isOneSafeComponent)
{
    EXPECT_EQ(FileNameSanitizer::riderFolderName(GetParam().input, u"12"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, RiderFolder,
    testing::Values(NameCase { "DUPONT JEAN", "DUPONT JEAN" }, NameCase { "DUPONT/DURAND", "DUPONT DURAND" },
        NameCase { "..", "12" }, NameCase { ".", "12" }, NameCase { " ... ", "12" }, NameCase { "", "12" },
        NameCase { ":", "12" }, NameCase { QString("A\x01 B\x7f") + QChar(0) + "C", "A BC" },
        NameCase { "../../etc", ".. .. etc" }, NameCase { QString("\x1b\x1b"), "12" }));

TEST(RiderFolder, fallsBackToSansNomWhenTheBibIsNoBetter)
{
    EXPECT_EQ(FileNameSanitizer::riderFolderName(u"..", u".."), "Sans nom");
    EXPECT_EQ(FileNameSanitizer::riderFolderName(u"", u"/"), "Sans nom");
}

TEST(RiderFolder, longNamesAreCutToAFileNameOnACharacterBoundary)
{
    // 200 two-byte letters: 400 bytes.
    const QString name = QString(200, QChar(u'É'));
    const QString folder = FileNameSanitizer::riderFolderName(name, u"1");
    EXPECT_EQ(folder.toUtf8().size(), 254);
    EXPECT_EQ(folder, QString(127, QChar(u'É')));
    // A decomposed letter keeps its accent.
    QString decomposed;
    for (int i = 0; i < 100; ++i)
        decomposed += QStringLiteral("e\u0301");
    const QString cut = FileNameSanitizer::riderFolderName(decomposed, u"1");
    EXPECT_LE(cut.toUtf8().size(), 255);
    EXPECT_TRUE(cut.endsWith(QStringLiteral("e\u0301")));
}

TEST(RiderFolder, hostileNamesStayInsideTheDestination)
{
    test::TempFolder destination;
    for (const QString& hostile : { QStringLiteral(".."), QStringLiteral("../x"), QStringLiteral("/"),
             QStringLiteral("a\nb"), QString(300, u'.') + "x" }) {
        const QString name = FileNameSanitizer::riderFolderName(hostile, u"7");
        ASSERT_TRUE(QDir(destination.path()).mkdir(name)) << hostile.toStdString();
        EXPECT_EQ(QFileInfo(destination.file(name)).absoluteDir(), QDir(destination.path()));
        QDir(destination.path()).rmdir(name);
    }
}

TEST(ImportedPerson, nameForms)
{
    const ImportedPerson full { "12", " Jean ", "Dupont", 1 };
    EXPECT_EQ(full.formattedName(), "DUPONT JEAN");
    EXPECT_EQ(full.displayName(), "DUPONT JEAN");
    const ImportedPerson accents { "3", "Zoé", "d’Héricourt/Lévy", 1 };
    EXPECT_EQ(accents.formattedName(), "D’HÉRICOURT/LÉVY ZOÉ");
    EXPECT_EQ(accents.folderName(), "D’HÉRICOURT LÉVY ZOÉ");
    const ImportedPerson firstOnly { "4", "Jean", "", 1 };
    EXPECT_EQ(firstOnly.formattedName(), "JEAN");
    const ImportedPerson nameless { "45", "", " ", 1 };
    EXPECT_EQ(nameless.displayName(), "N° 45");
    EXPECT_EQ(nameless.folderName(), "45");
    const ImportedPerson colon { "8", "", ":", 1 };
    EXPECT_EQ(colon.folderName(), "");
    EXPECT_EQ(FileNameSanitizer::riderFolderName(colon), "8");
}
