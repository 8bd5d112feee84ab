// The empty placeholder a copy without links or RENAME_NOREPLACE (FAT, exFAT) takes its final name with:
// the one a killed writer leaves, marked or not yet, is told apart from every other empty file and
// removed by the sweeps, and once marked taken over by the next file given its name; a living writer's,
// and a user's empty file, never.
#include "platform/files/PlaceholderRecord.h"
#include "platform/files/TemporarySweep.h"
#include "platform/files/UnnamedFile.h"

#include "common/ChildProcess.h"
#include "common/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quavel;
using quavel::test::TempFolder;
using Method = UnnamedFile::Method;

namespace {

constexpr time_t mark = 320760000; // what TemporarySweep::markPlaceholder sets

// Makes the entry "IMG_0002.JPG": its bytes, and its modification time as an offset from the mark
// (none: the time of its making); a writer still alive holds its lock.
struct Entry
{
    const char* what;
    QByteArray bytes;
    std::optional<time_t> fromMark;
    bool writerAlive;
    bool isAbandonedPlaceholder;
};

const Entry entries[] = {
    { "abandonedPlaceholder", {}, 0, false, true },
    // FAT keeps local time: mounted in another zone, the mark moves by whole quarter hours.
    { "placeholderSeenInAnotherZone", {}, 2 * 3600 + 45 * 60, false, true },
    { "livingWritersPlaceholder", {}, 0, true, false },
    { "usersEmptyFile", {}, std::nullopt, false, false },
    { "usersEmptyFileNearTheMark", {}, 8, false, false },
    { "usersEmptyFileADayAway", {}, 24 * 3600, false, false },
    { "markedFileWithContent", "photo", 0, false, false },
};

class Placeholders : public ::testing::TestWithParam<Entry>
{
protected:
    void SetUp() override
    {
        const Entry& e = GetParam();
        m_path = m_dir.write("IMG_0002.JPG", e.bytes);
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        if (e.fromMark) {
            const struct timespec times[2] = { { mark + *e.fromMark, 0 }, { mark + *e.fromMark, 0 } };
            ASSERT_EQ(::futimens(fd, times), 0);
        }
        if (e.writerAlive) {
            ASSERT_EQ(::flock(fd, LOCK_EX), 0);
            m_lock = fd;
        } else {
            ::close(fd);
        }
    }
    void TearDown() override
    {
        if (m_lock >= 0)
            ::close(m_lock);
        UnnamedFile::startFromForTesting(Method::unnamedLink);
    }

