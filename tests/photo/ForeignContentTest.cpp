// Files that are not what their names say. A document (SVG, PDF, PostScript, ImageMagick or XPM text,
// libvips' matrix text) under a photo's or a watermark's name is refused by every read and write before
// any decoder runs, as an unreadable photo or watermark, and leaves the photo as it was; an SVG's
// <image href> never brings a private image of the disk into anything. A photo of another handled
// format than its name says, a GIF or a BMP, is still read by its bytes. Only the loaders of the
// handled formats are left to libvips, and the handled formats' structures have limits.
#include "PhotoFixtures.h"
#include "PhotoTestSupport.h"

#include "photo/MediaThumbnailer.h"
#include "photo/PhotoEdits.h"
#include "photo/PhotoReads.h"
#include "photo/PhotoWriter.h"
#include "photo/ThumbnailCache.h"
#include "photo/originals/PhotoEditError.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/ImageContent.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/ImageThumbnail.h"
#include "platform/imaging/ScaledDecode.h"
#include "platform/imaging/Vips.h"
#include "platform/imaging/VipsSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <tuple>

namespace quavel {
namespace {

using test::ForeignContent;

const QString unreadablePhoto = QStringLiteral("Impossible de lire cette photo.");
const QString unreadableWatermark = QStringLiteral("Impossible de lire le fichier filigrane.");

// Where an SVG's <image href> points: nowhere, the private image by its absolute path, or by its path
// relative to the working folder (as "Images/famille.png" is in the home folder).
enum class Href { none, absolute, relative };

struct Foreign
{
    const char* name;
    ForeignContent content;
    Href href = Href::none;
};

const Foreign foreigns[] = {
    { "svg_absolute_href", ForeignContent::svg, Href::absolute },
    { "svg_relative_href", ForeignContent::svg, Href::relative },
    { "svg_turbulence", ForeignContent::turbulence },
    { "pdf", ForeignContent::pdf },
    { "postscript", ForeignContent::postscript },
    { "imagemagick_text", ForeignContent::magickText },
    { "xpm", ForeignContent::xpm },
    { "matrix_text", ForeignContent::matrixText },
};

// Every read of a photo file, each of which must give nothing.
struct Read
{
    const char* name;
    std::function<bool(const QString&)> readsSomething;
};

const Read reads[] = {
    { "full decode", [](const QString& p) { return ImageIO::decode(p).has_value(); } },
    { "working image", [](const QString& p) { return ImageIO::decode(p, 2048).has_value(); } },
    { "header", [](const QString& p) { return ImageIO::orientedPixelSize(p).has_value(); } },
    { "gallery thumbnail",
        [](const QString& p) { return !MediaThumbnailer::photoThumbnail(p, 480).isNull(); } },
    { "printed page",
        [](const QString& p) {
            return !ImageThumbnail::fromFile(p, 480, ImageThumbnail::Damage::refused).isNull();
        } },
    { "crop canvas",
        [](const QString& p) {
            const ScaledDecode::Drawing drawing { QTransform::fromScale(0.25, 0.25), QRect(0, 0, 64, 48),
                0.25, QSize(16, 12) };
            std::optional<ReadFailure> failure;
            return ScaledDecode::decode(p, drawing, &failure).has_value() || !failure;
        } },
};

// The crop editor's save of a look, from its session copy of the photo.
void editorSave(const QString& photo)
{
    const QString copy = QFileInfo(photo).absolutePath() + QStringLiteral("/.session-copy");
    QFile::remove(copy);
    QFile::copy(photo, copy);
    PhotoWriter::Request request;
    request.photo = photo;
    request.source = copy;
    CropEditState look;
    look.retouch = test::brighter();
    request.look = look;
    const auto removed = qScopeGuard([&] { QFile::remove(copy); });
    PhotoWriter::write(request);
}

// The message of the edit's refusal; empty when it did not refuse.
QString refusal(const std::function<void()>& edit)
{
    try {
        edit();
    } catch (const PhotoEditError& e) {
        return e.message();
    }
    return {};
}

// Every file under the folder, pipes, sockets and broken links included, by its path relative to it.
QStringList filesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}

class ForeignContents : public testing::TestWithParam<std::tuple<Foreign, const char*>>
{
protected:
    void SetUp() override
    {
        MediaThumbnailer::cache().clear();
        m_working = QDir::currentPath();
        // The private image, of a colour no fixture uses, where a relative href finds it too.
        test::writePhoto(
            m_folder.file(QStringLiteral("Images/famille.png")), test::filled(64, 48, Qt::magenta));
        QDir::setCurrent(m_folder.path());
    }
    void TearDown() override { QDir::setCurrent(m_working); }

