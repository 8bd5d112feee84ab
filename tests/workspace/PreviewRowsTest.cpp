// The preview's lines and texts, built from a real workspace store.
#include "WorkspaceTestSupport.h"

#include "workspace/PreviewContext.h"
#include "workspace/PreviewRows.h"
#include "workspace/WorkspaceStore.h"

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

struct KeyCase
{
    const char* text;
    std::optional<const char*> key;
};

class PhotoKeys : public ::testing::TestWithParam<KeyCase>
{
};

TEST_P(PhotoKeys, IgnoreTheDigitCountAndCase)
{
    const auto key = PreviewRows::photoKey(QString::fromUtf8(GetParam().text));
    if (GetParam().key)
        EXPECT_EQ(key, QString::fromUtf8(*GetParam().key));
    else
        EXPECT_FALSE(key);
}

INSTANTIATE_TEST_SUITE_P(Texts, PhotoKeys,
    ::testing::Values(KeyCase { "A0012", "a|12" }, KeyCase { "a 12", "a|12" }, KeyCase { "A-12", "a|12" },
        KeyCase { "0012", "|12" }, KeyCase { " 12\n", "|12" }, KeyCase { "IMG_3413.JPG", "img|3413" },
        KeyCase { "Sans Numéro", "sans numéro" }, KeyCase { " \t", std::nullopt }));

TEST(PreviewRows, DuplicateSetsAndTheDeleteRule)
{
    const QList<RowRecord> rows { row("A0012", "12"), row("a-12", "12 HC"), row("0012", " 12 "), row("", ""),
        row("3413", "41"), row("", "") };
    EXPECT_EQ(PreviewRows::duplicateAssigned(rows), QSet<QString> { "12" });
    EXPECT_EQ(PreviewRows::duplicatePhotos(rows), QSet<QString> { "a|12" });

    PreviewRow filled;
    filled.id = rows[4].id;
    PreviewRow blank;
    blank.id = rows[3].id;
    blank.isBlank = true;
    PreviewRow trailing;
    trailing.id = rows[5].id;
    trailing.isBlank = true;
    EXPECT_TRUE(PreviewRows::canDelete(rows, filled));
    EXPECT_TRUE(PreviewRows::canDelete(rows, blank));
    EXPECT_FALSE(PreviewRows::canDelete(rows, trailing));
    EXPECT_FALSE(PreviewRows::canDelete({ rows[4] }, filled));
}

// Lines of (blank, named, duplicate assigned, duplicate photo).
QList<PreviewRow> lines(const QList<std::array<bool, 4>>& flags)
{
    QList<PreviewRow> result;
    for (const auto& [blank, named, assigned, photo] : flags) {
        PreviewRow line;
        line.isBlank = blank;
        line.hasName = named;
        line.duplicateAssigned = assigned;
        line.duplicatePhoto = photo;
        result.append(line);
    }
    return result;
}

struct TextCase
{
    QList<std::array<bool, 4>> flags;
    int riders;
    const char* summary;
    const char* help;
};

class BarTexts : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(BarTexts, CountAndPluralise)
{
    const QList<PreviewRow> rows = lines(GetParam().flags);
    EXPECT_EQ(
        PreviewRows::summaryLine(true, true, GetParam().riders, rows), QString::fromUtf8(GetParam().summary));
    EXPECT_EQ(PreviewRows::issueHelp(rows), QString::fromUtf8(GetParam().help));
}

INSTANTIATE_TEST_SUITE_P(Counts, BarTexts,
    ::testing::Values(TextCase { { { true, false, false, false } }, 0,
                          "0 cavalier dans l’épreuve · 0 correspondance", "0 erreur" },
        TextCase { { { false, true, false, false }, { false, false, false, false },
                       { false, true, true, false }, { true, false, false, false } },
            1, "1 cavalier dans l’épreuve · 2 correspondances · 1 sans nom · 1 doublon",
            "2 erreurs : 1 sans correspondance, 1 numéro en doublon" },
        TextCase { { { false, false, false, false }, { false, false, false, false } }, 2,
            "2 cavaliers dans l’épreuve · 0 correspondance · 2 sans nom",
            "2 erreurs : 2 sans correspondance" },
        TextCase { { { false, false, true, false }, { false, false, false, true } }, 3,
            "3 cavaliers dans l’épreuve · 0 correspondance · 2 sans nom · 2 doublons",
            "2 erreurs : 2 sans correspondance, 2 numéros en doublon" }));

