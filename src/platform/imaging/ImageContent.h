#pragma once

#include "platform/imaging/JpegFrame.h"

#include <QByteArray>

#include <optional>

namespace quavel {
class RegularFile;
}

// Internal to the imaging layer: which decoder may read a photo, watermark or thumbnail file. Files come
// from shared folders, synced folders and customers' USB sticks, and a name says nothing of what a file
// holds: a document named IMG_0001.jpg must never reach a decoder that renders documents (ImageMagick,
// librsvg, poppler), which read other files of the disk and can take minutes over a few hundred bytes.
// A file is decoded only by the decoder of the format its first bytes name, and only once its structure
// stays within what a photo of its size needs. Camera RAW files are routed by their extension instead
// (CameraRaw), before this. Thread-safe.
namespace quavel::ImageContent {

// The formats the application decodes: the first six through their own libvips loader, BMP through Qt's
// BMP reader.
enum class Format { jpeg, png, tiff, webp, heif, gif, bmp };

// The format these first bytes (the file's first 32 or all of a shorter file) name; absent for anything
// else (SVG, PDF, PostScript, text, …).
std::optional<Format> sniff(const QByteArray& head);

// The structural limits of the handled formats: a JPEG of more scans than this is refused (a photo has
// one, a progressive one about ten; each scan is a pass over the whole image)…
inline constexpr int kMaxJpegScans = 100;
// … a PNG whose text and profile chunks together declare more than this many bytes…
inline constexpr qint64 kMaxPngTextBytes = qint64(4) << 20;
// … and a TIFF whose chain of directories (its pages) holds more directories, more entries in one, or
// more entries in all, than these: libvips reads every directory to count the pages, whichever page it
// loads, and libtiff's time for a directory grows with the square of its entries (about a second for the
// 4,096 it reads at most). A photo has one or two, each of a few dozen entries.
inline constexpr int kMaxTiffDirectories = 1000;
inline constexpr int kMaxTiffDirectoryEntries = 500;
inline constexpr qint64 kMaxTiffEntries = 10'000;

// The format of the open file by its first bytes, read with pread (the descriptor's offset is left
// alone), once its structure is checked: a JPEG's scans counted, a TIFF's strips or tiles compared
// with what its size needs and its directories counted, a PNG's text and profile chunks added up. Absent
// when the file is refused: its bytes name no handled format, or it passes a limit. A file cut short
// passes: its decoder reports it. With frame given, a JPEG's frame is put there (left unknown for any
// other format, or a JPEG without one).
std::optional<Format> examine(const RegularFile& file, JpegFrame* frame = nullptr);

// The libvips loader of a format ("jpegload", …); null for BMP, which libvips does not read.
const char* loaderName(Format format);

} // namespace quavel::ImageContent
