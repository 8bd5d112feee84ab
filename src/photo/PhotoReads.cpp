#include "photo/PhotoReads.h"

#include "photo/PhotoWork.h"
#include "photo/retouch/PhotoRetoucher.h"
#include "platform/files/NativeName.h"
#include "platform/imaging/ImageIO.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <new>

namespace quavel::PhotoReads {

using Kind = PhotoEditError::Kind;

PhotoEditError photoError(const ReadFailure& failure)
{
    switch (failure.kind) {
    case ReadFailure::Kind::tooLarge:
        return PhotoEditError(Kind::tooLarge, QString(), failure.pixels, failure.limit);
    case ReadFailure::Kind::outOfMemory:
        return PhotoEditError(Kind::outOfMemory, QString());
    case ReadFailure::Kind::unreadable:
        break;
    }
    return PhotoEditError(Kind::unreadablePhoto);
}

void requireRegularFile(const QString& photoPath)
{
    struct stat status
    {
    };
    // stat follows a link: a link to a regular photo is a photo. It never opens the file, so a FIFO
    // cannot hold it.
    if (::stat(NativeName::encode(photoPath).constData(), &status) == 0 && !S_ISREG(status.st_mode))
        throw PhotoEditError(Kind::unreadablePhoto);
}

FloatImage photo(const QString& path)
{
    PhotoWork::beforeDecode(path);
    ReadFailure failure;
    std::optional<FloatImage> image = ImageIO::decode(path, std::nullopt, &failure);
    if (!image || image->isNull())
        throw photoError(failure);
    return std::move(*image);
}

FloatImage watermark(const QString& path)
{
    ReadFailure failure;
    std::optional<FloatImage> image = ImageIO::decode(path, std::nullopt, &failure);
    if (image && !image->isNull())
        return std::move(*image);
    switch (failure.kind) {
    case ReadFailure::Kind::tooLarge:
        throw PhotoEditError(
            Kind::watermarkTooLarge, QFileInfo(path).fileName(), failure.pixels, failure.limit);
    case ReadFailure::Kind::outOfMemory:
        throw PhotoEditError(Kind::outOfMemory, QString());
    case ReadFailure::Kind::unreadable:
        break;
    }
    throw PhotoEditError(Kind::unreadableWatermark);
}

namespace {

FloatImage retouchedOrThrow(std::optional<FloatImage> result)
{
    // The retouch gives nothing only when it could not allocate its planes.
    if (!result || result->isNull())
        throw PhotoEditError(Kind::outOfMemory, QString());
    return std::move(*result);
}

} // namespace

FloatImage retouched(const PhotoRetouchSettings& settings, const FloatImage& image)
{
    return retouchedOrThrow(PhotoRetoucher::apply(settings, image, PhotoRetoucher::Quality::Full));
}

FloatImage retouched(const PhotoRetouchSettings& settings, FloatImage&& image)
{
    return retouchedOrThrow(PhotoRetoucher::apply(settings, std::move(image), PhotoRetoucher::Quality::Full));
}

void naming(const QString& photoPath, const std::function<void()>& work)
{
    const QString name = QFileInfo(photoPath).fileName();
    try {
        work();
    } catch (const PhotoEditError& e) {
        throw e.naming(name);
    } catch (const std::bad_alloc&) {
        throw PhotoEditError(Kind::outOfMemory, name);
    }
}

} // namespace quavel::PhotoReads
