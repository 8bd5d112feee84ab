#include "platform/files/FolderWatcher.h"

#include "platform/files/NativeName.h"
#include "platform/text/Text.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <cstring>

#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace quavel {

namespace {

constexpr uint32_t entryEvents
    = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB;
constexpr uint32_t selfEvents = IN_DELETE_SELF | IN_MOVE_SELF;

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString nameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// Names whose events say nothing of the folder's listed entries: hidden ones (the application's
// temporary siblings, ".quavel-originals", other programs' hidden files) and "#<inode>", the name the
// kernel gives events on a file opened with O_TMPFILE, which has no name yet (every photo, copy and
// original the application writes starts so).
bool isSilentName(const char* name)
{
    if (name[0] == '.')
        return true;
    if (name[0] != '#' || name[1] == '\0')
        return false;
    for (const char* c = name + 1; *c; ++c)
        if (*c < '0' || *c > '9')
            return false;
    return true;
}

// Set by tests on the GUI thread, read by watchers on whichever thread they live.
std::atomic<int> reportDelayMs { 0 };

} // namespace

void FolderWatcher::setReportDelayForTesting(int ms)
{
    reportDelayMs = ms;
}

FolderWatcher::FolderWatcher(QObject* parent)
    : QObject(parent)
{ }

FolderWatcher::~FolderWatcher()
{
    delete m_notifier; // before its descriptor goes
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FolderWatcher::ensureInstance()
{
    if (m_fd >= 0)
        return true;
    // Made on first use: a process has few inotify instances, and a store that never shows an order
    // needs none.
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        return false;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &FolderWatcher::onReadable);
    return true;
}

void FolderWatcher::watch(const QList<Folder>& folders)
{
    QHash<QString, Watch> wanted;
    wanted.reserve(folders.size());
    for (const Folder& f : folders) {
        auto it = wanted.find(f.path);
        if (it == wanted.end()) {
            wanted.insert(f.path, Watch { f.reportsEntries, f.files, {}, false });
            continue;
        }
        it->reportsEntries = it->reportsEntries || f.reportsEntries;
        if (it->files.isEmpty())
            it->files = f.files;
        else
            it->files += f.files;
    }
    // A folder given the very list of files it had keeps what was made of it.
    for (auto it = wanted.begin(); it != wanted.end(); ++it) {
        const auto before = m_wanted.constFind(it.key());
        if (before != m_wanted.cend() && before->indexed && before->files.size() == it->files.size()
            && before->files.constData() == it->files.constData()) {
            it->byName = before->byName;
            it->indexed = true;
        }
    }
    // The folders no longer asked for stop being watched; the others keep their watch.
    const QStringList live = m_live.keys();
    for (const QString& folder : live)
        if (!wanted.contains(folder))
            unwatch(folder);
    m_wanted = std::move(wanted);
    rearm();
}

void FolderWatcher::watch(const QStringList& folders, const QStringList& files)
{
    // One entry per folder; a file adds itself to its folder's entry (or makes one that reports only
    // its files).
    QList<Folder> list;
    QHash<QString, qsizetype> index;
    for (const QString& raw : folders) {
        const QString folder = QDir::cleanPath(raw);
        if (index.contains(folder)) {
            list[index.value(folder)].reportsEntries = true;
            continue;
        }
        index.insert(folder, list.size());
        list.append(Folder { folder, true, {} });
    }
    for (const QString& raw : files) {
        const QString file = QDir::cleanPath(raw);
        const QString folder = parentOf(file);
        auto it = index.constFind(folder);
        if (it == index.cend()) {
            it = index.insert(folder, list.size());
            list.append(Folder { folder, false, {} });
        }
        list[*it].files.append(file);
    }
    watch(list);
}

void FolderWatcher::add(const QString& folder)
{
    const QByteArray encoded = NativeName::encode(folder);
    const int wd = ::inotify_add_watch(m_fd, encoded.constData(), entryEvents | selfEvents | IN_ONLYDIR);
    if (wd < 0)
        return;
    // Two paths of one folder (a link, a bind mount) share the kernel's watch.
    QStringList& sharing = m_kernelWatches[wd];
    if (!sharing.contains(folder))
        sharing.append(folder);
    m_live.insert(folder, wd);
}