    QByteArray bytes() const
    {
        const Foreign& foreign = std::get<0>(GetParam());
        const QString href = foreign.href == Href::absolute
            ? m_folder.file(QStringLiteral("Images/famille.png"))
            : foreign.href == Href::relative ? QStringLiteral("Images/famille.png")
                                             : QString();
        return test::foreignBytes(foreign.content, href);
    }
    QString named(const QString& base) const
    {
        return m_folder.file(QStringLiteral("Commande/") + base + QLatin1Char('.')
            + QString::fromLatin1(std::get<1>(GetParam())));
    }

    test::TempFolder m_folder;
    QString m_working;
};

TEST_P(ForeignContents, AsAPhotoEveryReadAndWriteRefusesItAndLeavesItAsItWas)
{
    const QString photo = test::writeBytes(named(QStringLiteral("IMG_0001")), bytes());
    const QByteArray before = test::readFile(photo);
    EXPECT_FALSE(ImageContent::examine(RegularFile(photo)));
    for (const Read& read : reads)
        EXPECT_FALSE(read.readsSomething(photo)) << read.name;
    const QString logo = test::writeWatermark(m_folder.file(QStringLiteral("Logo.png")));
    const std::pair<const char*, std::function<void()>> writes[] = {
        { "retouch batch", [&] { PhotoEdits::applyRetouch(photo, test::brighter(), logo); } },
        { "watermark batch", [&] { PhotoEdits::applyWatermark(photo, logo); } },
        { "editor save", [&] { editorSave(photo); } },
    };
    for (const auto& [name, write] : writes) {
        EXPECT_EQ(refusal(write), unreadablePhoto) << name;
        EXPECT_EQ(test::readFile(photo), before) << name;
        EXPECT_FALSE(QFile::exists(PhotoEditMemory::journalURL(photo))) << name;
        EXPECT_FALSE(QFile::exists(PhotoOriginals::backupURL(photo))) << name;
    }
    // Nothing was written anywhere: no file can hold the private image's pixels.
    EXPECT_EQ(filesUnder(m_folder.path()),
        (QStringList {
            QStringLiteral("Commande/") + QFileInfo(photo).fileName(), "Images/famille.png", "Logo.png" }));
}

TEST_P(ForeignContents, AsTheWatermarkEveryBatchRefusesItAndLeavesThePhotoAsItWas)
{
    const QString photo = test::writePhoto(m_folder.file(QStringLiteral("Commande/IMG_0002.jpg")));
    const QString watermark = test::writeBytes(named(QStringLiteral("Logo")), bytes());
    const QByteArray before = test::readFile(photo);
    EXPECT_EQ(refusal([&] { PhotoReads::watermark(watermark); }), unreadableWatermark);
    EXPECT_EQ(refusal([&] { PhotoEdits::applyWatermark(photo, watermark); }), unreadableWatermark);
    EXPECT_EQ(test::readFile(photo), before);
    EXPECT_FALSE(QFile::exists(PhotoEditMemory::journalURL(photo)));
    EXPECT_FALSE(QFile::exists(PhotoOriginals::backupURL(photo)));
    EXPECT_TRUE(MediaThumbnailer::photoThumbnail(watermark, 120).isNull())
        << "the watermark list's thumbnail";
}

INSTANTIATE_TEST_SUITE_P(Contents, ForeignContents,
    testing::Combine(testing::ValuesIn(foreigns), testing::Values("jpg", "png", "tif")),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_as_" + std::get<1>(info.param);
    });

