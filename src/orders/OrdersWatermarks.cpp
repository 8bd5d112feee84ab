#include "orders/OrdersWatermarks.h"

#include "orders/OrderPaths.h"
#include "orders/OrdersFile.h"
#include "orders/OrdersOutcome.h"
#include "platform/UuidText.h"
#include "platform/files/Bookmark.h"
#include "platform/files/NativeName.h"
#include "platform/files/PathKey.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/ImageIO.h"

#include <QFutureWatcher>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace quavel {

namespace {

// The watermarks' files as a check found them: per id, the path resolved (none: not found) and the
// red line of its row (none: the file reads).
struct Checked
{
    QStringList ids;
    QList<std::optional<QString>> urls;
    QList<std::optional<QString>> problems;
};

struct Prefetched
{
    QStringList ids;
    QList<std::optional<QString>> urls;
    // A new bookmark for an entry whose stored one is stale (and could be renewed).
    QList<std::optional<QByteArray>> fresh;
};

} // namespace

OrdersWatermarks::OrdersWatermarks(Resolve resolve, QObject* parent)
    : QObject(parent)
    , m_resolve(std::move(resolve))
    , m_resolvePool(new QThreadPool(this))
{
    m_resolvePool->setMaxThreadCount(1);
    m_resolvePool->setThreadPriority(QThread::LowPriority);
}

OrdersWatermarks::~OrdersWatermarks()
{
    m_resolvePool->waitForDone();
}

void OrdersWatermarks::restore(const OrdersFile& file)
{
    if (file.watermarks && !file.watermarks->isEmpty()) {
        m_list = *file.watermarks;
        const auto listed = std::find_if(m_list.cbegin(), m_list.cend(),
            [&](const OrderWatermark& w) { return w.id == file.selectedWatermarkID; });
        m_selectedID = listed != m_list.cend() ? listed->id : m_list.first().id;
    } else if (file.watermarkBookmark) {
        // The single-watermark form of older files; the list reaches the file with the next save.
        const OrderWatermark migrated { uuidText(QUuid::createUuid()),
            file.watermarkName.value_or(QStringLiteral("Filigrane")), *file.watermarkBookmark };
        m_list = { migrated };
        m_selectedID = migrated.id;
    }
}

void OrdersWatermarks::store(OrdersFile& f) const
{
    const OrderWatermark* mirrored = nullptr;
    for (const OrderWatermark& w : m_list)
        if (w.id == m_selectedID) {
            mirrored = &w;
            break;
        }
    if (!mirrored && !m_list.isEmpty())
        mirrored = &m_list.first();
    if (mirrored) {
        f.watermarkBookmark = mirrored->bookmark;
        f.watermarkName = mirrored->name;
    }
    f.watermarks = m_list;
    f.selectedWatermarkID = m_selectedID;
}

OrdersWatermarks::Added OrdersWatermarks::add(const QString& imagePath)
{
    const QString key = PathKey::of(imagePath);
    for (const OrderWatermark& w : std::as_const(m_list)) {
        const auto cached = m_urls.constFind(w.id);
        if (cached != m_urls.cend() && PathKey::of(*cached) == key) {
            setSelectedID(w.id);
            return Added::selected;
        }
    }
    const auto bookmark = Bookmark::create(imagePath);
    if (!bookmark)
        return Added::failed;
    const OrderWatermark entry { uuidText(QUuid::createUuid()), OrderPaths::displayedName(imagePath),
        *bookmark };
    m_list.append(entry);
    emit listChanged();
    m_urls.insert(entry.id, imagePath);
    emit urlsChanged();
    setSelectedID(entry.id);
    return Added::added;
}

bool OrdersWatermarks::select(const QString& id)
{
    for (const OrderWatermark& w : std::as_const(m_list))
        if (w.id == id) {
            setSelectedID(id);
            return true;
        }
    return false;
}

