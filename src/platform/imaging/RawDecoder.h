#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <optional>

// Camera RAW photos through LibRaw: read for thumbnails, previews and printing, never written.
// Thread-safe: every call has a decoder of its own.
namespace quavel::RawDecoder {

// A developed RAW photo: interleaved RGB rows without padding, sRGB, already turned upright.
struct Image
{
    int width = 0;
    int height = 0;
    int bitsPerSample = 8; // 8 or 16 (native byte order)
    QByteArray pixels;
};

// The lower-case extensions, without the dot, of the camera RAW formats the system lists as photos.
const QSet<QString>& extensions();
// Whether the file name's lower-cased extension is one of them.
bool isRaw(QStringView fileName);

// Develops the whole sensor image (never the preview the camera embedded), with the camera's white
// balance. With maxPixel set (a thumbnail's size), the image may be developed at half its width and
// height, much faster, when that still leaves a long side of at least maxPixel. Absent when LibRaw cannot
// read the file.
std::optional<Image> decode(const QString& path, int bitsPerSample = 16, int maxPixel = 0);

} // namespace quavel::RawDecoder
