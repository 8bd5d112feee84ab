#include "PhotoTestSupport.h"

#include "photo/retouch/PhotoRetoucher.h"
#include "photo/retouch/RetouchPlan.h"
#include "platform/imaging/ImageIO.h"

#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numeric>

using namespace quavel;
using namespace quavel::test;
using PhotoRetoucher::Quality;

namespace {

FloatImage render(const PhotoRetouchSettings& s, const FloatImage& image, Quality q = Quality::Full)
{
    std::optional<FloatImage> out = PhotoRetoucher::apply(s, image, q);
    EXPECT_TRUE(out);
    return out ? *out : FloatImage();
}

// The reference values on uniform greys: every blur is then irrelevant. One 8-bit step of tolerance.
struct Reference
{
    const char* name;
    float input;
    std::function<void(PhotoRetouchSettings&)> change;
    float expected;
};

void PrintTo(const Reference& r, std::ostream* os)
{
    *os << r.name;
}

class ReferenceValues : public ::testing::TestWithParam<Reference>
{
};

} // namespace

TEST_P(ReferenceValues, onUniformGreysWithinOneStep)
{
    const Reference& c = GetParam();
    PhotoRetouchSettings s;
    c.change(s);
    for (Quality q : { Quality::Full, Quality::Preview }) {
        const FloatImage out = render(s, grey(48, 32, c.input), q);
        for (int ch = 0; ch < 3; ++ch)
            for (auto [x, y] : { std::pair { 0, 0 }, { 24, 16 }, { 47, 31 } }) {
                EXPECT_NEAR(out.row(ch, y)[x], c.expected, 1.0f / 255) << x << "," << y;
                EXPECT_NEAR(std::round(out.row(ch, y)[x] * 255), std::round(c.expected * 255), 1.0f);
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ReferenceValues,
    ::testing::Values(
        Reference { "brightness50", 128 / 255.0f, [](auto& s) { s.brightness = 50; }, 0.57994f },
        Reference { "brightness100", 0.2f, [](auto& s) { s.brightness = 100; }, 0.23834f },
        Reference { "shadows50", 0.2f, [](auto& s) { s.shadows = 50; }, 0.27562f },
        Reference { "highlightsMinus50", 0.9f, [](auto& s) { s.highlights = -50; }, 0.82050f },
        Reference { "gamma2", 0.5f, [](auto& s) { s.gamma = 2.0; }, 0.25f },
        Reference { "exposure1", 0.25f, [](auto& s) { s.exposure = 1; }, 0.5f },
        Reference { "contrast100Low", 0.25f, [](auto& s) { s.contrast = 100; }, 0.15430f },
        Reference { "contrast100Mid", 0.5f, [](auto& s) { s.contrast = 100; }, 0.5f },
        Reference { "contrast100High", 0.75f, [](auto& s) { s.contrast = 100; }, 0.84570f },
        Reference { "contrastMinus300Low", 0.25f, [](auto& s) { s.contrast = -300; }, 0.45f },
        Reference { "contrastMinus300High", 0.75f, [](auto& s) { s.contrast = -300; }, 0.55f },
        Reference { "flatAutoContrast", 0.4f, [](auto& s) { s.autoContrast = true; }, 0.4f },
        Reference { "sharpeningUniform", 0.6f,
            [](auto& s) {
                s.optimizedSharpness = true;
                s.sharpnessAmount = 300;
            },
            0.6f },
        Reference { "lensBlurUniform", 0.3f,
            [](auto& s) {
                s.optimizedSharpness = true;
                s.removeLensBlur = true;
                s.sharpnessRadius = 8;
            },
            0.3f },
        Reference { "gammaAfterExposure", 0.01f,
            [](auto& s) {
                s.exposure = -1;
                s.gamma = 0.5;
            },
            std::sqrt(0.005f) }));

TEST(PhotoRetoucher, autoContrastStretchesTwoBlocksAsWritten)
{
    // Linear-light ends applied to the encoded values: the dark block lands near 108, not at 0.
    const FloatImage blocks = makeImage(200, 100, [](int x, int) {
        const float v = x < 100 ? 64 / 255.0f : 192 / 255.0f;
        return Rgb { v, v, v };
    });
    PhotoRetouchSettings s;
    s.autoContrast = true;
    PhotoRetoucher::detail::Report report;
    const auto out = PhotoRetoucher::detail::apply(s, blocks, Quality::Full, { true, &report });
    ASSERT_TRUE(out);
    EXPECT_EQ(report.measured, QSize(200, 100));
    const float dark = std::round(pixel(*out, 20, 50)[0] * 255);
    EXPECT_GE(dark, 107);
    EXPECT_LE(dark, 109);
    EXPECT_EQ(std::round(pixel(*out, 180, 50)[1] * 255), 255);
}

TEST(PhotoRetoucher, neutralSettingsGiveTheVeryInputAndAnEmptyImageNothing)
{
    const FloatImage image = photoLike(30, 20);
    const std::optional<FloatImage> same
        = PhotoRetoucher::apply(PhotoRetouchSettings(), image, Quality::Full);
    ASSERT_TRUE(same);
    EXPECT_TRUE(same->sharesPixelsWith(image));
    PhotoRetouchSettings lens;
    lens.removeLensBlur = true;
    lens.gamma = 1.0005;
    EXPECT_TRUE(PhotoRetoucher::apply(lens, image, Quality::Preview)->sharesPixelsWith(image));

    PhotoRetouchSettings s;
    s.contrast = 10;
    EXPECT_FALSE(PhotoRetoucher::apply(s, FloatImage(), Quality::Full));
    EXPECT_FALSE(render(s, image).sharesPixelsWith(image));
}

TEST(PhotoRetoucher, saturationMinus100GivesGreyAndKeepsAlphaAndProfile)
{
    const QByteArray p3 = displayP3Profile();
    const FloatImage image = makeImage(
        40, 30,
        [](int x, int y) {
            return Rgb { x / 40.0f, 0.3f, y / 30.0f };
        },
        [](int x, int) { return x / 39.0f; }, p3);
    PhotoRetouchSettings s;
    s.saturation = -100;
    s.optimizedSharpness = true;
    const FloatImage out = render(s, image);
    ASSERT_TRUE(out.hasAlpha());
    EXPECT_TRUE(out.plane(FloatImage::Alpha).sharesDataWith(image.plane(FloatImage::Alpha)));
    EXPECT_EQ(out.iccProfile(), p3);
    for (int y = 0; y < 30; y += 7)
        for (int x = 0; x < 40; x += 9) {
            const Rgb p = pixel(out, x, y);
            EXPECT_NEAR(p[0], p[1], 1e-6);
            EXPECT_NEAR(p[1], p[2], 1e-6);
        }
}

TEST(PhotoRetoucher, aPngWithAlphaAndItsProfileSurviveTheRoundTrip)
{
    TempFolder folder;
    const QString source = folder.file(QStringLiteral("logo.png"));
    const QString written = folder.file(QStringLiteral("logo-retouched.png"));
    const QByteArray p3 = displayP3Profile();
    ASSERT_TRUE(ImageIO::encode(makeImage(
                                    32, 32,
                                    [](int x, int) {
                                        return Rgb { 0.8f, x / 32.0f, 0.2f };
                                    },
                                    [](int x, int y) { return (x + y) % 3 ? 1.0f : 0.2f; }, p3),
        source, ImageIO::Format::Png));
    PhotoRetouchSettings s;
    s.brightness = 20;
    s.vibrance = 30;
    const std::optional<FloatImage> in = ImageIO::decode(source);
    ASSERT_TRUE(in);
    ASSERT_TRUE(ImageIO::encode(render(s, *in), written, ImageIO::Format::Png));
    const std::optional<FloatImage> back = ImageIO::decode(written);
    ASSERT_TRUE(back);
    ASSERT_TRUE(back->hasAlpha());
    EXPECT_EQ(back->iccProfile(), p3);
    EXPECT_NEAR(back->row(FloatImage::Alpha, 0)[0], 0.2f, 0.5f / 255 + 1e-6);
    EXPECT_NEAR(back->row(FloatImage::Alpha, 0)[1], 1.0f, 1e-6);
    EXPECT_GT(pixel(*back, 5, 5)[0], pixel(*in, 5, 5)[0]);
}

TEST(PhotoRetoucher, sharpensAStepEdgeSymmetrically)
{
    const FloatImage step = makeImage(120, 40, [](int x, int) {
        const float v = x < 60 ? 0.3f : 0.7f;
        return Rgb { v, v, v };
    });
    PhotoRetouchSettings s;
    s.optimizedSharpness = true;
    s.sharpnessNoiseReduction = 0;
    s.sharpnessRadius = 60; // 60 × 120 / 3000 = 2.4 pixels
    const FloatImage out = render(s, step);
    EXPECT_LT(pixel(out, 59, 20)[0], 0.29f);
    EXPECT_GT(pixel(out, 60, 20)[0], 0.71f);
    for (int k = 0; k < 12; ++k) {
        const float dark = 0.3f - pixel(out, 59 - k, 20)[0];
        const float bright = pixel(out, 60 + k, 20)[0] - 0.7f;
        EXPECT_NEAR(dark, bright, 1e-5) << k;
    }
    EXPECT_NEAR(pixel(out, 5, 20)[0], 0.3f, 1e-6);
    EXPECT_NEAR(pixel(out, 115, 3)[0], 0.7f, 1e-6);
}

namespace {

// Lens-blur sharpening at the default radius (1 pixel for a long side of 3000) on a photo of the given
// long side: the disc is under one pixel below 3000, and covers nothing beyond its own pixel up to 1500.
struct LensCase
{
    const char* name;
    int width;
    Quality quality;
    bool sharpened;
};

void PrintTo(const LensCase& c, std::ostream* os)
{
    *os << c.name;
}

class LensSharpening : public ::testing::TestWithParam<LensCase>
{
};

} // namespace

TEST_P(LensSharpening, atTheDefaultRadiusAStepEdgeGainsItsOvershoot)
{
    const LensCase& c = GetParam();
    const int mid = c.width / 2;
    const FloatImage step = makeImage(c.width, 12, [mid](int x, int) {
        const float v = x < mid ? 0.3f : 0.7f;
        return Rgb { v, v, v };
    });
    PhotoRetouchSettings s;
    s.optimizedSharpness = true;
    s.removeLensBlur = true;
    // The same with an amount too small to sharpen: the noise reduction alone, as the baseline.
    PhotoRetouchSettings denoised = s;
    denoised.sharpnessAmount = 0.05;
    const FloatImage out = render(s, step, c.quality);
    const FloatImage base = render(denoised, step, c.quality);
    for (int y : { 0, 6, 11 }) {
        const float dark = pixel(base, mid - 1, y)[0] - pixel(out, mid - 1, y)[0];
        const float bright = pixel(out, mid, y)[0] - pixel(base, mid, y)[0];
        if (c.sharpened) {
            EXPECT_GT(dark, 1.0f / 255) << y;
            EXPECT_NEAR(dark, bright, 1e-5f) << y;
        } else {
            EXPECT_EQ(dark, 0.0f) << y;
            EXPECT_EQ(bright, 0.0f) << y;
        }
        EXPECT_EQ(pixel(out, mid - 3, y)[0], pixel(base, mid - 3, y)[0]) << "the disc reaches one pixel";
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, LensSharpening,
    ::testing::Values(LensCase { "editorPreview2048", 2048, Quality::Preview, true },
        LensCase { "written2048", 2048, Quality::Full, true },
        LensCase { "written1800", 1800, Quality::Full, true },
        LensCase { "written2900", 2900, Quality::Full, true },
        LensCase { "written1400", 1400, Quality::Full, false }));

TEST(PhotoRetoucher, noiseReductionCutsGreyNoiseByAThirdAndKeepsTheMean)
{
    const FloatImage noisy = makeImage(160, 120, [random = std::mt19937(3)](int, int) mutable {
        const float v = 0.5f + std::normal_distribution<float>(0, 0.01f)(random);
        return Rgb { v, v, v };
    });
    auto stats = [](const FloatImage& image) {
        double sum = 0, squares = 0;
        const int n = image.width() * image.height();
        for (int i = 0; i < n; ++i) {
            const double v = image.plane(1).constData()[i];
            sum += v;
            squares += v * v;
        }
        const double mean = sum / n;
        return std::pair { mean, std::sqrt(squares / n - mean * mean) };
    };
    PhotoRetouchSettings s;
    s.optimizedSharpness = true;
    s.sharpnessNoiseReduction = 100;
    const auto [meanBefore, sigmaBefore] = stats(noisy);
    const auto [meanAfter, sigmaAfter] = stats(render(s, noisy));
    EXPECT_LT(sigmaAfter, 0.7 * sigmaBefore);
    EXPECT_NEAR(meanAfter, meanBefore, 0.001);
}

TEST(PhotoRetoucher, rendersTheSameFromSeveralThreadsAtOnce)
{
    const FloatImage image = photoLike(300, 200, 0.02f);
    PhotoRetouchSettings s;
    s.optimizedSharpness = true;
    s.shadows = 30;
    s.highlights = -20;
    s.highlightRadius = 40;
    s.autoContrast = true;
    s.contrast = 20;
    const FloatImage expected = render(s, image);
    QList<QFuture<std::optional<FloatImage>>> runs;
    for (int i = 0; i < 4; ++i)
        runs << QtConcurrent::run([&] { return PhotoRetoucher::apply(s, image, Quality::Full); });
    for (auto& run : runs) {
        const std::optional<FloatImage> out = run.result();
        ASSERT_TRUE(out);
        for (int c = 0; c < 3; ++c)
            ASSERT_TRUE(std::equal(out->plane(c).constData(), out->plane(c).constData() + 300 * 200,
                expected.plane(c).constData()));
    }
}
