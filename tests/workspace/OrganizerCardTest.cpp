// The organiser writing to a photographer's card, really mounted: exFAT and FAT32 through FUSE, where a
// copy takes its name with an empty placeholder, and disks that fill up. A child process runs the
// organiser and is killed (SIGKILL) at a chosen step of a placeholder; the rerun, the start-up sweep and
// the plan then go through the application's own code. Needs root and /dev/fuse; skipped otherwise.
#include "WorkspaceTestSupport.h"

#include "common/ChildProcess.h"
#include "common/MountedDisk.h"
#include "library/AppSupport.h"
#include "platform/files/TemporarySweep.h"
#include "platform/files/UnnamedFile.h"
#include "workspace/PhotoOrganizer.h"
#include "workspace/WorkspaceStore.h"

#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>

using namespace quavel;
using namespace quavel::test;
using Kind = MountedDisk::Kind;
using Step = UnnamedFile::PlaceholderStep;

namespace {

constexpr int riders = 3;
constexpr int photosPerRider = 3;

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
    Kind kind;
    Step step;
};

void PrintTo(const Card& card, std::ostream* os)
{
    *os << MountedDisk::name(card.kind)
        << (card.step == Step::created ? " before the mark" : " after the mark");
}

class OrganizerCard : public ::testing::TestWithParam<Card>
{
protected:
    void SetUp() override
    {
        m_disk = std::make_unique<MountedDisk>(GetParam().kind, m_dir);
        if (!m_disk->skip().isEmpty())
            GTEST_SKIP() << m_disk->skip().toStdString();
        QList<RowRecord> rows;
        QList<ImportedPerson> people;
        for (int r = 0; r < riders; ++r) {
            rows.append(row(QString::number(r * photosPerRider + 1), QString::number(10 + r)));
            people.append(rider(QString::number(10 + r), QStringLiteral("Cavalier%1").arg(r)));
        }
        for (int p = 1; p <= riders * photosPerRider; ++p) {
            const QString name = QStringLiteral("IMG_%1.JPG").arg(p, 4, 10, QChar(u'0'));
            m_sources.write(name, QByteArray(64 * 1024 + p, char('a' + p)));
        }
        m_groups = PhotoOrganizer::plan(sheet(rows), people, m_sources.path());
    }
    void TearDown() override { UnnamedFile::setPlaceholderHookForTesting({}); }

    // Runs the organiser into `destination` in a child killed at the step of the copy `killedAt`;
    // returns the one empty visible file it left, by its path under destination.
    QString killedRun(const QString& destination, int killedAt)
    {
        const Step step = GetParam().step;
        EXPECT_TRUE(runInKilledChild([&] {
            int placeholders = 0;
            UnnamedFile::setPlaceholderHookForTesting([&](Step at) {
                if (at == step && placeholders++ == killedAt)
                    dieNow();
            });
            PhotoOrganizer::execute(m_groups, destination);
        }));
        QStringList empty;
        const QMap<QString, QByteArray> files = filesUnder(destination);
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            if (!it.key().section(u'/', -1).startsWith(u'.') && it->isEmpty())
                empty.append(it.key());
        EXPECT_EQ(empty.size(), 1) << empty.join(u' ').toStdString();
        return empty.value(0);
    }

    // Every file under destination is visible and whole; every photo of the plan stands under its own
    // name; the killed copy's name has no « copie » beside it.
    void expectEveryPhotoWholeUnderItsOwnName(const QString& destination, const QString& killed)
    {
        const QMap<QString, QByteArray> files = filesUnder(destination);
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            EXPECT_FALSE(it.key().section(u'/', -1).startsWith(u'.')) << it.key().toStdString();
            EXPECT_FALSE(it->isEmpty()) << it.key().toStdString();
        }
        for (const PhotoGroup& group : m_groups)
            for (const QString& file : group.files) {
                const QString copy = group.folderName() + u'/' + file.section(u'/', -1);
                EXPECT_EQ(files.value(copy), readFile(file)) << copy.toStdString();
            }
        const QString killedCopy
            = QString(killed).replace(QStringLiteral(".JPG"), QStringLiteral(" copie.JPG"));
        EXPECT_FALSE(files.contains(killedCopy)) << killedCopy.toStdString();
    }

    TempFolder m_dir;
    TempFolder m_sources;
    std::unique_ptr<MountedDisk> m_disk;
    QList<PhotoGroup> m_groups;
};

std::string cardName(const ::testing::TestParamInfo<Card>& info)
{
    return std::string(MountedDisk::name(info.param.kind))
        + (info.param.step == Step::created ? "_beforeTheMark" : "_afterTheMark");
}

} // namespace

