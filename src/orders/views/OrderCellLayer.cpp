#include "orders/views/OrderCellLayer.h"

#include "ui/Theme.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSet>
#include <QToolTip>

#include <algorithm>

namespace quavel {

OrderCellLayer::OrderCellLayer(Flow flow, StateFor stateFor, Prepare prepare, QWidget* parent)
    : QWidget(parent)
    , m_flow(flow)
    , m_stateFor(std::move(stateFor))
    , m_prepare(std::move(prepare))
{
    setObjectName(QStringLiteral("cellLayer"));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (flow == Flow::strip)
        policy = QSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    policy.setHeightForWidth(flow == Flow::grid);
    setSizePolicy(policy);
    m_requests = new QTimer(this);
    m_requests->setSingleShot(true);
    connect(m_requests, &QTimer::timeout, this, &OrderCellLayer::requestThumbnails);
}

OrderCellLayer::~OrderCellLayer() = default;

int OrderCellLayer::itemHeight() const
{
    return m_flow == Flow::list ? OrderMediaCell::rowHeight : OrderMediaCell::cardHeight();
}

void OrderCellLayer::setItems(const QList<OrderGalleryItem>& items)
{
    m_items = items;
    if (m_flow == Flow::strip) {
        m_stripX.resize(m_items.size());
        int x = 0;
        for (qsizetype i = 0; i < m_items.size(); ++i) {
            m_stripX[i] = x;
            x += (m_items[i].isSeparator() ? separatorWidth : OrderMediaCell::cardWidth) + stripSpacing;
        }
        m_stripWidth = m_items.isEmpty() ? 0 : x - stripSpacing;
    }
    updateGeometry();
    if (m_flow == Flow::strip)
        resize(sizeHint());
    m_index.clear();
    m_index.reserve(m_items.size());
    for (qsizetype i = 0; i < m_items.size(); ++i)
        if (!m_items[i].isSeparator())
            m_index.insert(m_items[i].media.url, i);
    // Cells of files no longer listed go back to the pool; the others stay bound to their files (and
    // keep their pictures), are placed where the files fall now and show their state anew.
    releaseCells([this](const QString& url) { return m_index.contains(url); });
    placeBound();
    updateCells();
    refresh();
    update();
}

void OrderCellLayer::placeBound()
{
    for (auto it = m_bound.cbegin(); it != m_bound.cend(); ++it)
        (*it)->setGeometry(itemRect(m_index.value(it.key())));
}

void OrderCellLayer::refresh()
{
    for (auto it = m_bound.cbegin(); it != m_bound.cend(); ++it)
        (*it)->bind(m_stateFor((*it)->state().item));
    if (!m_requests->isActive())
        m_requests->start(0);
}

void OrderCellLayer::scrolled()
{
    updateCells();
    m_requests->start(scrollSettleMs);
}

void OrderCellLayer::requestThumbnails()
{
    for (auto it = m_bound.cbegin(); it != m_bound.cend(); ++it)
        (*it)->requestThumbnail();
}

QList<OrderMediaCell*> OrderCellLayer::boundCells() const
{
    QList<OrderMediaCell*> cells = m_bound.values();
    std::sort(cells.begin(), cells.end(), [](OrderMediaCell* a, OrderMediaCell* b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    return cells;
}

OrderMediaCell* OrderCellLayer::cellFor(const QString& path) const
{
    return m_bound.value(path);
}

OrderCellLayer::Grid OrderCellLayer::grid(int width) const
{
    Grid g;
    g.columns = std::max(1, (width + gridColumnSpacing) / (gridMinimum + gridColumnSpacing));
    const int share = (width - gridColumnSpacing * (g.columns - 1)) / g.columns;
    g.cellWidth = std::clamp(share, gridMinimum, gridMaximum);
    return g;
}

QRect OrderCellLayer::itemRect(qsizetype index) const
{
    const int h = itemHeight();
    switch (m_flow) {
    case Flow::list:
        return QRect(0, int(index) * (h + listSpacing), width(), h);
    case Flow::grid: {
        const Grid g = grid(width());
        const int row = int(index) / g.columns;
        const int column = int(index) % g.columns;
        // A card sits at the leading edge of its column, which may be wider than the card.
        const int x = column * (g.cellWidth + gridColumnSpacing);
        return QRect(x, row * (h + gridRowSpacing), OrderMediaCell::cardWidth, h);
    }
    case Flow::strip:
        if (m_items.value(index).isSeparator())
            return QRect(m_stripX.value(index), stripPadding, separatorWidth, h);
        return QRect(m_stripX.value(index), stripPadding, OrderMediaCell::cardWidth, h);
    }
    return {};
}

int OrderCellLayer::heightForWidth(int width) const
{
    const qsizetype n = m_items.size();
    const int h = itemHeight();
    switch (m_flow) {
    case Flow::list:
        return n == 0 ? 0 : int(n) * h + int(n - 1) * listSpacing;
    case Flow::grid: {
        const int columns = grid(width).columns;
        const int rows = int((n + columns - 1) / columns);
        return rows == 0 ? 0 : rows * h + (rows - 1) * gridRowSpacing;
    }
    case Flow::strip:
        return h + 2 * stripPadding;
    }
    return 0;
}

bool OrderCellLayer::hasHeightForWidth() const
{
    return m_flow == Flow::grid;
}

QSize OrderCellLayer::sizeHint() const
{
    if (m_flow == Flow::strip)
        return QSize(m_stripWidth, heightForWidth(0));
    const int w = std::max(width(), m_flow == Flow::grid ? gridMinimum : OrderMediaCell::cardWidth);
    return QSize(w, heightForWidth(w));
}

QSize OrderCellLayer::minimumSizeHint() const
{
    if (m_flow == Flow::strip)
        return sizeHint();
    // The list's height does not depend on the width; the grid's is given for its width.
    return QSize(m_flow == Flow::grid ? gridMinimum : OrderMediaCell::cardWidth,
        m_flow == Flow::list ? heightForWidth(0) : 0);
}

QRect OrderCellLayer::visibleRect() const
{
    if (!isVisible())
        return {};
    QRect r = rect();
    QPoint offset(0, 0);
    const QWidget* w = this;
    while (!w->isWindow() && w->parentWidget()) {
        offset += w->pos();
        w = w->parentWidget();
        r &= QRect(-offset, w->size());
        if (r.isEmpty())
            return {};
    }
    return r;
}

std::pair<qsizetype, qsizetype> OrderCellLayer::range(const QRect& area) const
{
    const qsizetype n = m_items.size();
    if (n == 0 || area.isEmpty())
        return { 0, -1 };
    const int h = itemHeight();
    switch (m_flow) {
    case Flow::list: {
        const int pitch = h + listSpacing;
        const qsizetype first = std::max(0, area.top() / pitch);
        const qsizetype last = std::min<qsizetype>(n - 1, std::max(0, area.bottom()) / pitch);
        return { first, last };
    }
    case Flow::grid: {
        const int columns = grid(width()).columns;
        const int pitch = h + gridRowSpacing;
        const qsizetype first = qsizetype(std::max(0, area.top() / pitch)) * columns;
        const qsizetype last
            = std::min<qsizetype>(n - 1, qsizetype(std::max(0, area.bottom()) / pitch + 1) * columns - 1);
        return { first, last };
    }
    case Flow::strip: {
        auto after = [this](int x) {
            return qsizetype(std::upper_bound(m_stripX.cbegin(), m_stripX.cend(), x) - m_stripX.cbegin());
        };
        const qsizetype first = std::max<qsizetype>(0, after(area.left() - OrderMediaCell::cardWidth) - 1);
        const qsizetype last = std::min<qsizetype>(n - 1, after(area.right()) - 1);
        return { first, last };
    }
    }
    return { 0, -1 };
}

void OrderCellLayer::releaseCells(const std::function<bool(const QString& url)>& keep)
{
    for (auto it = m_bound.begin(); it != m_bound.end();) {
        if (!keep(it.key())) {
            (*it)->unbind();
            (*it)->hide();
            m_free.append(*it);
            it = m_bound.erase(it);
        } else {
            ++it;
        }
    }
}

OrderMediaCell* OrderCellLayer::takeCell()
{
    if (!m_free.isEmpty())
        return m_free.takeLast();
    auto* cell
        = new OrderMediaCell(m_flow == Flow::list ? OrderMediaCellKind::row : OrderMediaCellKind::card, this);
    m_cells.append(cell);
    if (m_prepare)
        m_prepare(*cell);
    return cell;
}

void OrderCellLayer::updateCells()
{
    const QRect visible = visibleRect();
    // One item's extent on every side: cells are ready a little before they come into view.
    const int margin = m_flow == Flow::strip ? OrderMediaCell::cardWidth : itemHeight();
    const auto [first, last] = visible.isEmpty() ? std::pair<qsizetype, qsizetype>(0, -1)
                                                 : range(visible.adjusted(-margin, -margin, margin, margin));
    QSet<QString> wanted;
    wanted.reserve(std::max<qsizetype>(0, last - first + 1));
    for (qsizetype i = first; i <= last; ++i)
        if (!m_items[i].isSeparator())
            wanted.insert(m_items[i].media.url);
    releaseCells([&wanted](const QString& url) { return wanted.contains(url); });
    for (qsizetype i = first; i <= last; ++i) {
        const OrderGalleryItem& item = m_items[i];
        if (item.isSeparator())
            continue;
        OrderMediaCell* cell = m_bound.value(item.media.url);
        const QRect where = itemRect(i);
        if (!cell) {
            cell = takeCell();
            m_bound.insert(item.media.url, cell);
            cell->setGeometry(where);
            cell->bind(m_stateFor(item.media));
            cell->show();
        } else if (cell->geometry() != where) {
            cell->setGeometry(where);
        }
    }
    if (!m_requests->isActive())
        m_requests->start(0);
}

void OrderCellLayer::watchScrollAreas()
{
    // Ancestors can change while the layer is built (its gallery placed in its scroll area later):
    // every ancestor met is watched once.
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (m_watched.contains(w))
            continue;
        m_watched.insert(w);
        // Any ancestor that moves or changes size moves what is visible of the layer.
        w->installEventFilter(this);
        if (auto* area = qobject_cast<QAbstractScrollArea*>(w))
            for (QScrollBar* bar : { area->horizontalScrollBar(), area->verticalScrollBar() })
                connect(bar, &QScrollBar::valueChanged, this, &OrderCellLayer::scrolled);
        connect(w, &QObject::destroyed, this, [this, w] { m_watched.remove(w); });
        if (w->isWindow())
            break;
    }
}

bool OrderCellLayer::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
        updateCells();
        break;
    default:
        break;
    }
    return false;
}

