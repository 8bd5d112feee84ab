// The empty placeholder a copy without links or RENAME_NOREPLACE (FAT, exFAT) takes its final name with:
// the one a killed writer leaves is told apart from every other empty file, removed by the sweeps and
// taken over by the next file given its name; a living writer's, and a user's empty file, never.
#include "platform/files/TemporarySweep.h"
#include "platform/files/UnnamedFile.h"

#include "common/ChildProcess.h"
#include "common/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
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

// A writer killed while its placeholder holds the name leaves that one empty file, marked as such.
TEST(KilledPlaceholderWriter, LeavesAMarkedPlaceholderOnly)
{
    TempFolder dir;
    EXPECT_TRUE(test::runInKilledChild([&] {
        UnnamedFile::startFromForTesting(Method::placeholderRename);
        UnnamedFile::setPlaceholderHookForTesting(&test::dieNow);
        UnnamedFile file;
        if (file.open(dir.path()) == 0 && ::write(file.fd(), "complete", 8) == 8)
            file.publish("IMG_0003.JPG");
    }));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(dir.file("IMG_0003.JPG")).constData(), &st), 0);
    EXPECT_TRUE(TemporarySweep::isPlaceholder(st));
    EXPECT_EQ(UnnamedFile::removeLeftovers(dir.path()), 2); // the placeholder and the hidden file
    EXPECT_TRUE(test::entries(dir.path()).isEmpty());
}

} // namespace
