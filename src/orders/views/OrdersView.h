#pragma once

#include "orders/OrderMedia.h"
#include "orders/OrderMenuItem.h"
#include "photo/PrintPaperFormat.h"
#include "ui/QuickPreview.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QMenu;
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
// it, the gallery layout alone surviving in the user defaults.
//
// Each time it is shown it lists the orders again and points the printer's success hook at the store's
// delivered marks. Ctrl+A selects every file (a focused text field keeps Ctrl+A) and Ctrl+P prints the
// selection on the printer's own paper. GUI thread only.
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

    void selectAll();
    // The selected files printed through the print panel, on the printer's own paper.
    void printSelection();
    void print(const QStringList& files, std::optional<PrintPaperFormat> paper);

    // The orders root chosen in the folder panel.
    void pickRoot();
    // A watermark image chosen in the image panel, added to the list.
    void pickWatermark();
    // Hands the watermark in use to the crop editor when it is open.
    void syncCropWatermark();
    // The application panel, then the files opened with the one chosen (remembered for their types).
    void chooseApplication(const QStringList& files);

    // Cell actions.
    void handleClick(const OrderMedia& file, bool shift, bool command);
    void doubleClick(const OrderMedia& file);
    void openCrop(const OrderMedia& file);
    void applyRetouch(const OrderMedia& file);
    void applyWatermark(const QStringList& files);
    void undoEdits(const QString& path);
    // Batch actions over the files of the order, a section or the selection.
    void batchRetouch(const QStringList& files);
    // A cell's context menu, built when it opens.
    QMenu* fileMenu(const OrderMedia& file, QWidget* parent);
    // Runs a menu entry (context menu or open-with menu) on its files.
    void run(const OrderMenuItem& item, const OrderMedia* clicked, const QList<OrderMedia>& files);

    // Whether the inline crop editor shows a photo.
    bool isEditorOpen() const;
    // The inline crop editor (shown under the gallery while its model is open).
    PhotoCropEditorView* editor() const { return m_editor; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildEditor();
    void showPreview();

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
