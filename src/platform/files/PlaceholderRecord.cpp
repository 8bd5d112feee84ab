#include "platform/files/PlaceholderRecord.h"

#include "platform/files/TemporarySweep.h"

#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel {

namespace {

constexpr char recordPrefix[] = ".quavel-placeholder-";
constexpr qsizetype recordPrefixLength = sizeof recordPrefix - 1;
constexpr qsizetype recordRandomLength = 12;
constexpr char header[] = "quavel-placeholder 1\n";
constexpr qsizetype headerLength = sizeof header - 1;
constexpr qsizetype longestName = 255;

// An unmarked placeholder is created right after its record is written, and the two times are kept
// alike (FAT: local time, in steps of two seconds). A user's empty file put under the name afterwards is
// newer than that; one that had the name before (the creation then failed) is older.
constexpr time_t placeholderEarliest = -2;
constexpr time_t placeholderLatest = 30;

QByteArray makeRecordName()
{
    constexpr char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name(recordPrefix);
    for (qsizetype i = 0; i < recordRandomLength; ++i)
        name += alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))];
    return name;
}

bool isValidName(const QByteArray& name)
{
    return !name.isEmpty() && name.size() <= longestName && name != "." && name != ".." && !name.contains('/')
        && !name.contains('\0');
}

// The final name a record holds, read from its start; none when it is not one of ours, whole.
std::optional<QByteArray> readName(int fd)
{
    char buffer[headerLength + longestName + 1];
    qsizetype size = 0;
    while (size < qsizetype(sizeof buffer)) {
        const ssize_t n = ::pread(fd, buffer + size, sizeof buffer - size_t(size), off_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        size += n;
    }
    const QByteArray bytes(buffer, size);
    if (!bytes.startsWith(QByteArray(header, headerLength)))
        return std::nullopt;
    QByteArray name = bytes.sliced(headerLength);
    if (!isValidName(name))
        return std::nullopt;
    return name;
}

// Whether `st` is the status of the empty file the writer of a record with status `record` left.
bool isLeftBy(const struct stat& st, const struct stat& record)
{
    if (!S_ISREG(st.st_mode) || st.st_size != 0)
        return false;
    if (TemporarySweep::isPlaceholder(st))
        return true;
    const time_t after = st.st_mtim.tv_sec - record.st_mtim.tv_sec;
    return after >= placeholderEarliest && after <= placeholderLatest;
}

// Removes folder/name when it is the empty file a dead writer left. The entry is looked at before it is
// opened (a photo or a FIFO is never opened for this), then again once locked: a writer taking the name
// over holds that lock, and the name may have been given to another file meanwhile.
bool removeLeftPlaceholder(int folder, const char* name, const struct stat& record)
{
    struct stat before
    {
    };
    if (::fstatat(folder, name, &before, AT_SYMLINK_NOFOLLOW) != 0 || !isLeftBy(before, record))
        return false;
    const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat mine
    {
    };
    struct stat now
    {
    };
    bool removed = false;
    if (::fstat(fd, &mine) == 0 && isLeftBy(mine, record) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && ::fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == mine.st_dev
        && now.st_ino == mine.st_ino && isLeftBy(now, record))
        removed = ::unlinkat(folder, name, 0) == 0;
    ::close(fd);
    return removed;
}

int writeWhole(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        left -= size_t(n);
    }
    return 0;
}

} // namespace

PlaceholderRecord::~PlaceholderRecord()
{
    remove();
}

int PlaceholderRecord::write(int folderFd, const QByteArray& name)
{
    remove();
    if (!isValidName(name))
        return EINVAL;
    const QByteArray content = QByteArray(header, headerLength) + name;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray recordName = makeRecordName();
        const int fd = ::openat(folderFd, recordName.constData(),
            O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        // Locked before it holds anything: a sweep that finds it unlocked and empty removes it, and the
        // writer then makes another.
        if (!TemporarySweep::lockCreated(fd)) {
            ::close(fd);
            continue;
        }
        if (const int e = writeWhole(fd, content)) {
            ::unlinkat(folderFd, recordName.constData(), 0);
            ::close(fd);
            return e;
        }
        m_folder = folderFd;
        m_fd = fd;
        m_name = recordName;
        return 0;
    }
    return EEXIST;
}

void PlaceholderRecord::remove()
{
    if (m_fd < 0)
        return;
    // The name goes while the lock is held, so no sweep reads a record whose name is done with.
    ::unlinkat(m_folder, m_name.constData(), 0);
    ::close(m_fd);
    m_fd = -1;
    m_folder = -1;
    m_name.clear();
}

bool PlaceholderRecord::isRecordName(QStringView name)
{
    if (name.size() != recordPrefixLength + recordRandomLength
        || !name.startsWith(QLatin1String(recordPrefix)))
        return false;
    for (const QChar c : name.sliced(recordPrefixLength))
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return false;
    return true;
}

int PlaceholderRecord::removeAbandoned(int folderFd, const char* recordName)
{
    const int fd = ::openat(folderFd, recordName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return 0;
    int removed = 0;
    struct stat mine
    {
    };
    struct stat now
    {
    };
    // Looked at again once locked: a writer that has just finished removed its record before unlocking it.
    if (::fstat(fd, &mine) == 0 && S_ISREG(mine.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && ::fstatat(folderFd, recordName, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == mine.st_dev
        && now.st_ino == mine.st_ino) {
        if (const std::optional<QByteArray> name = readName(fd))
            if (removeLeftPlaceholder(folderFd, name->constData(), mine))
                ++removed;
        if (::unlinkat(folderFd, recordName, 0) == 0)
            ++removed;
    }
    ::close(fd);
    return removed;
}

} // namespace quavel
