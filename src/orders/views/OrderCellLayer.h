#pragma once

#include "orders/OrderGalleryItem.h"
#include "orders/views/OrderMediaCell.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace quavel {

// A gallery of media cells laid out without a widget per file: the layer is as large as all its cells
// together, but only the cells that lie in the part of it on screen (and a margin around it) exist, as
// recycled OrderMediaCell widgets placed where their files fall. Scrolling any scroll area the layer
// lies in, resizing it or changing its items moves, rebinds or recycles cells; nothing is measured or
// laid out for the others, so a gallery of thousands of files costs what its visible cells cost.
//
// Three flows: a vertical list of rows, an adaptive grid of cards (columns of 240 to 280, spacing 14
// across and 16 down), and a horizontal strip of cards with the number-jump marks between them
// (painted by the layer: they are no cells). GUI thread only.
class OrderCellLayer : public QWidget
{
    Q_OBJECT

public:
    enum class Flow { list, grid, strip };

    // The state a file's cell shows, asked at each binding.
    using StateFor = std::function<OrderMediaCell::State(const OrderMedia&)>;
    // Called once for each cell made, to connect its signals.
    using Prepare = std::function<void(OrderMediaCell&)>;

    static constexpr int listSpacing = 8;
    static constexpr int gridMinimum = 240;
    static constexpr int gridMaximum = 280;
    static constexpr int gridColumnSpacing = 14;
    static constexpr int gridRowSpacing = 16;
    static constexpr int stripSpacing = 12;
    static constexpr int stripPadding = 4;
    // The mark between two photos: a 2-point bar padded 6 on either side, 168 high.
    static constexpr int separatorWidth = 14;
    static constexpr const char* separatorHelp = "Saut de numéros";

    OrderCellLayer(Flow flow, StateFor stateFor, Prepare prepare, QWidget* parent = nullptr);
    ~OrderCellLayer() override;

    Flow flow() const { return m_flow; }
    void setItems(const QList<OrderGalleryItem>& items);
    const QList<OrderGalleryItem>& items() const { return m_items; }
    // Every bound cell shows its file's state anew (selection, delivered marks, revisions…).
    void refresh();

    // The cells that exist now, bound to a file; the cell of a file when it has one.
    QList<OrderMediaCell*> boundCells() const;
    OrderMediaCell* cellFor(const QString& path) const;
    // Cells made so far (bound or waiting in the pool).
    int cellCount() const { return int(m_cells.size()); }
    // Where an item lies in the layer.
    QRect itemRect(qsizetype index) const;
    // The part of the layer that its ancestors leave on screen.
    QRect visibleRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

    // Places the cells for what is visible now (also done after every scroll and resize).
    void updateCells();
    // While scrolling goes on, the cells that come into view wait this long after the last scroll step
    // before their thumbnails are decoded: cells that only fly by cost no decode and no worker.
    static constexpr int scrollSettleMs = 80;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Grid
    {
        int columns = 1;
        int cellWidth = OrderMediaCell::cardWidth;
    };
    Grid grid(int width) const;
    int itemHeight() const;
    // The items whose rectangles meet `area`.
    std::pair<qsizetype, qsizetype> range(const QRect& area) const;
    void watchScrollAreas();
    void placeBound();
    void scrolled();
    void requestThumbnails();
    OrderMediaCell* takeCell();
    // Unbinds the bound cells whose files keep() refuses and puts them back in the pool.
    void releaseCells(const std::function<bool(const QString& url)>& keep);

    Flow m_flow;
    StateFor m_stateFor;
    Prepare m_prepare;
    QList<OrderGalleryItem> m_items;
    // Strip only: the left edge of each item, and the total width.
    QList<int> m_stripX;
    int m_stripWidth = 0;
    QList<OrderMediaCell*> m_cells;
    QList<OrderMediaCell*> m_free;
    QHash<QString, OrderMediaCell*> m_bound;
    // The position of each file among the items.
    QHash<QString, qsizetype> m_index;
    QSet<QObject*> m_watched;
    QTimer* m_requests = nullptr;
};

} // namespace quavel