// The rerun into the card finds the name the killed copy held free again: every photo whole under its
// own name, no « copie », no hidden file left.
TEST_P(OrganizerCard, aCopyKilledOverItsPlaceholderIsRedoneUnderItsOwnName)
{
    for (const int killedAt : { 0, 4 }) {
        const QString destination = m_disk->file(QStringLiteral("Tri%1").arg(killedAt));
        const QString killed = killedRun(destination, killedAt);
        ASSERT_FALSE(killed.isEmpty());
        // The plan of the folder it was killed in reads it and removes nothing.
        const QString folder = destination + u'/' + killed.section(u'/', 0, 0);
        const QStringList left = entries(folder);
        PhotoOrganizer::plan(sheet({ row("1", "10") }), {}, folder);
        EXPECT_EQ(entries(folder), left);

        const OrganizerReport rerun = PhotoOrganizer::execute(m_groups, destination);
        EXPECT_EQ(rerun.copied, riders * photosPerRider) << rerun.messages.join(u'\n').toStdString();
        expectEveryPhotoWholeUnderItsOwnName(destination, killed);
    }
}

// The start-up sweep of a destination the workspace knows removes what a killed run left on the card:
// the empty placeholder (marked or not), its record and the hidden partial copy; photos stay.
TEST_P(OrganizerCard, theStartupSweepOfAKnownDestinationRemovesWhatAKilledRunLeft)
{
    const QString destination = m_disk->file(QStringLiteral("Tri"));
    ASSERT_FALSE(killedRun(destination, 5).isEmpty());
    const QMap<QString, QByteArray> before = filesUnder(destination);
    {
        WorkspaceStore workspace(AppSupport::folder(), FakeParser().reader());
        workspace.storeFolder(destination, WorkspaceStore::FolderKind::destination, QUuid::createUuid());
    }
    TemporarySweep::clearForTesting();
    WorkspaceStore::registerTemporaryFiles();
    EXPECT_EQ(TemporarySweep::sweep(), 3);
    TemporarySweep::clearForTesting();
    QFile::remove(AppSupport::folder() + QStringLiteral("/workspace.json"));

    QMap<QString, QByteArray> expected;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (!it.key().section(u'/', -1).startsWith(u'.') && !it->isEmpty())
            expected.insert(it.key(), *it);
    EXPECT_EQ(filesUnder(destination), expected);
}

INSTANTIATE_TEST_SUITE_P(Cards, OrganizerCard,
    ::testing::Values(Card { Kind::exfat, Step::created }, Card { Kind::exfat, Step::marked },
        Card { Kind::fat32, Step::created }, Card { Kind::fat32, Step::marked }),
    cardName);

namespace {

struct FullDisk
{
    Kind kind;
    // Why a write that does not fit fails, as the file system answers it (fusefat: EPERM).
    const char* reason;
};

void PrintTo(const FullDisk& disk, std::ostream* os)
{
    *os << MountedDisk::name(disk.kind);
}

class OrganizerFullDisk : public ::testing::TestWithParam<FullDisk>
{
};

} // namespace

// A disk that fills up: the rider folder the run made for photos that did not fit goes again, and each
// photo not copied is told with the reason.
TEST_P(OrganizerFullDisk, leavesNoEmptyRiderFolderAndTellsWhy)
{
    TempFolder dir;
    const MountedDisk disk(GetParam().kind, dir, 16);
    if (!disk.skip().isEmpty())
        GTEST_SKIP() << disk.skip().toStdString();
    // The disk filled up, then half a megabyte freed: the first rider's photo fits, the second's not.
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
    const auto groups = PhotoOrganizer::plan(sheet({ row("1", "1"), row("2", "2") }),
        { rider("1", "Dupont", "Jeanne"), rider("2", "Martin", "Paul") }, sources.path());

    const OrganizerReport report = PhotoOrganizer::execute(groups, disk.file("Tri"));
    EXPECT_EQ(report.copied, 1);
    EXPECT_EQ(report.skipped, 1);
    EXPECT_EQ(report.folders, 1);
    EXPECT_EQ(report.messages,
        (QStringList { "DUPONT JEANNE — 1 photo",
            QStringLiteral("Copie impossible : IMG_0002.JPG : ") + u8(GetParam().reason),
            "MARTIN PAUL — 1 photo" }));
    EXPECT_EQ(entries(disk.file("Tri")), QStringList { "DUPONT JEANNE" });
    EXPECT_EQ(entries(disk.path()), (QStringList { "Tri", "filler" }));
    EXPECT_EQ(entries(disk.file("Tri/DUPONT JEANNE")), QStringList { "IMG_0001.JPG" });
}

constexpr char diskFull[] = "il n’y a plus assez d’espace libre sur le disque.";

INSTANTIATE_TEST_SUITE_P(Disks, OrganizerFullDisk,
    ::testing::Values(FullDisk { Kind::tmpfs, diskFull }, FullDisk { Kind::exfat, diskFull },
        FullDisk { Kind::fat32, "vous n’avez pas l’autorisation d’accéder à cet élément." }),
    [](const auto& info) { return std::string(MountedDisk::name(info.param.kind)); });
