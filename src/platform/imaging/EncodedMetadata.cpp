#include "platform/imaging/EncodedMetadata.h"

#include <QtEndian>

namespace quavel::EncodedMetadata {

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
