#include "orders/views/OrdersView.h"

#include "library/MediaFile.h"
#include "orders/OrderMenus.h"
#include "orders/OrdersScreen.h"
#include "orders/OrdersStore.h"
#include "orders/views/OrdersDetail.h"
#include "orders/views/OrdersFolderColumn.h"
#include "photo/MediaThumbnailer.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/views/PhotoCropEditorView.h"
#include "photo/views/PhotoPrinter.h"
#include "platform/UserDefaults.h"
#include "ui/QuickPreview.h"

#include <QHBoxLayout>
#include <QShortcut>
#include <QShowEvent>
#include <QSplitter>

namespace quavel {

OrdersView::OrdersView(OrdersStore& store, QWidget* parent)
    : OrdersView(store, UserDefaults::standard(), parent)
{ }

OrdersView::OrdersView(OrdersStore& store, UserDefaults& defaults, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_screen(new OrdersScreen(store, defaults, this))
{
    setObjectName(QStringLiteral("ordersView"));
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setChildrenCollapsible(false);
    split->setHandleWidth(1);
    m_column = new OrdersFolderColumn(store, *m_screen, split);
    m_detail = new OrdersDetail(store, *m_screen, split);
    split->addWidget(m_column);
    split->addWidget(m_detail);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    outer->addWidget(split);

    // Ctrl+A: a focused text field takes it first (it asks for the key before shortcuts see it).
    m_selectAll = new QShortcut(QKeySequence::SelectAll, this, m_screen, &OrdersScreen::selectAll);
    m_selectAll->setContext(Qt::WidgetWithChildrenShortcut);
    m_print = new QShortcut(QKeySequence::Print, this, this, &OrdersView::printSelection);
    m_print->setContext(Qt::WidgetWithChildrenShortcut);

    connect(m_screen, &OrdersScreen::previewURLChanged, this, &OrdersView::showPreview);
    buildEditor();
}

void OrdersView::buildEditor()
{
    // One editor for the screen's life, on the screen's model; shown under the gallery while it is open.
    QPointer<OrdersStore> store(&m_store);
    PhotoCropEditorView::Callbacks callbacks;
    callbacks.onSavePreset = [store](const PhotoRetouchSettings& settings) {
        if (!store)
            return;
        store->setRetouch(settings);
        store->persist();
    };
    // The photo written, which may no longer be the one shown (the editor moved on meanwhile).
    callbacks.onSaved = [store](const QString& photo) {
        if (store)
            store->noteEdited(photo);
    };
    CropEditorModel* model = &m_screen->cropEditor();
    callbacks.onClose = [store, model] {
        if (store && model->fileURL())
            store->noteEdited(*model->fileURL());
    };
    m_editor = new PhotoCropEditorView(model, m_store.retouch(), callbacks);
    m_editor->setObjectName(QStringLiteral("quavel-crop-editor"));
    m_detail->setEditor(m_editor);
    // The photo opened stays in sight above the editor, as the gallery gets shorter to make room for it.
    auto edited = [this, model] {
        m_detail->setEditedFile(model->isOpen() ? model->fileURL().value_or(QString()) : QString());
    };
    connect(model, &CropEditorModel::fileURLChanged, this, edited);
    connect(model, &CropEditorModel::isOpenChanged, this, [this, model, edited] {
        edited();
        m_detail->setEditorShown(model->isOpen());
    });
    connect(
        &m_store, &OrdersStore::retouchChanged, m_editor, [this] { m_editor->setPreset(m_store.retouch()); });
    m_detail->setEditorShown(model->isOpen());
}

OrdersView::~OrdersView()
{
    delete m_preview;
    // The columns go before the screen's state they show, the editor before its model.
    m_screen->cropEditor().disconnect(this);
    delete m_column;
    delete m_detail;
}

void OrdersView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window restored by the desktop is no new showing of the screen.
    if (event->spontaneous())
        return;
    m_store.reload();
    // Every successful print run, from whichever menu, marks its photos delivered and names the pages
    // it left blank. The store outlives the screen; the hook is replaced at each showing and never
    // cleared.
    QPointer<OrdersStore> store(&m_store);
    PhotoPrinter::onPrintFinished() = [store](const QStringList& printed, const QStringList& blank) {
        if (store)
            store->notePrinted(printed, blank);
    };
}

void OrdersView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Back from the file manager or a terminal, say, where a disk may have been plugged back.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible())
        m_store.relistGoneFolders();
}

void OrdersView::printSelection()
{
    PhotoPrinter::print(OrderMenus::paths(m_screen->selectedMedia()), std::nullopt);
}

void OrdersView::showPreview()
{
    const auto& path = m_screen->previewURL();
    if (!path) {
        // The one window is kept for the next preview.
        if (m_preview && m_preview->isVisible())
            m_preview->close();
        return;
    }
    if (!m_preview) {
        m_preview = new QuickPreview([](const QString& file, bool isVideo, int maxPixel) {
            return isVideo ? MediaThumbnailer::videoThumbnail(file, maxPixel)
                           : MediaThumbnailer::photoThumbnail(file, maxPixel);
        });
        connect(m_preview, &QuickPreview::closed, this, [this] { m_screen->setPreviewURL(std::nullopt); });
    }
    m_preview->showFile(*path, MediaFile::isVideo(*path));
}

} // namespace quavel
