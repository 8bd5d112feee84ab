#include "platform/AtomicFile.h"

#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/files/NativeName.h"
#include "platform/files/RegularFile.h"
#include "platform/files/SafeCopy.h"
#include "platform/files/UnnamedFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel::AtomicFile {

namespace {

[[noreturn]] void fail(int e)
{
    throw FileError(e, frenchDescription(e));
}

// Opens the folder a path names (following a link there, as the path would).
int openFolderOf(const QString& path)
{
    const QByteArray folder = NativeName::encode(QFileInfo(NativeName::absolute(path)).absolutePath());
    return ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// `name` cut to at most `room` bytes, never inside a UTF-8 sequence.
QByteArray cutTo(const QByteArray& name, qsizetype room)
{
    if (name.size() <= room)
        return name;
    qsizetype end = std::max<qsizetype>(room, 0);
    while (end > 0 && (uchar(name[end]) & 0xC0) == 0x80)
        --end;
    return name.first(end);
}

constexpr qsizetype nameMax = 255;

} // namespace

void write(const QString& path, const QByteArray& bytes)
{
    const Descriptor folder(openFolderOf(path));
    if (folder.get() < 0)
        fail(errno);
    writeAt(folder.get(), QFileInfo(path).fileName(), bytes);
}

void writeAt(int folderFd, const QString& name, const QByteArray& bytes)
{
    // A new file has what open(2) would give it (0666 less the umask); a replaced one keeps its bits.
    UnnamedFile file;
    if (const int e = file.openAt(folderFd, 0666))
        fail(e);
    struct stat st
    {
    };
    if (::fstatat(folderFd, NativeName::encode(name).constData(), &st, 0) == 0 && S_ISREG(st.st_mode))
        if (const int e = SafeCopy::copyMode(file.fd(), st.st_mode))
            fail(e);
    if (const int e = SafeCopy::writeAll(file.fd(), bytes.constData(), size_t(bytes.size())))
        fail(e);
    if (const int e = file.replace(name, UnnamedFile::Sync::now))
        fail(e);
}

bool tryWrite(const QString& path, const QByteArray& bytes) noexcept
{
    try {
        write(path, bytes);
        return true;
    } catch (...) {
        return false;
    }
}

std::optional<QByteArray> read(const QString& path)
{
    // Never a FIFO or a device under the file's name: opened the ordinary way, it would never answer.
    const RegularFile file(path);
    return file.readAll();
}

std::optional<QString> setAside(const QString& path, const QDateTime& now)
{
    const Descriptor folder(openFolderOf(path));
    if (folder.get() < 0)
        return std::nullopt;
    const std::optional<QString> name = setAsideAt(folder.get(), QFileInfo(path).fileName(), now);
    if (!name)
        return std::nullopt;
    return QFileInfo(NativeName::absolute(path)).absolutePath() + u'/' + *name;
}

std::optional<QString> setAsideAt(int folderFd, const QString& name, const QDateTime& now)
{
    const QByteArray source = NativeName::encode(name);
    struct stat st
    {
    };
    if (::fstatat(folderFd, source.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    const QByteArray stamp
        = ".unreadable-" + now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1();
    // A name already taken (an earlier set-aside copy of the same second, or any file of that name) is
    // never replaced: the next one is tried.
    for (int n = 1; n <= 1000; ++n) {
        const QByteArray suffix = n == 1 ? stamp : stamp + '-' + QByteArray::number(n);
        const QByteArray target = cutTo(source, nameMax - suffix.size()) + suffix;
        const int e = UnnamedFile::renameNoReplace(folderFd, source, target);
        if (e == 0)
            return NativeName::decode(target);
        if (e != EEXIST)
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace quavel::AtomicFile
