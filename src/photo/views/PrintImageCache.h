#pragma once

#include <QFuture>
#include <QImage>
#include <QList>
#include <QString>
#include <QThreadPool>

#include <functional>

namespace quavel {

// The decoded photos of one print run: at most three alive at once (a run of a hundred 24-megapixel
// photos would otherwise hold gigabytes), the least recently used dropped first. The job asks for the
// next page ahead, so it decodes while the current page is written; the preview may go back and then
// decodes again. Used from one thread at a time (the panel's preview on the GUI thread, then the run's
// print worker); decoding runs on one worker of the cache's own.
class PrintImageCache
{
public:
    // Decodes a photo upright, its long side at most maxPixel (never enlarged); a null image when it
    // cannot. Called on the cache's worker.
    using Loader = std::function<QImage(const QString& path, int maxPixel)>;

    static constexpr int kCapacity = 3;

    explicit PrintImageCache(Loader loader);
    ~PrintImageCache();
    PrintImageCache(const PrintImageCache&) = delete;
    PrintImageCache& operator=(const PrintImageCache&) = delete;

    // The photo of a page at a bound, decoding it when it is not held (and waiting for it).
    QImage image(int page, const QString& path, int maxPixel);
    // Starts decoding a page's photo at a bound when it is not held.
    void prefetch(int page, const QString& path, int maxPixel);

    // Decoded or decoding photos held now (never more than kCapacity).
    int held() const { return int(m_entries.size()); }
    // How many decodes were started.
    int decodes() const { return m_decodes; }

private:
    struct Entry
    {
        int page;
        int maxPixel;
        QFuture<QImage> future;
    };
    qsizetype find(int page, int maxPixel) const;
    void start(int page, const QString& path, int maxPixel);

    Loader m_loader;
    QThreadPool m_pool;
    QList<Entry> m_entries; // least recently used first
    int m_decodes = 0;
};

} // namespace quavel
