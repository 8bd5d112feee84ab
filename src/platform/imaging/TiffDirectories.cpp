#include "platform/imaging/TiffDirectories.h"

#include "platform/imaging/FileCursor.h"
#include "platform/imaging/ImageContent.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

namespace quavel::TiffDirectories {

namespace {

// The byte order and the offset size of the file.
struct Layout
{
    bool little = true;
    bool big = false; // BigTIFF: 8-byte offsets and counts, 20-byte entries

    quint64 number(const unsigned char* p, int bytes) const
    {
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= quint64(p[little ? i : bytes - 1 - i]) << (8 * i);
        return value;
    }

    int countSize() const { return big ? 8 : 2; }
    int entrySize() const { return big ? 20 : 12; }
    int offsetSize() const { return big ? 8 : 4; }
};

bool offsetInFile(quint64 offset)
{
    return offset >= 8 && offset <= quint64(std::numeric_limits<qint64>::max());
}

// The first directory: the strips or tiles it declares against those its size needs.
bool firstWithinLimits(FileCursor& in, const Layout& layout, quint64 directory)
{
    const bool big = layout.big;
    in.seek(qint64(directory));
    unsigned char countBytes[8];
    if (!in.read(countBytes, std::size_t(layout.countSize())))
        return true;
    const quint64 entries = layout.number(countBytes, layout.countSize());
    const int entrySize = layout.entrySize();
    const int valueAt = big ? 12 : 8;
    const int countAt = 4;
    quint64 width = 0, height = 0, rowsPerStrip = 0xFFFFFFFFu, samples = 1, planar = 1;
    quint64 tileWidth = 0, tileHeight = 0, strips = 0, tiles = 0;
    for (quint64 i = 0; i < entries; ++i) {
        unsigned char entry[20];
        if (!in.read(entry, std::size_t(entrySize)))
            break;
        const quint64 tag = layout.number(entry, 2);
        const quint64 type = layout.number(entry + 2, 2);
        const quint64 count = layout.number(entry + countAt, big ? 8 : 4);
        // The first value of a SHORT, LONG or LONG8 tag held in the entry itself.
        const quint64 value = type == 3 ? layout.number(entry + valueAt, 2)
            : type == 4                 ? layout.number(entry + valueAt, 4)
            : type == 16                ? layout.number(entry + valueAt, 8)
                                        : 0;
        switch (tag) {
        case 256:
            width = value;
            break;
        case 257:
            height = value;
            break;
        case 273:
            strips = count;
            break;
        case 277:
            samples = value;
            break;
        case 278:
            rowsPerStrip = value;
            break;
        case 284:
            planar = value;
            break;
        case 322:
            tileWidth = value;
            break;
        case 323:
            tileHeight = value;
            break;
        case 324:
            tiles = count;
            break;
        default:
            break;
        }
    }
    if (width == 0 || height == 0 || samples == 0)
        return true; // libtiff refuses it
    const quint64 planes = planar == 2 ? std::min<quint64>(samples, 65535) : 1;
    const auto across = [](quint64 size, quint64 step) { return (size + step - 1) / step; };
    if (tiles > 0 || tileWidth > 0) {
        if (tileWidth == 0 || tileHeight == 0)
            return true;
        return tiles <= across(width, tileWidth) * across(height, tileHeight) * planes;
    }
    const quint64 rows = rowsPerStrip == 0 ? height : std::min(rowsPerStrip, height);
    return strips <= across(height, rows) * planes;
}

// The chain of directories, followed by their next-directory offsets. A chain that comes back to a
// directory already seen ends there, as libtiff ends it; one that leaves the file ends where it cannot be
// read any more.
bool chainWithinLimits(FileCursor& in, const Layout& layout, quint64 directory)
{
    std::unordered_set<quint64> seen;
    quint64 entries = 0;
    for (int count = 0; directory != 0; ++count) {
        if (!offsetInFile(directory) || seen.count(directory) > 0)
            return true;
        if (count == ImageContent::kMaxTiffDirectories)
            return false;
        seen.insert(directory);
        in.seek(qint64(directory));
        unsigned char bytes[8];
        if (!in.read(bytes, std::size_t(layout.countSize())))
            return true;
        const quint64 declared = layout.number(bytes, layout.countSize());
        if (declared > quint64(ImageContent::kMaxTiffDirectoryEntries))
            return false;
        entries += declared;
        if (entries > quint64(ImageContent::kMaxTiffEntries))
            return false;
        in.skip(qint64(declared) * layout.entrySize());
        if (!in.read(bytes, std::size_t(layout.offsetSize())))
            return true;
        directory = layout.number(bytes, layout.offsetSize());
    }
    return true;
}

} // namespace

bool withinLimits(int fd)
{
    FileCursor in(fd);
    unsigned char header[16];
    if (!in.read(header, 8))
        return true;
    Layout layout;
    layout.little = header[0] == 'I';
    layout.big = layout.number(header + 2, 2) == 43;
    quint64 directory = 0;
    if (layout.big) {
        if (!in.read(header + 8, 8))
            return true;
        directory = layout.number(header + 8, 8);
    } else {
        directory = layout.number(header + 4, 4);
    }
    if (!offsetInFile(directory))
        return true; // libtiff refuses it
    return chainWithinLimits(in, layout, directory) && firstWithinLimits(in, layout, directory);
}

} // namespace quavel::TiffDirectories
