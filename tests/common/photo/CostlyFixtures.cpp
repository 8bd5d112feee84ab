// Files that are small on disc and costly to decode, written byte by byte so that a 200-megapixel one
// takes moments to make: progressive JPEGs of one flat grey, TIFFs of chained directories.
#include "PhotoFixtures.h"

#include <QtEndian>

#include <algorithm>

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

// Entropy-coded data, most significant bit first, a 0xFF byte followed by a stuffed zero, the last byte
// padded with ones.
class BitWriter
{
public:
    void put(quint32 bits, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = quint8(m_byte << 1 | ((bits >> i) & 1));
            if (++m_filled == 8)
                flush();
        }
    }

    // count zero bits at once.
    void zeros(qint64 count)
    {
        while (count > 0 && m_filled != 0) {
            put(0, 1);
            --count;
        }
        m_bytes.append(QByteArray(qsizetype(count / 8), '\0'));
        put(0, int(count % 8));
    }

    QByteArray finish()
    {
        if (m_filled > 0)
            put(0xFF, 8 - m_filled);
        return m_bytes;
    }

private:
    void flush()
    {
        m_bytes.append(char(m_byte));
        if (m_byte == 0xFF)
            m_bytes.append('\0');
        m_byte = 0;
        m_filled = 0;
    }

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
    QByteArray jpeg("\xff\xd8", 2);
    jpeg += segment(0xDB, QByteArray(1, '\0') + QByteArray(64, '\x01'));
    QByteArray frame = QByteArray(1, '\x08') + bigEndian16(height) + bigEndian16(width) + '\x03';
    for (int c = 0; c < 3; ++c) {
        const int factor = c == 0 ? sampling : 1;
        frame += char(c + 1);
        frame += char(factor << 4 | factor);
        frame += '\0';
    }
    jpeg += segment(scans == 1 ? 0xC0 : 0xC2, frame);
    // DC: the one category 0 (no difference) coded "0". AC: the end-of-band runs EOB0 to EOB14, coded
    // on four bits each.
    QByteArray dc = QByteArray(1, '\x00') + '\x01' + QByteArray(15, '\0') + '\x00';
    QByteArray ac = QByteArray(1, '\x10') + QByteArray(3, '\0') + '\x0f' + QByteArray(12, '\0');
    for (int r = 0; r < 15; ++r)
        ac += char(r << 4);
    jpeg += segment(0xC4, dc + ac);

    // Every coefficient is zero: a grey of 128. The first scan codes "no difference" for the DC of each
    // block of each MCU, in one bit, and in a baseline JPEG the end of its block after it, in four more.
    const qint64 mcus = across(width, 8 * sampling) * across(height, 8 * sampling);
    const char last = scans == 1 ? '\x3f' : '\x00';
    jpeg += segment(0xDA, QByteArray("\x03\x01\x00\x02\x00\x03\x00\x00", 8) + last + '\x00');
    BitWriter firstBits;
    firstBits.zeros(mcus * (sampling * sampling + 2) * (scans == 1 ? 5 : 1));
    jpeg += firstBits.finish();
    if (scans == 1)
        return jpeg + QByteArray("\xff\xd9", 2);

    // The 63 AC coefficients of each colour in bands, the bands shared out between the colours, each
    // band's blocks all ended at once by runs of up to 32,767.
    const int bands = std::clamp(scans - 1, 3, 189);
    for (int c = 0; c < 3; ++c) {
        const int factor = c == 0 ? sampling : 1;
        const qint64 blocks = across(across(qint64(width) * factor, sampling), 8)
            * across(across(qint64(height) * factor, sampling), 8);
        const int count = bands / 3 + (c < bands % 3 ? 1 : 0);
        for (int band = 0; band < count; ++band) {
            const int first = 1 + band * 63 / count;
            const int last = (band + 1) * 63 / count;
            QByteArray header = QByteArray(1, '\x01') + char(c + 1) + '\x00';
            header += char(first);
            header += char(last);
            header += '\0';
            jpeg += segment(0xDA, header);
            BitWriter bits;
            for (qint64 left = blocks; left > 0;) {
                const qint64 run = std::min<qint64>(left, 32767);
                int r = 0;
                while ((qint64(2) << r) <= run)
                    ++r;
                bits.put(quint32(r), 4);
                bits.put(quint32(run - (qint64(1) << r)), r);
                left -= run;
            }
            jpeg += bits.finish();
        }
    }
    return jpeg + QByteArray("\xff\xd9", 2);
}

QByteArray chainedTiff(int pages, const TiffChain& chain)
{
    const bool little = !chain.bigEndian;
    const auto number = [little](quint64 value, int bytes) {
        QByteArray out(bytes, '\0');
        for (int i = 0; i < bytes; ++i)
            out[little ? i : bytes - 1 - i] = char((value >> (8 * i)) & 0xFF);
        return out;
    };
    const bool big = chain.bigTiff;
    const int offsetSize = big ? 8 : 4;
    const int entries = 9 + chain.extraEntries;
    const qint64 entrySize = big ? 20 : 12;
    const qint64 directorySize = (big ? 8 : 2) + entries * entrySize + offsetSize;
    // The header, the one grey pixel every page shows and a byte of padding, then the directories.
    const qint64 first = big ? 18 : 10;
    const qint64 pixelAt = big ? 16 : 8;
    QByteArray bytes = little ? QByteArray("II", 2) : QByteArray("MM", 2);
    if (big)
        bytes += number(43, 2) + number(8, 2) + number(0, 2) + number(quint64(first), 8);
    else
        bytes += number(42, 2) + number(quint64(first), 4);
    bytes += QByteArray("\x80\x00", 2);
    bytes.reserve(qsizetype(first + directorySize * pages));
    const auto entry = [&](int tag, int type, quint64 value) {
        const int size = type == 3 ? 2 : 4;
        QByteArray e = number(quint64(tag), 2) + number(quint64(type), 2) + number(1, big ? 8 : 4);
        return e + number(value, size) + QByteArray(offsetSize - size, '\0');
    };
    for (int page = 0; page < pages; ++page) {
        bytes += number(entries, big ? 8 : 2);
        bytes += entry(256, 4, 1);
        bytes += entry(257, 4, 1);
        bytes += entry(258, 3, 8);
        bytes += entry(259, 3, 1);
        bytes += entry(262, 3, 1);
        bytes += entry(273, 4, quint64(pixelAt));
        bytes += entry(277, 3, 1);
        bytes += entry(278, 4, 1);
        bytes += entry(279, 4, 1);
        for (int extra = 0; extra < chain.extraEntries; ++extra)
            bytes += entry(40000 + extra, 3, 0);
        const bool last = page + 1 == pages;
        const quint64 next
            = last ? (chain.loopBack ? quint64(first) : 0) : quint64(first + directorySize * (page + 1));
        bytes += number(next, offsetSize);
    }
    return bytes;
}

} // namespace quavel::test
