// An order of 5,000 photos scrolled from end to end in each layout while their thumbnails arrive from
// the thumbnail worker: no frame keeps the GUI thread busy longer than 50 ms, and only the cells on
// screen (and a margin) exist. The machine is shared with builds, so a frame is measured by the GUI
// thread's own processor time (what it spent on the frame, not the time others took from it); its
// wall-clock time is printed beside.
#include "common/TestSupport.h"
#include "orders_views/OrdersViewFixture.h"

#include "orders/views/OrderSectionBlock.h"
#include "photo/ThumbnailCache.h"

#include <QElapsedTimer>

#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <time.h>

using namespace quavel;
using namespace quavel::test;

namespace {

constexpr int kPhotos = 5000;
constexpr qint64 kFrameBudgetMs = 50;
// The budget is the application's build's on a machine free for it (test::timeBoundsApply): under the
// sanitizers a frame costs several times as much, and that run is there for memory faults while the
// cells come and go, not for speed.

constexpr int kFramesPerLayout = 160;

// Processor time of the calling thread, in milliseconds.
double threadMs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Frames
{
    double worst = 0; // processor time
    int worstFrame = -1;
    qint64 worstWall = 0;
    int count = 0;
    QList<qint64> wall;
};

// Scrolls the bar from its start to its end in kFramesPerLayout steps, one frame per step: the scroll,
// the events it and the arriving thumbnails bring, and a repaint of what scrolls. Every few frames the
// scrolling rests a moment (unmeasured), long enough for the cells in view to ask for their
// thumbnails, which then arrive during the frames that follow.
Frames scroll(QWidget& viewport, QScrollBar& bar)
{
    Frames frames;
    const int step = std::max(1, (bar.maximum() - bar.minimum()) / kFramesPerLayout);
    // One step there and back first, unmeasured: the margin's cells are made once, as the gallery
    // first shows, not by scrolling.
    bar.setValue(bar.minimum() + step);
    QApplication::processEvents();
    bar.setValue(bar.minimum());
    QApplication::processEvents();
    for (int value = bar.minimum(); value <= bar.maximum() + step; value += step) {
        if (frames.count % 12 == 11) {
            QElapsedTimer rest;
            rest.start();
            while (rest.elapsed() < OrderCellLayer::scrollSettleMs + 10)
                QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        QElapsedTimer timer;
        timer.start();
        const double start = threadMs();
        bar.setValue(std::min(value, bar.maximum()));
        QApplication::processEvents();
        viewport.repaint();
        const double spent = threadMs() - start;
        if (spent > frames.worst) {
            frames.worst = spent;
            frames.worstFrame = frames.count;
        }
        frames.worstWall = std::max(frames.worstWall, timer.elapsed());
        frames.wall.append(timer.elapsed());
        ++frames.count;
    }
    return frames;
}

// While thumbnails keep arriving, the longest turn of the event loop (processor time).
double longestTurn(int forMs)
{
    QElapsedTimer clock;
    clock.start();
    double worst = 0;
    while (clock.elapsed() < forMs) {
        const double start = threadMs();
        QApplication::processEvents();
        worst = std::max(worst, threadMs() - start);
    }
    return worst;
}

TEST(OrdersScroll, FiveThousandPhotosScrollSmoothlyInEveryLayout)
{
    OrdersViewFixture f;
    // One small JPEG written 5,000 times, numbered with a jump every 25 photos (marks in the strip).
    const QByteArray bytes = jpeg(QSize(96, 64), QColor(120, 90, 60));
    QDir().mkpath(f.path(QStringLiteral("Grand Prix/IMPRESSION A5")));
    for (int i = 0; i < kPhotos; ++i) {
        QFile file(
            f.path(QStringLiteral("Grand Prix/IMPRESSION A5/IMG_%1.JPG").arg(10000 + i + (i / 25) * 10)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    for (OrdersGalleryLayout layout :
        { OrdersGalleryLayout::grid, OrdersGalleryLayout::list, OrdersGalleryLayout::sections }) {
        SCOPED_TRACE(OrdersGalleryLayouts::rawValue(layout).toStdString());
        MediaThumbnailer::cache().clear();
        f.defaults.setString(QStringLiteral("ordersGalleryLayout"), OrdersGalleryLayouts::rawValue(layout));
        f.openOn(QStringLiteral("Grand Prix"));
        OrdersView& view = f.show(QSize(1280, 800));
        ASSERT_EQ(view.screen().allFiles().size(), kPhotos);

        QScrollBar* bar = nullptr;
        QWidget* viewport = nullptr;
        OrderCellLayer* layer = nullptr;
        if (layout == OrdersGalleryLayout::sections) {
            ASSERT_EQ(f.gallery().sectionBlocks().size(), 1);
            OrderSectionBlock* block = f.gallery().sectionBlocks().first();
            layer = block->layer();
            bar = block->strip()->horizontalScrollBar();
            viewport = block->strip()->viewport();
            EXPECT_EQ(layer->items().size(), kPhotos + kPhotos / 25 - 1) << "a mark after every 25 photos";
        } else {
            layer = f.gallery().layer();
            bar = view.detail()->galleryScroll()->verticalScrollBar();
            viewport = view.detail()->galleryScroll()->viewport();
        }
        ASSERT_TRUE(layer && bar);
        ASSERT_GT(bar->maximum(), 100000);
        const Frames frames = scroll(*viewport, *bar);
        EXPECT_GE(frames.count, kFramesPerLayout);
        if (timeBoundsApply()) {
            EXPECT_LE(frames.worst, kFrameBudgetMs);
        }
        EXPECT_LT(layer->cellCount(), 120) << "cells are made for what is on screen only";
        // Thumbnails were made along the way (at the rests), not only for the last screen; how many
        // depends on how fast the worker runs on this machine.
        EXPECT_GT(MediaThumbnailer::cache().count(), layer->cellCount());
        bar->setValue(bar->minimum());
        const double turn = longestTurn(300);
        if (timeBoundsApply()) {
            EXPECT_LE(turn, kFrameBudgetMs);
        }
        ASSERT_TRUE(f.waitForThumbnails(20000));
        for (OrderMediaCell* cell : layer->boundCells())
            EXPECT_FALSE(cell->image().isNull());
        QList<qint64> sorted = frames.wall;
        std::sort(sorted.begin(), sorted.end());
        std::printf("%s: %d frames, worst %.1f ms of the GUI thread (frame %d); wall clock median %lld ms, "
                    "worst %lld ms; "
                    "%d cells\n",
            qPrintable(OrdersGalleryLayouts::rawValue(layout)), frames.count, frames.worst, frames.worstFrame,
            sorted[sorted.size() / 2], frames.worstWall, layer->cellCount());
    }
}

} // namespace
