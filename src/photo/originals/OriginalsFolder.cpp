#include "photo/originals/OriginalsFolder.h"

#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/files/FileSync.h"
#include "platform/files/NativeName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quavel {

namespace {

[[noreturn]] void fail(int e)
{
    throw FileError(e, frenchDescription(e));
}

// The order's own folder: a link there is the user's choice and is followed. -1 when it is missing.
int openPhotoFolder(const QString& photoPath)
{
    const QByteArray folder = NativeName::encode(QFileInfo(NativeName::absolute(photoPath)).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno != ENOENT)
        fail(errno);
    return fd;
}

std::function<void(int, const QByteArray&)>& beforeOpenHook()
{
    static std::function<void(int, const QByteArray&)> hook;
    return hook;
}

} // namespace

OriginalsFolder::OriginalsFolder(const QString& photoPath)
    : m_photoName(QFileInfo(photoPath).fileName())
    , m_original(NativeName::encode(m_photoName))
{ }

OriginalsFolder::~OriginalsFolder()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

OriginalsFolder::OriginalsFolder(OriginalsFolder&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_photoName(std::move(other.m_photoName))
    , m_original(std::move(other.m_original))
{ }

OriginalsFolder OriginalsFolder::open(const QString& photoPath)
{
    OriginalsFolder folder(photoPath);
    const int parent = openPhotoFolder(photoPath);
    if (parent < 0)
        return folder;
    folder.m_fd = ::openat(parent, ".quavel-originals", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int e = errno;
    ::close(parent);
    if (folder.m_fd < 0) {
        // A link (ELOOP) or a file (ENOTDIR) in the folder's place.
        if (e == ELOOP || e == ENOTDIR)
            throw PhotoEditError(PhotoEditError::Kind::foreignOriginalsFolder, folder.m_photoName);
        if (e != ENOENT)
            fail(e);
    }
    return folder;
}

OriginalsFolder OriginalsFolder::openForEdit(const QString& photoPath, bool create)
{
    const QString name = QFileInfo(photoPath).fileName();
    if (NativeName::encode(name).size() > maxPhotoNameBytes)
        throw PhotoEditError(PhotoEditError::Kind::nameTooLong, name);
    if (!create)
        return open(photoPath);
    // A failed write of another photo of the folder removes the folder it made while still empty
    // (removeIfEmpty): made again when it went between its making and its opening here.
    for (int attempt = 0;; ++attempt) {
        const int parent = openPhotoFolder(photoPath);
        if (parent < 0)
            fail(ENOENT);
        // Whatever stands at the name already (a folder, or something foreign that open() refuses)
        // stays as it is.
        const bool madeNow = ::mkdirat(parent, ".quavel-originals", 0777) == 0;
        int e = madeNow ? 0 : errno == EEXIST ? 0 : errno;
        // The new folder's name is flushed into the photo's folder before anything in it is trusted:
        // the photo is replaced only once its original's folder is sure to be there.
        if (madeNow)
            e = FileSync::syncFolderAt(parent);
        if (madeNow && e != 0)
            ::unlinkat(parent, ".quavel-originals", AT_REMOVEDIR);
        ::close(parent);
        if (e != 0)
            fail(e);
        OriginalsFolder folder = open(photoPath);
        if (folder.isOpen() || attempt == 2)
            return folder;
    }
}

void OriginalsFolder::removeIfEmpty(const QString& photoPath)
{
    const int parent
        = ::open(NativeName::encode(QFileInfo(NativeName::absolute(photoPath)).absolutePath()).constData(),
            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0)
        return;
    // rmdir(2) removes only an empty folder, never through a link (ENOTDIR).
    if (::unlinkat(parent, ".quavel-originals", AT_REMOVEDIR) == 0)
        FileSync::syncFolderAt(parent);
    ::close(parent);
}

void OriginalsFolder::setBeforeOpenHookForTesting(
    std::function<void(int folderFd, const QByteArray& name)> hook)
{
    beforeOpenHook() = std::move(hook);
}

OriginalsFolder::Entry OriginalsFolder::entry(const QByteArray& name) const
{
    struct stat st
    {
    };
    if (m_fd < 0 || ::fstatat(m_fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Entry::none;
    if (!S_ISREG(st.st_mode))
        return Entry::foreign;
    return st.st_size == 0 ? Entry::emptyFile : Entry::file;
}

void OriginalsFolder::refuseForeign() const
{
    if (entry(m_original) == Entry::foreign)
        throw PhotoEditError(PhotoEditError::Kind::foreignOriginal, m_photoName);
    if (entry(journalName()) == Entry::foreign)
        throw PhotoEditError(PhotoEditError::Kind::foreignJournal, m_photoName);
}

std::optional<RegularFile> OriginalsFolder::openFile(
    const QByteArray& name, PhotoEditError::Kind foreign) const
{
    if (m_fd < 0)
        return std::nullopt;
    // Looked at before it is opened, so that a device is never opened; then opened without following a
    // link and without blocking (a FIFO put there meanwhile), and looked at again through the descriptor.
    if (entry(name) == Entry::none)
        return std::nullopt;
    if (entry(name) == Entry::foreign)
        throw PhotoEditError(foreign, m_photoName);
    if (beforeOpenHook())
        beforeOpenHook()(m_fd, name);
    RegularFile file(m_fd, name, RegularFile::Links::refuse);
    switch (file.error()) {
    case 0:
        return file;
    case ENOENT:
        return std::nullopt;
    // A link (ELOOP), a socket (ENXIO), or anything but a regular file put there since the look.
    case ELOOP:
    case ENXIO:
    case EINVAL:
    case EISDIR:
        throw PhotoEditError(foreign, m_photoName);
    default:
        fail(file.error());
    }
}

} // namespace quavel
