// Planning and copying on real folder trees.
#include "WorkspaceTestSupport.h"

#include "platform/Error.h"
#include "platform/files/UnnamedFile.h"
#include "workspace/PhotoOrganizer.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

using namespace quavel;
using namespace quavel::test;

namespace {

QList<QStringList> filesOf(const QList<PhotoGroup>& groups)
{
    QList<QStringList> out;
    for (const PhotoGroup& g : groups)
        out.append(fileNames(g.files));
    return out;
}

} // namespace

TEST(PhotoOrganizerPlan, CutsRangesByValueWhateverTheWidth)
{
    TempFolder src;
    touch(src,
        { "IMG_122.jpg", "IMG_123.JPG", "IMG_0123.jpg", "IMG_0149.jpg", "IMG_0150.jpg", "IMG_9999.jpg",
            "notes.txt", "IMG_0130.mp4", "IMG_0131.jpg.xmp", ".IMG_0132.jpg", "cover.jpg",
            "sub/IMG_0133.jpg" });
    const auto groups = PhotoOrganizer::plan(
        sheet({ row("0150", "8"), row("0123", "7"), row("", "9"), row("0140", " "), row("abc", "9") }),
        { rider("7", "Dupont", "Jeanne"), rider("7", "Autre"), rider("8", "Martin") }, src.path());
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(filesOf(groups),
        (QList<QStringList> {
            { "IMG_123.JPG", "IMG_0123.jpg", "IMG_0149.jpg" }, { "IMG_0150.jpg", "IMG_9999.jpg" } }));
    EXPECT_EQ(groups[0].person->lastName, "Dupont"); // the first rider of a bib wins
    EXPECT_EQ(groups[0].rangeLabel(), "0123 → avant 0150");
    EXPECT_EQ(groups[1].rangeLabel(), "0150 → fin du dossier");
    EXPECT_EQ(groups[1].folderName(), "MARTIN");
}

TEST(PhotoOrganizerPlan, EqualStartsGiveTheFirstRowAnEmptyRange)
{
    TempFolder src;
    touch(src, { "P0042.jpg", "P0043.jpg" });
    const RowRecord second = row("0042", "5", 2);
    const RowRecord first = row("0042", "4", 1);
    const auto groups = PhotoOrganizer::plan(sheet({ second, first }), {}, src.path());
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(groups[0].row.id, first.id);
    EXPECT_TRUE(groups[0].files.isEmpty());
    EXPECT_EQ(groups[1].files.size(), 2);

    TempFolder dest;
    const auto report = PhotoOrganizer::execute(groups, dest.path());
    EXPECT_EQ(report.messages.first(),
        "4 (sans nom dans le programme) : aucune photo dans l’intervalle 0042 → avant 0042.");
    EXPECT_EQ(report.skipped, 1);
    EXPECT_EQ(entries(dest.path()), QStringList { "5" });
}

// Rows of one photo number are taken in the order of their identifiers' texts, whichever field tells
// them apart (a hex letter after a digit, a later field, a byte past 0x7F, another variant).
class PhotoOrganizerTies : public ::testing::TestWithParam<std::pair<const char*, const char*>>
{
};

TEST_P(PhotoOrganizerTies, TakeRowsOfOneNumberInTheOrderOfTheirIdentifiersTexts)
{
    TempFolder src;
    touch(src, { "P0042.jpg" });
    RowRecord first = row("0042", "1");
    first.id = QUuid::fromString(QLatin1String(GetParam().first));
    RowRecord second = row("0042", "2");
    second.id = QUuid::fromString(QLatin1String(GetParam().second));
    ASSERT_FALSE(first.id.isNull() || second.id.isNull());
    for (const QList<RowRecord>& rows :
        { QList<RowRecord> { first, second }, QList<RowRecord> { second, first } }) {
        const auto groups = PhotoOrganizer::plan(sheet(rows), {}, src.path());
        ASSERT_EQ(groups.size(), 2);
        EXPECT_EQ(groups[0].row.id, first.id);
    }
}

