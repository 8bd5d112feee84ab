#include "orders/OrdersWatching.h"

#include "platform/files/FolderWatcher.h"
#include "platform/files/NativeName.h"
#include "platform/files/PathKey.h"

#include <QTimer>

#include <algorithm>
#include <vector>

#include <sys/stat.h>

namespace quavel {

namespace {

using Files = std::vector<const OrderMedia*>;

// The last component of a path when its key (PathKey::of) keeps it as it is: plain ASCII, neither "."
// nor "..", after the last slash of a path that does not end with one (NativeName::absolute leaves
// such a component alone, and composing touches neither it nor the slash before it). Empty otherwise.
QStringView plainLastComponent(const QString& path)
{
    const QStringView name = QStringView(path).sliced(path.lastIndexOf(u'/') + 1);
    if (name.isEmpty() || name == u"." || name == u"..")
        return {};
    for (const QChar c : name)
        if (c.unicode() >= 0x80)
            return {};
    return name;
}

QSet<QString> keysBetween(const Files& files, size_t begin, size_t end)
{
    QSet<QString> keys;
    for (size_t i = begin; i < end; ++i)
        keys.insert(PathKey::of(files[i]->url));
    return keys;
}

// Whether two lists of one folder's files hold the same set of keys, at a cost that follows what
// differs: the common head and tail are passed over by plain comparison and keys are made only for the
// entries between them. A key found on one side only may still be that of a common entry (a name
// spelled another way); common entries are then matched by their last component first, so that only
// those of the same name (or of a name that is not plain) have their key made.
bool sameKeySet(const Files& now, const Files& before)
{
    const size_t shorter = std::min(now.size(), before.size());
    size_t head = 0;
    while (head < shorter && now[head]->url == before[head]->url)
        ++head;
    size_t tail = 0;
    while (tail < shorter - head && now[now.size() - 1 - tail]->url == before[before.size() - 1 - tail]->url)
        ++tail;
    const QSet<QString> added = keysBetween(now, head, now.size() - tail);
    const QSet<QString> removed = keysBetween(before, head, before.size() - tail);
    QSet<QString> unmatched = (added - removed) + (removed - added);
    if (unmatched.isEmpty())
        return true;
    // The last components of the unmatched keys, viewed in a copy that stays as it is, and their
    // lengths: nearly every common entry is told apart by its length alone.
    const QSet<QString> differing = unmatched;
    QSet<QStringView> names;
    std::vector<bool> lengths;
    for (const QString& key : differing) {
        const QStringView name = QStringView(key).sliced(key.lastIndexOf(u'/') + 1);
        names.insert(name);
        if (size_t(name.size()) >= lengths.size())
            lengths.resize(size_t(name.size()) + 1);
        lengths[size_t(name.size())] = true;
    }
    const auto match = [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end && !unmatched.isEmpty(); ++i) {
            const QString& url = now[i]->url;
            const QStringView plain = plainLastComponent(url);
            if (plain.isEmpty()
                || (size_t(plain.size()) < lengths.size() && lengths[size_t(plain.size())]
                    && names.contains(plain)))
                unmatched.remove(PathKey::of(url));
        }
    };
    match(0, head);
    match(now.size() - tail, now.size());
    return unmatched.isEmpty();
}

} // namespace

OrdersWatching::OrdersWatching(QObject* parent)
    : QObject(parent)
    , m_watcher(new FolderWatcher(this))
    , m_watchDebounce(new QTimer(this))
    , m_rootWatcher(new FolderWatcher(this))
    , m_rootDebounce(new QTimer(this))
{
    m_watchDebounce->setSingleShot(true);
    m_watchDebounce->setInterval(200);
    connect(m_watchDebounce, &QTimer::timeout, this, &OrdersWatching::refreshOrder);
    connect(m_watcher, &FolderWatcher::changed, this, &OrdersWatching::scheduleOrderRefresh);
    m_rootDebounce->setSingleShot(true);
    m_rootDebounce->setInterval(200);
    connect(m_rootDebounce, &QTimer::timeout, this, &OrdersWatching::refreshRoot);
    // Restarted by each report: one listing 0.2 s after the last change of a burst.
    connect(m_rootWatcher, &FolderWatcher::changed, m_rootDebounce, qOverload<>(&QTimer::start));
}

QSet<QString> OrdersWatching::watchedPaths() const
{
    QSet<QString> paths;
    if (!m_watchingOrder)
        return paths;
    paths.insert(PathKey::of(m_watchedOrder));
    for (const WatchedSection& s : m_watchedSections) {
        paths.insert(PathKey::of(s.url));
        for (const OrderMedia& m : s.files)
            paths.insert(PathKey::of(m.url));
    }
    return paths;
}

