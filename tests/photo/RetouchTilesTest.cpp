// A rendering of an image handed over (a write's) gives the pixels of the rendering into new planes,
// whichever way it goes over the image: written over its input row by row, or by tiles that read their
// neighbours (their own narrow maps, sharpening) into new planes while the input's rows are given back.
// An input still shared with another holder is neither written over nor given back.
#include "PhotoTestSupport.h"

#include "photo/retouch/PhotoRetoucher.h"
#include "photo/retouch/RetouchPlan.h"
#include "platform/imaging/RowPool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace quavel;
using namespace quavel::test;
using namespace quavel::PhotoRetoucher::detail;
using PhotoRetoucher::Quality;

namespace {

struct InPlaceCase
{
    const char* name;
    std::function<void(PhotoRetouchSettings&)> set;
    bool tiles; // stages that read neighbours
};

void PrintTo(const InPlaceCase& c, std::ostream* os)
{
    *os << c.name;
}

// 1600 × 2800: planes large enough to give rows back, eleven rows of tiles, and a full-resolution map too
// large to be made for the whole image.
FloatImage photo()
{
    const FloatImage colour = photoLike(1600, 2800, 0.04f);
    return FloatImage(colour.plane(0), colour.plane(1), colour.plane(2), FloatPlane::filled(1600, 2800, 0.8f),
        displayP3Profile());
}

float largestDifference(const FloatImage& a, const FloatImage& b)
{
    float worst = 0;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < a.width() * a.height(); ++i)
            worst = std::max(worst, std::abs(a.plane(c).constData()[i] - b.plane(c).constData()[i]));
    return worst;
}

// Every worker of the row pool kept busy by another job while alive: a rendering then runs all its tiles
// on its own thread, one after the other, so that a row given back too early is read by the very next
// tile whatever the timing.
class BusyRowPool
{
public:
    BusyRowPool()
        : m_holder([this] {
            RowPool::run(
                RowPool::concurrency(),
                [this](int, int) {
                    std::unique_lock lock(m_mutex);
                    ++m_held;
                    m_changed.notify_all();
                    m_changed.wait(lock, [this] { return m_released; });
                },
                1);
        })
    {
        // Bounded: workers busy with some other job would never all be held.
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(
                lock, std::chrono::seconds(30), [this] { return m_held == RowPool::concurrency(); })) {
            ADD_FAILURE() << "the row pool's workers could not all be held";
            m_released = true;
            m_changed.notify_all();
        }
    }
    ~BusyRowPool()
    {
        {
            std::lock_guard lock(m_mutex);
            m_released = true;
        }
        m_changed.notify_all();
        m_holder.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_held = 0;
    bool m_released = false;
    std::thread m_holder;
};

class RetouchHandedOver : public testing::TestWithParam<InPlaceCase>
{
protected:
    PhotoRetouchSettings settings() const
    {
        PhotoRetouchSettings s;
        GetParam().set(s);
        return s;
    }
};

} // namespace

TEST_P(RetouchHandedOver, GivesThePixelsOfTheRenderingAndHoldsOneImage)
{
    const PhotoRetouchSettings s = settings();
    const FloatImage input = photo();
    const FloatImage expected = *PhotoRetoucher::apply(s, input, Quality::Full);

    FloatImage handed = photo();
    const float* red = handed.plane(0).constData();
    const FloatPlane alpha = handed.plane(FloatImage::Alpha);
    Report report;
    const std::optional<FloatImage> got
        = applyInPlace(s, std::move(handed), Quality::Full, { true, &report });
    ASSERT_TRUE(got);
    EXPECT_EQ(largestDifference(*got, expected), 0.0f);
    EXPECT_TRUE(got->plane(FloatImage::Alpha).sharesDataWith(alpha));
    EXPECT_EQ(got->iccProfile(), displayP3Profile());
    if (GetParam().tiles)
        EXPECT_EQ(report.rowsGivenBack, 2800); // every input row went back once read for the last time
    else
        EXPECT_EQ(got->plane(0).constData(), red); // written over its input
}