// Handled content under another handled format's name, GIF and BMP: read by its bytes, written in the
// format of its name.
struct Handled
{
    const char* name;
    const char* content; // the format written
    const char* file; // the name it is written under
    const char* writtenLoader; // what a write leaves under that name
};

class HandledContents : public testing::TestWithParam<Handled>
{
protected:
    test::TempFolder m_folder;
};

TEST_P(HandledContents, AreReadByTheirBytesAndWrittenInTheFormatOfTheirName)
{
    const Handled& h = GetParam();
    const QString photo = test::writeBytes(m_folder.file(QString::fromLatin1(h.file)),
        test::paletteBytes(QString::fromLatin1(h.content), test::sized(64, 48)));
    const std::optional<FloatImage> image = ImageIO::decode(photo);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(64, 48));
    EXPECT_EQ(ImageIO::orientedPixelSize(photo), QSize(64, 48));
    EXPECT_EQ(ImageThumbnail::fromFile(photo, 32).size(), QSize(32, 24));
    EXPECT_EQ(ImageThumbnail::fromFile(photo, 32, ImageThumbnail::Damage::refused).size(), QSize(32, 24));
    // Top-left red, bottom-right white, as the fixture drew them.
    const QImage thumbnail = ImageThumbnail::fromFile(photo, 64);
    EXPECT_TRUE(test::near(thumbnail.pixelColor(4, 4), test::quadrantColor(test::Quadrant::red)));
    EXPECT_TRUE(test::near(thumbnail.pixelColor(60, 44), test::quadrantColor(test::Quadrant::white)));

    PhotoEdits::applyRetouch(photo, test::brighter(), std::nullopt);
    const test::PhotoInfo written = test::inspect(photo);
    ASSERT_TRUE(written.readable);
    EXPECT_EQ(written.loader, QString::fromLatin1(h.writtenLoader));
    EXPECT_EQ(QSize(written.width, written.height), QSize(64, 48));
}

INSTANTIATE_TEST_SUITE_P(Names, HandledContents,
    testing::Values(Handled { "png_named_jpg", "png", "IMG_0001.jpg", "jpegload" },
        Handled { "jpeg_named_png", "jpg", "IMG_0001.png", "pngload" },
        Handled { "gif_named_jpg", "gif", "IMG_0001.jpg", "jpegload" },
        Handled { "bmp_named_jpg", "bmp", "IMG_0001.jpg", "jpegload" },
        Handled { "webp_named_tif", "webp", "IMG_0001.tif", "tiffload" }),
    [](const auto& info) { return std::string(info.param.name); });

// Every brand the routing reads as HEIF, as the major brand of a HEIC photo: each is routed to the HEIF
// loader and read.
class HeifBrands : public testing::TestWithParam<const char*>
{
};

TEST_P(HeifBrands, AreReadAsHeif)
{
    test::TempFolder folder;
    QByteArray heic = test::photoBytes(QStringLiteral("heic"), test::sized(64, 48));
    ASSERT_EQ(heic.mid(4, 4), "ftyp");
    heic.replace(8, 4, GetParam());
    const QString photo = test::writeBytes(folder.file(QStringLiteral("IMG_0001.heic")), heic);
    EXPECT_EQ(ImageContent::examine(RegularFile(photo)), ImageContent::Format::heif);
    EXPECT_EQ(ImageThumbnail::fromFile(photo, 32).size(), QSize(32, 24));
}

INSTANTIATE_TEST_SUITE_P(Brands, HeifBrands,
    testing::Values(
        "heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs", "mif1", "msf1", "avif", "avis"),
    [](const auto& info) { return std::string(info.param); });

class HandledWatermarks : public testing::TestWithParam<const char*>
{
};