void OrderCellLayer::resizeEvent(QResizeEvent*)
{
    // Rows take the layer's width and the grid's columns follow it: every cell is placed again.
    placeBound();
    updateCells();
}

void OrderCellLayer::showEvent(QShowEvent*)
{
    watchScrollAreas();
    updateCells();
}

bool OrderCellLayer::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && m_flow == Flow::strip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const auto [first, last] = range(QRect(help->pos(), QSize(1, 1)));
        for (qsizetype i = first; i <= last; ++i)
            if (m_items[i].isSeparator() && itemRect(i).adjusted(-2, 0, 2, 0).contains(help->pos())) {
                QToolTip::showText(help->globalPos(), QString::fromUtf8(separatorHelp), this);
                return true;
            }
        QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void OrderCellLayer::paintEvent(QPaintEvent* event)
{
    if (m_flow != Flow::strip)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const auto [first, last] = range(event->rect());
    for (qsizetype i = first; i <= last; ++i) {
        if (!m_items[i].isSeparator())
            continue;
        const QRect frame = itemRect(i);
        const QRectF bar(frame.center().x() - 0.5, frame.center().y() - 84 + 0.5, 2, 168);
        // A soft shadow of one point, then the white bar.
        p.fillRect(bar.adjusted(-1, -1, 1, 1), QColor::fromRgbF(0, 0, 0, 0.12f));
        p.fillRect(bar.adjusted(-0.5, -0.5, 0.5, 0.5), QColor::fromRgbF(0, 0, 0, 0.13f));
        p.fillRect(bar, Qt::white);
    }
}

} // namespace quavel
