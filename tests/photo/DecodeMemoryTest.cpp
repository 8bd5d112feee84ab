// Thumbnails and previews share one budget of decode memory, in which a decode past it is refused and the
// others wait their turn without holding back their pool or the exit. A TIFF's chain of pages is bounded.
// (The giant JPEGs whose decoders hold a gigabyte are tried in the photo_memory program, run alone.)
#include "PhotoFixtures.h"
#include "common/ChildProcess.h"
#include "common/TestSupport.h"
#include "photo/MediaThumbnailer.h"
#include "photo/PhotoWork.h"
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

// A TIFF chain at each of its limits is thumbnailed and decoded, and one page more is refused by both.
TEST(TiffChains, AreReadWithinTheirLimitsAndRefusedPastThem)
{
    const auto read = [](int pages, const test::TiffChain& chain) {
        test::TempFolder folder;
        const QString tiff
            = test::writeBytes(folder.file(QStringLiteral("IMG_0001.tif")), test::chainedTiff(pages, chain));
        const bool thumbnailed = ImageThumbnail::fromFile(tiff, 480).size() == QSize(1, 1);
        const std::optional<FloatImage> image = ImageIO::decode(tiff);
        EXPECT_EQ(image.has_value(), thumbnailed) << "the thumbnail and the decode disagree";
        if (image) {
            EXPECT_NEAR(image->plane(0).row(0)[0], 128.0f / 255.0f, 0.01f);
        }
        return thumbnailed;
    };
    constexpr int limit = ImageContent::kMaxTiffDirectories;
    const struct
    {
        const char* name;
        int pages;
        test::TiffChain chain;
    } atTheLimit[] = {
        { "little-endian", limit, {} },
        { "big-endian", limit, { .bigEndian = true } },
        { "BigTIFF", limit, { .bigTiff = true } },
        // A chain that comes back to its first page ends there, as libtiff ends it.
        { "looping big-endian BigTIFF", limit, { .bigEndian = true, .bigTiff = true, .loopBack = true } },
        // Directories of 500 entries, 10,000 in all.
        { "entries", 20, { .extraEntries = 491 } },
    };
    for (const auto& [name, pages, chain] : atTheLimit) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(read(pages, chain));
        EXPECT_FALSE(read(pages + 1, chain));
    }
    EXPECT_FALSE(read(1, { .extraEntries = 492 })) << "a directory of 501 entries";
}

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

const char* const exitChildVariable = "QUAVEL_DECODE_MEMORY_EXIT_CHILD";

// The child: the application ends while a thumbnail waits for memory that a decode holds (the whole
// budget, held here). The wait gives up, and so does any wait after it.
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
    if (!PhotoWork::finishBeforeExit() || !thumbnail.isFinished() || !thumbnail.result().isNull())
        std::_Exit(3);
    if (test::timeBoundsApply() && timer.elapsed() > 2000)
        std::_Exit(4);
    if (budget.acquire(1))
        std::_Exit(5);
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