void OrdersWatermarks::remove(const QString& id)
{
    QList<OrderWatermark> kept = m_list;
    kept.removeIf([&](const OrderWatermark& w) { return w.id == id; });
    setList(kept);
    if (m_urls.remove(id))
        emit urlsChanged();
    setProblem(id, std::nullopt);
    if (m_selectedID == id)
        setSelectedID(m_list.isEmpty() ? std::nullopt : std::optional(m_list.first().id));
}

void OrdersWatermarks::setList(const QList<OrderWatermark>& list)
{
    if (m_list == list)
        return;
    m_list = list;
    emit listChanged();
}

void OrdersWatermarks::setSelectedID(const std::optional<QString>& id)
{
    if (m_selectedID == id)
        return;
    m_selectedID = id;
    emit selectedIDChanged();
}

std::optional<QString> OrdersWatermarks::resolveChosen()
{
    std::optional<QString> id = m_selectedID;
    if (!id) {
        if (m_list.isEmpty())
            return std::nullopt;
        id = m_list.first().id;
    }
    const auto cached = m_urls.constFind(*id);
    if (cached != m_urls.cend())
        return *cached;
    return resolveAndCache(*id);
}

std::optional<QString> OrdersWatermarks::resolveAndCache(const QString& id)
{
    const auto entry
        = std::find_if(m_list.cbegin(), m_list.cend(), [&](const OrderWatermark& w) { return w.id == id; });
    if (entry == m_list.cend())
        return std::nullopt;
    // The renewed bookmark is written later: to the entry that still has this id then, if any (the list
    // may have changed meanwhile, and a position would name another entry or none).
    const auto url = m_resolve(entry->bookmark, [this, id](const QByteArray& fresh) {
        for (OrderWatermark& w : m_list)
            if (w.id == id) {
                w.bookmark = fresh;
                emit listChanged();
                return;
            }
    });
    if (!url)
        return std::nullopt;
    m_urls.insert(id, *url);
    emit urlsChanged();
    return url;
}

void OrdersWatermarks::prefetchURLs()
{
    QStringList ids;
    QList<QByteArray> bookmarks;
    for (const OrderWatermark& w : std::as_const(m_list)) {
        ids.append(w.id);
        bookmarks.append(w.bookmark);
    }
    if (ids.isEmpty())
        return;
    // One at a time, in list order, away from the GUI thread; results are applied all together.
    auto* watcher = new QFutureWatcher<Prefetched>(this);
    connect(watcher, &QFutureWatcher<Prefetched>::finished, this, [this, watcher] {
        const Prefetched result = watcher->result();
        watcher->deleteLater();
        applyPrefetched(result.urls, result.fresh, result.ids);
    });
    watcher->setFuture(QtConcurrent::run(m_resolvePool, [ids, bookmarks] {
        Prefetched out;
        out.ids = ids;
        for (const QByteArray& data : bookmarks) {
            std::optional<QString> url;
            std::optional<QByteArray> fresh;
            if (const auto resolved = Bookmark::resolve(data)) {
                url = resolved->path;
                if (resolved->isStale)
                    fresh = Bookmark::create(resolved->path);
            }
            out.urls.append(url);
            out.fresh.append(fresh);
        }
        return out;
    }));
}

void OrdersWatermarks::applyPrefetched(const QList<std::optional<QString>>& urls,
    const QList<std::optional<QByteArray>>& fresh, const QStringList& ids)
{
    bool cached = false;
    for (qsizetype i = 0; i < ids.size(); ++i)
        if (urls[i]) {
            emit accessed(*urls[i]);
            m_urls.insert(ids[i], *urls[i]);
            cached = true;
        }
    if (cached)
        emit urlsChanged();
    bool renewed = false;
    bool anyFresh = false;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (!fresh[i])
            continue;
        anyFresh = true;
        // An entry removed meanwhile is skipped.
        for (OrderWatermark& w : m_list)
            if (w.id == ids[i]) {
                w.bookmark = *fresh[i];
                renewed = true;
                break;
            }
    }
    if (renewed)
        emit listChanged();
    if (anyFresh)
        emit bookmarksRenewed();
}

