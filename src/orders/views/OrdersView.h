#pragma once

#include "ui/QuickPreview.h"

#include <QPointer>
#include <QWidget>

class QShortcut;

namespace quavel {

class OrdersDetail;
class OrdersFolderColumn;
class OrdersScreen;
class OrdersStore;
class PhotoCropEditorView;
class UserDefaults;

// The "Commandes" workspace: the order-folder column (root, watermark and retouch pickers, the files
// panel, the search and the list of orders) beside the detail of the selected order (its header and
// gallery). It reads and drives the orders store, which it does not own; its own state (selection,
// search text, preview, the retouch popover) lives in an OrdersScreen made with it and discarded with
// it, the gallery layout alone surviving in the user defaults. It only assembles: its widgets act on
// the screen and the store themselves.
//
// Each time it is shown it lists the orders again and points the printer's success hook at the store's
// delivered marks; each time its window is activated, the orders whose folder is no longer the one
// listed (a disk pulled, or plugged back) are listed again. Ctrl+A selects every file (a focused text
// field keeps Ctrl+A) and Ctrl+P prints the selection on the printer's own paper. GUI thread only.
class OrdersView : public QWidget
{
    Q_OBJECT

public:
    explicit OrdersView(OrdersStore& store, QWidget* parent = nullptr);
    OrdersView(OrdersStore& store, UserDefaults& defaults, QWidget* parent = nullptr);
    ~OrdersView() override;

    OrdersStore& store() const { return m_store; }
    OrdersScreen& screen() const { return *m_screen; }
    OrdersFolderColumn* folderColumn() const { return m_column; }
    OrdersDetail* detail() const { return m_detail; }
    // The quick preview window, once a preview was asked for (hidden while closed).
    QuickPreview* preview() const { return m_preview; }

    // The inline crop editor (shown under the gallery while its model is open).
    PhotoCropEditorView* editor() const { return m_editor; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildEditor();
    void showPreview();
    // Ctrl+P: the selected files through the print panel, on the printer's own paper.
    void printSelection();

    OrdersStore& m_store;
    OrdersScreen* m_screen = nullptr;
    OrdersFolderColumn* m_column = nullptr;
    OrdersDetail* m_detail = nullptr;
    QPointer<QuickPreview> m_preview;
    PhotoCropEditorView* m_editor = nullptr;
    QShortcut* m_selectAll = nullptr;
    QShortcut* m_print = nullptr;
};

} // namespace quavel
