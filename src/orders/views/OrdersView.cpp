#include "orders/views/OrdersView.h"

#include "library/MediaFile.h"
#include "orders/OrderMenus.h"
#include "orders/OrdersScreen.h"
#include "orders/OrdersStore.h"
#include "orders/views/OrderMenuBuilder.h"
#include "orders/views/OrdersDetail.h"
#include "orders/views/OrdersFolderColumn.h"
#include "photo/CropEditorModel.h"
#include "photo/MediaThumbnailer.h"
#include "photo/views/PhotoCropEditorView.h"
#include "photo/views/PhotoPrinter.h"
#include "platform/UserDefaults.h"
#include "ui/PanelPresenter.h"
#include "ui/QuickPreview.h"

#include <QHBoxLayout>
#include <QMenu>
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
    m_column = new OrdersFolderColumn(*this, split);
    m_detail = new OrdersDetail(*this, split);
    split->addWidget(m_column);
    split->addWidget(m_detail);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    outer->addWidget(split);

    // Ctrl+A: a focused text field takes it first (it asks for the key before shortcuts see it).
    m_selectAll = new QShortcut(QKeySequence::SelectAll, this, this, &OrdersView::selectAll);
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
    connect(model, &CropEditorModel::isOpenChanged, this,
        [this, model] { m_detail->setEditorShown(model->isOpen()); });
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
    // Every successful print run, from whichever menu, marks its photos delivered. The store outlives
    // the screen; the hook is replaced at each showing and never cleared.
    QPointer<OrdersStore> store(&m_store);
    PhotoPrinter::onPrintSucceeded() = [store](const QStringList& printed) {
        if (store)
            store->markDelivered(printed);
    };
}

void OrdersView::selectAll()
{
    m_screen->selectAll();
}

void OrdersView::printSelection()
{
    print(OrderMenus::paths(m_screen->selectedMedia()), std::nullopt);
}

void OrdersView::print(const QStringList& files, std::optional<PrintPaperFormat> paper)
{
    PhotoPrinter::print(files, paper);
}

void OrdersView::pickRoot()
{
    if (const auto folder = PanelPresenter::shared().pickFolder(
            QStringLiteral("Dossier des commandes"), QStringLiteral("Choisir")))
        m_store.storeRoot(*folder);
}

void OrdersView::pickWatermark()
{
    if (const auto image = PanelPresenter::shared().pickImage(
            QStringLiteral("Fichier filigrane"), QStringLiteral("Choisir"))) {
        m_store.addWatermark(*image);
        syncCropWatermark();
    }
}

void OrdersView::syncCropWatermark()
{
    m_screen->syncCropWatermark();
}

void OrdersView::chooseApplication(const QStringList& files)
{
    if (const auto app = PanelPresenter::shared().pickApplication())
        m_screen->openWith(*app, files);
}

bool OrdersView::isEditorOpen() const
{
    return m_screen->isEditorOpen();
}

void OrdersView::handleClick(const OrderMedia& file, bool shift, bool command)
{
    m_screen->click(file, { shift, command });
}

void OrdersView::doubleClick(const OrderMedia& file)
{
    m_screen->doubleClick(file);
}

void OrdersView::openCrop(const OrderMedia& file)
{
    m_screen->openCrop(file);
}

void OrdersView::applyRetouch(const OrderMedia& file)
{
    if (file.isVideo)
        return;
    m_screen->applyRetouch({ file.url });
}

void OrdersView::applyWatermark(const QStringList& files)
{
    m_screen->applyWatermark(files);
}

void OrdersView::batchRetouch(const QStringList& files)
{
    m_screen->applyRetouch(files);
}

void OrdersView::undoEdits(const QString& path)
{
    m_screen->undoEdits(path);
}

QMenu* OrdersView::fileMenu(const OrderMedia& file, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("fileMenu"));
    const QList<OrderMedia> targets = m_screen->targets(file);
    OrderMenuBuilder::fill(*menu, m_screen->fileMenu(file),
        [this, file, targets](const OrderMenuItem& item) { run(item, &file, targets); });
    return menu;
}

void OrdersView::run(const OrderMenuItem& item, const OrderMedia* clicked, const QList<OrderMedia>& files)
{
    const QStringList paths = OrderMenus::paths(files);
    switch (item.action) {
    case OrderMenuAction::crop:
        if (clicked)
            openCrop(*clicked);
        break;
    case OrderMenuAction::retouch:
        if (clicked)
            applyRetouch(*clicked);
        break;
    case OrderMenuAction::watermark:
        if (clicked)
            applyWatermark({ clicked->url });
        break;
    case OrderMenuAction::undo:
        if (clicked)
            undoEdits(clicked->url);
        break;
    case OrderMenuAction::print:
        print(paths, item.paper);
        break;
    case OrderMenuAction::share:
        m_screen->shareByAirDrop(files);
        break;
    case OrderMenuAction::open:
        m_screen->open(paths);
        break;
    case OrderMenuAction::openWith:
        m_screen->openWith(item.application, paths);
        break;
    case OrderMenuAction::chooseApplication:
        chooseApplication(paths);
        break;
    case OrderMenuAction::none:
        break;
    }
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