void FolderWatcher::unwatch(const QString& folder)
{
    const auto live = m_live.constFind(folder);
    if (live == m_live.cend())
        return;
    const int wd = *live;
    m_live.erase(live);
    const auto it = m_kernelWatches.find(wd);
    if (it == m_kernelWatches.end())
        return;
    it->removeOne(folder);
    if (it->isEmpty()) {
        ::inotify_rm_watch(m_fd, wd);
        m_kernelWatches.erase(it);
    }
}

void FolderWatcher::rearm()
{
    if (m_wanted.isEmpty() || !ensureInstance())
        return;
    for (auto it = m_wanted.cbegin(); it != m_wanted.cend(); ++it)
        if (!m_live.contains(it.key()))
            add(it.key());
}

void FolderWatcher::stop()
{
    m_wanted.clear();
    m_live.clear();
    if (m_fd < 0)
        return;
    for (auto it = m_kernelWatches.cbegin(); it != m_kernelWatches.cend(); ++it)
        ::inotify_rm_watch(m_fd, it.key());
    m_kernelWatches.clear();
    // Events already queued for the removed watches name descriptors that are no longer known and
    // are dropped as they are read.
}

QStringList FolderWatcher::watchedFolders() const
{
    return m_live.keys();
}

bool FolderWatcher::hasUnreadEvents() const
{
    if (m_readDelayed)
        return true;
    int queued = 0;
    return m_fd >= 0 && ::ioctl(m_fd, FIONREAD, &queued) == 0 && queued > 0;
}

const QString* FolderWatcher::Watch::file(const QString& composedName)
{
    if (!indexed) {
        byName.reserve(files.size());
        for (const QString& f : std::as_const(files))
            byName.insert(text::composed(nameOf(f)), f);
        indexed = true;
    }
    const auto it = byName.constFind(composedName);
    return it != byName.cend() ? &*it : nullptr;
}

void FolderWatcher::report(const QString& folder, QStringList& out) const
{
    const auto watch = m_wanted.constFind(folder);
    if (watch == m_wanted.cend())
        return;
    if (watch->reportsEntries)
        out.append(folder);
    else
        out.append(watch->files);
}

void FolderWatcher::onReadable()
{
    const int delay = reportDelayMs;
    if (delay <= 0) {
        readEvents();
        return;
    }
    // The notifier stays off until the delayed read: the queue is not read before then.
    m_notifier->setEnabled(false);
    m_readDelayed = true;
    QTimer::singleShot(delay, this, [this] {
        m_readDelayed = false;
        m_notifier->setEnabled(true);
        readEvents();
    });
}

void FolderWatcher::readEvents()
{
    alignas(inotify_event) char buffer[64 * 1024];
    QStringList reports;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            break; // EAGAIN: drained
        for (ssize_t offset = 0; offset < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += ssize_t(sizeof(inotify_event) + event->len);

            if (event->mask & IN_Q_OVERFLOW) {
                for (auto it = m_live.cbegin(); it != m_live.cend(); ++it)
                    report(it.key(), reports);
                continue;
            }
            const auto it = m_kernelWatches.find(event->wd);
            if (it == m_kernelWatches.end())
                continue;
            const QStringList folders = *it;
            if (event->mask & (selfEvents | IN_IGNORED | IN_UNMOUNT)) {
                for (const QString& folder : folders) {
                    report(folder, reports);
                    m_live.remove(folder);
                }
                // A moved folder's watch would follow it to its new place (the trash, say) and name
                // events there under the old path: end it. rearm() sets it again on a new folder.
                if (!(event->mask & IN_IGNORED))
                    ::inotify_rm_watch(m_fd, event->wd);
                m_kernelWatches.erase(it);
                continue;
            }
            if (event->len == 0 || event->name[0] == '\0') {
                // The folder's own attributes.
                for (const QString& folder : folders) {
                    const auto watch = m_wanted.constFind(folder);
                    if (watch != m_wanted.cend() && watch->reportsEntries)
                        reports.append(folder);
                }
                continue;
            }
            if (isSilentName(event->name))
                continue;
            const QString name = text::composed(NativeName::decode(event->name));
            for (const QString& folder : folders) {
                const auto watch = m_wanted.find(folder);
                if (watch == m_wanted.end())
                    continue;
                if (const QString* file = watch->file(name))
                    reports.append(*file);
                else if (watch->reportsEntries)
                    reports.append(folder);
            }
        }
    }
    // Reported once the buffer is read (a receiver may change what is watched), each path once.
    QSet<QString> reported;
    for (const QString& path : std::as_const(reports))
        if (!reported.contains(path)) {
            reported.insert(path);
            emit changed(path);
        }
}

} // namespace quavel
