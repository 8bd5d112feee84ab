#include "PhotoFixtures.h"

#include "platform/imaging/FloatImage.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/Vips.h"
#include "platform/imaging/VipsSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quavel::test {

using vips::VImage;

QColor quadrantColor(Quadrant q)
{
    switch (q) {
    case Quadrant::red:
        return QColor(255, 0, 0);
    case Quadrant::green:
        return QColor(0, 255, 0);
    case Quadrant::blue:
        return QColor(0, 0, 255);
    case Quadrant::white:
        return QColor(255, 255, 255);
    }
    return {};
}

namespace {

// The test's picture in the file's format, with the recipe's orientation, profile and metadata.
QByteArray encode(const QImage& picture, const QString& extension, const PhotoRecipe& recipe)
{
    VipsSupport::ensureStarted();
    // libvips reads the pixels in place: they stay until the encoding below has ended.
    const bool alpha = picture.hasAlphaChannel();
    const QImage pixels = picture.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const int bands = alpha ? 4 : 3;
    std::vector<unsigned char> packed(size_t(pixels.width()) * pixels.height() * bands);
    for (int y = 0; y < pixels.height(); ++y)
        std::memcpy(&packed[size_t(y) * pixels.width() * bands], pixels.constScanLine(y),
            size_t(pixels.width()) * bands);
    VImage image = VImage::new_from_memory(
        packed.data(), packed.size(), pixels.width(), pixels.height(), bands, VIPS_FORMAT_UCHAR)
                       .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    if (!recipe.profile.isEmpty())
        image = image.icc_transform(recipe.profile.toUtf8().constData(),
            VImage::option()->set("input_profile", "srgb")->set("embedded", false));
    if (recipe.orientation != 1)
        image.set("orientation", recipe.orientation);
    if (recipe.metadata) {
        image.set("exif-ifd0-Artist", "Quavel Test (Quavel Test, ASCII, 11 components, 11 bytes)");
        static const char xmp[] = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                                  "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'/></x:xmpmeta>";
        image.set("xmp-data", nullptr, const_cast<char*>(xmp), sizeof(xmp) - 1);
        static const unsigned char iptc[] = { 0x1c, 0x02, 0x78, 0x00, 0x04, 'T', 'e', 's', 't' };
        image.set("iptc-data", nullptr, const_cast<unsigned char*>(iptc), sizeof(iptc));
    }
    const QString ext = extension.toLower();
    void* buffer = nullptr;
    size_t length = 0;
    if (ext == "jpg" || ext == "jpeg")
        image.write_to_buffer(".jpg", &buffer, &length, VImage::option()->set("Q", recipe.quality));
    else if (ext == "heic" || ext == "heif")
        image.write_to_buffer(
            ".heic", &buffer, &length, VImage::option()->set("Q", std::min(recipe.quality, 90)));
    else
        image.write_to_buffer(("." + ext.toStdString()).c_str(), &buffer, &length);
    QByteArray bytes(static_cast<const char*>(buffer), qsizetype(length));
    g_free(buffer);
    return bytes;
}

// The quadrant's colour at (x, y) of a width × height fixture photo.
QColor quadrantAt(int x, int y, int width, int height)
{
    const bool right = x >= width / 2;
    return quadrantColor(y >= height / 2 ? (right ? Quadrant::white : Quadrant::blue)
                                         : (right ? Quadrant::green : Quadrant::red));
}

QImage render(const PhotoRecipe& recipe)
{
    const bool alpha = recipe.alpha || (recipe.fill.isValid() && recipe.fill.alpha() < 255);
    QImage image(recipe.width, recipe.height, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const QColor bandColour = recipe.fill.isValid() ? recipe.fill.lighter(160) : QColor();
    for (int y = 0; y < recipe.height; ++y) {
        uchar* p = image.scanLine(y);
        for (int x = 0; x < recipe.width; ++x, p += alpha ? 4 : 3) {
            QColor c = recipe.fill.isValid() ? recipe.fill : quadrantAt(x, y, recipe.width, recipe.height);
            if (recipe.band && bandColour.isValid() && y >= recipe.height / 3 && y < 2 * recipe.height / 3)
                c = bandColour;
            if (recipe.checker > 0 && (x / recipe.checker + y / recipe.checker) % 2)
                c = QColor(0, 0, 0);
            p[0] = uchar(c.red());
            p[1] = uchar(c.green());
            p[2] = uchar(c.blue());
            if (alpha)
                p[3] = recipe.alpha ? (x >= recipe.width / 2 ? 128 : 255) : uchar(recipe.fill.alpha());
        }
    }
    return image;
}

} // namespace

QString writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

QString writePhoto(const QString& path, const PhotoRecipe& recipe)
{
    return writeBytes(path, photoBytes(QFileInfo(path).suffix(), recipe));
}

QByteArray photoBytes(const QString& extension, const PhotoRecipe& recipe)
{
    return encode(render(recipe), extension, recipe);
}

QString writePhoto(const QString& path, const QImage& picture, int orientation, int quality)
{
    return writeBytes(path, photoBytes(QFileInfo(path).suffix(), picture, orientation, quality));
}

QByteArray photoBytes(const QString& extension, const QImage& picture, int orientation, int quality)
{
    PhotoRecipe recipe;
    recipe.orientation = orientation;
    recipe.quality = quality;
    return encode(picture, extension, recipe);
}

QString writePhoto(const QString& path, const FloatImage& image, double quality)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    EXPECT_TRUE(ImageIO::encode(image, path, ImageIO::formatForPath(path), quality)) << path.toStdString();
    return path;
}

