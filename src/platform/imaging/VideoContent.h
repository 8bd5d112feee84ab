#pragma once

#include <QByteArray>

#include <optional>

namespace quavel {
class RegularFile;
}

// Internal to the imaging layer: which FFmpeg demuxer may read a file under a video's name. Order folders
// are shared and synced, and FFmpeg left to probe a file renders SVG documents (minutes over a few
// hundred bytes), follows HLS playlists and DASH manifests to other files of the disk (a private video,
// a FIFO, /dev/zero) and decodes images of any size. A file is read as a video only when its first
// bytes are one of the containers phones and cameras write, and then only by that container's demuxer.
// Thread-safe.
namespace quavel::VideoContent {

enum class Container {
    isoMedia, // ISO base media and QuickTime: MP4, MOV, M4V, M4P, 3GP
    matroska, // Matroska and WebM
    avi,
    mpegProgram, // MPEG program streams (.mpg, .mpeg)
    mpegTransport, // MPEG transport streams of 188- or 192-byte packets (AVCHD's .MTS, .M2TS)
};

// How many first bytes sniff looks at: room for five transport packets of 192 bytes.
inline constexpr int kHeadBytes = 5 * 192;

// The container these first bytes (the file's first kHeadBytes, or all of a shorter file) name; absent
// for anything else (a playlist, a manifest, a script, an SVG, a photo, …).
std::optional<Container> sniff(const QByteArray& head);

// The container of the open file by its first bytes, read with pread (the descriptor's offset is left
// alone); absent when the file is not open, cannot be read or names none.
std::optional<Container> examine(const RegularFile& file);

// The name of FFmpeg's demuxer of the container, as av_find_input_format knows it.
const char* demuxerName(Container container);

} // namespace quavel::VideoContent
