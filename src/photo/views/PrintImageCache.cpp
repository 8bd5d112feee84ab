#include "photo/views/PrintImageCache.h"

#include <QtConcurrent/QtConcurrentRun>

namespace quavel {

PrintImageCache::PrintImageCache(Loader loader)
    : m_loader(std::move(loader))
{
    m_pool.setMaxThreadCount(1);
}

namespace {

// Waits for a decode whose image nobody will ask for any more: its failure, if any, is nobody's.
// (QFuture::waitForFinished throws what the decode threw.)
void settle(QFuture<QImage>& decode)
{
    try {
        decode.waitForFinished();
    } catch (...) { }
}

} // namespace

PrintImageCache::~PrintImageCache()
{
    for (Entry& e : m_entries)
        settle(e.future);
}

qsizetype PrintImageCache::find(int page, int maxPixel) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].page == page && m_entries[i].maxPixel == maxPixel)
            return i;
    return -1;
}

void PrintImageCache::start(int page, const QString& path, int maxPixel)
{
    // Make room first, so that the decode about to start is within the bound. A dropped decode that
    // is still running is waited for: its image would otherwise stay alive until it ends.
    while (m_entries.size() >= kCapacity) {
        settle(m_entries.first().future);
        m_entries.removeFirst();
    }
    ++m_decodes;
    m_entries.append({ page, maxPixel, QtConcurrent::run(&m_pool, m_loader, path, maxPixel) });
}

QImage PrintImageCache::image(int page, const QString& path, int maxPixel)
{
    qsizetype i = find(page, maxPixel);
    if (i < 0) {
        start(page, path, maxPixel);
        i = m_entries.size() - 1;
    } else {
        m_entries.move(i, m_entries.size() - 1);
        i = m_entries.size() - 1;
    }
    return m_entries[i].future.result();
}

void PrintImageCache::prefetch(int page, const QString& path, int maxPixel)
{
    if (find(page, maxPixel) < 0)
        start(page, path, maxPixel);
}

} // namespace quavel