QString writeLinearDng(const QString& path, int width, int height, int orientation)
{
    // Little-endian TIFF: header, the pixel strip, then one IFD whose tags stand in ascending order.
    QByteArray file("II*\0\0\0\0\0", 8);
    const auto put16 = [](QByteArray& b, quint16 v) { b.append(char(v & 0xff)).append(char(v >> 8)); };
    const auto put32 = [&](QByteArray& b, quint32 v) {
        put16(b, quint16(v & 0xffff));
        put16(b, quint16(v >> 16));
    };
    const quint32 stripOffset = 8;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QColor c = quadrantAt(x, y, width, height);
            for (int v : { c.red(), c.green(), c.blue() })
                put16(file, quint16(v == 255 ? 60000 : 1000));
        }
    }
    const quint32 stripBytes = quint32(file.size()) - stripOffset;
    QByteArray extra; // values that do not fit in a tag, placed after the IFD
    struct Tag
    {
        quint16 id, type;
        quint32 count;
        QByteArray value;
    };
    const auto shorts = [&](std::initializer_list<quint16> v) {
        QByteArray b;
        for (quint16 x : v)
            put16(b, x);
        return b;
    };
    const auto longs = [&](std::initializer_list<quint32> v) {
        QByteArray b;
        for (quint32 x : v)
            put32(b, x);
        return b;
    };
    // XYZ (D65) to linear sRGB, in ten-thousandths.
    const QByteArray colorMatrix = [&] {
        QByteArray b;
        for (int v : { 32406, -15372, -4986, -9689, 18758, 415, 557, -2040, 10570 }) {
            put32(b, quint32(v));
            put32(b, 10000);
        }
        return b;
    }();
    const QByteArray model("Quavel Test\0", 12);
    const QList<Tag> tags {
        { 254, 4, 1, longs({ 0 }) },
        { 256, 4, 1, longs({ quint32(width) }) },
        { 257, 4, 1, longs({ quint32(height) }) },
        { 258, 3, 3, shorts({ 16, 16, 16 }) },
        { 259, 3, 1, shorts({ 1 }) },
        { 262, 3, 1, shorts({ 34892 }) },
        { 273, 4, 1, longs({ stripOffset }) },
        { 274, 3, 1, shorts({ quint16(orientation) }) },
        { 277, 3, 1, shorts({ 3 }) },
        { 278, 4, 1, longs({ quint32(height) }) },
        { 279, 4, 1, longs({ stripBytes }) },
        { 284, 3, 1, shorts({ 1 }) },
        { 50706, 1, 4, QByteArray("\x01\x04\x00\x00", 4) },
        { 50707, 1, 4, QByteArray("\x01\x01\x00\x00", 4) },
        { 50708, 2, quint32(model.size()), model },
        { 50717, 4, 1, longs({ 65535 }) },
        { 50721, 10, 9, colorMatrix },
        { 50728, 5, 3, longs({ 1, 1, 1, 1, 1, 1 }) },
        { 50778, 3, 1, shorts({ 21 }) },
    };
    const quint32 ifdOffset = quint32(file.size());
    const quint32 extraOffset = ifdOffset + 2 + quint32(tags.size()) * 12 + 4;
    QByteArray ifd;
    put16(ifd, quint16(tags.size()));
    for (const Tag& tag : tags) {
        put16(ifd, tag.id);
        put16(ifd, tag.type);
        put32(ifd, tag.count);
        if (tag.value.size() <= 4) {
            ifd.append(tag.value.leftJustified(4, '\0'));
        } else {
            put32(ifd, extraOffset + quint32(extra.size()));
            extra.append(tag.value);
            if (extra.size() % 2)
                extra.append('\0');
        }
    }
    put32(ifd, 0);
    file.append(ifd).append(extra);
    file[4] = char(ifdOffset & 0xff);
    file[5] = char((ifdOffset >> 8) & 0xff);
    file[6] = char((ifdOffset >> 16) & 0xff);
    file[7] = char(ifdOffset >> 24);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
        return {};
    return path;
}

