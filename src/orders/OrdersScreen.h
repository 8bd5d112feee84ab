#pragma once

#include "orders/OrderFolder.h"
#include "orders/OrderMedia.h"
#include "orders/OrderMenuItem.h"
#include "orders/OrderSelection.h"
#include "orders/OrdersGalleryLayout.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QTimer;

namespace quavel {

class CropEditorModel;
class OrdersStore;
class UserDefaults;

// The state and the logic of the orders screen, without widgets: the file selection and its click
// rules, the folder search, the preview target, the retouch popover flag, the gallery layout (kept in
// the user defaults) and the inline crop editor's model, with the actions that act on the store and the
// editor. The screen reads the store, which it does not own; switching away from the screen discards
// this state, the layout alone survives.
//
// GUI thread only. One change signal per field.
class OrdersScreen : public QObject
{
    Q_OBJECT

public:
    explicit OrdersScreen(OrdersStore& store, UserDefaults& defaults, QObject* parent = nullptr);
    ~OrdersScreen() override;

    OrdersStore& store() const { return m_store; }

    // Every file of the selected order: the sections in order, then each section's files in order.
    const QList<OrderMedia>& allFiles() const;
    // The listed files that are selected, in that order.
    QList<OrderMedia> selectedMedia() const;
    const OrderSelection& selection() const { return m_selection; }
    bool isSelected(const QString& path) const { return m_selection.contains(path); }

    // Click rules; a plain click on a photo while the crop editor is open opens that photo there.
    OrderSelection::ClickOutcome click(const OrderMedia& file, ClickModifiers modifiers);
    // A click of the pointer on a gallery cell, which may be the first click of a double click: as
    // click(), except that the editor moves to a plain-clicked photo only once the double-click time
    // has passed without a double click (the photo is selected at once). A double click only opens.
    OrderSelection::ClickOutcome pointerClick(const OrderMedia& file, ClickModifiers modifiers);
    // A double click: opens the files it gives (each with the application remembered for its type).
    void doubleClick(const OrderMedia& file);
    void selectOnly(const QString& path);
    void selectAll();
    void clearSelection();
    QList<OrderMedia> targets(const OrderMedia& file) const;

    // The folder list's selection: the listed folder of that path (none when none has it) becomes the
    // store's selection; the store then saves and lists it, even when it was already selected.
    void selectFolder(const std::optional<QString>& path);

    const QString& folderQuery() const { return m_folderQuery; }
    void setFolderQuery(const QString& query);
    QList<OrderFolder> filteredFolders() const;

    // The file the quick preview shows; none while it is closed.
    const std::optional<QString>& previewURL() const { return m_previewURL; }
    void setPreviewURL(const std::optional<QString>& path);
    // "Aperçu": the first selected file.
    void previewSelection();

    bool showRetouchPopover() const { return m_showRetouchPopover; }
    void setShowRetouchPopover(bool shown);

    // The stored raw value (any text) and the layout it shows.
    QString galleryLayoutRaw() const;
    OrdersGalleryLayout galleryLayout() const;
    void setGalleryLayout(OrdersGalleryLayout layout);

    // Whether a cell's retouch can start: settings that change something, no batch running.
    bool canRetouch() const;

    // Per-file actions.
    QList<OrderMenuItem> fileMenu(const OrderMedia& file) const;
    QList<OrderMenuItem> openWithMenu(const QList<OrderMedia>& files) const;
    // Shares by the nearby-device service and marks the files delivered when the transfer succeeds.
    void shareByAirDrop(const QList<OrderMedia>& files);
    void open(const QStringList& files);
    // Remembers the application for the files' types, then opens them with it.
    void openWith(const QString& application, const QStringList& files);
    // Puts the photo's original back in its turn of the write queue, off the GUI thread; once it is back
    // (the future finishes then) the store tells the gallery, or shows why it could not, and the editor
    // reloads the photo when it shows it.
    QFuture<void> undoEdits(const QString& path);

    // The inline crop editor, owned by the screen for its whole life.
    CropEditorModel& cropEditor() const { return *m_cropEditor; }
    bool isEditorOpen() const;
    // Opens the photo in the editor, selected alone, with the watermark in use and the retouch preset.
    void openCrop(const OrderMedia& file);
    // The watermark in use handed to the editor while it is open.
    void syncCropWatermark();

    // Batch edits (videos are left out by the store). Both run on a worker and return at once; once the
    // store has finished, the editor takes the watermark in use and, when the photo it shows was among
    // the files, loads it again, so that its next write does not put the look it had back over the batch
    // result.
    void applyWatermark(const QStringList& files);
    void applyRetouch(const QStringList& files);
    // Whether a watermark can be taken off the list: not while a watermark batch runs (the batch
    // buttons follow OrdersStore::isWatermarking through OrderMenus::batchControls).
    bool canRemoveWatermark() const;

signals:
    void selectionChanged();
    void folderQueryChanged();
    void previewURLChanged();
    void showRetouchPopoverChanged();
    void galleryLayoutChanged();
    // The files listed changed (another order, a change on disk).
    void allFilesChanged();
    // The order folder changed: the selection was emptied and the crop editor must close.
    void orderChanged();
    // A photo's pixels were put back: the crop editor reloads it when it shows it.
    void photoRestored(const QString& path);
    void canRemoveWatermarkChanged();

private:
    void setSelection(const OrderSelection& selection);
    void batchFinished(const QStringList& files);
    void cancelEditorMove();
    // The editor's photo when it is one of files.
    std::optional<QString> editorPhotoAmong(const QStringList& files) const;

    OrdersStore& m_store;
    UserDefaults& m_defaults;
    OrderSelection m_selection;
    QString m_folderQuery;
    std::optional<QString> m_previewURL;
    bool m_showRetouchPopover = false;
    mutable std::optional<QList<OrderMedia>> m_allFiles;
    CropEditorModel* m_cropEditor = nullptr;
    // The files of each retouch and watermark run the store has started and not finished, in order.
    QList<QStringList> m_retouchRuns;
    QList<QStringList> m_watermarkRuns;
    // The photo a pointer click moves the open editor to, once no double click can follow.
    std::optional<OrderMedia> m_editorMoveTo;
    QTimer* m_editorMove = nullptr;
};

} // namespace quavel