    TempFolder m_dir;
    QString m_path;
    int m_lock = -1;
};

TEST_P(Placeholders, OnlyAnAbandonedOneIsSweptAway)
{
    EXPECT_EQ(UnnamedFile::removeLeftovers(m_dir.path()), GetParam().isAbandonedPlaceholder ? 1 : 0);
    EXPECT_EQ(QFile::exists(m_path), !GetParam().isAbandonedPlaceholder);
    if (!GetParam().isAbandonedPlaceholder) {
        EXPECT_EQ(test::readFile(m_path), GetParam().bytes);
    }
}

// Every way of naming a file takes the name of an abandoned placeholder, and only that one.
TEST_P(Placeholders, OnlyAnAbandonedOneIsTakenOverByTheNextFileOfItsName)
{
    for (const Method method :
        { Method::unnamedLink, Method::noReplaceRename, Method::linkThenUnlink, Method::placeholderRename }) {
        UnnamedFile::startFromForTesting(method);
        UnnamedFile file;
        ASSERT_EQ(file.open(m_dir.path()), 0);
        ASSERT_EQ(::write(file.fd(), "complete", 8), 8);
        const int e = file.publish("IMG_0002.JPG");
        if (GetParam().isAbandonedPlaceholder) {
            EXPECT_EQ(e, 0) << int(method);
            EXPECT_EQ(test::readFile(m_path), "complete");
            SetUp(); // the placeholder again, for the next way
        } else {
            EXPECT_EQ(e, EEXIST) << int(method);
            EXPECT_EQ(test::readFile(m_path), GetParam().bytes);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, Placeholders, ::testing::ValuesIn(entries), [](const auto& info) { return info.param.what; });

// A writer killed while its placeholder holds the name, before its mark or after it, leaves that one
// empty file, its hidden file and the record of the name; the sweep of the folder removes all three.
class KilledPlaceholderWriter : public ::testing::TestWithParam<UnnamedFile::PlaceholderStep>
{
protected:
    void TearDown() override { UnnamedFile::setPlaceholderHookForTesting({}); }
};

TEST_P(KilledPlaceholderWriter, LeavesOnlyWhatTheSweepKnowsForItsOwn)
{
    TempFolder dir;
    const QString user = dir.write("IMG_0004.JPG", {}); // a user's empty file beside it stays
    const UnnamedFile::PlaceholderStep step = GetParam();
    EXPECT_TRUE(test::runInKilledChild([&] {
        UnnamedFile::startFromForTesting(Method::placeholderRename);
        UnnamedFile::setPlaceholderHookForTesting([step](UnnamedFile::PlaceholderStep at) {
            if (at == step)
                test::dieNow();
        });
        UnnamedFile file;
        if (file.open(dir.path()) == 0 && ::write(file.fd(), "complete", 8) == 8)
            file.publish("IMG_0003.JPG");
    }));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(dir.file("IMG_0003.JPG")).constData(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(TemporarySweep::isPlaceholder(st), step == UnnamedFile::PlaceholderStep::marked);
    EXPECT_EQ(test::entries(dir.path()).size(), 4);
    // A sweep given a minimum age (a listing's, on a share) touches neither placeholder nor record.
    TemporarySweep::sweepFolder(dir.path(), &UnnamedFile::isTemporaryName, true, std::chrono::seconds(1));
    EXPECT_EQ(test::entries(dir.path()).size(), 4);

    EXPECT_EQ(UnnamedFile::removeLeftovers(dir.path()), 3);
    EXPECT_EQ(test::entries(dir.path()), QStringList { "IMG_0004.JPG" });
    EXPECT_TRUE(QFile::exists(user));
}

INSTANTIATE_TEST_SUITE_P(Steps, KilledPlaceholderWriter,
    ::testing::Values(UnnamedFile::PlaceholderStep::created, UnnamedFile::PlaceholderStep::marked),
    [](const auto& info) {
        return info.param == UnnamedFile::PlaceholderStep::created ? "created" : "marked";
    });

// What the record of a dead writer names: its empty file goes, and nothing else, whatever came to stand
// under the name; the record goes once its writer is gone.
struct Named
{
    const char* what;
    // Makes the entry "IMG_0005.JPG" in the folder; `recorded` is the record's modification time.
    std::function<void(const TempFolder& dir, time_t recorded)> make;
    bool removed;
};

void PrintTo(const Named& n, std::ostream* os)
{
    *os << n.what;
}

void emptyFileAt(const TempFolder& dir, std::optional<time_t> time)
{
    const QString path = dir.write("IMG_0005.JPG", {});
    if (time) {
        const struct timespec times[2] = { { *time, 0 }, { *time, 0 } };
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }
}

const Named named[] = {
    { "emptyFileMadeJustAfter", [](const TempFolder& d, time_t r) { emptyFileAt(d, r + 1); }, true },
    { "markedPlaceholder", [](const TempFolder& d, time_t) { emptyFileAt(d, mark); }, true },
    { "nothing", [](const TempFolder&, time_t) {}, false },
    { "usersEmptyFileMadeBefore", [](const TempFolder& d, time_t r) { emptyFileAt(d, r - 3600); }, false },
    { "usersEmptyFileMadeLater", [](const TempFolder& d, time_t r) { emptyFileAt(d, r + 600); }, false },
    { "wholePhoto", [](const TempFolder& d, time_t) { d.write("IMG_0005.JPG", "photo"); }, false },
    { "linkToAnEmptyFile",
        [](const TempFolder& d, time_t) {
            d.write("empty", {});
            ASSERT_TRUE(QFile::link(d.file("empty"), d.file("IMG_0005.JPG")));
        },
        false },
    { "folder", [](const TempFolder& d, time_t) { QDir(d.path()).mkdir("IMG_0005.JPG"); }, false },
};

class PlaceholderRecords : public ::testing::TestWithParam<Named>
{
};

TEST_P(PlaceholderRecords, NameOnlyTheEmptyFileTheirDeadWriterLeft)
{
    TempFolder dir;
    // A writer that recorded the name and died before anything else.
    EXPECT_TRUE(test::runInKilledChild([&] {
        const int folder
            = ::open(QFile::encodeName(dir.path()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        PlaceholderRecord record;
        if (record.write(folder, "IMG_0005.JPG") == 0)
            test::dieNow();
    }));
    const QStringList records = test::entries(dir.path());
    ASSERT_EQ(records.size(), 1);
    ASSERT_TRUE(PlaceholderRecord::isRecordName(records.first()));
    const time_t recorded = QFileInfo(dir.file(records.first())).lastModified().toSecsSinceEpoch();
    GetParam().make(dir, recorded);
    const QStringList before = test::entries(dir.path());

    EXPECT_EQ(UnnamedFile::removeLeftovers(dir.path()), GetParam().removed ? 2 : 1);
    QStringList expected = before;
    expected.removeOne(records.first());
    if (GetParam().removed)
        expected.removeOne("IMG_0005.JPG");
    EXPECT_EQ(test::entries(dir.path()), expected);
}

INSTANTIATE_TEST_SUITE_P(Entries, PlaceholderRecords, ::testing::ValuesIn(named),
    [](const auto& info) { return info.param.what; });

// A record whose writer lives is never read nor removed, nor is what it names; one that is not a
// record's whole text goes without anything else going.
TEST(PlaceholderRecord, OfALivingWriterStaysAndAForeignOneNamesNothing)
{
    TempFolder dir;
    const int folder = ::open(QFile::encodeName(dir.path()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    {
        PlaceholderRecord living;
        ASSERT_EQ(living.write(folder, "IMG_0006.JPG"), 0);
        dir.write("IMG_0006.JPG", {});
        EXPECT_EQ(UnnamedFile::removeLeftovers(dir.path()), 0);
        EXPECT_EQ(test::entries(dir.path()).size(), 2);
    }
    // Its writer done, the record is gone and its name stands as the writer left it.
    EXPECT_EQ(test::entries(dir.path()), QStringList { "IMG_0006.JPG" });

    dir.write(".quavel-placeholder-0123456789ab", "IMG_0006.JPG");
    EXPECT_EQ(UnnamedFile::removeLeftovers(dir.path()), 1);
    EXPECT_EQ(test::entries(dir.path()), QStringList { "IMG_0006.JPG" });
    ::close(folder);
}

} // namespace
