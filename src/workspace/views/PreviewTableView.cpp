#include "workspace/views/PreviewTableView.h"

#include "ui/Theme.h"
#include "workspace/views/PreviewColumns.h"
#include "workspace/views/PreviewTableModel.h"
#include "workspace/views/TitleHeader.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

namespace quavel {

PreviewTableView::PreviewTableView(QWidget* parent)
    : QTableView(parent)
    , m_delegate(new PreviewCellDelegate(this))
{
    setItemDelegate(m_delegate);
    setHorizontalHeader(new TitleHeader(&PreviewColumns::contentRect, this));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(PreviewColumns::rowHeight);
    setShowGrid(false);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
        | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setContextMenuPolicy(Qt::CustomContextMenu);
    // The screen's background shows through; lines paint their own status colours.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    // The cells draw the current cell themselves; the style's selection panel stays out.
    QPalette palette;
    palette.setColor(QPalette::Highlight, Qt::transparent);
    setPalette(palette);
    connect(m_delegate, &PreviewCellDelegate::moveRequested, this, &PreviewTableView::onMoveRequested);
}

void PreviewTableView::setModel(QAbstractItemModel* model)
{
    QTableView::setModel(model);
    QHeaderView* header = horizontalHeader();
    for (int column = 0; column < PreviewTableModel::columnCount_; ++column) {
        const int width = PreviewColumns::sectionWidth(column);
        if (width > 0) {
            header->setSectionResizeMode(column, QHeaderView::Fixed);
            header->resizeSection(column, width);
        } else {
            header->setSectionResizeMode(column, QHeaderView::Stretch);
        }
    }
}

int PreviewTableView::firstEditableColumn() const
{
    return PreviewTableModel::photo;
}

int PreviewTableView::lastEditableColumn() const
{
    return PreviewTableModel::firstName;
}

void PreviewTableView::moveCurrent(PreviewCellDelegate::Move move)
{
    if (!model() || model()->rowCount() == 0)
        return;
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        setCurrentIndex(model()->index(0, firstEditableColumn()));
        return;
    }
    int row = current.row();
    int column = std::clamp(current.column(), firstEditableColumn(), lastEditableColumn());
    const int rows = model()->rowCount();
    const bool continuesTabRun = m_tabStartColumn >= 0 && m_tabEnd.isValid() && m_tabEnd == current;
    switch (move) {
    case PreviewCellDelegate::Move::right:
    case PreviewCellDelegate::Move::left:
        if (!continuesTabRun)
            m_tabStartColumn = column;
        if (move == PreviewCellDelegate::Move::right) {
            if (column < lastEditableColumn()) {
                ++column;
            } else if (row + 1 < rows) {
                ++row;
                column = firstEditableColumn();
            }
        } else {
            if (column > firstEditableColumn()) {
                --column;
            } else if (row > 0) {
                --row;
                column = lastEditableColumn();
            }
        }
        break;
    case PreviewCellDelegate::Move::down:
        if (continuesTabRun)
            column = m_tabStartColumn;
        row = std::min(row + 1, rows - 1);
        break;
    case PreviewCellDelegate::Move::up:
        row = std::max(row - 1, 0);
        break;
    }
    const QModelIndex target = model()->index(row, column);
    setCurrentIndex(target);
    scrollTo(target);
    if (move == PreviewCellDelegate::Move::right || move == PreviewCellDelegate::Move::left) {
        m_tabEnd = target;
    } else {
        m_tabEnd = QPersistentModelIndex();
        m_tabStartColumn = -1;
    }
}

void PreviewTableView::onMoveRequested(QWidget* editor, PreviewCellDelegate::Move move)
{
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    moveCurrent(move);
}

void PreviewTableView::keyPressEvent(QKeyEvent* event)
{
    if (state() != QAbstractItemView::EditingState) {
        const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
        const bool plain = modifiers == Qt::NoModifier;
        const bool shift = modifiers == Qt::ShiftModifier;
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (plain || shift) {
                moveCurrent(shift ? PreviewCellDelegate::Move::up : PreviewCellDelegate::Move::down);
                event->accept();
                return;
            }
            break;
        case Qt::Key_Tab:
            moveCurrent(PreviewCellDelegate::Move::right);
            event->accept();
            return;
        case Qt::Key_Backtab:
            moveCurrent(PreviewCellDelegate::Move::left);
            event->accept();
            return;
        default:
            break;
        }
    }
    QTableView::keyPressEvent(event);
}

void PreviewTableView::mousePressEvent(QMouseEvent* event)
{
    m_tabStartColumn = -1;
    m_tabEnd = QPersistentModelIndex();
    QTableView::mousePressEvent(event);
}

void PreviewTableView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
}

void PreviewTableView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

} // namespace quavel
