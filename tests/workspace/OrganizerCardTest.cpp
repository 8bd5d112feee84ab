// The organiser where a copy takes its name with an empty placeholder: cards really mounted (exFAT,
// FAT32 through FUSE; needs root and /dev/fuse, skipped otherwise) and a local folder with the
// placeholders forced, which runs everywhere. A child runs the organiser and is killed at a chosen step
// of a placeholder; the plan and the rerun then go through the organiser's own code. And full disks.
#include "WorkspaceTestSupport.h"

#include "common/ChildProcess.h"
#include "common/MountedDisk.h"
#include "platform/files/UnnamedFile.h"
#include "workspace/PhotoOrganizer.h"

#include <QDirIterator>

#include <gtest/gtest.h>

#include <optional>

using namespace quavel;
using namespace quavel::test;
using Kind = MountedDisk::Kind;
using Step = UnnamedFile::PlaceholderStep;

namespace {

// Every file under the folder by its path relative to it, hidden ones included, with its content.
QMap<QString, QByteArray> filesUnder(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(folder.size() + 1), readFile(path));
    }
    return files;
}

struct Card
{
    std::optional<Kind> disk; // none: a local folder
    Step killedAt;
    std::string name() const
    {
        return std::string(disk ? MountedDisk::name(*disk) : "local")
            + (killedAt == Step::created ? "_beforeTheMark" : "_afterTheMark");
    }
    friend void PrintTo(const Card& c, std::ostream* os) { *os << c.name(); }
};

class OrganizerCard : public ::testing::TestWithParam<Card>
{
protected:
    void SetUp() override
    {
        if (const std::optional<Kind> kind = GetParam().disk) {
            m_disk = std::make_unique<MountedDisk>(*kind, m_dir);
            if (!m_disk->skip().isEmpty())
                GTEST_SKIP() << m_disk->skip().toStdString();
        }
        UnnamedFile::startFromForTesting(UnnamedFile::Method::placeholderRename); // a card's only way
        QList<RowRecord> rows;
        for (int r = 0; r < 3; ++r)
            rows.append(row(QString::number(r * 3 + 1), QString::number(10 + r)));
        for (int p = 1; p <= 9; ++p)
            m_sources.write(
                QStringLiteral("IMG_%1.JPG").arg(p, 4, 10, QChar(u'0')), QByteArray(65536 + p, char(p)));
        m_groups = PhotoOrganizer::plan(sheet(rows), {}, m_sources.path());
    }
    void TearDown() override
    {
        UnnamedFile::setPlaceholderHookForTesting({});
        UnnamedFile::startFromForTesting(UnnamedFile::Method::unnamedLink);
    }

    TempFolder m_dir { memoryFolderBase() };
    TempFolder m_sources { memoryFolderBase() };
    std::unique_ptr<MountedDisk> m_disk;
    QList<PhotoGroup> m_groups;
};

} // namespace

