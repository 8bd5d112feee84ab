// Files that are small on disc and costly to decode, written byte by byte so that a 200-megapixel one
// takes moments to make: progressive JPEGs of one flat grey, TIFFs of chained directories.
#include "PhotoFixtures.h"

#include <QtEndian>

#include <algorithm>
#include <bit>

namespace quavel::test {

namespace {

QByteArray bigEndian16(int value)
{
    QByteArray bytes(2, '\0');
    qToBigEndian(quint16(value), bytes.data());
    return bytes;
}

QByteArray segment(quint8 marker, const QByteArray& body)
{
    return QByteArray("\xff", 1) + char(marker) + bigEndian16(int(body.size()) + 2) + body;
}

// Entropy-coded data, most significant bit first, that many zero bits first: each 0xFF byte followed
// by a stuffed zero, the last byte padded with ones.
class Bits
{
public:
    explicit Bits(qint64 zeros)
        : m_bytes(qsizetype(zeros / 8), '\0')
        , m_filled(int(zeros % 8))
    { }
    void put(quint32 bits, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = quint8(m_byte << 1 | ((bits >> i) & 1));
            if (++m_filled < 8)
                continue;
            m_bytes.append(char(m_byte));
            if (m_byte == 0xFF)
                m_bytes.append('\0');
            m_byte = 0;
            m_filled = 0;
        }
    }
    QByteArray finish()
    {
        if (m_filled > 0)
            put(0xFF, 8 - m_filled);
        return m_bytes;
    }

private:
    QByteArray m_bytes;
    quint8 m_byte = 0;
    int m_filled = 0;
};

qint64 across(qint64 size, qint64 step)
{
    return (size + step - 1) / step;
}

} // namespace

QByteArray flatJpeg(int width, int height, int scans, bool subsampled)
{
    // Y, Cb, Cr; the luma sampled twice across and down in 4:2:0.
    const int sampling = subsampled ? 2 : 1;
    QByteArray frame = QByteArray(1, '\x08') + bigEndian16(height) + bigEndian16(width) + '\x03';
    for (int c = 0; c < 3; ++c)
        frame += QByteArray(1, char(c + 1)) + char(c == 0 ? sampling * 0x11 : 0x11) + '\0';
    // DC: the one category 0 (no difference) coded "0". AC: the end-of-band runs EOB0 to EOB14, coded
    // on four bits each.
    QByteArray tables = QByteArray(1, '\x00') + '\x01' + QByteArray(16, '\0') + '\x10' + QByteArray(3, '\0')
        + '\x0f' + QByteArray(12, '\0');
    for (int r = 0; r < 15; ++r)
        tables += char(r << 4);
    // Every coefficient is zero: a grey of 128. The first scan codes "no difference" for the DC of each
    // block of each MCU, in one bit, and in a baseline JPEG the end of its block after it, in four more.
    const qint64 mcus = across(width, 8 * sampling) * across(height, 8 * sampling);
    QByteArray jpeg = QByteArray("\xff\xd8", 2) + segment(0xDB, QByteArray(1, '\0') + QByteArray(64, '\x01'))
        + segment(scans == 1 ? 0xC0 : 0xC2, frame) + segment(0xC4, tables)
        + segment(
            0xDA, QByteArray("\x03\x01\x00\x02\x00\x03\x00\x00", 8) + (scans == 1 ? '\x3f' : '\0') + '\0')
        + Bits(mcus * (sampling * sampling + 2) * (scans == 1 ? 5 : 1)).finish();
    // Then the 63 AC coefficients of each colour in bands, the bands shared out between the colours, each
    // band's blocks all ended at once by runs of up to 32,767.
    const int bands = scans == 1 ? 0 : std::clamp(scans - 1, 3, 189);
    for (int c = 0; c < 3; ++c) {
        const int factor = c == 0 ? sampling : 1;
        const qint64 blocks = across(across(qint64(width) * factor, sampling), 8)
            * across(across(qint64(height) * factor, sampling), 8);
        const int count = bands / 3 + (c < bands % 3 ? 1 : 0);
        for (int band = 0; band < count; ++band) {
            jpeg += segment(0xDA,
                QByteArray(1, '\x01') + char(c + 1) + '\0' + char(1 + band * 63 / count)
                    + char((band + 1) * 63 / count) + '\0');
            Bits bits(0);
            for (qint64 left = blocks, run = 0; left > 0; left -= run) {
                run = std::min<qint64>(left, 32767);
                const int r = std::bit_width(quint64(run)) - 1;
                bits.put(quint32(r), 4);
                bits.put(quint32(run - (qint64(1) << r)), r);
            }
            jpeg += bits.finish();
        }
    }
    return jpeg + QByteArray("\xff\xd9", 2);
}

QByteArray chainedTiff(int pages, const TiffChain& chain)
{
    const bool big = chain.bigTiff;
    const auto number = [&](quint64 value, int bytes) {
        QByteArray out(bytes, '\0');
        for (int i = 0; i < bytes; ++i)
            out[chain.bigEndian ? bytes - 1 - i : i] = char((value >> (8 * i)) & 0xFF);
        return out;
    };
    const int offsetSize = big ? 8 : 4;
    const int entries = 9 + chain.extraEntries;
    const qint64 directorySize = (big ? 8 : 2) + entries * (big ? 20 : 12) + offsetSize;
    // The header, the one grey pixel every page shows and a byte of padding, then the directories.
    const qint64 first = big ? 18 : 10;
    QByteArray bytes = chain.bigEndian ? QByteArray("MM", 2) : QByteArray("II", 2);
    bytes += big ? number(43, 2) + number(8, 2) + number(0, 2) + number(quint64(first), 8)
                 : number(42, 2) + number(quint64(first), 4);
    bytes += QByteArray("\x80\x00", 2);
    bytes.reserve(qsizetype(first + directorySize * pages));
    const auto entry = [&](int tag, int type, quint64 value) {
        const int size = type == 3 ? 2 : 4;
        return number(quint64(tag), 2) + number(quint64(type), 2) + number(1, big ? 8 : 4)
            + number(value, size) + QByteArray(offsetSize - size, '\0');
    };
    // Width, height, 8 bits, no compression, black is zero, the strip's offset, one sample, one row a strip,
    // the strip's size.
    const int tags[][3] = { { 256, 4, 1 }, { 257, 4, 1 }, { 258, 3, 8 }, { 259, 3, 1 }, { 262, 3, 1 },
        { 273, 4, big ? 16 : 8 }, { 277, 3, 1 }, { 278, 4, 1 }, { 279, 4, 1 } };
    for (int page = 0; page < pages; ++page) {
        bytes += number(quint64(entries), big ? 8 : 2);
        for (const auto& [tag, type, value] : tags)
            bytes += entry(tag, type, quint64(value));
        for (int extra = 0; extra < chain.extraEntries; ++extra)
            bytes += entry(40000 + extra, 3, 0);
        const bool last = page + 1 == pages;
        bytes += number(
            last ? (chain.loopBack ? quint64(first) : 0) : quint64(first + directorySize * (page + 1)),
            offsetSize);
    }
    return bytes;
}

} // namespace quavel::test
