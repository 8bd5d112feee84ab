#include "orders/views/OrdersGallery.h"

#include "orders/OrderGalleryItem.h"
#include "orders/OrdersScreen.h"
#include "orders/OrdersScreenText.h"
#include "orders/OrdersStore.h"
#include "orders/views/OrderBatchRow.h"
#include "orders/views/OrderCellLayer.h"
#include "orders/views/OrderFileActions.h"
#include "orders/views/OrderSectionBlock.h"
#include "photo/originals/PhotoOriginals.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QMenu>
#include <QVBoxLayout>

namespace quavel {

OrdersGallery::OrdersGallery(OrdersStore& store, OrdersScreen& screen, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_screen(screen)
{
    setObjectName(QStringLiteral("ordersGallery"));
    m_stack = new QVBoxLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->setSpacing(28);
    rebuild();
}

QList<OrderCellLayer*> OrdersGallery::layers() const
{
    QList<OrderCellLayer*> all;
    for (OrderSectionBlock* block : m_blocks)
        all.append(block->layer());
    if (m_layer)
        all.append(m_layer);
    return all;
}

OrderMediaCell* OrdersGallery::cellFor(const QString& path) const
{
    for (OrderCellLayer* layer : layers())
        if (OrderMediaCell* cell = layer->cellFor(path))
            return cell;
    return nullptr;
}

OrderMediaCell::State OrdersGallery::stateFor(const OrderMedia& file) const
{
    const OrdersStore& store = m_store;
    OrderMediaCell::State s;
    s.item = file;
    s.isSelected = m_screen.isSelected(file.url);
    s.isDelivered = store.isDelivered(file.url);
    s.canUndo = PhotoOriginals::hasBackup(file.url);
    s.canRetouch = m_screen.canRetouch();
    s.refreshToken = store.fileRevision(file.url);
    return s;
}

void OrdersGallery::prepare(OrderMediaCell& cell)
{
    // Each action acts on the file the cell shows when it runs: cells are recycled.
    OrderMediaCell* c = &cell;
    OrdersScreen* screen = &m_screen;
    connect(c, &OrderMediaCell::selectRequested, this,
        [screen, c](ClickModifiers m) { screen->pointerClick(c->state().item, m); });
    connect(c, &OrderMediaCell::doubleClicked, this, [screen, c] { screen->doubleClick(c->state().item); });
    connect(c, &OrderMediaCell::cropRequested, this, [screen, c] { screen->openCrop(c->state().item); });
    connect(c, &OrderMediaCell::retouchRequested, this,
        [screen, c] { OrderFileActions::retouch(*screen, c->state().item); });
    connect(c, &OrderMediaCell::watermarkRequested, this,
        [screen, c] { screen->applyWatermark({ c->state().item.url }); });
    connect(c, &OrderMediaCell::undoRequested, this, [screen, c] { screen->undoEdits(c->state().item.url); });
    connect(c, &OrderMediaCell::contextMenuRequested, this, [screen, c](const QPoint& at) {
        QMenu* menu = OrderFileActions::fileMenu(*screen, c->state().item, c);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(at);
    });
}

OrderCellLayer::StateFor OrdersGallery::cellState()
{
    return [this](const OrderMedia& m) { return stateFor(m); };
}

OrderCellLayer::Prepare OrdersGallery::cellPreparation()
{
    return [this](OrderMediaCell& cell) { prepare(cell); };
}

void OrdersGallery::clear()
{
    for (OrderSectionBlock* block : std::as_const(m_blocks))
        delete block;
    m_blocks.clear();
    delete m_folderActions;
    m_folderActions = nullptr;
    delete m_layer;
    m_layer = nullptr;
    delete m_empty;
    m_empty = nullptr;
}

void OrdersGallery::rebuild()
{
    const OrdersGalleryLayout layout = m_screen.galleryLayout();
    const QList<OrderSection>& sections = m_store.sections();
    if (layout != m_layout)
        clear();
    m_layout = layout;

    if (layout == OrdersGalleryLayout::sections) {
        // Blocks follow the sections by identity: a re-listing keeps their strips and scroll positions.
        QHash<QString, OrderSectionBlock*> old;
        for (OrderSectionBlock* block : std::as_const(m_blocks))
            old.insert(block->section().id(), block);
        QList<OrderSectionBlock*> blocks;
        for (const OrderSection& section : sections) {
            OrderSectionBlock* block = old.take(section.id());
            if (block)
                block->setSection(section);
            else
                block
                    = new OrderSectionBlock(m_store, m_screen, cellState(), cellPreparation(), section, this);
            blocks.append(block);
        }
        qDeleteAll(old);
        m_blocks = blocks;
        for (int i = 0; i < m_blocks.size(); ++i) {
            m_stack->removeWidget(m_blocks[i]);
            m_stack->insertWidget(i, m_blocks[i]);
        }
        return;
    }

    const QList<OrderMedia>& files = m_screen.allFiles();
    if (!m_folderActions) {
        m_folderActions = new OrderBatchRow(m_store, m_screen, OrderBatchRow::Scope::folder, this);
        m_stack->addWidget(m_folderActions);
        m_empty = new ToneLabel(
            OrdersScreenText::noMedia(), Tone::secondary, Fonts::font(Fonts::Style::callout), this);
        m_empty->setObjectName(QStringLiteral("galleryEmpty"));
        m_empty->setContentsMargins(0, 24, 0, 24);
        m_stack->addWidget(m_empty);
        m_layer = new OrderCellLayer(
            layout == OrdersGalleryLayout::list ? OrderCellLayer::Flow::list : OrderCellLayer::Flow::grid,
            cellState(), cellPreparation(), this);
        m_layer->setAutoFillBackground(false);
        m_stack->addWidget(m_layer);
    }
    m_folderActions->setFiles(files);
    m_empty->setVisible(files.isEmpty());
    m_layer->setVisible(!files.isEmpty());
    QList<OrderGalleryItem> items;
    items.reserve(files.size());
    for (const OrderMedia& m : files)
        items.append({ OrderGalleryItem::Kind::media, m, {} });
    m_layer->setItems(items);
}

void OrdersGallery::refresh()
{
    for (OrderSectionBlock* block : std::as_const(m_blocks))
        block->header()->refresh();
    if (m_folderActions)
        m_folderActions->refresh();
    for (OrderCellLayer* layer : layers())
        layer->refresh();
}

} // namespace quavel
