#include "ImagingTestSupport.h"

#include "platform/imaging/ImageIO.h"
#include "platform/imaging/JpegWriter.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/Vips.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;
using vips::VImage;

namespace {

// A 40 × 20 picture: red at the top left, green at the top right, blue along the bottom.
FloatImage quadrants()
{
    return makeImage(40, 20, [](int x, int y) {
        if (y >= 10)
            return Rgb { 0.1f, 0.1f, 0.9f };
        return x < 20 ? Rgb { 0.9f, 0.1f, 0.1f } : Rgb { 0.1f, 0.9f, 0.1f };
    });
}

struct FormatCase
{
    const char* name;
    ImageIO::Format format;
    const char* extension;
    float tolerance; // lossy formats move samples a little
    bool keepsAlpha;
};

void PrintTo(const FormatCase& c, std::ostream* os)
{
    *os << c.name;
}

class Formats : public ::testing::TestWithParam<FormatCase>
{
};

} // namespace

TEST_P(Formats, roundTripWithProfileAndWithoutMetadata)
{
    const FormatCase& c = GetParam();
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("photo.") + QLatin1String(c.extension));
    const QByteArray p3 = displayP3Profile();
    const FloatImage image = makeImage(
        64, 48,
        [](int x, int y) {
            return Rgb { x / 63.0f, y / 47.0f, 0.5f };
        },
        [](int x, int) { return x < 32 ? 1.0f : 0.25f; }, p3);

    EXPECT_EQ(ImageIO::formatForPath(path), c.format);
    ASSERT_TRUE(ImageIO::encode(image, path, c.format, 0.97));
    const std::optional<FloatImage> back = ImageIO::decode(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size(), QSize(64, 48));
    EXPECT_EQ(back->iccProfile(), p3);
    EXPECT_EQ(back->hasAlpha(), c.keepsAlpha);
    if (c.keepsAlpha) {
        EXPECT_NEAR(back->row(FloatImage::Alpha, 5)[40], 0.25f, 0.01f);
        EXPECT_NEAR(back->row(FloatImage::Alpha, 5)[3], 1.0f, 0.01f);
    }
    for (int y : { 0, 20, 47 })
        for (int x : { 0, 30, 63 })
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_NEAR(back->row(ch, y)[x], image.row(ch, y)[x], c.tolerance) << x << "," << y;

    const VImage written = VImage::new_from_file(path.toUtf8().constData());
    if (c.format == ImageIO::Format::Heif) {
        // The HEIF writer adds a minimal EXIF block of its own; it never turns the picture.
        EXPECT_TRUE(
            written.get_typeof(VIPS_META_ORIENTATION) == 0 || written.get_int(VIPS_META_ORIENTATION) == 1);
    } else {
        EXPECT_EQ(written.get_typeof(VIPS_META_EXIF_NAME), 0u);
    }
    EXPECT_EQ(written.get_typeof(VIPS_META_XMP_NAME), 0u);
    EXPECT_EQ(written.get_typeof(VIPS_META_IPTC_NAME), 0u);
}

INSTANTIATE_TEST_SUITE_P(All, Formats,
    ::testing::Values(FormatCase { "jpeg", ImageIO::Format::Jpeg, "jpg", 0.03f, false },
        FormatCase { "png", ImageIO::Format::Png, "png", 0.51f / 255, true },
        FormatCase { "tiff", ImageIO::Format::Tiff, "tiff", 0.51f / 255, true },
        FormatCase { "heif", ImageIO::Format::Heif, "heic", 0.04f, true },
        FormatCase { "webp", ImageIO::Format::WebP, "webp", 0.04f, true }));

TEST(ImageIO, appliesTheOrientationAndReportsTheUprightSize)
{
    TempFolder folder;
    const QString source = folder.file(QStringLiteral("upright.png"));
    const QString path = folder.file(QStringLiteral("turned.jpg"));
    ASSERT_TRUE(ImageIO::encode(quadrants(), source, ImageIO::Format::Png));
    // Orientation 6: the stored picture is shown turned a quarter clockwise.
    VImage stored = VImage::new_from_file(source.toUtf8().constData());
    stored = stored.copy();
    stored.set(VIPS_META_ORIENTATION, 6);
    stored.jpegsave(path.toUtf8().constData(), VImage::option()->set("Q", 95));

    EXPECT_EQ(ImageIO::orientedPixelSize(path), QSize(20, 40));
    const std::optional<FloatImage> upright = ImageIO::decode(path);
    ASSERT_TRUE(upright);
    ASSERT_EQ(upright->size(), QSize(20, 40));
    // The bottom (blue) now runs down the left side; red is at the top right, green at the bottom right.
    EXPECT_GT(pixel(*upright, 2, 20)[2], 0.8f);
    EXPECT_GT(pixel(*upright, 17, 5)[0], 0.8f);
    EXPECT_GT(pixel(*upright, 17, 35)[1], 0.8f);

    const std::optional<FloatImage> small = ImageIO::decode(path, 10);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->size(), QSize(5, 10));
    EXPECT_GT(pixel(*small, 4, 1)[0], 0.6f);
}

