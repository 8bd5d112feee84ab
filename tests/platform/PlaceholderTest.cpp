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
#include <QRegularExpression>

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

// A writer killed while its placeholder holds the name, before its mark or after it, leaves the
// placeholder, its hidden file and the record of the name: a sweep given a minimum age (a listing's, on a
// share) touches none of them; the folder's sweep removes all three, and of whatever came to stand under
// the name since, only an empty file its writer left. A user's empty file beside them stays.
using Step = UnnamedFile::PlaceholderStep;

struct Left
{
    const char* what;
    Step killedAt;
    // What stands under the name instead of the placeholder (none: the placeholder stays); `recorded`
    // is the record's modification time.
    std::function<void(const TempFolder& dir, time_t recorded)> instead;
    bool removed;
    friend void PrintTo(const Left& l, std::ostream* os) { *os << l.what; }
};

void emptyFileAt(const TempFolder& dir, time_t time)
{
    const struct timespec times[2] = { { time, 0 }, { time, 0 } };
    ASSERT_EQ(
        ::utimensat(AT_FDCWD, QFile::encodeName(dir.write("IMG_0005.JPG", {})).constData(), times, 0), 0);
}

const Left left[] = {
    { "placeholderBeforeItsMark", Step::created, {}, true },
    { "placeholderAfterItsMark", Step::marked, {}, true },
    { "nothing", Step::created, [](const TempFolder&, time_t) {}, false },
    { "usersEmptyFileMadeBefore", Step::created,
        [](const TempFolder& d, time_t r) { emptyFileAt(d, r - 3600); }, false },
    { "usersEmptyFileMadeLater", Step::marked, [](const TempFolder& d, time_t r) { emptyFileAt(d, r + 600); },
        false },
    { "wholePhoto", Step::created, [](const TempFolder& d, time_t) { d.write("IMG_0005.JPG", "photo"); },
        false },
    { "linkToAnEmptyFile", Step::created,
        [](const TempFolder& d, time_t) {
            EXPECT_TRUE(QFile::link(d.write("empty", {}), d.file("IMG_0005.JPG")));
        },
        false },
    { "folder", Step::created, [](const TempFolder& d, time_t) { QDir(d.path()).mkdir("IMG_0005.JPG"); },
        false },
};

class KilledPlaceholderWriter : public ::testing::TestWithParam<Left>
{
};

TEST_P(KilledPlaceholderWriter, LeavesOnlyWhatTheSweepKnowsForItsOwn)
{
    TempFolder dir;
    dir.write("IMG_0004.JPG", {});
    EXPECT_TRUE(test::runInKilledChild([&] {
        UnnamedFile::startFromForTesting(Method::placeholderRename);
        UnnamedFile::setPlaceholderHookForTesting([step = GetParam().killedAt](Step at) {
            if (at == step)
                test::dieNow();
        });
        UnnamedFile file;
        if (file.open(dir.path()) == 0 && ::write(file.fd(), "complete", 8) == 8)
            file.publish("IMG_0005.JPG");
    }));
    const QStringList found = test::entries(dir.path());
    ASSERT_EQ(found.size(), 4) << found.join(u' ').toStdString();
    TemporarySweep::sweepFolder(dir.path(), &UnnamedFile::isTemporaryName, true, std::chrono::seconds(1));
    EXPECT_EQ(test::entries(dir.path()), found);

    const QString record = found.filter(QStringLiteral(".quavel-placeholder-")).value(0);
    ASSERT_TRUE(PlaceholderRecord::isRecordName(record));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(dir.file("IMG_0005.JPG")).constData(), &st), 0);
    EXPECT_EQ(TemporarySweep::isPlaceholder(st), GetParam().killedAt == Step::marked);
    if (GetParam().instead) {
        ASSERT_TRUE(QFile::remove(dir.file("IMG_0005.JPG")));
        GetParam().instead(dir, QFileInfo(dir.file(record)).lastModified().toSecsSinceEpoch());
    }
    QStringList expected = test::entries(dir.path()).filter(QRegularExpression("^[^.]"));
    if (GetParam().removed)
        expected.removeOne("IMG_0005.JPG");
    EXPECT_EQ(UnnamedFile::removeLeftovers(dir.path()), GetParam().removed ? 3 : 2);
    EXPECT_EQ(test::entries(dir.path()), expected);
}

INSTANTIATE_TEST_SUITE_P(Entries, KilledPlaceholderWriter, ::testing::ValuesIn(left),
    [](const auto& info) { return info.param.what; });

// A record whose writer lives is never read nor removed, nor is what it names; one that is not a whole
// record of this version goes without anything else going.
TEST(PlaceholderRecord, OfALivingWriterStaysAndAForeignOneNamesNothing)
{
    TempFolder dir;
    const int folder = ::open(QFile::encodeName(dir.path()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    {
        PlaceholderRecord living;
        ASSERT_EQ(living.write(folder, "IMG_0006.JPG"), 0);
        dir.write("IMG_0006.JPG", {});
        EXPECT_EQ(UnnamedFile::removeLeftovers(dir.path()), 0);
        EXPECT_EQ(test::entries(dir.path()).size(), 2);
    }
    ::close(folder);
    EXPECT_EQ(test::entries(dir.path()), QStringList { "IMG_0006.JPG" });
    dir.write(".quavel-placeholder-0123456789ab", "quavel-placeholder 2\nIMG_0006.JPG");
    EXPECT_EQ(UnnamedFile::removeLeftovers(dir.path()), 1);
    EXPECT_EQ(test::entries(dir.path()), QStringList { "IMG_0006.JPG" });
}

} // namespace
