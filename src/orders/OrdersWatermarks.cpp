// The watermark list: adding, selecting and removing images, finding the one to draw, and resolving
// their bookmarks (all at start-up on a low-priority thread, else on demand on the GUI thread).
#include "orders/OrdersStore.h"

#include "orders/OrderPaths.h"
#include "orders/OrdersOutcome.h"
#include "platform/UuidText.h"
#include "platform/files/Bookmark.h"
#include "platform/files/NativeName.h"
#include "platform/files/PathKey.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/ImageIO.h"

#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace quavel {

namespace {

const QString cannotRememberWatermark = QStringLiteral("Impossible d’enregistrer l’accès à ce filigrane.");

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

void OrdersStore::addWatermark(QString imagePath)
{
    retainAccess(imagePath);
    const QString key = PathKey::of(imagePath);
    for (const OrderWatermark& w : std::as_const(m_watermarks)) {
        const auto cached = m_watermarkURLs.constFind(w.id);
        if (cached != m_watermarkURLs.cend() && PathKey::of(*cached) == key) {
            setSelectedWatermarkID(w.id);
            persist();
            return;
        }
    }
    const auto bookmark = Bookmark::create(imagePath);
    if (!bookmark) {
        setErrorMessage(cannotRememberWatermark);
        return;
    }
    const OrderWatermark entry { uuidText(QUuid::createUuid()), OrderPaths::displayedName(imagePath),
        *bookmark };
    m_watermarks.append(entry);
    emit watermarksChanged();
    m_watermarkURLs.insert(entry.id, imagePath);
    emit watermarkURLsChanged();
    setSelectedWatermarkID(entry.id);
    // Only the message of a failed addition goes: what a batch, an undo or a print said stays.
    if (m_outcome == cannotRememberWatermark)
        setErrorMessage(std::nullopt);
    persist();
}

void OrdersStore::selectWatermark(QString id)
{
    for (const OrderWatermark& w : std::as_const(m_watermarks))
        if (w.id == id) {
            setSelectedWatermarkID(id);
            persist();
            return;
        }
}

void OrdersStore::removeWatermark(QString id)
{
    QList<OrderWatermark> kept = m_watermarks;
    kept.removeIf([&](const OrderWatermark& w) { return w.id == id; });
    setWatermarks(kept);
    if (m_watermarkURLs.remove(id))
        emit watermarkURLsChanged();
    setWatermarkProblem(id, std::nullopt);
    if (m_selectedWatermarkID == id)
        setSelectedWatermarkID(
            m_watermarks.isEmpty() ? std::nullopt : std::optional(m_watermarks.first().id));
    persist();
}

std::optional<QString> OrdersStore::resolveWatermark()
{
    std::optional<QString> id = m_selectedWatermarkID;
    if (!id) {
        if (m_watermarks.isEmpty())
            return std::nullopt;
        id = m_watermarks.first().id;
    }
    const auto cached = m_watermarkURLs.constFind(*id);
    if (cached != m_watermarkURLs.cend())
        return *cached;
    return resolveAndCache(*id);
}

std::optional<QString> OrdersStore::resolveAndCache(const QString& id)
{
    const auto entry = std::find_if(
        m_watermarks.cbegin(), m_watermarks.cend(), [&](const OrderWatermark& w) { return w.id == id; });
    if (entry == m_watermarks.cend())
        return std::nullopt;
    // The renewed bookmark is written later: to the entry that still has this id then, if any (the list
    // may have changed meanwhile, and a position would name another entry or none).
    const auto url = resolve(entry->bookmark, [this, id](const QByteArray& fresh) {
        for (OrderWatermark& w : m_watermarks)
            if (w.id == id) {
                w.bookmark = fresh;
                emit watermarksChanged();
                return;
            }
    });
    if (!url)
        return std::nullopt;
    m_watermarkURLs.insert(id, *url);
    emit watermarkURLsChanged();
    return url;
}

void OrdersStore::prefetchWatermarkURLs()
{
    QStringList ids;
    QList<QByteArray> bookmarks;
    for (const OrderWatermark& w : std::as_const(m_watermarks)) {
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

void OrdersStore::applyPrefetched(const QList<std::optional<QString>>& urls,
    const QList<std::optional<QByteArray>>& fresh, const QStringList& ids)
{
    bool cached = false;
    for (qsizetype i = 0; i < ids.size(); ++i)
        if (urls[i]) {
            retainAccess(*urls[i]);
            m_watermarkURLs.insert(ids[i], *urls[i]);
            cached = true;
        }
    if (cached)
        emit watermarkURLsChanged();
    bool renewed = false;
    bool anyFresh = false;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (!fresh[i])
            continue;
        anyFresh = true;
        // An entry removed meanwhile is skipped.
        for (OrderWatermark& w : m_watermarks)
            if (w.id == ids[i]) {
                w.bookmark = *fresh[i];
                renewed = true;
                break;
            }
    }
    if (renewed)
        emit watermarksChanged();
    if (anyFresh)
        persist();
}

std::optional<QString> OrdersStore::chosenWatermarkID() const
{
    if (m_selectedWatermarkID)
        return m_selectedWatermarkID;
    if (m_watermarks.isEmpty())
        return std::nullopt;
    return m_watermarks.first().id;
}

QString OrdersStore::watermarkName(const QString& id) const
{
    for (const OrderWatermark& w : m_watermarks)
        if (w.id == id)
            return w.name;
    return {};
}

QString OrdersStore::shownFileName(const QString& path)
{
    return NativeName::displayed(path.mid(path.lastIndexOf(u'/') + 1));
}

std::optional<QString> OrdersStore::watermarkFileProblem(const QString& path)
{
    const RegularFile file(path);
    if (file.isOpen())
        return std::nullopt;
    return file.error() == ENOENT || file.error() == ENOTDIR ? OrdersOutcome::watermarkMissing()
                                                             : OrdersOutcome::watermarkUnreadable();
}

void OrdersStore::setWatermarkProblem(const QString& id, const std::optional<QString>& problem)
{
    if (problem) {
        const auto it = m_watermarkProblems.constFind(id);
        if (it != m_watermarkProblems.cend() && *it == *problem)
            return;
        m_watermarkProblems.insert(id, *problem);
    } else if (!m_watermarkProblems.remove(id)) {
        return;
    }
    emit watermarkProblemsChanged();
}

void OrdersStore::checkWatermarks()
{
    if (m_watermarks.isEmpty())
        return;
    // Asked again while a check runs (the file put back meanwhile): once more when it ends.
    if (m_checkingWatermarks) {
        m_recheckWatermarks = true;
        return;
    }
    Checked in;
    QList<std::optional<QByteArray>> bookmarks;
    for (const OrderWatermark& w : std::as_const(m_watermarks)) {
        in.ids.append(w.id);
        const auto cached = m_watermarkURLs.constFind(w.id);
        in.urls.append(cached != m_watermarkURLs.cend() ? std::optional<QString>(*cached) : std::nullopt);
        bookmarks.append(w.bookmark);
    }
    // Away from the GUI thread, as the bookmarks at start-up: a file on a slow or dead disk does not
    // hold the window. The header is read, so that a file found but not an image shows as unreadable.
    m_checkingWatermarks = true;
    auto* watcher = new QFutureWatcher<Checked>(this);
    connect(watcher, &QFutureWatcher<Checked>::finished, this, [this, watcher] {
        const Checked result = watcher->result();
        watcher->deleteLater();
        m_checkingWatermarks = false;
        bool cached = false;
        for (qsizetype i = 0; i < result.ids.size(); ++i) {
            // An entry removed meanwhile is skipped.
            if (std::none_of(m_watermarks.cbegin(), m_watermarks.cend(),
                    [&](const OrderWatermark& w) { return w.id == result.ids[i]; }))
                continue;
            if (result.urls[i] && !m_watermarkURLs.contains(result.ids[i])) {
                retainAccess(*result.urls[i]);
                m_watermarkURLs.insert(result.ids[i], *result.urls[i]);
                cached = true;
            }
            setWatermarkProblem(result.ids[i], result.problems[i]);
        }
        if (cached)
            emit watermarkURLsChanged();
        if (std::exchange(m_recheckWatermarks, false))
            checkWatermarks();
    });
    watcher->setFuture(QtConcurrent::run(m_resolvePool, [in, bookmarks] {
        Checked out = in;
        for (qsizetype i = 0; i < out.ids.size(); ++i) {
            std::optional<QString>& url = out.urls[i];
            // A file no longer at the path it was found at may be where its bookmark now leads.
            if ((!url || watermarkFileProblem(*url)) && bookmarks[i])
                if (const auto resolved = Bookmark::resolve(*bookmarks[i]))
                    url = resolved->path;
            std::optional<QString> problem
                = url ? watermarkFileProblem(*url) : OrdersOutcome::watermarkMissing();
            if (!problem && !ImageIO::orientedPixelSize(*url))
                problem = OrdersOutcome::watermarkUnreadable();
            out.problems.append(problem);
        }
        return out;
    }));
}

} // namespace quavel