PhotoInfo inspect(const QString& path)
{
    VipsSupport::ensureStarted();
    PhotoInfo info;
    try {
        const VImage image = VImage::new_from_file(QFile::encodeName(path).constData());
        info.readable = true;
        if (const char* loader = nullptr;
            vips_image_get_string(image.get_image(), "vips-loader", &loader) == 0)
            info.loader = QString::fromUtf8(loader);
        info.width = image.width();
        info.height = image.height();
        info.bands = image.bands();
        if (vips_image_get_typeof(image.get_image(), "orientation"))
            info.orientation = image.get_int("orientation");
        if (vips_image_get_typeof(image.get_image(), VIPS_META_ICC_NAME)) {
            size_t size = 0;
            const void* data = image.get_blob(VIPS_META_ICC_NAME, &size);
            info.icc = QByteArray(static_cast<const char*>(data), qsizetype(size));
        }
        info.exif = vips_image_get_typeof(image.get_image(), VIPS_META_EXIF_NAME) != 0;
        info.xmp = vips_image_get_typeof(image.get_image(), VIPS_META_XMP_NAME) != 0;
        info.iptc = vips_image_get_typeof(image.get_image(), VIPS_META_IPTC_NAME) != 0;
    } catch (const vips::VError&) {
        vips_error_clear();
    }
    return info;
}

std::optional<QSize> decodesCleanly(const QString& path)
{
    VipsSupport::ensureStarted();
    try {
        const VImage image = VImage::new_from_file(
            QFile::encodeName(path).constData(), VImage::option()->set("fail_on", VIPS_FAIL_ON_WARNING));
        image.avg(); // reads every pixel
        const int orientation
            = vips_image_get_typeof(image.get_image(), "orientation") ? image.get_int("orientation") : 1;
        return orientation >= 5 && orientation <= 8 ? QSize(image.height(), image.width())
                                                    : QSize(image.width(), image.height());
    } catch (const vips::VError&) {
        vips_error_clear();
        return std::nullopt;
    }
}

QImage decodeStored(const QString& path)
{
    VipsSupport::ensureStarted();
    try {
        VImage image = VImage::new_from_file(QFile::encodeName(path).constData());
        if (vips_image_get_typeof(image.get_image(), VIPS_META_ICC_NAME))
            image = image.icc_transform("srgb", VImage::option()->set("embedded", true));
        image = image.colourspace(VIPS_INTERPRETATION_sRGB).cast(VIPS_FORMAT_UCHAR);
        if (image.bands() == 3)
            image = image.bandjoin_const({ 255 });
        size_t size = 0;
        void* memory = image.write_to_memory(&size);
        QImage result(image.width(), image.height(), QImage::Format_RGBA8888);
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(result.scanLine(y), static_cast<uchar*>(memory) + size_t(y) * image.width() * 4,
                size_t(image.width()) * 4);
        g_free(memory);
        return result;
    } catch (const vips::VError&) {
        vips_error_clear();
        return {};
    }
}

float meanRed(const QString& path)
{
    const std::optional<FloatImage> image = ImageIO::decode(path);
    if (!image)
        return -1;
    double sum = 0;
    for (int y = 0; y < image->height(); ++y)
        for (int x = 0; x < image->width(); ++x)
            sum += image->row(0, y)[x];
    return float(sum / (double(image->width()) * image->height()));
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace quavel::test
