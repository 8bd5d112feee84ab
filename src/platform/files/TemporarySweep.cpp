#include "platform/files/TemporarySweep.h"

#include "platform/files/NativeName.h"
#include "platform/files/PlaceholderRecord.h"

#include <QFile>
#include <QMutex>
#include <QRandomGenerator>

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel::TemporarySweep {

namespace {

QMutex& tableMutex()
{
    static QMutex mutex;
    return mutex;
}

QList<Rule>& table()
{
    static QList<Rule> rules;
    return rules;
}

// Whether the file was last modified at least minimumAge ago (a clock set back counts as recent).
bool isOldEnough(const struct stat& st, std::chrono::seconds minimumAge)
{
    if (minimumAge.count() <= 0)
        return true;
    struct timespec now
    {
    };
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec - st.st_mtim.tv_sec > minimumAge.count();
}

bool isAsciiAlphanumeric(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// Removes dir/name when it is a plain file nobody holds the lock of, last modified at least minimumAge
// ago. The name is looked at again after the lock is taken, so that a file put under that name meanwhile
// is left alone.
bool removeIfAbandoned(int dir, const char* name, std::chrono::seconds minimumAge)
{
    const int fd = ::openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    bool removed = false;
    struct stat mine
    {
    };
    struct stat now
    {
    };
    if (::fstat(fd, &mine) == 0 && S_ISREG(mine.st_mode) && isOldEnough(mine, minimumAge)
        && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstatat(dir, name, &now, AT_SYMLINK_NOFOLLOW) == 0
        && now.st_dev == mine.st_dev && now.st_ino == mine.st_ino)
        removed = ::unlinkat(dir, name, 0) == 0;
    ::close(fd);
    return removed;
}

bool isLowerAlphanumeric(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
}

constexpr char temporaryPrefix[] = ".quavel-tmp-";
constexpr qsizetype temporaryPrefixLength = sizeof temporaryPrefix - 1;
constexpr qsizetype temporaryRandomLength = 12;

// 1980-03-01 12:00:00 UTC: inside FAT's range, and an empty file has no reason to carry it.
constexpr time_t placeholderTime = 320760000;
// FAT keeps local time: a file system mounted in another zone shifts it by whole quarter hours.
constexpr time_t zoneShiftLimit = 14 * 3600;
constexpr time_t zoneStep = 15 * 60;

bool removeIfAbandonedPlaceholder(int dir, const char* name)
{
    // A look at the entry first: the photos of a folder are never opened for this.
    struct stat st
    {
    };
    if (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !isPlaceholder(st))
        return false;
    const int lock = lockAbandonedPlaceholder(dir, name);
    if (lock < 0)
        return false;
    const bool removed = ::unlinkat(dir, name, 0) == 0;
    ::close(lock);
    return removed;
}

// Which entries of a folder a sweep looks at.
enum class Entries {
    all,
    hiddenOnly, // a folder of photos: their names are enough to pass them over
};

int sweepDirectory(DIR* dir, const NameTest& isTemporary, std::chrono::seconds minimumAge, Entries entries)
{
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN)
            continue;
        if (entries == Entries::hiddenOnly && entry->d_name[0] != '.')
            continue;
        const QString name = NativeName::decode(entry->d_name);
        // A lock taken on another machine is not seen here: no placeholder of a share is touched, nor a
        // record, which only a sweep that may remove its placeholder removes.
        if (PlaceholderRecord::isRecordName(name)) {
            if (minimumAge.count() <= 0)
                removed += PlaceholderRecord::removeAbandoned(::dirfd(dir), entry->d_name);
            continue;
        }
        if (!isTemporary(name)) {
            if (minimumAge.count() <= 0 && entries == Entries::all
                && removeIfAbandonedPlaceholder(::dirfd(dir), entry->d_name))
                ++removed;
            continue;
        }
        if (removeIfAbandoned(::dirfd(dir), entry->d_name, minimumAge))
            ++removed;
    }
    return removed;
}

// Walks a descriptor of the folder (consumed: closed at the end).
int sweepDescriptor(
    int fd, const NameTest& isTemporary, std::chrono::seconds minimumAge, Entries entries = Entries::all)
{
    if (fd < 0)
        return 0;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), &::closedir);
    if (!dir) {
        ::close(fd);
        return 0;
    }
    return sweepDirectory(dir.get(), isTemporary, minimumAge, entries);
}