std::optional<QString> OrdersWatermarks::chosenID() const
{
    if (m_selectedID)
        return m_selectedID;
    if (m_list.isEmpty())
        return std::nullopt;
    return m_list.first().id;
}

QString OrdersWatermarks::name(const QString& id) const
{
    for (const OrderWatermark& w : m_list)
        if (w.id == id)
            return w.name;
    return {};
}

QString OrdersWatermarks::shownFileName(const QString& path)
{
    return NativeName::displayed(path.mid(path.lastIndexOf(u'/') + 1));
}

std::optional<QString> OrdersWatermarks::fileProblem(const QString& path)
{
    const RegularFile file(path);
    if (file.isOpen())
        return std::nullopt;
    return file.error() == ENOENT || file.error() == ENOTDIR ? OrdersOutcome::watermarkMissing()
                                                             : OrdersOutcome::watermarkUnreadable();
}

void OrdersWatermarks::setProblem(const QString& id, const std::optional<QString>& problem)
{
    if (problem) {
        const auto it = m_problems.constFind(id);
        if (it != m_problems.cend() && *it == *problem)
            return;
        m_problems.insert(id, *problem);
    } else if (!m_problems.remove(id)) {
        return;
    }
    emit problemsChanged();
}

void OrdersWatermarks::check()
{
    if (m_list.isEmpty())
        return;
    // Asked again while a check runs (the file put back meanwhile): once more when it ends.
    if (m_checking) {
        m_recheck = true;
        return;
    }
    Checked in;
    QList<std::optional<QByteArray>> bookmarks;
    for (const OrderWatermark& w : std::as_const(m_list)) {
        in.ids.append(w.id);
        const auto cached = m_urls.constFind(w.id);
        in.urls.append(cached != m_urls.cend() ? std::optional<QString>(*cached) : std::nullopt);
        bookmarks.append(w.bookmark);
    }
    // Away from the GUI thread, as the bookmarks at start-up: a file on a slow or dead disk does not
    // hold the window. The header is read, so that a file found but not an image shows as unreadable.
    m_checking = true;
    auto* watcher = new QFutureWatcher<Checked>(this);
    connect(watcher, &QFutureWatcher<Checked>::finished, this, [this, watcher] {
        const Checked result = watcher->result();
        watcher->deleteLater();
        m_checking = false;
        bool cached = false;
        for (qsizetype i = 0; i < result.ids.size(); ++i) {
            // An entry removed meanwhile is skipped.
            if (std::none_of(m_list.cbegin(), m_list.cend(),
                    [&](const OrderWatermark& w) { return w.id == result.ids[i]; }))
                continue;
            if (result.urls[i] && !m_urls.contains(result.ids[i])) {
                emit accessed(*result.urls[i]);
                m_urls.insert(result.ids[i], *result.urls[i]);
                cached = true;
            }
            setProblem(result.ids[i], result.problems[i]);
        }
        if (cached)
            emit urlsChanged();
        if (std::exchange(m_recheck, false))
            check();
    });
    watcher->setFuture(QtConcurrent::run(m_resolvePool, [in, bookmarks] {
        Checked out = in;
        for (qsizetype i = 0; i < out.ids.size(); ++i) {
            std::optional<QString>& url = out.urls[i];
            // A file no longer at the path it was found at may be where its bookmark now leads.
            if ((!url || fileProblem(*url)) && bookmarks[i])
                if (const auto resolved = Bookmark::resolve(*bookmarks[i]))
                    url = resolved->path;
            std::optional<QString> problem = url ? fileProblem(*url) : OrdersOutcome::watermarkMissing();
            if (!problem && !ImageIO::orientedPixelSize(*url))
                problem = OrdersOutcome::watermarkUnreadable();
            out.problems.append(problem);
        }
        return out;
    }));
}

} // namespace quavel
