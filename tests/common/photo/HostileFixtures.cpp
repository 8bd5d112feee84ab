// The hostile files of the photo and orders tests: special files under photo names, photos that declare
// more pixels than they hold, huge blank photos, truncated ones and ones with stray bytes.
#include "PhotoFixtures.h"

#include "platform/imaging/Vips.h"
#include "platform/imaging/VipsSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include <sys/stat.h>
#include <unistd.h>

namespace quavel::test {

using vips::VImage;

namespace {

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// The little-endian bytes of a TIFF field.
template <typename T> QByteArray littleEndian(T value)
{
    QByteArray bytes(sizeof value, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray u16(quint16 value)
{
    return littleEndian(value);
}

QByteArray u32(quint32 value)
{
    return littleEndian(value);
}

QByteArray pngChunk(const char* type, const QByteArray& data)
{
    const QByteArray body = QByteArray(type, 4) + data;
    const auto crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size())));
    return bigEndian32(quint32(data.size())) + body + bigEndian32(crc);
}

QByteArray pngHeader(int width, int height)
{
    QByteArray ihdr = bigEndian32(quint32(width)) + bigEndian32(quint32(height));
    ihdr.append("\x08\x02\x00\x00\x00", 5); // 8-bit RGB, deflate, no filter method, no interlace
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr);
}

} // namespace

bool makeSpecialFile(const QString& path, SpecialFile kind)
{
    const QByteArray name = QFile::encodeName(path);
    switch (kind) {
    case SpecialFile::fifo:
        return ::mkfifo(name.constData(), 0644) == 0;
    case SpecialFile::linkToDevZero:
        return ::symlink("/dev/zero", name.constData()) == 0;
    case SpecialFile::linkToFifo: {
        const QByteArray pipe = QFile::encodeName(
            QFileInfo(path).absolutePath() + QStringLiteral("/.pipe-") + QFileInfo(path).fileName());
        return ::mkfifo(pipe.constData(), 0644) == 0 && ::symlink(pipe.constData(), name.constData()) == 0;
    }
    case SpecialFile::folder:
        return QDir().mkpath(path);
    }
    return false;
}

QString writeHeaderOnly(const QString& path, int width, int height)
{
    if (QFileInfo(path).suffix().toLower() == QLatin1String("png")) {
        const QByteArray rows(2 * (1 + 3 * qsizetype(width)), '\0');
        writeBytes(
            path, pngHeader(width, height) + pngChunk("IDAT", qCompress(rows).mid(4)) + pngChunk("IEND", {}));
        return path;
    }
    // A small JPEG's headers are what a header-only JPEG keeps.
    QByteArray jpeg = photoBytes(QStringLiteral("jpg"), filled(16, 16, Qt::black));
    // The frame header (baseline SOF0) takes the declared size; everything after the scan header goes.
    const qsizetype frame = jpeg.indexOf("\xff\xc0");
    const qsizetype scan = jpeg.indexOf("\xff\xda");
    if (frame < 0 || scan < 0)
        return path;
    qToBigEndian(quint16(height), jpeg.data() + frame + 5);
    qToBigEndian(quint16(width), jpeg.data() + frame + 7);
    const int scanLength = qFromBigEndian<quint16>(jpeg.constData() + scan + 2);
    writeBytes(path, jpeg.left(scan + 2 + scanLength));
    return path;
}

QString writeBlankPng(const QString& path, int width, int height)
{
    // One black row (a filter byte then its samples) deflated on its own and flushed, so that its bytes
    // decode alone and may repeat for every row; then an empty final block and the checksum of it all.
    const QByteArray row(1 + 3 * qsizetype(width), '\0');
    z_stream stream {};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    QByteArray compressed(qsizetype(deflateBound(&stream, uLong(row.size()))) + 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.constData()));
    stream.avail_in = uInt(row.size());
    stream.next_out = reinterpret_cast<Bytef*>(compressed.data());
    stream.avail_out = uInt(compressed.size());
    deflate(&stream, Z_FULL_FLUSH);
    compressed.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);

    const uLong rowSum = adler32(1, reinterpret_cast<const Bytef*>(row.constData()), uInt(row.size()));
    uLong sum = 1;
    QByteArray data("\x78\x01", 2);
    data.reserve(compressed.size() * height + 8);
    for (int y = 0; y < height; ++y) {
        data.append(compressed);
        sum = adler32_combine(sum, rowSum, z_off_t(row.size()));
    }
    data.append("\x03\x00", 2);
    data.append(bigEndian32(quint32(sum)));
    writeBytes(path, pngHeader(width, height) + pngChunk("IDAT", data) + pngChunk("IEND", {}));
    return path;
}

QString truncateFile(const QString& path, double fraction)
{
    QFile::resize(path, qint64(double(QFileInfo(path).size()) * fraction));
    return path;
}

