#include "orders/views/OrdersDetail.h"

#include "orders/OrdersScreen.h"
#include "orders/OrdersScreenText.h"
#include "orders/OrdersStore.h"
#include "orders/views/OrderCellLayer.h"
#include "orders/views/OrderDetailHeader.h"
#include "orders/views/OrderSectionBlock.h"
#include "orders/views/OrdersEmptyState.h"
#include "orders/views/OrdersGallery.h"
#include "ui/Divider.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace quavel {

OrdersDetail::OrdersDetail(OrdersStore& store, OrdersScreen& screen, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("ordersDetail"));
    m_empty = new OrdersEmptyState(this);

    m_page = new QWidget(this);
    m_page->setObjectName(QStringLiteral("orderPage"));
    m_scroll = new QScrollArea(m_page);
    m_scroll->setObjectName(QStringLiteral("galleryScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget;
    m_content = content;
    // A header or gallery laid out anew moves the first row: the editor's share follows it.
    content->installEventFilter(this);
    content->setObjectName(QStringLiteral("galleryContent"));
    content->setAutoFillBackground(false);
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(24, 24, 24, 24);
    stack->setSpacing(28);
    m_header = new OrderDetailHeader(store, screen, content);
    stack->addWidget(m_header);
    m_emptyOrder = new ToneLabel(
        OrdersScreenText::emptyOrder(), Tone::secondary, Fonts::font(Fonts::Style::body), content);
    m_emptyOrder->setObjectName(QStringLiteral("emptyOrder"));
    m_emptyOrder->setWordWrap(true);
    stack->addWidget(m_emptyOrder);
    m_gallery = new OrdersGallery(store, screen, content);
    stack->addWidget(m_gallery);
    stack->addStretch(1);
    m_scroll->setWidget(content);
    m_divider = new Divider(Qt::Horizontal, m_page);
    m_divider->hide();

    connect(&store, &OrdersStore::rootNameChanged, this, &OrdersDetail::refresh);
    connect(&store, &OrdersStore::foldersChanged, this, &OrdersDetail::refresh);
    connect(&store, &OrdersStore::selectedFolderIDChanged, this, &OrdersDetail::refresh);
    connect(&store, &OrdersStore::sectionsChanged, this, &OrdersDetail::refresh);
    connect(&screen, &OrdersScreen::galleryLayoutChanged, this, [this] { m_gallery->rebuild(); });
    // Another order shows its gallery from the top, not at the place the last one was scrolled to.
    connect(
        &screen, &OrdersScreen::orderChanged, this, [this] { m_scroll->verticalScrollBar()->setValue(0); });
    // What cells show follows the selection, the delivered marks, the revisions and the batches' states.
    auto refreshCells = [this] { m_gallery->refresh(); };
    connect(&screen, &OrdersScreen::selectionChanged, this, refreshCells);
    connect(&store, &OrdersStore::deliveredPathsChanged, this, refreshCells);
    connect(&store, &OrdersStore::fileRevisionsChanged, this, refreshCells);
    connect(&store, &OrdersStore::retouchChanged, this, refreshCells);
    connect(&store, &OrdersStore::isRetouchingChanged, this, refreshCells);
    connect(&store, &OrdersStore::isWatermarkingChanged, this, refreshCells);
    connect(&store, &OrdersStore::watermarksChanged, this, refreshCells);
    refresh();
}

void OrdersDetail::refresh()
{
    const OrdersStore& store = m_store;
    const OrderFolder* folder = nullptr;
    if (store.selectedFolderID())
        for (const OrderFolder& f : store.folders())
            if (f.url == *store.selectedFolderID()) {
                folder = &f;
                break;
            }
    if (!store.rootName()) {
        m_face = Face::noRoot;
        const auto texts = OrdersScreenText::noRoot();
        m_empty->setTexts(texts.title, texts.subtitle);
    } else if (!folder) {
        m_face = Face::noOrder;
        const auto texts = OrdersScreenText::noOrder();
        m_empty->setTexts(texts.title, texts.subtitle);
    } else {
        m_face = Face::order;
        m_header->setFolderName(folder->name);
        m_header->refresh();
        const bool empty = store.sections().isEmpty();
        m_emptyOrder->setVisible(empty);
        m_gallery->setVisible(!empty);
        m_gallery->rebuild();
    }
    m_empty->setVisible(m_face != Face::order);
    m_page->setVisible(m_face == Face::order);
    placeParts();
}

void OrdersDetail::setEditor(QWidget* editor)
{
    m_editor = editor;
    if (editor) {
        editor->setParent(m_page);
        editor->setVisible(m_editorShown);
    }
    placeParts();
}

void OrdersDetail::setEditorShown(bool shown)
{
    m_editorShown = shown;
    placeParts();
}

OrdersDetailHeights OrdersDetail::heights() const
{
    std::optional<double> screenHeight;
    if (const QScreen* main = QGuiApplication::primaryScreen())
        screenHeight = main->availableGeometry().height();
    const bool open = m_editorShown && m_editor;
    return OrdersDetailHeights::compute(
        height(), screenHeight, open, open ? room() : OrdersDetailHeights::Room {});
}

OrdersDetailHeights::Room OrdersDetail::room() const
{
    OrdersDetailHeights::Room room;
    if (m_editor)
        room.editorMinimum = std::max(m_editor->minimumHeight(), m_editor->minimumSizeHint().height());
    if (m_face != Face::order)
        return room;
    // One row of thumbnails: the first file's cell and the margins a revealed cell keeps. The header and
    // a section's controls above the row scroll out of the way when the photo opened is revealed; keeping
    // them in the gallery too would leave the editor little more than its minimum on a laptop's screen.
    // The content is laid out for the viewport's width first.
    if (QLayout* layout = m_content->layout())
        layout->activate();
    for (OrderCellLayer* layer : m_gallery->layers()) {
        if (!layer->isVisibleTo(m_content))
            continue;
        const QList<OrderGalleryItem>& items = layer->items();
        for (qsizetype i = 0; i < items.size(); ++i)
            if (!items[i].isSeparator()) {
                room.galleryRow
                    = std::max(room.galleryRow, double(layer->itemRect(i).height() + 2 * kRevealMargin));
                return room;
            }
    }
    return room;
}

void OrdersDetail::reveal(const QString& path)
{
    if (m_face != Face::order)
        return;
    for (OrderCellLayer* layer : m_gallery->layers()) {
        const QList<OrderGalleryItem>& items = layer->items();
        qsizetype index = -1;
        for (qsizetype i = 0; i < items.size() && index < 0; ++i)
            if (!items[i].isSeparator() && items[i].media.url == path)
                index = i;
        if (index < 0)
            continue;
        const QRect cell = layer->itemRect(index);
        constexpr int margin = kRevealMargin;
        // A section's strip scrolls sideways on its own.
        for (OrderSectionBlock* block : m_gallery->sectionBlocks())
            if (block->layer() == layer && block->strip())
                block->strip()->ensureVisible(cell.center().x(), cell.center().y(), cell.width() / 2 + margin,
                    cell.height() / 2 + margin);
        const QPoint centre = layer->mapTo(m_content, cell.center());
        m_scroll->ensureVisible(
            centre.x(), centre.y(), cell.width() / 2 + margin, cell.height() / 2 + margin);
        return;
    }
}

void OrdersDetail::keepMinimumHeight(const OrdersDetailHeights::Room& room)
{
    int wanted = 0;
    if (m_editorShown && m_editor && m_face == Face::order) {
        wanted = int(std::ceil(OrdersDetailHeights::minimumColumn(room)));
        // Never taller than the screen leaves once the window's other parts are counted: there the
        // column stays short and the gallery gives way to the editor's minimum.
        if (const QScreen* main = QGuiApplication::primaryScreen()) {
            const QWidget* top = window();
            const int around = top == this ? 0 : top->frameGeometry().height() - height();
            wanted = std::min(wanted, main->availableGeometry().height() - std::max(around, 0));
        }
    }
    if (minimumHeight() != wanted)
        setMinimumHeight(std::max(wanted, 0));
}

void OrdersDetail::placeParts()
{
    if (m_placing)
        return;
    m_placing = true;
    // First: a new minimum may resize the column at once, and the heights are taken from its size.
    const OrdersDetailHeights::Room room = this->room();
    keepMinimumHeight(room);
    const OrdersDetailHeights h = heights();
    m_empty->setGeometry(rect());
    m_page->setGeometry(rect());
    const int gallery = int(std::lround(h.gallery));
    const int before = m_scroll->height();
    m_scroll->setGeometry(0, 0, width(), gallery);
    const bool editor = h.editor.has_value();
    m_divider->setVisible(editor);
    if (m_editor)
        m_editor->setVisible(editor);
    if (editor) {
        m_divider->setGeometry(0, gallery, width(), 1);
        // The divider's point comes out of the editor where the column holds both, so that nothing of the
        // editor hangs below the window; on a column too short for both the editor keeps its minimum.
        const int fits = std::max(height() - gallery - 1, int(std::ceil(room.editorMinimum)));
        m_editor->setGeometry(0, gallery + 1, width(), std::min(int(std::lround(*h.editor)), fits));
        // Queued: the editor is shown before the model names its photo, and the gallery's viewport
        // takes its new height on the way.
        if (gallery < before)
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_editorShown && !m_editedFile.isEmpty())
                        reveal(m_editedFile);
                },
                Qt::QueuedConnection);
    }
    m_placing = false;
}

void OrdersDetail::resizeEvent(QResizeEvent*)
{
    placeParts();
}

bool OrdersDetail::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_content && event->type() == QEvent::Resize && m_editorShown)
        QMetaObject::invokeMethod(this, &OrdersDetail::placeParts, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

} // namespace quavel