INSTANTIATE_TEST_SUITE_P(Identifiers, PhotoOrganizerTies,
    ::testing::Values(
        std::pair { "00000009-0000-4000-8000-000000000000", "0000000a-0000-4000-8000-000000000000" },
        std::pair { "00000001-ffff-4000-8000-000000000000", "00000002-0000-4000-8000-000000000000" },
        std::pair { "00000001-0000-4000-8000-7f0000000000", "00000001-0000-4000-8000-800000000000" },
        std::pair { "00000001-0000-4000-c000-000000000000", "00000002-0000-4000-8000-000000000000" }));

struct PrefixCase
{
    QStringList files;
    QString rowNumber;
    QStringList expected;
};

class PhotoOrganizerPrefix : public ::testing::TestWithParam<PrefixCase>
{
};

TEST_P(PhotoOrganizerPrefix, KeepsTheRowsPrefixWhenItsRangeHasIt)
{
    TempFolder src;
    touch(src, GetParam().files);
    const auto groups = PhotoOrganizer::plan(sheet({ row(GetParam().rowNumber, "1") }), {}, src.path());
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(fileNames(groups[0].files), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PhotoOrganizerPrefix,
    ::testing::Values(
        PrefixCase { { "A_0105.jpg", "B_0101.jpg", "0102.jpg" }, "B0100", { "B_0101.jpg", "0102.jpg" } },
        PrefixCase { { "A_0105.jpg", "0102.jpg" }, "B0100", { "0102.jpg", "A_0105.jpg" } },
        PrefixCase { { "A_0105.jpg", "B_0101.jpg" }, "0100", { "B_0101.jpg", "A_0105.jpg" } },
        PrefixCase { { "a_0105.jpg", "A-0101.jpg" }, "a 0100", { "A-0101.jpg", "a_0105.jpg" } }));

TEST(PhotoOrganizerPlan, AnUnreadableSourceThrows)
{
    TempFolder src;
    try {
        PhotoOrganizer::plan(sheet({ row("1", "1") }), {}, src.file("missing"));
        ADD_FAILURE();
    } catch (const FileError& e) {
        EXPECT_EQ(e.errnoValue(), ENOENT);
        EXPECT_TRUE(e.message().contains("« missing »"));
    }
}

TEST(PhotoOrganizerExecute, RunsAgainWithoutOverwritingAnything)
{
    TempFolder src;
    touch(src, { "photo.jpg", "0042", "IMG_0043.jpg" });
    src.write("IMG_0044.jpg", "other");
    const struct timespec times[2] = { { 5, 0 }, { 1600000000, 0 } };
    ::utimensat(AT_FDCWD, QFile::encodeName(src.file("photo.jpg")).constData(), times, 0);
    TempFolder dest;
    dest.write("42/IMG_0044.jpg", "kept");

    PhotoGroup group;
    group.row = row("0042", "42");
    group.start = *PhotoNumber::parse(u"0042");
    group.files = QStringList { src.file("photo.jpg"), src.file("0042"), src.file("IMG_0044.jpg") };
    QDir(dest.path()).mkpath("42/0042 copie"); // a folder blocks a name too

    const QStringList expectedMessages[] = {
        { "42 (sans nom dans le programme) — 3 photos ajoutées au dossier existant · 1 copie (fichier déjà "
          "présent)" },
        { "42 (sans nom dans le programme) — 3 photos ajoutées au dossier existant · 3 copies (fichier déjà "
          "présent)" },
    };
    for (const QStringList& expected : expectedMessages) {
        const auto report = PhotoOrganizer::execute({ group }, dest.path());
        EXPECT_EQ(report.messages, expected);
        EXPECT_EQ(report.copied, 3);
        EXPECT_EQ(report.folders, 1);
        EXPECT_EQ(report.defaultHeadline(), "1 dossier · 3 photos copiées");
    }
    EXPECT_EQ(entries(dest.file("42")),
        (QStringList { "0042", "0042 copie", "0042 copie 2", "IMG_0044 copie 2.jpg", "IMG_0044 copie.jpg",
            "IMG_0044.jpg", "photo copie.jpg", "photo.jpg" }));
    EXPECT_EQ(readFile(dest.file("42/IMG_0044.jpg")), "kept");
    EXPECT_EQ(readFile(dest.file("42/IMG_0044 copie 2.jpg")), "other");
    EXPECT_EQ(readFile(dest.file("42/photo copie.jpg")), "photo.jpg");
    EXPECT_EQ(QFileInfo(dest.file("42/photo copie.jpg")).lastModified().toSecsSinceEpoch(), 1600000000);
}

TEST(PhotoOrganizerExecute, ReportsFirstRunCopyFailuresAndSharedFolders)
{
    TempFolder src;
    touch(src, { "IMG_0010.jpg", "IMG_0020.jpg" });
    QDir(src.path()).mkdir("IMG_0011.jpg"); // chosen by extension alone; it cannot be copied
    const auto groups = PhotoOrganizer::plan(
        sheet({ row("10", "3"), row("20", "3 HC") }), { rider("3", "Dupont", "Jeanne") }, src.path());
    TempFolder dest;
    const auto report = PhotoOrganizer::execute(groups, dest.file("new/Tri"));
    EXPECT_EQ(report.messages,
        (QStringList { u8("Copie impossible : IMG_0011.jpg : l’élément est un dossier et non un fichier."),
            "DUPONT JEANNE — 2 photos", "DUPONT JEANNE — 1 photo ajoutée au dossier existant" }));
    EXPECT_EQ(report.copied, 2);
    EXPECT_EQ(report.skipped, 1);
    EXPECT_EQ(report.folders, 1);
    EXPECT_EQ(entries(dest.file("new/Tri/DUPONT JEANNE")), (QStringList { "IMG_0010.jpg", "IMG_0020.jpg" }));
}

// A rider folder the run made and could copy nothing into goes again; one that was there stays, and so
// does one that received a photo.
struct FailedCopies
{
    const char* what;
    bool folderExisted;
    bool onePhotoCopies;
    bool folderStays;
    friend void PrintTo(const FailedCopies& c, std::ostream* os) { *os << c.what; }
};

class PhotoOrganizerFailedCopies : public ::testing::TestWithParam<FailedCopies>
{
};

TEST_P(PhotoOrganizerFailedCopies, LeaveNoEmptyFolderOfTheirOwn)
{
    TempFolder src;
    QDir(src.path()).mkdir("IMG_1.jpg"); // a folder: not copied
    if (GetParam().onePhotoCopies)
        src.write("IMG_2.jpg", "photo");
    TempFolder dest;
    if (GetParam().folderExisted)
        QDir(dest.path()).mkdir("7");
    const auto report = PhotoOrganizer::execute(
        PhotoOrganizer::plan(sheet({ row("1", "7") }), {}, src.path()), dest.path());
    EXPECT_EQ(QFileInfo::exists(dest.file("7")), GetParam().folderStays);
    EXPECT_EQ(report.folders, GetParam().folderStays ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, PhotoOrganizerFailedCopies,
    ::testing::Values(FailedCopies { "madeAndEmpty", false, false, false },
        FailedCopies { "thereBefore", true, false, true }, FailedCopies { "madeAndUsed", false, true, true }),
    [](const auto& info) { return std::string(info.param.what); });

TEST(PhotoOrganizerExecute, RiderFoldersNeverLeaveTheDestination)
{
    TempFolder src;
    touch(src, { "1.jpg", "2.jpg", "3.jpg" });
    const auto groups = PhotoOrganizer::plan(sheet({ row("1", "1"), row("2", "2"), row("3", "..") }),
        { rider("1", ".."), rider("2", "../..", "\x01") }, src.path());
    TempFolder dest;
    QDir(dest.path()).mkdir("d");
    PhotoOrganizer::execute(groups, dest.file("d"));
    EXPECT_EQ(entries(dest.path()), QStringList { "d" });
    EXPECT_EQ(entries(dest.file("d")), (QStringList { ".. ..", "1", "Sans nom" }));
}

TEST(PhotoOrganizerExecute, ThrowsWhenAFolderCannotBeMade)
{
    TempFolder src;
    touch(src, { "1.jpg", "2.jpg" });
    const auto groups = PhotoOrganizer::plan(sheet({ row("1", "1"), row("2", "2") }), {}, src.path());
    TempFolder dest;
    dest.write("blocked", "file");
    dest.write("out/2", "a file where the rider folder goes");
    EXPECT_THROW(PhotoOrganizer::execute(groups, dest.file("blocked")), FileError);
    EXPECT_THROW(PhotoOrganizer::execute(groups, dest.file("out")), FileError);
    EXPECT_EQ(entries(dest.file("out/1")), QStringList { "1.jpg" }); // copies made before stay
}

// On a disk with unnamed files, and with placeholders (FAT, exFAT: forced here), whose records and
// marks the other run's sweeps must leave alone while their writer lives.
class PhotoOrganizerTwoRuns : public ::testing::TestWithParam<UnnamedFile::Method>
{
protected:
    void SetUp() override { UnnamedFile::startFromForTesting(GetParam()); }
    void TearDown() override { UnnamedFile::startFromForTesting(UnnamedFile::Method::unnamedLink); }
};

TEST_P(PhotoOrganizerTwoRuns, AtOnceCopyEverythingTwiceAndOverwriteNothing)
{
    TempFolder src;
    QStringList names;
    for (int i = 1; i <= 120; ++i) {
        const QString name = QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
        src.write(name, QByteArray(4096 + i, char(i)) + name.toUtf8());
        names.append(name);
    }
    const auto groups
        = PhotoOrganizer::plan(sheet({ row("1", "1"), row("40", "2"), row("80", "2") }), {}, src.path());
    TempFolder dest;
    dest.write("1/IMG_0001.jpg", "already here");

    OrganizerReport a, b;
    std::thread first([&] { a = PhotoOrganizer::execute(groups, dest.path()); });
    std::thread second([&] { b = PhotoOrganizer::execute(groups, dest.path()); });
    first.join();
    second.join();
    EXPECT_EQ(a.copied + b.copied, 240);
    EXPECT_EQ(a.skipped + b.skipped, 0);

    EXPECT_EQ(readFile(dest.file("1/IMG_0001.jpg")), "already here");
    QMap<QByteArray, int> seen;
    for (const QString folder : { "1", "2" })
        for (const QString& name : entries(dest.file(folder)))
            ++seen[readFile(dest.file(folder + u'/' + name))];
    EXPECT_EQ(seen.take("already here"), 1);
    ASSERT_EQ(seen.size(), 120);
    for (const QString& name : names)
        EXPECT_EQ(seen.value(src.read(name)), 2) << name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Methods, PhotoOrganizerTwoRuns,
    ::testing::Values(UnnamedFile::Method::unnamedLink, UnnamedFile::Method::placeholderRename));

TEST(PhotoOrganizer, CandidateNames)
{
    EXPECT_EQ(PhotoOrganizer::candidateName("photo.jpg", 0), "photo.jpg");
    EXPECT_EQ(PhotoOrganizer::candidateName("photo.jpg", 1), "photo copie.jpg");
    EXPECT_EQ(PhotoOrganizer::candidateName("photo.JPG", 2), "photo copie 2.JPG");
    EXPECT_EQ(PhotoOrganizer::candidateName("photo", 3), "photo copie 3");
    TempFolder dir;
    touch(dir, { "photo.jpg", "photo copie.jpg" });
    EXPECT_EQ(PhotoOrganizer::copyURL("/elsewhere/photo.jpg", dir.path()), dir.file("photo copie 2.jpg"));
}
