#include "photo/ThumbnailCache.h"

#include "platform/files/NativeName.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <list>

namespace quavel {

namespace {

struct Entry
{
    QString key;
    QImage image;
    qint64 bytes = 0;
};

// The path part of a key "<path>|<time>|<size>" (a path may hold "|" itself).
QStringView pathOfKey(const QString& key)
{
    const qsizetype sizeBar = key.lastIndexOf(u'|');
    const qsizetype timeBar = sizeBar > 0 ? key.lastIndexOf(u'|', sizeBar - 1) : -1;
    return timeBar < 0 ? QStringView(key) : QStringView(key).left(timeBar);
}

} // namespace

struct ThumbnailCache::Private
{
    mutable QMutex mutex;
    // Most recently used first.
    mutable std::list<Entry> entries;
    QHash<QString, std::list<Entry>::iterator> index;
    qint64 budget = 0;
    qint64 total = 0;

    void erase(std::list<Entry>::iterator it)
    {
        total -= it->bytes;
        index.remove(it->key);
        entries.erase(it);
    }

    void evict()
    {
        while (total > budget && !entries.empty())
            erase(std::prev(entries.end()));
    }
};

ThumbnailCache::ThumbnailCache(qint64 byteBudget)
    : d(std::make_unique<Private>())
{
    d->budget = byteBudget;
}

ThumbnailCache::~ThumbnailCache() = default;

std::optional<QImage> ThumbnailCache::object(const QString& key) const
{
    QMutexLocker lock(&d->mutex);
    const auto it = d->index.constFind(key);
    if (it == d->index.cend())
        return std::nullopt;
    d->entries.splice(d->entries.begin(), d->entries, *it);
    return (*it)->image;
}

void ThumbnailCache::insert(const QString& key, const QImage& image)
{
    const qint64 bytes = qint64(image.sizeInBytes()) + qint64(key.size()) * 2;
    QMutexLocker lock(&d->mutex);
    if (const auto it = d->index.find(key); it != d->index.end())
        d->erase(*it);
    if (bytes > d->budget)
        return;
    d->entries.push_front(Entry { key, image, bytes });
    d->index.insert(key, d->entries.begin());
    d->total += bytes;
    d->evict();
}

void ThumbnailCache::remove(const QString& key)
{
    QMutexLocker lock(&d->mutex);
    if (const auto it = d->index.find(key); it != d->index.end())
        d->erase(*it);
}

int ThumbnailCache::removePath(const QString& path)
{
    const QString standardized = NativeName::absolute(path);
    const QString folder = standardized.endsWith(u'/') ? standardized : standardized + u'/';
    QMutexLocker lock(&d->mutex);
    int removed = 0;
    for (auto it = d->entries.begin(); it != d->entries.end();) {
        const QStringView entryPath = pathOfKey(it->key);
        const auto next = std::next(it);
        if (entryPath == standardized || entryPath.startsWith(folder)) {
            d->erase(it);
            ++removed;
        }
        it = next;
    }
    return removed;
}

void ThumbnailCache::clear()
{
    QMutexLocker lock(&d->mutex);
    d->entries.clear();
    d->index.clear();
    d->total = 0;
}

qint64 ThumbnailCache::byteBudget() const
{
    QMutexLocker lock(&d->mutex);
    return d->budget;
}

void ThumbnailCache::setByteBudget(qint64 bytes)
{
    QMutexLocker lock(&d->mutex);
    d->budget = bytes;
    d->evict();
}

qint64 ThumbnailCache::totalBytes() const
{
    QMutexLocker lock(&d->mutex);
    return d->total;
}

int ThumbnailCache::count() const
{
    QMutexLocker lock(&d->mutex);
    return int(d->entries.size());
}

} // namespace quavel
