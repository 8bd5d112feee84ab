// Thumbnails and previews share one budget of decode memory, in which a decode past it is refused and the
// others wait their turn without holding back their pool or the exit. A TIFF's chain of pages is bounded.
// (The giant JPEGs whose decoders hold a gigabyte are tried in the photo_memory program, run alone.)
#include "PhotoFixtures.h"
#include "common/ChildProcess.h"
#include "common/TestSupport.h"
#include "photo/MediaThumbnailer.h"
#include "photo/PhotoWork.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/DecodeBudget.h"
#include "platform/imaging/ImageContent.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/ImageThumbnail.h"
#include "platform/imaging/JobPool.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>

namespace quavel {
namespace {

// A TIFF of that many 1 × 1 pages: read when its chain stays within the limits, refused past them.
struct Chain
{
    const char* name;
    int pages;
    test::TiffChain chain;
    bool readable;
};

void PrintTo(const Chain& c, std::ostream* os)
{
    *os << c.name;
}

constexpr int kLimit = ImageContent::kMaxTiffDirectories;

const Chain chains[] = {
    { "at_the_limit", kLimit, {}, true },
    { "past_the_limit", kLimit + 1, {}, false },
    { "big_endian_at_the_limit", kLimit, { true, false, false }, true },
    { "big_endian_past_the_limit", kLimit + 1, { true, false, false }, false },
    { "bigtiff_at_the_limit", kLimit, { false, true, false }, true },
    { "bigtiff_past_the_limit", kLimit + 1, { false, true, false }, false },
    // A chain that comes back to its first page ends there, as libtiff ends it.
    { "looping", kLimit, { false, false, true }, true },
    { "looping_big_endian_bigtiff", 3, { true, true, true }, true },
    // Directories of 500 entries: 20 of them, then 21; one of 501.
    { "entries_at_the_limit", 20, { false, false, false, 491 }, true },
    { "entries_past_the_limit", 21, { false, false, false, 491 }, false },
    { "directory_entries_past_the_limit", 1, { false, false, false, 492 }, false },
};

class TiffChains : public testing::TestWithParam<Chain>
{
};

TEST_P(TiffChains, AreReadWithinTheirLimitsAndRefusedPastThem)
{
    const Chain& c = GetParam();
    test::TempFolder folder;
    const QString tiff
        = test::writeBytes(folder.file(QStringLiteral("IMG_0001.tif")), test::chainedTiff(c.pages, c.chain));
    EXPECT_EQ(ImageContent::examine(RegularFile(tiff)).has_value(), c.readable);
    EXPECT_EQ(ImageThumbnail::fromFile(tiff, 480).size(), c.readable ? QSize(1, 1) : QSize(0, 0));
    const std::optional<FloatImage> image = ImageIO::decode(tiff);
    ASSERT_EQ(image.has_value(), c.readable);
    if (image) {
        EXPECT_NEAR(image->plane(0).row(0)[0], 128.0f / 255.0f, 0.01f);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, TiffChains, testing::ValuesIn(chains),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeBudget, RefusesWhatPassesItAndLetsAWaitingJobsPoolRunTheJobsBehindIt)
{
    DecodeBudget budget(100);
    DecodeBudget::Hold first = budget.acquire(80);
    ASSERT_TRUE(first);
    EXPECT_FALSE(budget.acquire(101)) << "alone past the budget";
    EXPECT_TRUE(budget.acquire(20)) << "fits beside";
    // As many waiting jobs as the pool has threads, then one that needs nothing.
    JobPool& pool = JobPool::thumbnails();
    const int threads = pool.threadPool().maxThreadCount();
    QList<QFuture<bool>> waiting;
    for (int i = 0; i < threads; ++i)
        waiting.append(pool.run([&budget] { return bool(budget.acquire(50)); }));
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == threads; }, 10000));
    QFuture<int> behind = pool.run([] { return 7; });
    EXPECT_TRUE(test::waitUntil([&] { return behind.isFinished(); }, 10000))
        << "a job behind the waiting ones";
    EXPECT_EQ(budget.held(), 80);
    first = {};
    for (QFuture<bool>& f : waiting)
        EXPECT_TRUE(test::await(f));
    EXPECT_EQ(budget.held(), 0);
    EXPECT_EQ(test::await(behind), 7);
}

TEST(DecodeBudget, AbandonedWaitsGiveUpNowAndLater)
{
    DecodeBudget budget(100);
    DecodeBudget::Hold all = budget.acquire(100);
    QFuture<bool> waiting = JobPool::thumbnails().run([&budget] { return bool(budget.acquire(10)); });
    ASSERT_TRUE(test::waitUntil([&] { return budget.waiting() == 1; }, 10000));
    budget.abandonWaits();
    EXPECT_FALSE(test::await(waiting, 5000));
    EXPECT_FALSE(budget.acquire(1));
    all = {};
    EXPECT_EQ(budget.held(), 0);
}

const char* const exitChildVariable = "QUAVEL_DECODE_MEMORY_EXIT_CHILD";

// The child: a thumbnail waits for memory that a decode holds (the whole budget, held here) when the
// application ends.
TEST(DecodeMemoryExitChild, QuitsWhileAThumbnailWaitsForMemory)
{
    const char* photo = std::getenv(exitChildVariable);
    if (!photo)
        GTEST_SKIP() << "the child of the exit test";
    DecodeBudget& budget = DecodeBudget::previews();
    const DecodeBudget::Hold held = budget.acquire(budget.capacity());
    QFuture<QImage> thumbnail = MediaThumbnailer::thumbnail(QString::fromLocal8Bit(photo), false, 480);
    if (!test::waitUntil([&] { return budget.waiting() == 1; }, 10000))
        std::_Exit(2);
    QElapsedTimer timer;
    timer.start();
    const bool idle = PhotoWork::finishBeforeExit();
    if (!idle || !thumbnail.isFinished() || !thumbnail.result().isNull())
        std::_Exit(3);
    if (test::timeBoundsApply() && timer.elapsed() > 2000)
        std::_Exit(4);
    std::exit(0);
}

TEST(DecodeMemoryExit, AThumbnailWaitingForMemoryGivesUpAndTheProcessEndsTheOrdinaryWay)
{
    test::TempFolder folder;
    const QString photo
        = test::writePhoto(folder.file(QStringLiteral("IMG_0001.jpg")), test::sized(640, 480));
    EXPECT_EQ(test::runTestInChild("DecodeMemoryExitChild.QuitsWhileAThumbnailWaitsForMemory",
                  exitChildVariable, QFile::encodeName(photo), 30000),
        0);
}

} // namespace
} // namespace quavel
