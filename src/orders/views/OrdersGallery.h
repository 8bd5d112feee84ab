#pragma once

#include "orders/OrdersGalleryLayout.h"
#include "orders/views/OrderCellLayer.h"
#include "orders/views/OrderMediaCell.h"

#include <QHash>
#include <QList>
#include <QWidget>

class QVBoxLayout;

namespace quavel {

class OrderBatchRow;
class OrderSectionBlock;
class OrdersScreen;
class OrdersStore;
class ToneLabel;

// The gallery of the selected order in the layout chosen: one block per section (sections), or the
// order's batch row above every file of the order as rows (list) or cards in adaptive columns (grid).
// It follows the store and the screen: new listings, the selection, delivered marks, revisions of
// edited files and the retouch state show in the cells on screen without rebuilding them.
class OrdersGallery : public QWidget
{
    Q_OBJECT

public:
    OrdersGallery(OrdersStore& store, OrdersScreen& screen, QWidget* parent = nullptr);

    OrdersGalleryLayout layout() const { return m_layout; }
    // The section blocks (sections layout) or the order's row and layer (list and grid).
    const QList<OrderSectionBlock*>& sectionBlocks() const { return m_blocks; }
    OrderBatchRow* folderActions() const { return m_folderActions; }
    OrderCellLayer* layer() const { return m_layer; }
    ToneLabel* emptyText() const { return m_empty; }
    // Every layer of the gallery, and the cell of a file when one is on screen.
    QList<OrderCellLayer*> layers() const;
    OrderMediaCell* cellFor(const QString& path) const;

    // What a file's cell shows now.
    OrderMediaCell::State stateFor(const OrderMedia& file) const;
    // Connects a new cell's actions to the screen.
    void prepare(OrderMediaCell& cell);

    // Rebuilds for the store's sections in the chosen layout.
    void rebuild();
    // Cells and batch controls show the state anew.
    void refresh();

private:
    // What every layer of the gallery asks for its cells: stateFor() and prepare() of this gallery.
    OrderCellLayer::StateFor cellState();
    OrderCellLayer::Prepare cellPreparation();
    void clear();

    OrdersStore& m_store;
    OrdersScreen& m_screen;
    OrdersGalleryLayout m_layout = OrdersGalleryLayout::sections;
    QVBoxLayout* m_stack = nullptr;
    QList<OrderSectionBlock*> m_blocks;
    OrderBatchRow* m_folderActions = nullptr;
    OrderCellLayer* m_layer = nullptr;
    ToneLabel* m_empty = nullptr;
};

} // namespace quavel
