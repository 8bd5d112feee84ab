#include "photo/PhotoOriginals.h"

#include "photo/PhotoEditError.h"
#include "photo/PhotoEditMemory.h"
#include "photo/PhotoFiles.h"
#include "photo/PhotoWriteQueue.h"
#include "platform/FrenchErrors.h"
#include "platform/imaging/CameraRaw.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel::PhotoOriginals {

namespace {

const QString originalsFolder = QStringLiteral(".quavel-originals");

bool exists(const QString& path)
{
    struct stat st
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

} // namespace

QString backupURL(const QString& photoPath)
{
    const QFileInfo info(photoPath);
    return QDir::cleanPath(info.absolutePath() + u'/' + originalsFolder + u'/' + info.fileName());
}

bool hasBackup(const QString& photoPath)
{
    return exists(backupURL(photoPath));
}

void ensureBackup(const QString& photoPath)
{
    if (CameraRaw::isCameraRaw(photoPath))
        throw PhotoEditError(PhotoEditError::Kind::rawNotRewritten);
    PhotoWriteQueue::shared().run(photoPath, [&] {
        if (hasBackup(photoPath))
            return;
        const QString backup = backupURL(photoPath);
        const QByteArray folder = QFile::encodeName(QFileInfo(backup).absolutePath());
        if (::mkdir(folder.constData(), 0777) != 0 && errno != EEXIST)
            throw FileError(errno, frenchDescription(errno));
        try {
            PhotoFiles::copyNoReplace(photoPath, backup);
        } catch (const FileError& e) {
            // Another writer made it meanwhile: that one is the original.
            if (e.errnoValue() != EEXIST)
                throw;
        }
    });
}

void restore(const QString& photoPath)
{
    PhotoWriteQueue::shared().run(photoPath, [&] {
        const QString backup = backupURL(photoPath);
        if (!exists(backup))
            return;
        PhotoFiles::replaceWithCopy(photoPath, backup);
        if (::unlink(QFile::encodeName(backup).constData()) != 0)
            throw FileError(errno, frenchDescription(errno));
        PhotoEditMemory::remove(photoPath);
    });
}

} // namespace quavel::PhotoOriginals
