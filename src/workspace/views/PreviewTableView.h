#pragma once

#include "workspace/views/PreviewCellDelegate.h"

#include <QTableView>

namespace quavel {

// The grid of the sorting preview: a header row and one line per spreadsheet row, on the screen's own
// background. Keyboard entry works as in a spreadsheet program: typing in a cell replaces its text,
// Return goes down (back to the column where a run of Tab began), Tab goes right along the editable
// cells and on to the next line, Shift reverses both.
class PreviewTableView : public QTableView
{
    Q_OBJECT

public:
    explicit PreviewTableView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    PreviewCellDelegate* cellDelegate() const { return m_delegate; }
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }

    // Moves the current cell as the keys do; no editor is opened.
    void moveCurrent(PreviewCellDelegate::Move move);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void onMoveRequested(QWidget* editor, PreviewCellDelegate::Move move);
    int firstEditableColumn() const;
    int lastEditableColumn() const;

    PreviewCellDelegate* m_delegate;
    // The column a run of Tab started from, and where that run left the current cell.
    int m_tabStartColumn = -1;
    QPersistentModelIndex m_tabEnd;
};

} // namespace quavel