TEST(PreviewRows, SummaryBeforeAProgrammeAndAClass)
{
    EXPECT_EQ(PreviewRows::summaryLine(false, false, 0, {}),
        "Importez le programme (fichier ou page internet), puis choisissez le jour et l’épreuve.");
    EXPECT_EQ(PreviewRows::summaryLine(true, false, 0, {}),
        "Choisissez le jour, puis l’épreuve pour afficher les cavaliers.");
}

class PreviewLines : public ::testing::Test
{
protected:
    PreviewLines()
        : store(dir.path())
    {
        store.setProgramme(programme("p",
            { day("Samedi",
                { event("Samedi|1", "GP",
                    { rider("41", " dupont ", " jeanne "), rider("42", "Martin", "Lucas") }) }) }));
        store.selectDay(QString("Samedi"), sheetID);
        store.selectEvent(QString("Samedi|1"), sheetID);
    }

    PhotoGroup group(const RowRecord& r, int files)
    {
        PhotoGroup g;
        g.row = r;
        g.start = *PhotoNumber::parse(r.photoNumber);
        g.endExclusive = PhotoNumber::parse(QStringLiteral("3480"));
        for (int i = 0; i < files; ++i)
            g.files.append(QStringLiteral("/shoot/IMG_%1.JPG").arg(3413 + i));
        return g;
    }

    TempFolder dir;
    WorkspaceStore store;
    QUuid sheetID = QUuid::createUuid();
};

TEST_F(PreviewLines, PhotosTextNamesAndFlags)
{
    const QList<RowRecord> rows { row("3413", "41"), row("3420", "42"), row("3430", "43"), row("3440", "44"),
        row("3450", "45"), row("", "") };
    store.rememberTransfers({ group(rows[3], 2) }, sheetID);
    store.setManualRider(sheetID, "43", " Leblanc ", "");

    PreviewContext context(store, sheetID);
    const QList<PreviewRow> result = context.rowsForTable(
        rows, { group(rows[0], 12), group(rows[1], 1), group(rows[2], 0), group(rows[0], 3) });
    ASSERT_EQ(result.size(), 6);
    EXPECT_EQ(result[0].photos, "12 fichiers · 3413 → avant 3480"); // the first group of a row wins
    EXPECT_EQ(result[1].photos, "1 fichier · 3420 → avant 3480");
    EXPECT_EQ(result[2].photos, "0 fichier");
    EXPECT_EQ(result[3].photos, "2 fichiers · 3440 → avant 3480"); // remembered from the run
    EXPECT_EQ(result[4].photos, "—");
    EXPECT_EQ(result[5].photos, "—");

    // A programme rider in capitals, trimmed; a hand-typed one as typed.
    EXPECT_EQ(result[0].lastName, "DUPONT");
    EXPECT_EQ(result[0].firstName, "JEANNE");
    EXPECT_TRUE(result[0].fromCatalogue && result[0].hasName);
    EXPECT_EQ(result[2].lastName, " Leblanc ");
    EXPECT_TRUE(result[2].hasName && !result[2].fromCatalogue);
    EXPECT_FALSE(result[4].hasName);
    EXPECT_EQ(PreviewRows::lineStatus(result[4]), PreviewRows::LineStatus::unmatched);
    EXPECT_TRUE(result[3].filesTransferred);
    EXPECT_FALSE(PreviewRows::showsTransferCheck(result[3])); // 44 has no rider
    EXPECT_TRUE(result[5].isBlank);
    EXPECT_EQ(PreviewRows::lineStatus(result[5]), PreviewRows::LineStatus::clear);

    // Line by line gives the same lines.
    const QSet<QString> assigned = PreviewRows::duplicateAssigned(rows);
    const QSet<QString> photos = PreviewRows::duplicatePhotos(rows);
    const PhotoGroup first = group(rows[0], 12);
    EXPECT_EQ(context.previewRow(rows[0], &first, assigned, photos), result[0]);
    EXPECT_EQ(context.previewRow(rows[4], nullptr, assigned, photos), result[4]);
}

} // namespace
