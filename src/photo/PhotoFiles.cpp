#include "photo/PhotoFiles.h"

#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/UuidText.h"
#include "platform/files/FileSync.h"
#include "platform/files/NativeName.h"
#include "platform/files/SafeCopy.h"
#include "platform/files/TemporarySweep.h"
#include "platform/files/UnnamedFile.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel::PhotoFiles {

namespace {

std::atomic<bool> g_noTmpFile { false };

[[noreturn]] void fail(int e)
{
    throw FileError(e, frenchDescription(e));
}

QByteArray sanitizedExtension(const QString& ext)
{
    const QByteArray lower = ext.toLower().toLatin1();
    if (lower.isEmpty() || lower.size() > 8)
        return QByteArrayLiteral("tmp");
    for (char c : lower) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return QByteArrayLiteral("tmp");
    }
    return lower;
}

QByteArray hiddenPath(const QByteArray& folder, const QByteArray& ext)
{
    return folder + "/." + uuidText(QUuid::createUuid()).toLatin1() + '.' + ext;
}

QByteArray folderOf(const QString& path)
{
    return NativeName::encode(QFileInfo(NativeName::absolute(path)).absolutePath());
}

void fsyncFolder(const QByteArray& folder)
{
    FileSync::syncFolder(NativeName::decode(folder));
}

// The new file while it is being made: unnamed (O_TMPFILE) or under its hidden name, locked from the
// start (TemporarySweep) so that no sweep takes its name while it lives. Whatever happens before
// renameOver(), the descriptor is closed and a hidden name removed.
class Sibling
{
public:
    Sibling() = default;
    ~Sibling()
    {
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Sibling(const Sibling&) = delete;
    Sibling& operator=(const Sibling&) = delete;

    void openIn(const QByteArray& folder, const QByteArray& ext)
    {
        if (!g_noTmpFile.load()) {
            m_fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
            if (m_fd >= 0) {
                TemporarySweep::lockCreated(m_fd);
                return;
            }
            // Kernels or file systems without unnamed files answer one of these.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOSYS)
                fail(errno);
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = hiddenPath(folder, ext);
            const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0) {
                if (errno == EEXIST)
                    continue;
                fail(errno);
            }
            // A sweep that took the name between creation and lock: another name.
            if (!TemporarySweep::lockCreated(fd)) {
                ::close(fd);
                continue;
            }
            m_fd = fd;
            m_name = name;
            return;
        }
        fail(EEXIST);
    }

    int fd() const { return m_fd; }

    // A path that opens this very file, for writers that take a file name.
    QString openablePath() const
    {
        return m_name.isEmpty() ? QStringLiteral("/proc/self/fd/%1").arg(m_fd) : NativeName::decode(m_name);
    }

    // Gives an unnamed file its hidden name; a named one keeps it.
    void link(const QByteArray& folder, const QByteArray& ext)
    {
        if (!m_name.isEmpty())
            return;
        const QByteArray name = hiddenPath(folder, ext);
        const QByteArray proc = "/proc/self/fd/" + QByteArray::number(m_fd);
        // Through /proc where it is mounted; AT_EMPTY_PATH needs a capability on older kernels.
        if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) != 0
            && ::linkat(m_fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) != 0)
            fail(errno);
        m_name = name;
    }

    // Moves the finished file over target in one step; from then on the file is the photo.
    void renameOver(const QByteArray& target)
    {
        if (::rename(m_name.constData(), target.constData()) != 0)
            fail(errno);
        m_name.clear();
    }

private:
    int m_fd = -1;
    QByteArray m_name;
};

// The source's permission bits and times on the new file. Last: nothing written afterwards moves the
// times again.
void copyModeAndTimes(int out, const struct stat& st)
{
    if (::fchmod(out, st.st_mode & 07777) != 0)
        fail(errno);
    const struct timespec times[2] = { st.st_atim, st.st_mtim };
    if (::futimens(out, times) != 0)
        fail(errno);
}

void replaceImpl(const QString& target, const QString& ext, const Content& content, bool keepTargetMode)
{
    const QByteArray to = NativeName::encode(NativeName::absolute(target));
    const QByteArray folder = folderOf(target);
    const QByteArray extension = sanitizedExtension(ext);
    removeLeftovers(NativeName::decode(folder));

    struct stat st
    {
    };
    const bool existing = ::stat(to.constData(), &st) == 0 && S_ISREG(st.st_mode);

    Sibling sibling;
    sibling.openIn(folder, extension);
    content(sibling.fd(), sibling.openablePath());
    if (keepTargetMode && existing && ::fchmod(sibling.fd(), st.st_mode & 07777) != 0)
        fail(errno);
    if (::fsync(sibling.fd()) != 0)
        fail(errno);
    sibling.link(folder, extension);
    sibling.renameOver(to);
    fsyncFolder(folder);
}

} // namespace

