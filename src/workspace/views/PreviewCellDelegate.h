#pragma once

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

class QAbstractItemView;

namespace quavel {

// Draws the cells of the sorting preview (line colours, marks, placeholders, duplicate numbers in
// orange) and edits them like a spreadsheet program: every keystroke is stored at once, Return and Tab
// (and their Shift variants, and the arrows up and down) leave the cell for the next one, Escape puts
// back the text the cell had when editing began.
class PreviewCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    enum class Move { down, up, right, left };

    explicit PreviewCellDelegate(QAbstractItemView* view);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(
        QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(
        QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

    // The monospaced body font of the number cells, and the font of the other cells.
    static QFont numberFont();
    static QFont textFont();
    // Where the status marks of a line are drawn in its status cell.
    static QList<QRect> markRects(const QRect& cell, int count);

signals:
    // The editor asks to leave its cell; the edit is already stored.
    void moveRequested(QWidget* editor, PreviewCellDelegate::Move move);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    void paintMarks(QPainter* painter, const QRect& cell, const QModelIndex& index, bool dark) const;

    QAbstractItemView* m_view;
    mutable QPersistentModelIndex m_editing;
    mutable QString m_textBeforeEditing;
};

} // namespace quavel