QString writeStrayBytesJpeg(const QString& path, const PhotoRecipe& recipe)
{
    QByteArray jpeg = photoBytes(QStringLiteral("jpg"), recipe);
    const qsizetype scan = jpeg.indexOf("\xff\xda");
    return writeBytes(path, scan > 0 ? jpeg.insert(scan, QByteArray("\x00\x11\x22", 3)) : jpeg);
}

QByteArray foreignBytes(ForeignContent kind, const QString& privateImage)
{
    switch (kind) {
    case ForeignContent::svg: {
        // librsvg's loader looks for "<svg" in the first bytes only; ImageMagick's reads on.
        const QByteArray href = privateImage.toUtf8();
        return "<?xml version=\"1.0\"?>\n<!-- " + QByteArray(1100, 'x')
            + " -->\n<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
              "width=\"64\" height=\"48\"><image href=\""
            + href + "\" xlink:href=\"" + href + "\" width=\"64\" height=\"48\"/></svg>\n";
    }
    case ForeignContent::turbulence:
        return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"6000\" height=\"4000\"><filter id=\"t\">"
               "<feTurbulence baseFrequency=\"0.01\" numOctaves=\"300\"/></filter><rect width=\"6000\" "
               "height=\"4000\" filter=\"url(#t)\"/></svg>\n";
    case ForeignContent::pdf:
        return "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n2 0 obj<</Type/Pages/Kids[3 0 R]/Count "
               "1>>endobj\n3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 64 48]/Contents 4 0 R>>endobj\n4 0 "
               "obj<</Length 24>>stream\n1 0 0 rg 0 0 64 48 re f\nendstream\nendobj\ntrailer<</Root 1 0 "
               "R>>\n%%EOF\n";
    case ForeignContent::postscript:
        return "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 64 48\n1 0 0 setrgbcolor 0 0 64 48 rectfill showpage\n";
    case ForeignContent::magickText:
        return "# ImageMagick pixel enumeration: 2,2,255,srgb\n0,0: (255,0,0)  #FF0000  red\n1,0: (255,0,0)  "
               "#FF0000  red\n0,1: (255,0,0)  #FF0000  red\n1,1: (255,0,0)  #FF0000  red\n";
    case ForeignContent::xpm:
        return "/* XPM */\nstatic char *red[] = {\n\"4 4 1 1\",\n\"r c #FF0000\",\n\"rrrr\",\n\"rrrr\",\n"
               "\"rrrr\",\n\"rrrr\"};\n";
    case ForeignContent::matrixText:
        return "4 2\n255 255 255 255\n255 255 255 255\n";
    case ForeignContent::hlsPlaylist:
        return "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:1\n#EXT-X-MEDIA-SEQUENCE:0\n#EXTINF:1.0,\n"
            + privateImage.toUtf8() + "\n#EXT-X-ENDLIST\n";
    case ForeignContent::dashManifest:
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" "
               "type=\"static\" mediaPresentationDuration=\"PT1S\" minBufferTime=\"PT1S\" "
               "profiles=\"urn:mpeg:dash:profile:isoff-on-demand:2011\"><Period><AdaptationSet "
               "mimeType=\"video/mp4\"><Representation id=\"0\" bandwidth=\"100000\" width=\"64\" "
               "height=\"48\"><BaseURL>"
            + privateImage.toUtf8() + "</BaseURL></Representation></AdaptationSet></Period></MPD>\n";
    case ForeignContent::concatScript:
        return "ffconcat version 1.0\nfile '" + privateImage.toUtf8() + "'\n";
    }
    return {};
}