struct OrientationCase
{
    int orientation;
    const char* extension; // a JPEG, or a TIFF with alpha
};

void PrintTo(const OrientationCase& c, std::ostream* os)
{
    *os << c.orientation << " " << c.extension;
}

class Orientations : public ::testing::TestWithParam<OrientationCase>
{
};

// Each pixel is put upright while the photo decodes: the same image libvips' own turn gives, every sample.
TEST_P(Orientations, decodeUprightAsLibvipsTurnsThePhoto)
{
    const OrientationCase& c = GetParam();
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("turned.") + QLatin1String(c.extension));
    const bool alpha = QByteArray(c.extension) == "tif";
    const VImage xy = VImage::xyz(37, 23);
    const VImage ramp = xy.extract_band(0) * 6 + xy.extract_band(1) * 3;
    std::vector<VImage> bands { ramp, ramp + 10, ramp * 2 + 7 };
    if (alpha)
        bands.push_back(ramp / 2);
    VImage stored = VImage::bandjoin(bands)
                        .cast(VIPS_FORMAT_UCHAR)
                        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    stored.set(VIPS_META_ORIENTATION, c.orientation);
    if (alpha)
        stored.tiffsave(path.toUtf8().constData());
    else
        stored.jpegsave(path.toUtf8().constData(), VImage::option()->set("Q", 90));

    const VImage turned = VImage::new_from_file(path.toUtf8().constData()).autorot();
    const std::optional<FloatImage> decoded = ImageIO::decode(path);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->size(), QSize(turned.width(), turned.height()));
    ASSERT_EQ(decoded->hasAlpha(), alpha);
    std::size_t size = 0;
    auto* samples = static_cast<unsigned char*>(turned.write_to_memory(&size));
    int wrong = 0;
    for (int y = 0; y < turned.height(); ++y)
        for (int x = 0; x < turned.width(); ++x)
            for (int b = 0; b < turned.bands(); ++b)
                wrong += decoded->row(b, y)[x]
                    != float(samples[(std::size_t(y) * turned.width() + x) * turned.bands() + b])
                        * (1.0f / 255.0f);
    g_free(samples);
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(All, Orientations,
    ::testing::Values(OrientationCase { 1, "jpg" }, OrientationCase { 2, "jpg" },
        OrientationCase { 3, "jpg" }, OrientationCase { 4, "jpg" }, OrientationCase { 5, "jpg" },
        OrientationCase { 6, "jpg" }, OrientationCase { 7, "jpg" }, OrientationCase { 8, "jpg" },
        OrientationCase { 6, "tif" }, OrientationCase { 7, "tif" }));

TEST(ImageIO, aJpegStreamedToItsFileIsTheInMemoryOneAndAFailedWriteIsReported)
{
    // A full disk (/dev/full takes the open, fails every write): the strips' writes fail and so does the
    // encode; written to a file, the streamed strips are the bytes the in-memory writer gives.
    const FloatImage image = photoLike(333, 1001, 0.03f);
    EXPECT_FALSE(ImageIO::encode(image, QStringLiteral("/dev/full"), ImageIO::Format::Jpeg));
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("streamed.jpg"));
    ASSERT_TRUE(ImageIO::encode(image, path, ImageIO::Format::Jpeg, 0.97));
    EXPECT_EQ(readFile(path), *JpegWriter::encode(image, 97));
}

TEST(ImageIO, boundedDecodeNeverEnlarges)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("small.png"));
    ASSERT_TRUE(ImageIO::encode(quadrants(), path, ImageIO::Format::Png));
    EXPECT_EQ(ImageIO::decode(path, 2048)->size(), QSize(40, 20));
    EXPECT_EQ(ImageIO::decode(path, 20)->size(), QSize(20, 10));
    EXPECT_EQ(ImageIO::orientedPixelSize(path), QSize(40, 20));
}

