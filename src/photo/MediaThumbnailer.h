#pragma once

#include <QFuture>
#include <QImage>
#include <QString>

namespace quavel {

class ThumbnailCache;

// Small images of photos and videos for the galleries, kept in one cache for the whole application.
// Keys carry the file's modification time and size, so a photo rewritten in place is never served from
// a stale entry. Every function may be called from any thread.
namespace MediaThumbnailer {

// "<standardized path>|<modification time in ms since 1970, truncated>|<size in bytes>", the time and the
// size 0 when the file's attributes cannot be read. The size asked for is not part of the key: one file
// asked for at two sizes shares the first thumbnail made.
QString cacheKey(const QString& path);

// The shared cache. Code that has just changed a file in place removes cacheKey(path) from it.
ThumbnailCache& cache();

// The cached image under the file's current key, else a new thumbnail fitting maxPixel × maxPixel
// (stored in the cache when one was made), decoded on the thumbnail pool at the lowest priority (but the
// file decode of a WebP or HEIF photo, which libvips runs only on its shared workers: at normal
// priority). A null image when the file cannot be read or decoded; nothing is cached then, so a later
// request tries again. Waiting for the future never runs the work on the waiting thread. Callers update
// their views on the GUI thread with the result.
QFuture<QImage> thumbnail(const QString& path, bool isVideo, int maxPixel);

// The two decoders behind it, on the calling thread; nothing cached.
QImage photoThumbnail(const QString& path, int maxPixel);
QImage videoThumbnail(const QString& path, int maxPixel);

} // namespace MediaThumbnailer

} // namespace quavel
