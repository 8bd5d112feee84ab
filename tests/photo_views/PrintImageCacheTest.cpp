// The decoded photos of a run: never more than three held, a run decodes each photo once (the next one
// ahead), and a preview that goes back decodes again.
#include "photo/views/PrintImageCache.h"
#include "photo/views/PhotoPrintView.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <atomic>

using namespace quavel;

namespace {

struct CountingLoader
{
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);

    PrintImageCache::Loader loader() const
    {
        return [calls = calls](const QString& path, int) {
            ++*calls;
            if (path.endsWith("broken"))
                return QImage();
            QImage image(40, 60, QImage::Format_RGB32);
            image.fill(Qt::darkGreen);
            return image;
        };
    }
};

TEST(PrintImageCache, HoldsThreePhotosAndDecodesAgainWhenGoingBack)
{
    CountingLoader counting;
    PrintImageCache cache(counting.loader());
    const struct
    {
        int page;
        int decodes;
    } visits[] = { { 1, 1 }, { 2, 2 }, { 3, 3 }, { 2, 3 }, { 4, 4 }, { 5, 5 }, { 1, 6 }, { 5, 6 }, { 4, 6 } };
    for (const auto& v : visits) {
        EXPECT_FALSE(cache.image(v.page, QStringLiteral("/p/%1.jpg").arg(v.page), 2000).isNull());
        EXPECT_EQ(cache.decodes(), v.decodes) << "page " << v.page;
        EXPECT_LE(cache.held(), PrintImageCache::kCapacity);
    }
    // A prefetched page is not decoded twice; an unreadable one is a null image.
    cache.prefetch(7, "/p/broken", 2000);
    EXPECT_TRUE(cache.image(7, "/p/broken", 2000).isNull());
    EXPECT_EQ(cache.decodes(), 7);
    EXPECT_EQ(cache.held(), 3);
    // The same page for a smaller picture (the preview) is another decode.
    cache.image(7, "/p/broken", 300);
    EXPECT_EQ(cache.decodes(), 8);
}

TEST(PrintImageCache, AForwardRunDecodesEachPhotoOnce)
{
    CountingLoader counting;
    QStringList photos;
    for (int i = 1; i <= 8; ++i)
        photos << QStringLiteral("/p/%1.jpg").arg(i);
    PhotoPrintView view(photos, counting.loader());
    QImage sheet(200, 300, QImage::Format_RGB32);
    QPainter painter(&sheet);
    int most = 0;
    for (int page = 1; page <= view.pageCount(); ++page) {
        const PrintPagination::Printable area { QSizeF(183, 283), QPointF(8.5, 8.5) };
        view.prepare(page + 1, area, 72);
        EXPECT_TRUE(view.drawPage(painter, page, area, 72));
        most = std::max(most, view.cache().held());
    }
    EXPECT_EQ(*counting.calls, 8);
    EXPECT_LE(most, PrintImageCache::kCapacity);
    EXPECT_FALSE(view.drawPage(painter, 9, { QSizeF(183, 283), QPointF(8.5, 8.5) }, 72));
}

} // namespace