TEST_P(HandledWatermarks, AreDrawnOnThePhoto)
{
    test::TempFolder folder;
    const QString photo = test::writePhoto(folder.file(QStringLiteral("IMG_0001.jpg")), test::sized(96, 64));
    const QString extension = QString::fromLatin1(GetParam());
    const QString watermark = test::writeBytes(folder.file(QStringLiteral("Logo.") + extension),
        test::paletteBytes(extension, test::filled(48, 8, Qt::black)));
    EXPECT_EQ(PhotoReads::watermark(watermark).size(), QSize(48, 8));
    const QByteArray before = test::readFile(photo);
    PhotoEdits::applyWatermark(photo, watermark);
    EXPECT_NE(test::readFile(photo), before);
    EXPECT_TRUE(PhotoEditMemory::load(photo).current.includeWatermark);
}

INSTANTIATE_TEST_SUITE_P(Formats, HandledWatermarks, testing::Values("gif", "bmp", "heic", "png"));

// The handled formats' structural limits: each hostile file is refused by every read, while the same
// structure within its limit reads.
struct Limit
{
    const char* name;
    const char* file;
    QByteArray (*within)();
    QByteArray (*beyond)();
};

const Limit limits[] = {
    { "jpeg_scans", "IMG_0001.jpg", [] { return test::progressiveJpeg(ImageContent::kMaxJpegScans); },
        [] { return test::manyScanJpeg(5000); } },
    { "jpeg_scans_valid", "IMG_0001.jpg", [] { return test::progressiveJpeg(ImageContent::kMaxJpegScans); },
        [] { return test::progressiveJpeg(ImageContent::kMaxJpegScans + 1); } },
    // The scans of an EXIF thumbnail, and its end of image, are the segment's content, not the photo's.
    { "jpeg_scans_exif_thumbnail", "IMG_0001.jpg",
        [] { return test::withExifThumbnail(test::progressiveJpeg(ImageContent::kMaxJpegScans)); },
        [] { return test::withExifThumbnail(test::progressiveJpeg(ImageContent::kMaxJpegScans + 1)); } },
    { "tiff_strips", "IMG_0001.tif", [] { return test::overStripedTiff(1); },
        [] { return test::overStripedTiff(40000); } },
    { "png_text", "IMG_0001.png", [] { return test::pngWithText(64 * 1024); },
        [] { return test::pngWithText(ImageContent::kMaxPngTextBytes + 1); } },
};

class StructuralLimits : public testing::TestWithParam<Limit>
{
};

TEST_P(StructuralLimits, RefuseWhatPassesThemBeforeAnyDecode)
{
    test::TempFolder folder;
    const QString good
        = test::writeBytes(folder.file(QStringLiteral("good/") + GetParam().file), GetParam().within());
    const QString bad
        = test::writeBytes(folder.file(QStringLiteral("bad/") + GetParam().file), GetParam().beyond());
    ASSERT_TRUE(ImageIO::decode(good)) << "the fixture within the limit is a photo";
    EXPECT_EQ(ImageThumbnail::fromFile(good, 32).size(), QSize(32, 24));
    for (const Read& read : reads)
        EXPECT_FALSE(read.readsSomething(bad)) << read.name;
    const QByteArray before = test::readFile(bad);
    EXPECT_EQ(
        refusal([&] { PhotoEdits::applyRetouch(bad, test::brighter(), std::nullopt); }), unreadablePhoto);
    EXPECT_EQ(test::readFile(bad), before);
}

INSTANTIATE_TEST_SUITE_P(Formats, StructuralLimits, testing::ValuesIn(limits),
    [](const auto& info) { return std::string(info.param.name); });

// Every libvips loader class but those of the handled formats, whatever the module that added it.
void* collectLoader(GType type, void* list)
{
    static_cast<std::vector<GType>*>(list)->push_back(type);
    return nullptr;
}