void replace(const QString& target, const QString& ext, const Content& content)
{
    replaceImpl(target, ext, content, true);
}

void replaceWithBytes(const QString& target, const QString& ext, const QByteArray& bytes)
{
    replaceImpl(
        target, ext,
        [&](int fd, const QString&) {
            if (const int e = SafeCopy::writeAll(fd, bytes.constData(), size_t(bytes.size())))
                fail(e);
        },
        true);
}

void replaceWithCopy(const QString& target, const QString& source)
{
    const SafeCopy::Source in(source);
    if (in.error())
        fail(in.error());
    replaceWithCopy(target, in.fd(), in.status());
}

void replaceWithCopy(const QString& target, int sourceFd, const struct stat& sourceStatus)
{
    replaceImpl(
        target, QFileInfo(target).suffix(),
        [&](int out, const QString&) {
            if (const int e = SafeCopy::copyContent(sourceFd, out))
                fail(e);
            copyModeAndTimes(out, sourceStatus);
        },
        false);
}

void copyNoReplace(const QString& source, const QString& target)
{
    const QFileInfo info(NativeName::absolute(target));
    const int folder
        = ::open(NativeName::encode(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        fail(errno);
    try {
        copyNoReplace(source, folder, info.fileName());
    } catch (...) {
        ::close(folder);
        throw;
    }
    ::close(folder);
}

void copyNoReplace(const QString& source, int folderFd, const QString& name)
{
    TemporarySweep::sweepFolderAt(folderFd, &UnnamedFile::isTemporaryName);
    const SafeCopy::Source in(source);
    if (in.error())
        fail(in.error());

    // Complete and flushed before it has its name, which it takes without ever replacing one: an
    // original is either whole or absent.
    UnnamedFile file;
    if (const int e = file.openAt(folderFd, 0600))
        fail(e);
    if (const int e = SafeCopy::copyContent(in.fd(), file.fd()))
        fail(e);
    copyModeAndTimes(file.fd(), in.status());
    if (::fsync(file.fd()) != 0)
        fail(errno);
    if (const int e = file.publish(name))
        fail(e);
    ::fsync(folderFd);
}

bool isTemporaryName(QStringView name)
{
    if (name.size() < 39 || name[0] != u'.' || name[37] != u'.')
        return false;
    for (qsizetype i = 0; i < 36; ++i) {
        const char16_t c = name[1 + i].unicode();
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != u'-')
                return false;
        } else if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) {
            return false;
        }
    }
    for (qsizetype i = 38; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return false;
    }
    return true;
}

int removeLeftovers(const QString& folder)
{
    return TemporarySweep::sweepFolder(folder, &isTemporaryName);
}

bool isPhotoFolderTemporary(QStringView name)
{
    return isTemporaryName(name) || UnnamedFile::isTemporaryName(name);
}

void addSweepRules(const QString& photoFolder)
{
    const QString folder = NativeName::absolute(photoFolder);
    TemporarySweep::add({ folder, &isPhotoFolderTemporary });
    TemporarySweep::add({ folder + QStringLiteral("/.quavel-originals"), &isOriginalsTemporary, false });
}

bool isOriginalsTemporary(QStringView name)
{
    // Earlier versions wrote journals through "<journal>.tmp-XXXXXX"; only a journal's name is taken
    // for one of those, never an original whose photo happens to be named that way.
    const bool oldJournalTemporary = TemporarySweep::isAtomicFileTemporary(name)
        && name.first(name.size() - 11).endsWith(QLatin1String(".edits.json"));
    return TemporarySweep::isTemporaryName(name) || UnnamedFile::isTemporaryName(name)
        || isTemporaryName(name) || oldJournalTemporary;
}

void setFallbacksForTesting(const Fallbacks& fallbacks)
{
    g_noTmpFile = fallbacks.noTmpFile;
    using Method = UnnamedFile::Method;
    UnnamedFile::startFromForTesting(fallbacks.noHardLinks ? Method::placeholderRename
            : fallbacks.noRenameNoReplace                  ? Method::linkThenUnlink
            : fallbacks.noTmpFile                          ? Method::noReplaceRename
                                                           : Method::unnamedLink);
}

} // namespace quavel::PhotoFiles