QByteArray progressiveJpeg(int scans, const PhotoRecipe& recipe)
{
    const QImage picture
        = QImage::fromData(photoBytes(QStringLiteral("png"), recipe)).convertToFormat(QImage::Format_RGB888);
    std::vector<jpeg_scan_info> script;
    script.push_back(jpeg_scan_info { 3, { 0, 1, 2, 0 }, 0, 0, 0, 0 });
    // The 63 AC coefficients of each colour in bands, the bands shared out between the colours.
    const int bands = std::clamp(scans - 1, 3, 189);
    for (int component = 0; component < 3; ++component) {
        const int count = bands / 3 + (component < bands % 3 ? 1 : 0);
        for (int band = 0; band < count; ++band) {
            const int first = 1 + band * 63 / count;
            const int last = (band + 1) * 63 / count;
            script.push_back(jpeg_scan_info { 1, { component, 0, 0, 0 }, first, last, 0, 0 });
        }
    }
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(picture.width());
    info.image_height = JDIMENSION(picture.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    info.scan_info = script.data();
    info.num_scans = int(script.size());
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPROW>(picture.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

QByteArray manyScanJpeg(int scans, const PhotoRecipe& recipe)
{
    VipsSupport::ensureStarted();
    const QByteArray baseline = photoBytes(QStringLiteral("jpg"), recipe);
    void* buffer = nullptr;
    size_t length = 0;
    VImage::new_from_buffer(baseline.constData(), size_t(baseline.size()), "")
        .write_to_buffer(".jpg", &buffer, &length, VImage::option()->set("interlace", true));
    QByteArray progressive(static_cast<const char*>(buffer), qsizetype(length));
    g_free(buffer);
    // The last scan (a refinement of the finest bits) with its data, up to the end-of-image marker.
    const qsizetype end = progressive.size() - 2;
    const qsizetype last = progressive.lastIndexOf("\xff\xda");
    const QByteArray scan = progressive.mid(last, end - last);
    QByteArray bytes = progressive.left(end);
    for (qsizetype n = progressive.count("\xff\xda"); n < scans; ++n)
        bytes.append(scan);
    return bytes + "\xff\xd9";
}

QByteArray withExifThumbnail(const QByteArray& jpeg)
{
    const QByteArray thumbnail = photoBytes(QStringLiteral("jpg"), sized(16, 12));
    const auto entry = [&](quint16 tag, quint16 type, quint32 value) {
        return u16(tag) + u16(type) + u32(1) + (type == 3 ? u16(quint16(value)) + u16(0) : u32(value));
    };
    // Little-endian TIFF: IFD0 (the orientation) at 8, IFD1 (the thumbnail's place) after it, then the
    // thumbnail itself.
    const quint32 ifd1 = 8 + 2 + 12 + 4;
    const quint32 at = ifd1 + 2 + 2 * 12 + 4;
    const QByteArray tiff = QByteArray("II*\0", 4) + u32(8) + u16(1) + entry(0x0112, 3, 1) + u32(ifd1)
        + u16(2) + entry(0x0201, 4, at) + entry(0x0202, 4, quint32(thumbnail.size())) + u32(0) + thumbnail;
    const QByteArray exif = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((exif.size() + 2) >> 8));
    segment.append(char((exif.size() + 2) & 0xFF));
    return jpeg.left(2) + segment + exif + jpeg.mid(2);
}

QByteArray overStripedTiff(int strips, const PhotoRecipe& recipe)
{
    // Little-endian, uncompressed 8-bit RGB, one strip of every row; every entry of the strip table
    // points at it.
    const QImage picture
        = QImage::fromData(photoBytes(QStringLiteral("png"), recipe)).convertToFormat(QImage::Format_RGB888);
    QByteArray pixels;
    for (int y = 0; y < picture.height(); ++y)
        pixels.append(
            reinterpret_cast<const char*>(picture.constScanLine(y)), qsizetype(picture.width()) * 3);
    const int entries = 10;
    const quint32 ifd = 8;
    const quint32 tables = ifd + 2 + entries * 12 + 4;
    const quint32 bitsAt = tables + 8 * quint32(strips);
    const quint32 dataAt = bitsAt + 6;
    const auto entry = [&](quint16 tag, quint16 type, quint32 count, quint32 value) {
        QByteArray e = u16(tag) + u16(type) + u32(count);
        return e + (type == 3 && count == 1 ? u16(quint16(value)) + u16(0) : u32(value));
    };
    const bool single = strips == 1;
    QByteArray bytes = QByteArray("II*\0", 4) + u32(ifd) + u16(entries);
    bytes += entry(256, 4, 1, quint32(picture.width()));
    bytes += entry(257, 4, 1, quint32(picture.height()));
    bytes += entry(258, 3, 3, bitsAt);
    bytes += entry(259, 3, 1, 1);
    bytes += entry(262, 3, 1, 2);
    bytes += entry(273, 4, quint32(strips), single ? dataAt : tables);
    bytes += entry(277, 3, 1, 3);
    bytes += entry(278, 4, 1, quint32(picture.height()));
    bytes += entry(279, 4, quint32(strips), single ? quint32(pixels.size()) : tables + 4 * quint32(strips));
    bytes += entry(284, 3, 1, 1);
    bytes += u32(0);
    for (int i = 0; i < strips; ++i)
        bytes += u32(dataAt);
    for (int i = 0; i < strips; ++i)
        bytes += u32(quint32(pixels.size()));
    bytes += u16(8) + u16(8) + u16(8);
    return bytes + pixels;
}

QByteArray pngWithText(qsizetype textBytes, const PhotoRecipe& recipe)
{
    QByteArray png = photoBytes(QStringLiteral("png"), recipe);
    const QByteArray text = QByteArray("Comment", 8) + QByteArray(textBytes - 8, 'q');
    // After the signature and IHDR (13 bytes of data).
    return png.insert(8 + 12 + 13, pngChunk("tEXt", text));
}

QByteArray paletteBytes(const QString& extension, const PhotoRecipe& recipe)
{
    if (extension.toLower() != QLatin1String("bmp"))
        return photoBytes(extension, recipe);
    const QImage picture = QImage::fromData(photoBytes(QStringLiteral("png"), recipe));
    QByteArray bytes;
    QBuffer device(&bytes);
    device.open(QIODevice::WriteOnly);
    picture.save(&device, "BMP");
    return bytes;
}

} // namespace quavel::test