TEST(Loaders, OnlyThoseOfTheHandledFormatsRunAndTheRestStayBlocked)
{
    VipsSupport::ensureStarted();
    std::vector<GType> loaders;
    vips_type_map_all(g_type_from_name("VipsForeignLoad"), collectLoader, &loaders);
    std::vector<GType> kept;
    for (const char* name : VipsSupport::kKeptLoaders) {
        kept.push_back(g_type_from_name(name));
        EXPECT_NE(kept.back(), G_TYPE_INVALID) << name << " is there";
    }
    QStringList blocked;
    for (GType type : loaders) {
        if (G_TYPE_IS_ABSTRACT(type))
            continue;
        auto* cls = VIPS_OPERATION_CLASS(g_type_class_ref(type));
        const bool isKept
            = std::any_of(kept.begin(), kept.end(), [&](GType k) { return g_type_is_a(type, k); });
        EXPECT_EQ(bool(cls->flags & VIPS_OPERATION_BLOCKED), !isKept) << g_type_name(type);
        if (cls->flags & VIPS_OPERATION_BLOCKED)
            blocked.append(QString::fromLatin1(VIPS_OBJECT_CLASS(cls)->nickname));
        g_type_class_unref(cls);
    }
    for (const char* loader : { "svgload", "pdfload", "magickload", "matrixload", "csvload", "ppmload" })
        EXPECT_TRUE(blocked.contains(QString::fromLatin1(loader))) << loader;

    // Asked by name or by sniffing, a blocked loader never runs.
    test::TempFolder folder;
    const QString svg
        = test::writeBytes(folder.file(QStringLiteral("a.svg")), test::foreignBytes(ForeignContent::svg));
    const QString matrix = test::writeBytes(
        folder.file(QStringLiteral("a.mat")), test::foreignBytes(ForeignContent::matrixText));
    const QByteArray svgName = QFile::encodeName(svg);
    EXPECT_THROW(vips::VImage::new_from_file(svgName.constData()), vips::VError);
    EXPECT_THROW(vips::VImage::svgload(svgName.constData()), vips::VError);
    EXPECT_THROW(vips::VImage::magickload(svgName.constData()), vips::VError);
    EXPECT_THROW(vips::VImage::matrixload(QFile::encodeName(matrix).constData()), vips::VError);
    vips_error_clear();
}

// Six SVGs that cost minutes a render and a JPEG of 5,000 scans beside a good photo: they are refused
// at once, so the good photo's thumbnail comes and a batch over them all ends.
TEST(StallingFiles, TheGoodPhotosThumbnailArrivesAndARetouchBatchEnds)
{
    MediaThumbnailer::cache().clear();
    test::TempFolder folder;
    QStringList section;
    QList<QFuture<QImage>> stalling;
    for (int i = 0; i < 6; ++i) {
        section.append(test::writeBytes(folder.file(QStringLiteral("IMG_000%1.jpg").arg(i)),
            test::foreignBytes(ForeignContent::turbulence)));
        stalling.append(MediaThumbnailer::thumbnail(section.back(), false, 480));
    }
    section.append(test::writeBytes(folder.file(QStringLiteral("IMG_0100.jpg")), test::manyScanJpeg(5000)));
    stalling.append(MediaThumbnailer::thumbnail(section.back(), false, 480));
    const QString good = test::writePhoto(folder.file(QStringLiteral("IMG_0200.jpg")), test::sized(64, 48));
    section.append(good);
    QFuture<QImage> thumbnail = MediaThumbnailer::thumbnail(good, false, 480);
    ASSERT_TRUE(test::waitUntil([&] { return thumbnail.isFinished(); }, 10000));
    EXPECT_EQ(thumbnail.result().size(), QSize(64, 48));
    ASSERT_TRUE(test::waitUntil(
        [&] { return std::all_of(stalling.begin(), stalling.end(), [](auto& f) { return f.isFinished(); }); },
        10000));
    for (QFuture<QImage>& f : stalling)
        EXPECT_TRUE(f.result().isNull());

    const QByteArray before = test::readFile(good);
    EXPECT_TRUE(test::returnsWithin(30000, [section] {
        for (const QString& photo : section)
            refusal([&] { PhotoEdits::applyRetouch(photo, test::brighter(), std::nullopt); });
    }));
    EXPECT_NE(test::readFile(good), before) << "the good photo is retouched";
}

} // namespace
} // namespace quavel