TEST_P(RetouchHandedOver, GivesThePixelsOfTheRenderingTileAfterTile)
{
    const PhotoRetouchSettings s = settings();
    const FloatImage expected = *PhotoRetoucher::apply(s, photo(), Quality::Full);
    FloatImage handed = photo();
    std::optional<FloatImage> got;
    {
        const BusyRowPool busy;
        got = PhotoRetoucher::apply(s, std::move(handed), Quality::Full);
    }
    ASSERT_TRUE(got);
    EXPECT_EQ(largestDifference(*got, expected), 0.0f);
}

TEST_P(RetouchHandedOver, LeavesAnImageStillSharedAsItWas)
{
    const PhotoRetouchSettings s = settings();
    const FloatImage held = photo();
    const FloatImage before = photo();
    Report report;
    FloatImage copy = held;
    const std::optional<FloatImage> got = applyInPlace(s, std::move(copy), Quality::Full, { true, &report });
    ASSERT_TRUE(got);
    EXPECT_EQ(largestDifference(held, before), 0.0f);
    EXPECT_EQ(largestDifference(*got, *PhotoRetoucher::apply(s, before, Quality::Full)), 0.0f);
    EXPECT_EQ(report.rowsGivenBack, 0);
}

// Radii in pixels of a 3000-pixel long side: at 2800 pixels, a radius under 17 is a narrow blur (σ under 8,
// its map made by each tile), 200 a wide one (σ 93, its map made once, reduced).
INSTANTIATE_TEST_SUITE_P(Stages, RetouchHandedOver,
    testing::Values(InPlaceCase { "per-pixel stages",
                        [](PhotoRetouchSettings& s) {
                            s.autoContrast = true;
                            s.exposure = 0.4;
                            s.brightness = 20;
                            s.contrast = 30;
                            s.vibrance = 15;
                            s.saturation = -10;
                            s.gamma = 1.2;
                        },
                        false },
        InPlaceCase { "wide maps",
            [](PhotoRetouchSettings& s) {
                s.shadows = 40;
                s.highlights = -30;
                s.shadowRadius = 200;
                s.highlightRadius = 250;
            },
            false },
        InPlaceCase { "narrow maps",
            [](PhotoRetouchSettings& s) {
                s.shadows = 40;
                s.highlights = -30;
                s.shadowRadius = 12;
                s.highlightRadius = 6;
            },
            true },
        InPlaceCase { "narrow and wide maps",
            [](PhotoRetouchSettings& s) {
                s.shadows = 40;
                s.highlights = -30;
                s.shadowRadius = 12;
                s.highlightRadius = 200;
            },
            true },
        InPlaceCase { "sharpening",
            [](PhotoRetouchSettings& s) {
                s.optimizedSharpness = true;
                s.sharpnessAmount = 150;
                s.sharpnessRadius = 6;
                s.sharpnessNoiseReduction = 30;
            },
            true },
        InPlaceCase { "lens blur and a narrow map",
            [](PhotoRetouchSettings& s) {
                s.optimizedSharpness = true;
                s.removeLensBlur = true;
                s.sharpnessRadius = 20;
                s.shadows = 50;
                s.shadowRadius = 8;
            },
            true }));

TEST(RetouchHandedOverPublic, NeutralSettingsGiveTheImageItself)
{
    FloatImage image = photoLike(40, 30);
    const FloatImage same = image;
    const std::optional<FloatImage> got
        = PhotoRetoucher::apply(PhotoRetouchSettings(), std::move(image), Quality::Full);
    ASSERT_TRUE(got);
    EXPECT_TRUE(got->sharesPixelsWith(same));
    PhotoRetouchSettings brighter;
    brighter.brightness = 10;
    EXPECT_FALSE(PhotoRetoucher::apply(brighter, FloatImage(), Quality::Full));
}
