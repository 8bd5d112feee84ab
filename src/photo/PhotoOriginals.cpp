#include "photo/PhotoOriginals.h"

#include "photo/PhotoEditError.h"
#include "photo/PhotoEditMemory.h"
#include "photo/PhotoFiles.h"
#include "photo/PhotoWriteQueue.h"
#include "platform/FrenchErrors.h"
#include "platform/files/NativeName.h"
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

enum class Stands { nothing, emptyFile, file };

// A copy killed where the file system has no links (exFAT, FAT) can leave its empty placeholder under
// the final name: that is no original, and neither a photo to put back.
Stands standing(const QString& path)
{
    struct stat st
    {
    };
    if (::lstat(NativeName::encode(path).constData(), &st) != 0)
        return Stands::nothing;
    return S_ISREG(st.st_mode) && st.st_size == 0 ? Stands::emptyFile : Stands::file;
}

void unlinkLeftover(const QString& path)
{
    if (::unlink(NativeName::encode(path).constData()) != 0 && errno != ENOENT)
        throw FileError(errno, frenchDescription(errno));
}

} // namespace

QString backupURL(const QString& photoPath)
{
    const QFileInfo info(NativeName::absolute(photoPath));
    return QDir::cleanPath(info.absolutePath() + u'/' + originalsFolder + u'/' + info.fileName());
}

bool hasBackup(const QString& photoPath)
{
    return standing(backupURL(photoPath)) == Stands::file;
}

void ensureBackup(const QString& photoPath)
{
    if (CameraRaw::isCameraRaw(photoPath))
        throw PhotoEditError(PhotoEditError::Kind::rawNotRewritten);
    PhotoWriteQueue::shared().run(photoPath, [&] {
        const QString backup = backupURL(photoPath);
        switch (standing(backup)) {
        case Stands::file:
            return;
        case Stands::emptyFile:
            unlinkLeftover(backup);
            break;
        case Stands::nothing:
            break;
        }
        const QByteArray folder = NativeName::encode(QFileInfo(backup).absolutePath());
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
        switch (standing(backup)) {
        case Stands::nothing:
            return;
        case Stands::emptyFile:
            // The copy never finished, so the photo was never rewritten: it is its own original.
            unlinkLeftover(backup);
            PhotoEditMemory::remove(photoPath);
            return;
        case Stands::file:
            break;
        }
        PhotoFiles::replaceWithCopy(photoPath, backup);
        if (::unlink(NativeName::encode(backup).constData()) != 0)
            throw FileError(errno, frenchDescription(errno));
        PhotoEditMemory::remove(photoPath);
    });
}

} // namespace quavel::PhotoOriginals
