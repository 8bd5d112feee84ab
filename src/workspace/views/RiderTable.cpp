#include "workspace/views/RiderTable.h"

#include "ui/Theme.h"
#include "workspace/views/RiderListModel.h"
#include "workspace/views/TitleHeader.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace quavel {

namespace {

QColor hairline(bool dark)
{
    return dark ? QColor(255, 255, 255, 26) : QColor(0, 0, 0, 26);
}

// The text rectangle of a cell: the row's and the cell's insets on the outer side, the cell's alone
// towards the middle, so both columns line up with their header titles.
QRect textRect(const QRect& cell, int column)
{
    const int outer = RiderTable::rowInset + RiderTable::cellInset;
    return column == RiderListModel::lastNameColumn ? cell.adjusted(outer, 0, -RiderTable::cellInset, 0)
                                                    : cell.adjusted(RiderTable::cellInset, 0, -outer, 0);
}

class RiderDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool dark = Theme::isDark(option.widget);
        const QRect cell = option.rect;
        const QRect text = textRect(cell.adjusted(0, 0, 0, -1), index.column());
        painter->save();
        painter->setFont(option.font);
        painter->setPen(Theme::primary(dark));
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
            option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, text.width()));
        painter->fillRect(QRect(cell.left(), cell.bottom(), cell.width(), 1), hairline(dark));
        painter->restore();
    }

    // A tooltip only for a name cut short.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
        const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QString value = index.data().toString();
        const QRect text = textRect(option.rect.adjusted(0, 0, 0, -1), index.column());
        if (option.fontMetrics.horizontalAdvance(value) > text.width())
            QToolTip::showText(event->globalPos(), value, view);
        else
            QToolTip::hideText();
        return true;
    }
};

} // namespace

RiderTable::RiderTable(QWidget* parent)
    : QTableView(parent)
    , m_model(new RiderListModel(this))
{
    setObjectName(QStringLiteral("riderTable"));
    auto* header
        = new TitleHeader([](int column, const QRect& section) { return textRect(section, column); }, this);
    header->setSectionResizeMode(QHeaderView::Stretch);
    setHorizontalHeader(header);
    setModel(m_model);
    setItemDelegate(new RiderDelegate(this));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setShowGrid(false);
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFrameShape(QFrame::NoFrame);
    // The rows lie on the window's own background.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setMinimumHeight(220);
    applyMetrics();
    applyScrollBarStyle();
}

void RiderTable::applyScrollBarStyle()
{
    // A slim indicator over the rows' background instead of a boxed gutter with arrows.
    const bool dark = Theme::isDark(this);
    const QColor handle = dark ? QColor(255, 255, 255, 90) : QColor(0, 0, 0, 80);
    verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { background: transparent; width: 10px; margin: 0; }"
        "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 28px;"
        " margin: 2px 2px 2px 2px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
                                           .arg(handle.name(QColor::HexArgb)));
}

void RiderTable::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyScrollBarStyle();
}

void RiderTable::applyMetrics()
{
    setFont(Fonts::font(Fonts::Style::body));
    // Five above and below the text, and the hairline.
    verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 10 + 1);
    verticalScrollBar()->setSingleStep(verticalHeader()->defaultSectionSize());
}

} // namespace quavel
