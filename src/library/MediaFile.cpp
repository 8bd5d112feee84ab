#include "library/MediaFile.h"

#include "library/PhotoNumber.h"

namespace quavel {

const QSet<QString>& PhotoFile::extensions()
{
    static const QSet<QString> set { "jpg", "jpeg", "png", "heic", "heif", "tif", "tiff", "webp", "raw", "dng",
        "cr2", "cr3", "nef", "arw", "orf", "rw2", "raf" };
    return set;
}

bool PhotoFile::isPhoto(QStringView fileName)
{
    return extensions().contains(pathExtension(fileName).toLower());
}

const QSet<QString>& MediaFile::videoExtensions()
{
    static const QSet<QString> set { "mp4", "mov", "m4v", "avi", "mpg", "mpeg", "m4p", "webm", "mts", "m2ts" };
    return set;
}

bool MediaFile::isVideo(QStringView fileName)
{
    return videoExtensions().contains(pathExtension(fileName).toLower());
}

} // namespace quavel