// The direct sub-folders of a folder, their hidden entries only; hidden sub-folders (the application's
// own, other programs') and links are passed over.
int sweepSubfolders(const QString& folder, const NameTest& isTemporary)
{
    const int fd = ::open(NativeName::encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), &::closedir);
    if (!dir) {
        ::close(fd);
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        if ((entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) || entry->d_name[0] == '.')
            continue;
        removed += sweepDescriptor(
            ::openat(::dirfd(dir.get()), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC),
            isTemporary, {}, Entries::hiddenOnly);
    }
    return removed;
}

} // namespace

void add(Rule rule)
{
    QMutexLocker lock(&tableMutex());
    table().append(std::move(rule));
}

QList<Rule> rules()
{
    QMutexLocker lock(&tableMutex());
    return table();
}

void clearForTesting()
{
    QMutexLocker lock(&tableMutex());
    table().clear();
}

int sweep()
{
    int removed = 0;
    for (const Rule& rule : rules())
        removed += rule.inSubfolders && rule.isTemporary
            ? sweepSubfolders(rule.folder, rule.isTemporary)
            : sweepFolder(rule.folder, rule.isTemporary, rule.throughLink);
    return removed;
}

int sweepFolder(
    const QString& folder, const NameTest& isTemporary, bool throughLink, std::chrono::seconds minimumAge)
{
    if (folder.isEmpty() || !isTemporary)
        return 0;
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (throughLink ? 0 : O_NOFOLLOW);
    return sweepDescriptor(::open(NativeName::encode(folder).constData(), flags), isTemporary, minimumAge);
}

int sweepFolderAt(int folderFd, const NameTest& isTemporary)
{
    if (folderFd < 0 || !isTemporary)
        return 0;
    // A description of its own: the caller's descriptor keeps its position and stays open.
    return sweepDescriptor(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC), isTemporary, {});
}

int removeAbandoned(int folder, const QList<QByteArray>& names, std::chrono::seconds minimumAge)
{
    int removed = 0;
    for (const QByteArray& name : names)
        if (!name.isEmpty()
            && !name.contains('/')
            // A record goes only once what it names has been looked at, never by its name alone.
            && !PlaceholderRecord::isRecordName(QString::fromLatin1(name))
            && removeIfAbandoned(folder, name.constData(), minimumAge))
            ++removed;
    return removed;
}

bool lockCreated(int fd)
{
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR)
            return true; // no locks on this file system: nothing to tell, nothing to fear from a sweep
    }
    struct stat st
    {
    };
    // A sweep that got the lock first has removed the name: the file has no link left.
    return ::fstat(fd, &st) != 0 || st.st_nlink > 0;
}

QByteArray temporaryName()
{
    constexpr char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name(temporaryPrefix);
    for (qsizetype i = 0; i < temporaryRandomLength; ++i)
        name += alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))];
    return name;
}

bool isTemporaryName(QStringView name)
{
    if (name.size() != temporaryPrefixLength + temporaryRandomLength
        || !name.startsWith(QLatin1String(temporaryPrefix)))
        return false;
    for (const QChar c : name.sliced(temporaryPrefixLength))
        if (!isLowerAlphanumeric(c))
            return false;
    return true;
}

int markPlaceholder(int fd)
{
    const struct timespec times[2] = { { placeholderTime, 0 }, { placeholderTime, 0 } };
    return ::futimens(fd, times) == 0 ? 0 : errno;
}

bool isPlaceholder(const struct stat& st)
{
    const time_t shift = st.st_mtim.tv_sec - placeholderTime;
    return S_ISREG(st.st_mode) && st.st_size == 0 && st.st_mtim.tv_nsec == 0 && shift >= -zoneShiftLimit
        && shift <= zoneShiftLimit && shift % zoneStep == 0;
}

int lockAbandonedPlaceholder(int folder, const char* name)
{
    const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat mine
    {
    };
    struct stat now
    {
    };
    // Looked at again once locked: its writer may have renamed its file over it meanwhile.
    if (::fstat(fd, &mine) == 0 && isPlaceholder(mine) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && ::fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == mine.st_dev
        && now.st_ino == mine.st_ino && isPlaceholder(now))
        return fd;
    ::close(fd);
    return -1;
}

bool isAtomicFileTemporary(QStringView name)
{
    constexpr qsizetype suffix = 5 + 6; // ".tmp-" and the six characters of mkostemp
    if (name.size() <= suffix || name.mid(name.size() - suffix, 5) != u".tmp-")
        return false;
    for (const QChar c : name.last(6))
        if (!isAsciiAlphanumeric(c))
            return false;
    return true;
}

} // namespace quavel::TemporarySweep
