#include "platform/imaging/VideoContent.h"

#include "platform/files/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace quavel::VideoContent {

namespace {

bool startsWith(const QByteArray& head, const char* bytes, int size, int at = 0)
{
    return head.size() >= at + size && std::memcmp(head.constData() + at, bytes, std::size_t(size)) == 0;
}

// The first box of an ISO base media or QuickTime file: a size that fits a box header (0 for "to the
// end", 1 for a 64-bit size after the type) and one of the types cameras and phones begin with.
bool isoMediaBox(const QByteArray& head)
{
    if (head.size() < 8)
        return false;
    const auto* b = reinterpret_cast<const unsigned char*>(head.constData());
    const quint32 size = quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | quint32(b[3]);
    if (size > 1 && size < 8)
        return false;
    for (const char* type : { "ftyp", "moov", "mdat", "wide", "free", "skip" }) {
        if (startsWith(head, type, 4, 4))
            return true;
    }
    return false;
}

// Transport packets of that size, each led by the sync byte 0x47 (after a 4-byte time code in AVCHD's
// 192-byte packets): at least two whole packets, and the sync byte at every packet the head holds.
bool transportPackets(const QByteArray& head, int packetSize)
{
    const int lead = packetSize == 192 ? 4 : 0;
    if (head.size() < 2 * packetSize)
        return false;
    for (qsizetype at = lead; at < head.size(); at += packetSize) {
        if (static_cast<unsigned char>(head[at]) != 0x47)
            return false;
    }
    return true;
}

} // namespace

std::optional<Container> sniff(const QByteArray& head)
{
    if (isoMediaBox(head))
        return Container::isoMedia;
    if (startsWith(head, "\x1A\x45\xDF\xA3", 4))
        return Container::matroska;
    if (startsWith(head, "RIFF", 4) && startsWith(head, "AVI ", 4, 8))
        return Container::avi;
    if (startsWith(head, "\x00\x00\x01\xBA", 4))
        return Container::mpegProgram;
    if (transportPackets(head, 188) || transportPackets(head, 192))
        return Container::mpegTransport;
    return std::nullopt;
}

std::optional<Container> examine(const RegularFile& file)
{
    if (!file.isOpen())
        return std::nullopt;
    QByteArray head(kHeadBytes, '\0');
    ssize_t n = -1;
    do
        n = ::pread(file.fd(), head.data(), std::size_t(head.size()), 0);
    while (n < 0 && errno == EINTR);
    if (n <= 0)
        return std::nullopt;
    head.truncate(qsizetype(n));
    return sniff(head);
}

const char* demuxerName(Container container)
{
    switch (container) {
    case Container::isoMedia:
        return "mov,mp4,m4a,3gp,3g2,mj2";
    case Container::matroska:
        return "matroska,webm";
    case Container::avi:
        return "avi";
    case Container::mpegProgram:
        return "mpeg";
    case Container::mpegTransport:
        return "mpegts";
    }
    return nullptr;
}

} // namespace quavel::VideoContent
