#include "photo/originals/PhotoOriginals.h"

#include "photo/originals/PhotoEditError.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoFiles.h"
#include "platform/FrenchErrors.h"
#include "platform/files/FileSync.h"
#include "platform/files/NativeName.h"
#include "platform/imaging/CameraRaw.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel::PhotoOriginals {

namespace {

using Entry = OriginalsFolder::Entry;

const QString originalsFolder = QStringLiteral(".quavel-originals");

std::function<void()>& stepHook()
{
    static std::function<void()> hook;
    return hook;
}

void flush(const OriginalsFolder& folder);

void unlinkLeftover(const OriginalsFolder& folder, const QByteArray& name)
{
    if (::unlinkat(folder.fd(), name.constData(), 0) != 0 && errno != ENOENT)
        throw FileError(errno, frenchDescription(errno));
}

// Removes the original once it has been put back, unless another file has taken its name meanwhile.
void unlinkOriginal(const OriginalsFolder& folder, const struct stat& copied)
{
    struct stat now
    {
    };
    const QByteArray& name = folder.originalName();
    if (::fstatat(folder.fd(), name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (now.st_dev != copied.st_dev || now.st_ino != copied.st_ino)
        return;
    if (::unlinkat(folder.fd(), name.constData(), 0) != 0)
        throw FileError(errno, frenchDescription(errno));
}

// Removes a journal that decodes (an unreadable one has been moved aside before), flushed before the
// original goes: a cut anywhere never leaves a journal without its original.
void removeJournal(const OriginalsFolder& folder)
{
    const QByteArray journal = folder.journalName();
    if (folder.entry(journal) == Entry::file && ::unlinkat(folder.fd(), journal.constData(), 0) != 0
        && errno != ENOENT)
        throw FileError(errno, frenchDescription(errno));
    flush(folder);
}

void flush(const OriginalsFolder& folder)
{
    if (const int e = FileSync::syncFolderAt(folder.fd()))
        throw FileError(e, frenchDescription(e));
}

} // namespace

QString backupURL(const QString& photoPath)
{
    const QFileInfo info(NativeName::absolute(photoPath));
    return QDir::cleanPath(info.absolutePath() + u'/' + originalsFolder + u'/' + info.fileName());
}

bool hasBackup(const QString& photoPath)
{
    try {
        const OriginalsFolder folder = OriginalsFolder::open(photoPath);
        const Entry entry = folder.entry(folder.originalName());
        return entry == Entry::file || entry == Entry::foreign;
    } catch (const PhotoEditError&) {
        return true; // a foreign folder: the undo is offered, and says why it cannot be done
    } catch (const Error&) {
        return false;
    }
}

void ensureBackup(const QString& photoPath)
{
    if (CameraRaw::isCameraRaw(photoPath))
        throw PhotoEditError(PhotoEditError::Kind::rawNotRewritten);
    const OriginalsFolder folder = OriginalsFolder::openForEdit(photoPath, true);
    folder.refuseForeign();
    const QByteArray& name = folder.originalName();
    switch (folder.entry(name)) {
    case Entry::file:
        return;
    case Entry::emptyFile:
        unlinkLeftover(folder, name);
        break;
    case Entry::none:
    case Entry::foreign:
        break;
    }
    try {
        PhotoFiles::copyNoReplace(photoPath, folder.fd(), folder.photoName());
    } catch (const FileError& e) {
        // Another writer made it meanwhile: that one is the original.
        if (e.errnoValue() != EEXIST)
            throw;
    }
}

void restore(const QString& photoPath)
{
    // No length check: a photo whose journal could never be kept may still have an original.
    const OriginalsFolder folder = OriginalsFolder::open(photoPath);
    const QByteArray& name = folder.originalName();
    const Entry entry = folder.entry(name);
    if (entry == Entry::none)
        return;
    folder.refuseForeign();
    // An unreadable journal is moved aside, never deleted; one that cannot be moved refuses the undo
    // before anything changes.
    PhotoEditMemory::setAsideUnreadable(folder);
    if (entry == Entry::emptyFile) {
        // The copy never finished, so the photo was never rewritten: it is its own original.
        removeJournal(folder);
        unlinkLeftover(folder, name);
        flush(folder);
        return;
    }
    const std::optional<RegularFile> original = folder.openFile(name, PhotoEditError::Kind::foreignOriginal);
    if (!original)
        return;
    // The photo first (a cut leaves the original and the journal, the edited state, whose next
    // rendering starts from the original), then the journal, then the original, each removal flushed
    // before the next step and before the undo reports.
    PhotoFiles::replaceWithCopy(photoPath, original->fd(), original->status());
    removeJournal(folder);
    if (stepHook())
        stepHook()();
    unlinkOriginal(folder, original->status());
    flush(folder);
}

void setRestoreStepHookForTesting(std::function<void()> hook)
{
    stepHook() = std::move(hook);
}

Source::Source(const QString& photoPath)
    : m_path(photoPath)
{ }

Source::Source(RegularFile original)
    : m_original(std::move(original))
    , m_path(QString::fromLatin1(m_original->openablePath()))
{ }

Source openSource(const QString& photoPath)
{
    const OriginalsFolder folder = OriginalsFolder::open(photoPath);
    if (folder.entry(folder.originalName()) == Entry::emptyFile)
        return Source(photoPath);
    if (std::optional<RegularFile> original
        = folder.openFile(folder.originalName(), PhotoEditError::Kind::foreignOriginal))
        return Source(std::move(*original));
    return Source(photoPath);
}

} // namespace quavel::PhotoOriginals