// The kill leaves one empty file under a photo's name, known by its record (and by its mark once made).
// The plan of its folder only reads it; the rerun finds the name free again: every photo whole under its
// own name, a « copie » beside the ones copied before the kill only, no hidden file left.
TEST_P(OrganizerCard, aCopyKilledOverItsPlaceholderIsRedoneUnderItsOwnName)
{
    for (const int killedAt : { 0, 4 }) {
        const QString destination
            = (m_disk ? m_disk->path() : m_dir.path()) + QStringLiteral("/Tri%1").arg(killedAt);
        EXPECT_TRUE(runInKilledChild([&] {
            int placeholders = 0;
            UnnamedFile::setPlaceholderHookForTesting([&](Step at) {
                if (at == GetParam().killedAt && placeholders++ == killedAt)
                    dieNow();
            });
            PhotoOrganizer::execute(m_groups, destination);
        }));
        const QMap<QString, QByteArray> left = filesUnder(destination);
        QStringList empty;
        for (auto it = left.cbegin(); it != left.cend(); ++it)
            if (!it.key().section(u'/', -1).startsWith(u'.') && it->isEmpty())
                empty.append(it.key());
        ASSERT_EQ(empty.size(), 1) << empty.join(u' ').toStdString();
        const QString folder = destination + u'/' + empty.first().section(u'/', 0, 0);
        const QStringList inFolder = entries(folder);
        PhotoOrganizer::plan(sheet({ row("1", "10") }), {}, folder);
        EXPECT_EQ(entries(folder), inFolder);

        EXPECT_EQ(PhotoOrganizer::execute(m_groups, destination).copied, 9);
        QMap<QString, QByteArray> expected;
        for (const PhotoGroup& group : m_groups)
            for (const QString& file : group.files) {
                const QString copy = group.folderName() + u'/' + file.section(u'/', -1);
                expected.insert(copy, readFile(file));
                if (!left.value(copy).isEmpty())
                    expected.insert(QString(copy).replace(".JPG", " copie.JPG"), readFile(file));
            }
        EXPECT_EQ(filesUnder(destination), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Cards, OrganizerCard,
    ::testing::Values(Card { std::nullopt, Step::created }, Card { std::nullopt, Step::marked },
        Card { Kind::exfat, Step::created }, Card { Kind::exfat, Step::marked },
        Card { Kind::fat32, Step::created }, Card { Kind::fat32, Step::marked }),
    [](const auto& info) { return info.param.name(); });

namespace {

struct FullDisk
{
    Kind kind;
    const char* reason; // why a write that does not fit fails there (fusefat: EPERM)
    friend void PrintTo(const FullDisk& d, std::ostream* os) { *os << MountedDisk::name(d.kind); }
};

class OrganizerFullDisk : public ::testing::TestWithParam<FullDisk>
{
};

} // namespace

// Filled up, then half a megabyte freed: the first rider's photo fits, the second's not. The rider folder
// made for the second goes again, and its photo is told with the reason.
TEST_P(OrganizerFullDisk, leavesNoEmptyRiderFolderAndTellsWhy)
{
    TempFolder dir;
    const MountedDisk disk(GetParam().kind, dir);
    if (!disk.skip().isEmpty())
        GTEST_SKIP() << disk.skip().toStdString();
    {
        QFile filler(disk.file("filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray chunk(64 * 1024, 'f');
        while (filler.write(chunk) == chunk.size() && filler.flush()) { }
        filler.close();
        ASSERT_TRUE(filler.resize(std::max<qint64>(0, filler.size() - 512 * 1024)));
    }
    TempFolder sources;
    sources.write("IMG_0001.JPG", QByteArray(128 * 1024, 'a'));
    sources.write("IMG_0002.JPG", QByteArray(2 * 1024 * 1024, 'b'));
    const OrganizerReport report = PhotoOrganizer::execute(
        PhotoOrganizer::plan(sheet({ row("1", "1"), row("2", "2") }),
            { rider("1", "Dupont", "Jeanne"), rider("2", "Martin", "Paul") }, sources.path()),
        disk.file("Tri"));
    EXPECT_EQ(report.copied, 1);
    EXPECT_EQ(report.folders, 1);
    EXPECT_EQ(report.messages,
        (QStringList { "DUPONT JEANNE — 1 photo",
            "Copie impossible : IMG_0002.JPG : " + u8(GetParam().reason), "MARTIN PAUL — 1 photo" }));
    EXPECT_EQ(entries(disk.file("Tri")), QStringList { "DUPONT JEANNE" });
    EXPECT_EQ(entries(disk.file("Tri/DUPONT JEANNE")), QStringList { "IMG_0001.JPG" });
}

constexpr char diskFull[] = "il n’y a plus assez d’espace libre sur le disque.";

INSTANTIATE_TEST_SUITE_P(Disks, OrganizerFullDisk,
    ::testing::Values(FullDisk { Kind::tmpfs, diskFull }, FullDisk { Kind::exfat, diskFull },
        FullDisk { Kind::fat32, "vous n’avez pas l’autorisation d’accéder à cet élément." }),
    [](const auto& info) { return std::string(MountedDisk::name(info.param.kind)); });
