// The batch edits of order photos, and the note that a file changed.
#include "orders/OrdersStore.h"

#include "orders/OrderPaths.h"
#include "photo/MediaThumbnailer.h"
#include "photo/ThumbnailCache.h"

namespace quavel {

void OrdersStore::noteEdited(const QString& path)
{
    // Every cached thumbnail of the file goes: the one under its current key, and older ones whose key
    // holds an earlier time and size.
    MediaThumbnailer::cache().remove(MediaThumbnailer::cacheKey(path));
    MediaThumbnailer::cache().removePath(path);
    const QString key = OrderPaths::key(path);
    m_fileRevisions[key] += 1;
    emit fileRevisionsChanged();
}

} // namespace quavel
