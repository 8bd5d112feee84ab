#include "ImagingTestSupport.h"

#include "platform/imaging/ImagingMemory.h"
#include "platform/imaging/JobPool.h"
#include "platform/imaging/RowPool.h"

#include <QImage>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace quavel;
using namespace quavel::test;

TEST(RowPool, runsEverySliceOnceAndNestsWithoutDeadlock)
{
    // Rows inside rows inside tasks of two job pools: every level finishes and every cell is counted once.
    std::vector<std::atomic<int>> cells(64 * 64);
    auto work = [&] {
        RowPool::run(
            64,
            [&](int begin, int end) {
                for (int y = begin; y < end; ++y)
                    RowPool::run(
                        64,
                        [&](int b, int e) {
                            for (int x = b; x < e; ++x)
                                cells[std::size_t(y * 64 + x)].fetch_add(1);
                        },
                        3);
            },
            1);
    };
    auto first = JobPool::batch().run(work);
    auto second = JobPool::thumbnails().run(work);
    work();
    first.waitForFinished();
    second.waitForFinished();
    for (const auto& c : cells)
        ASSERT_EQ(c.load(), 3);
}

TEST(RowPool, usesOtherThreadsAndRethrowsTheFirstFailure)
{
    std::mutex mutex;
    std::set<std::thread::id> threads;
    RowPool::run(
        RowPool::concurrency() * 8,
        [&](int, int) {
            test::holdThread(std::chrono::milliseconds(2)); // long enough for others to claim slices
            std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
        },
        1);
    if (RowPool::concurrency() > 1) {
        EXPECT_GT(threads.size(), 1u);
    }

    std::atomic<int> ran { 0 };
    EXPECT_THROW(RowPool::run(
                     1000,
                     [&](int begin, int) {
                         ++ran;
                         test::holdThread(std::chrono::microseconds(200));
                         if (begin == 3)
                             throw std::runtime_error("slice 3");
                     },
                     1),
        std::runtime_error);
    EXPECT_LT(ran.load(), 1000); // the slices not yet claimed were skipped
    // The pool is still whole afterwards.
    std::atomic<int> after { 0 };
    RowPool::run(100, [&](int b, int e) { after += e - b; });
    EXPECT_EQ(after.load(), 100);
}

TEST(FloatImage, convertsToAndFrom8BitImagesWithItsProfile)
{
    const QByteArray p3 = displayP3Profile();
    const FloatImage image = makeImage(
        5, 3,
        [](int x, int y) {
            return Rgb { x / 4.0f, y / 2.0f, 1.2f };
        },
        [](int x, int) { return x == 0 ? 0.0f : 0.5f; }, p3);
    const QImage q = image.toQImage();
    ASSERT_EQ(q.format(), QImage::Format_RGBA8888);
    EXPECT_EQ(q.pixelColor(2, 1).red(), 128);
    EXPECT_EQ(q.pixelColor(2, 1).green(), 128);
    EXPECT_EQ(q.pixelColor(2, 1).blue(), 255); // clamped
    EXPECT_EQ(q.pixelColor(0, 0).alpha(), 0);
    EXPECT_TRUE(q.colorSpace() == QColorSpace(QColorSpace::DisplayP3));

    const FloatImage back = FloatImage::fromQImage(q);
    ASSERT_TRUE(back.hasAlpha());
    EXPECT_NEAR(pixel(back, 4, 2)[0], 1.0f, 1e-6);
    EXPECT_NEAR(pixel(back, 2, 1)[1], 128 / 255.0f, 1e-6);
    EXPECT_NEAR(back.row(FloatImage::Alpha, 0)[1], 128 / 255.0f, 1e-6);
    EXPECT_FALSE(back.iccProfile().isEmpty());

    QImage opaque(4, 4, QImage::Format_RGB32);
    opaque.fill(QColor(10, 20, 30));
    const FloatImage fromOpaque = FloatImage::fromQImage(opaque);
    EXPECT_FALSE(fromOpaque.hasAlpha());
    EXPECT_EQ(fromOpaque.toQImage().format(), QImage::Format_RGBX8888);
    EXPECT_TRUE(FloatImage().toQImage().isNull());
}

TEST(FloatImage, sharesPlanesAndDetachesOnWrite)
{
    FloatImage image = grey(8, 8, 0.5f);
    FloatImage copy = image;
    EXPECT_TRUE(copy.sharesPixelsWith(image));
    EXPECT_FALSE(grey(8, 8, 0.5f).sharesPixelsWith(image));
    FloatPlane red = image.plane(0);
    red.row(0)[0] = 1.0f; // detaches: the image is unchanged
    EXPECT_EQ(image.row(0, 0)[0], 0.5f);
    EXPECT_EQ(red.row(0)[0], 1.0f);
    EXPECT_THROW(FloatImage(FloatPlane(2, 2), FloatPlane(2, 2), FloatPlane(3, 2)), std::invalid_argument);
}

// Photo-sized planes (4 MB and more) keep their blocks for the next plane of their size, and keeping never
// holds memory beside a fresh block.
TEST(KeptBlocks, AreReusedBySameSizedPlanesAndLetGoOnAMiss)
{
    const float* first = nullptr;
    {
        FloatPlane plane(1024, 1024);
        first = plane.constData();
    }
    const std::size_t kept = ImagingMemory::keptBytes();
    EXPECT_GE(kept, std::size_t(4) << 20);
    {
        FloatPlane again(1024, 1024); // the kept block, taken back
        EXPECT_EQ(again.constData(), first);
        EXPECT_EQ(ImagingMemory::keptBytes(), kept - (std::size_t(4) << 20));
    }
    {
        FloatPlane other(1024, 1024);
    }
    // Another size: a fresh block, and nothing kept stays resident beside it.
    FloatPlane larger(2048, 1024);
    EXPECT_EQ(ImagingMemory::keptBytes(), 0u);
}

TEST(KeptBlocks, APlaneWhoseRowsWereGivenBackIsFreedNotKept)
{
    {
        FloatPlane fresh(3000, 1000);
    } // a miss lets go of what earlier planes kept; this block is kept
    FloatPlane plane = FloatPlane::filled(3000, 1000, 0.25f); // and taken back
    EXPECT_EQ(ImagingMemory::keptBytes(), 0u);
    {
        const FloatPlane shared = plane;
        EXPECT_FALSE(plane.releaseRows(0, 500)); // another holder still reads them
        EXPECT_EQ(shared.row(200)[7], 0.25f);
    }
    EXPECT_TRUE(plane.releaseRows(100, 900));
    EXPECT_EQ(plane.row(500)[0], 0.0f); // the memory went back: the pages read as zero
    // Only whole pages inside the rows go: the rows around them keep their samples.
    EXPECT_EQ(plane.row(99)[2999], 0.25f);
    EXPECT_EQ(plane.row(900)[0], 0.25f);
    plane = FloatPlane();
    EXPECT_EQ(ImagingMemory::keptBytes(), 0u);
    EXPECT_FALSE(FloatPlane(10, 10).releaseRows(0, 10)); // small planes live in the heap
}