TEST(ImageIO, readsGreySixteenBitAndCmykAsRgb)
{
    TempFolder folder;
    const QString greyPath = folder.file(QStringLiteral("grey.png"));
    VImage::black(8, 8)
        .linear(1.0, 30000.0)
        .cast(VIPS_FORMAT_USHORT)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_GREY16))
        .pngsave(greyPath.toUtf8().constData());
    const std::optional<FloatImage> grey16 = ImageIO::decode(greyPath);
    ASSERT_TRUE(grey16);
    EXPECT_NEAR(pixel(*grey16, 3, 3)[0], 30000.0f / 65535.0f, 1e-6);
    EXPECT_EQ(pixel(*grey16, 3, 3)[0], pixel(*grey16, 3, 3)[2]);

    const QString cmykPath = folder.file(QStringLiteral("cmyk.jpg"));
    // Pure cyan ink on white paper: reads back as a cyan of sRGB, red low, green and blue high.
    std::vector<double> ink { 255, 0, 0, 0 };
    VImage::black(8, 8, VImage::option()->set("bands", 4))
        .linear(std::vector<double> { 1, 1, 1, 1 }, ink)
        .cast(VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_CMYK))
        .jpegsave(cmykPath.toUtf8().constData());
    const std::optional<FloatImage> cmyk = ImageIO::decode(cmykPath);
    ASSERT_TRUE(cmyk);
    EXPECT_FALSE(cmyk->hasAlpha());
    EXPECT_LT(pixel(*cmyk, 2, 2)[0], 0.3f);
    EXPECT_GT(pixel(*cmyk, 2, 2)[2], 0.7f);
}

TEST(ImageIO, unreadableFilesAndRawPhotosGiveNothing)
{
    TempFolder folder;
    const QString text = folder.write(QStringLiteral("notes.jpg"), "not a picture");
    EXPECT_FALSE(ImageIO::decode(text));
    EXPECT_FALSE(ImageIO::orientedPixelSize(text));
    EXPECT_FALSE(ImageIO::decode(folder.file(QStringLiteral("missing.png"))));
    // A RAW photo never reaches the TIFF reader, even when its bytes would pass for a TIFF.
    const QString tiff = folder.file(QStringLiteral("camera.tif"));
    ASSERT_TRUE(ImageIO::encode(quadrants(), tiff, ImageIO::Format::Tiff));
    const QString raw = folder.file(QStringLiteral("camera.NEF"));
    ASSERT_TRUE(QFile::copy(tiff, raw));
    EXPECT_FALSE(ImageIO::decode(raw));
    EXPECT_FALSE(ImageIO::orientedPixelSize(raw));
    EXPECT_FALSE(ImageIO::encode(FloatImage(), folder.file(QStringLiteral("x.png")), ImageIO::Format::Png));
    EXPECT_FALSE(
        ImageIO::encode(quadrants(), folder.file(QStringLiteral("no/such/dir/x.png")), ImageIO::Format::Png));
}

TEST(ImageIO, jpegStripsDecodeAsOnePieceWould)
{
    // Many strips (restart markers wrap past 7), a height off the MCU grid, both chroma layouts: decoded,
    // the file is sample for sample what libvips' own one-piece writer gives at the same quality.
    TempFolder folder;
    const FloatImage image = photoLike(333, 1001, 0.03f);
    for (int quality : { 97, 75 }) {
        const QString ours = folder.file(QStringLiteral("ours-%1.jpg").arg(quality));
        const QString theirs = folder.file(QStringLiteral("theirs-%1.jpg").arg(quality));
        ASSERT_TRUE(ImageIO::encode(image, ours, ImageIO::Format::Jpeg, quality / 100.0));
        ASSERT_TRUE(ImageIO::encode(image, folder.file(QStringLiteral("plain.png")), ImageIO::Format::Png));
        VImage::new_from_file(folder.file(QStringLiteral("plain.png")).toUtf8().constData())
            .jpegsave(theirs.toUtf8().constData(), VImage::option()->set("Q", quality)->set("strip", true));
        const std::optional<FloatImage> a = ImageIO::decode(ours);
        const std::optional<FloatImage> b = ImageIO::decode(theirs);
        ASSERT_TRUE(a && b);
        ASSERT_EQ(a->size(), QSize(333, 1001));
        for (int c = 0; c < 3; ++c)
            EXPECT_TRUE(std::equal(
                a->plane(c).constData(), a->plane(c).constData() + 333 * 1001, b->plane(c).constData()))
                << quality << " channel " << c;
        // Qt's reader takes it too.
        const QImage q(ours);
        ASSERT_FALSE(q.isNull());
        EXPECT_EQ(q.pixelColor(200, 900).red(), PixelMath::toByte(pixel(*a, 200, 900)[0]));
        EXPECT_TRUE(QFile(ours).size() > 0);
    }
}
