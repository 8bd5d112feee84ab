// The hostile files of the photo and orders tests: special files under photo names, photos that declare
// more pixels than they hold, huge blank photos, truncated ones and ones with stray bytes.
#include "PhotoFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

namespace quavel::test {

namespace {

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
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

} // namespace quavel::test
