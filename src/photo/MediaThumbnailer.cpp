#include "photo/MediaThumbnailer.h"

#include "photo/ThumbnailCache.h"
#include "platform/files/NativeName.h"
#include "platform/imaging/ImageThumbnail.h"
#include "platform/imaging/JobPool.h"
#include "platform/imaging/VideoFrames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace quavel::MediaThumbnailer {

namespace {

// Milliseconds since 1970, truncated toward zero (as a floating-point count converted to an integer).
qint64 milliseconds(const timespec& t)
{
    const qint64 whole = qint64(t.tv_sec) * 1000;
    const qint64 fraction = t.tv_nsec / 1000000;
    // Before 1970 the time is negative and the nanoseconds still count forwards: truncating toward
    // zero then rounds the fraction up.
    if (t.tv_sec < 0 && t.tv_nsec % 1000000 != 0)
        return whole + fraction + 1;
    return whole + fraction;
}

} // namespace

QString cacheKey(const QString& path)
{
    const QString standardized = NativeName::absolute(path);
    qint64 time = 0;
    qint64 size = 0;
    struct stat st
    {
    };
    // One call for both values.
    if (::stat(NativeName::encode(standardized).constData(), &st) == 0) {
        time = milliseconds(st.st_mtim);
        size = qint64(st.st_size);
    }
    return standardized + u'|' + QString::number(time) + u'|' + QString::number(size);
}

ThumbnailCache& cache()
{
    static ThumbnailCache shared;
    return shared;
}

QFuture<QImage> thumbnail(const QString& path, bool isVideo, int maxPixel)
{
    const QString key = cacheKey(path);
    if (std::optional<QImage> cached = cache().object(key))
        return QtFuture::makeReadyFuture(*cached);
    // Thumbnails give way to every other image work: their own pool, at the lowest priority.
    return JobPool::thumbnails().run([path, isVideo, maxPixel, key] {
        QImage image = isVideo ? videoThumbnail(path, maxPixel) : photoThumbnail(path, maxPixel);
        // Stored under the key read before decoding: a file changed meanwhile gets a new key anyway.
        if (!image.isNull())
            cache().insert(key, image);
        return image;
    });
}

QImage photoThumbnail(const QString& path, int maxPixel)
{
    return ImageThumbnail::fromFile(path, maxPixel);
}

QImage videoThumbnail(const QString& path, int maxPixel)
{
    return VideoFrames::firstFrame(path, maxPixel);
}

} // namespace quavel::MediaThumbnailer
