#include "platform/imaging/EncodedMetadata.h"

#include <QtEndian>

#include <cstring>

namespace quavel::EncodedMetadata {

QByteArray withoutJpegExif(const QByteArray& jpeg)
{
    const auto* data = reinterpret_cast<const uchar*>(jpeg.constData());
    const qsizetype size = jpeg.size();
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return jpeg;
    QByteArray out;
    out.reserve(size);
    out.append(jpeg.constData(), 2);
    qsizetype at = 2;
    while (at + 4 <= size && data[at] == 0xFF) {
        const uchar marker = data[at + 1];
        // The scan and everything after it are copied whole.
        if (marker == 0xDA || marker == 0xD9)
            break;
        const qsizetype length = qFromBigEndian<quint16>(data + at + 2);
        if (length < 2 || at + 2 + length > size)
            return jpeg;
        const bool exif = marker == 0xE1 && length >= 8 && std::memcmp(data + at + 4, "Exif\0\0", 6) == 0;
        if (!exif)
            out.append(jpeg.constData() + at, 2 + length);
        at += 2 + length;
    }
    out.append(jpeg.constData() + at, size - at);
    return out;
}

QByteArray withoutWebpExif(const QByteArray& webp)
{
    const qsizetype size = webp.size();
    if (size < 12 || !webp.startsWith("RIFF") || webp.mid(8, 4) != "WEBP")
        return webp;
    QByteArray out = webp.left(12);
    qsizetype at = 12;
    while (at + 8 <= size) {
        const QByteArray tag = webp.mid(at, 4);
        const qsizetype length = qFromLittleEndian<quint32>(webp.constData() + at + 4);
        const qsizetype padded = length + (length & 1);
        if (at + 8 + padded > size)
            return webp;
        if (tag != "EXIF")
            out.append(webp.constData() + at, 8 + padded);
        at += 8 + padded;
    }
    if (at != size)
        return webp;
    // The extended header's flags: bit 3 tells that an EXIF chunk follows.
    const qsizetype header = out.indexOf("VP8X", 12);
    if (header == 12 && out.size() >= 21)
        out[20] = char(uchar(out[20]) & ~0x08);
    qToLittleEndian<quint32>(quint32(out.size() - 8), out.data() + 4);
    return out;
}

} // namespace quavel::EncodedMetadata
