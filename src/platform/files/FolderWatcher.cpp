#include "platform/files/FolderWatcher.h"

#include "platform/files/NativeName.h"
#include "platform/text/Text.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>

#include <sys/inotify.h>
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

} // namespace

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

void FolderWatcher::watch(const QStringList& folders, const QStringList& files)
{
    stop();
    // One entry per folder; a file adds itself to its folder's entry (or makes one that reports only
    // its files).
    QHash<QString, qsizetype> index;
    for (const QString& raw : folders) {
        const QString folder = QDir::cleanPath(raw);
        if (index.contains(folder)) {
            m_wanted[index.value(folder)].reportsEntries = true;
            continue;
        }
        index.insert(folder, m_wanted.size());
        m_wanted.append(Watch { folder, true, {} });
    }
    for (const QString& raw : files) {
        const QString file = QDir::cleanPath(raw);
        const QString folder = parentOf(file);
        auto it = index.constFind(folder);
        if (it == index.cend()) {
            it = index.insert(folder, m_wanted.size());
            m_wanted.append(Watch { folder, false, {} });
        }
        m_wanted[*it].files.insert(text::composed(nameOf(file)), file);
    }
    if (m_wanted.isEmpty() || !ensureInstance())
        return;
    for (const Watch& w : std::as_const(m_wanted))
        add(w);
}

void FolderWatcher::add(const Watch& watch)
{
    const QByteArray encoded = NativeName::encode(watch.folder);
    const int wd = ::inotify_add_watch(m_fd, encoded.constData(), entryEvents | selfEvents | IN_ONLYDIR);
    if (wd < 0)
        return;
    auto it = m_watches.find(wd);
    if (it == m_watches.end()) {
        m_watches.insert(wd, watch);
        return;
    }
    // Two paths of one folder (a link, a bind mount) share the kernel's watch: merge what they watch.
    it->reportsEntries = it->reportsEntries || watch.reportsEntries;
    for (auto f = watch.files.cbegin(); f != watch.files.cend(); ++f)
        it->files.insert(f.key(), f.value());
}

void FolderWatcher::rearm()
{
    if (m_wanted.isEmpty() || !ensureInstance())
        return;
    QSet<QString> live;
    for (const Watch& w : std::as_const(m_watches))
        live.insert(w.folder);
    for (const Watch& w : std::as_const(m_wanted))
        if (!live.contains(w.folder))
            add(w);
}

void FolderWatcher::stop()
{
    m_wanted.clear();
    if (m_fd < 0)
        return;
    for (auto it = m_watches.cbegin(); it != m_watches.cend(); ++it)
        ::inotify_rm_watch(m_fd, it.key());
    m_watches.clear();
    // Events already queued for the removed watches name descriptors that are no longer known and
    // are dropped as they are read.
}

QStringList FolderWatcher::watchedFolders() const
{
    QStringList out;
    for (const Watch& w : m_watches)
        out.append(w.folder);
    return out;
}

void FolderWatcher::report(const Watch& watch, QStringList& out) const
{
    if (watch.reportsEntries)
        out.append(watch.folder);
    else
        out.append(watch.files.values());
}

void FolderWatcher::onReadable()
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
                for (const Watch& w : std::as_const(m_watches))
                    report(w, reports);
                continue;
            }
            auto it = m_watches.find(event->wd);
            if (it == m_watches.end())
                continue;
            if (event->mask & (selfEvents | IN_IGNORED | IN_UNMOUNT)) {
                report(*it, reports);
                // A moved folder's watch would follow it to its new place (the trash, say) and name
                // events there under the old path: end it. rearm() sets it again on a new folder.
                if (!(event->mask & IN_IGNORED))
                    ::inotify_rm_watch(m_fd, event->wd);
                m_watches.erase(it);
                continue;
            }
            if (event->len == 0 || event->name[0] == '\0') {
                // The folder's own attributes.
                if (it->reportsEntries)
                    reports.append(it->folder);
                continue;
            }
            if (event->name[0] == '.')
                continue;
            const QString name = text::composed(NativeName::decode(event->name));
            const auto file = it->files.constFind(name);
            if (file != it->files.cend())
                reports.append(*file);
            else if (it->reportsEntries)
                reports.append(it->folder);
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
