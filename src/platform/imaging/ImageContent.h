#pragma once

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
// … and a PNG whose text and profile chunks together declare more than this many bytes.
inline constexpr qint64 kMaxPngTextBytes = qint64(4) << 20;

// The format of the open file by its first bytes, read with pread (the descriptor's offset is left
// alone), once its structure is checked: a JPEG's scans counted, a TIFF's strips or tiles compared
// with what its size needs, a PNG's text and profile chunks added up. Absent when the file is refused:
// its bytes name no handled format, or it passes a limit. A file cut short passes: its decoder reports it.
std::optional<Format> examine(const RegularFile& file);

// The libvips loader of a format ("jpegload", …); null for BMP, which libvips does not read.
const char* loaderName(Format format);

} // namespace quavel::ImageContent