bool OrdersWatching::watchesSameSet(const QString& order, const QList<OrderSection>& sections) const
{
    if (!m_watchingOrder)
        return false;
    // Nearly always: the same folders, each with the very list it had (listed as it was), or an equal
    // one.
    if (order == m_watchedOrder && sections.size() == m_watchedSections.size()) {
        bool same = true;
        for (qsizetype i = 0; same && i < sections.size(); ++i)
            same = sections[i].url == m_watchedSections[i].url
                && sections[i].files == m_watchedSections[i].files;
        if (same)
            return true;
    }
    // Otherwise the sets of standardized, composed paths, folder by folder (the paths of files in
    // different folders differ), so that only the folders whose lists changed have their files' paths
    // compared.
    QHash<QString, Files> now;
    QHash<QString, Files> before;
    now[PathKey::of(order)];
    before[PathKey::of(m_watchedOrder)];
    for (const OrderSection& s : sections) {
        Files& files = now[PathKey::of(s.url)];
        for (const OrderMedia& m : s.files)
            files.push_back(&m);
    }
    for (const WatchedSection& s : m_watchedSections) {
        Files& files = before[PathKey::of(s.url)];
        for (const OrderMedia& m : s.files)
            files.push_back(&m);
    }
    if (now.size() != before.size())
        return false;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        const auto earlier = before.constFind(it.key());
        if (earlier == before.cend() || !sameKeySet(*it, *earlier))
            return false;
    }
    return true;
}

void OrdersWatching::watchOrder(const QString& order, const QList<OrderSection>& sections)
{
    if (watchesSameSet(order, sections)) {
        // The same set: running watches, pending reports and a scheduled refresh all stay. The lists
        // are kept as given, for the next comparison; the watcher keeps the paths it has. A folder
        // whose watch ended (moved away, and a folder of that name made again) is watched anew.
        for (qsizetype i = 0; i < sections.size() && i < m_watchedSections.size(); ++i)
            if (m_watchedSections[i].url == sections[i].url)
                m_watchedSections[i].files = sections[i].files;
        m_watcher->rearm();
        return;
    }
    // Another set: what was reported of the earlier one is dropped, as when watching stops. The
    // watcher keeps the watches of the folders still listed, so that nothing happening there between
    // the listing and now goes unseen.
    m_watchDebounce->stop();
    m_pendingWatchPaths.clear();
    QHash<QString, const WatchedSection*> earlier;
    for (const WatchedSection& w : std::as_const(m_watchedSections))
        earlier.insert(w.url, &w);
    QList<WatchedSection> next;
    next.reserve(sections.size());
    QList<FolderWatcher::Folder> folders;
    folders.reserve(sections.size() + 1);
    folders.append(FolderWatcher::Folder { NativeName::absolute(order), true, {} });
    for (const OrderSection& s : sections) {
        WatchedSection w { s.url, s.files, {} };
        const WatchedSection* before = earlier.value(s.url);
        if (before && before->files.size() == s.files.size()
            && before->files.constData() == s.files.constData()) {
            w.paths = before->paths; // a section listed as it was: the watcher keeps what it made of it
        } else {
            w.paths.reserve(s.files.size());
            for (const OrderMedia& m : s.files)
                w.paths.append(m.url);
        }
        // Listed paths are clean (a clean folder's path and a name), but a folder given otherwise.
        const QString folder = NativeName::absolute(s.url);
        QStringList files = w.paths;
        if (folder != s.url)
            for (QString& f : files)
                f = NativeName::absolute(f);
        // The "Fichiers" section joins the order folder's entry.
        folders.append(FolderWatcher::Folder { folder, true, files });
        next.append(std::move(w));
    }
    m_watcher->watch(folders);
    m_watchingOrder = true;
    m_watchedOrder = order;
    m_watchedSections = std::move(next);
}

void OrdersWatching::stopWatchingOrder()
{
    m_watchDebounce->stop();
    m_pendingWatchPaths.clear();
    m_watcher->stop();
    m_watchingOrder = false;
    m_watchedOrder.clear();
    m_watchedSections.clear();
}

void OrdersWatching::scheduleOrderRefresh(const QString& path)
{
    m_pendingWatchPaths.insert(path);
    m_watchDebounce->start(); // restarts: one refresh 0.2 s after the last report of a burst
}

void OrdersWatching::refreshOrder()
{
    const QSet<QString> paths = std::exchange(m_pendingWatchPaths, {});
    bool relist = false;
    for (const QString& path : paths) {
        struct stat st
        {
        };
        if (::stat(NativeName::encode(path).constData(), &st) != 0 || S_ISDIR(st.st_mode))
            relist = true;
        else
            emit fileChanged(path);
    }
    if (relist)
        emit orderChanged();
}

void OrdersWatching::watchRoot(const QString& root)
{
    const QString standardized = NativeName::absolute(root);
    if (standardized == m_watchedRoot) {
        m_rootWatcher->rearm();
        return;
    }
    stopWatchingRoot();
    m_watchedRoot = standardized;
    m_rootWatcher->watch({ standardized }, {});
}

void OrdersWatching::stopWatchingRoot()
{
    m_rootDebounce->stop();
    m_rootWatcher->stop();
    m_watchedRoot.clear();
}

std::optional<QString> OrdersWatching::shownOrderFolder() const
{
    if (m_watchingOrder)
        return NativeName::absolute(m_watchedOrder);
    return std::nullopt;
}

bool OrdersWatching::isRefreshPending() const
{
    return m_watchDebounce->isActive();
}

bool OrdersWatching::isSettled() const
{
    return !m_watchDebounce->isActive() && !m_rootDebounce->isActive() && !m_watcher->hasUnreadEvents()
        && !m_rootWatcher->hasUnreadEvents();
}

void OrdersWatching::refreshRoot()
{
    if (m_watchedRoot.isEmpty())
        return;
    if (m_watchDebounce->isActive()) {
        m_watchDebounce->stop();
        refreshOrder();
    }
    emit rootChanged(m_watchedRoot);
}

} // namespace quavel
