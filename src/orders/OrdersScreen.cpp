#include "orders/OrdersScreen.h"

#include "orders/OrderMenus.h"
#include "orders/OrdersOutcome.h"
#include "orders/OrdersScreenText.h"
#include "orders/OrdersStore.h"
#include "photo/AirDropShare.h"
#include "photo/OpenWithApps.h"
#include "photo/PhotoWriter.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/UserDefaults.h"
#include "platform/files/PathKey.h"
#include "platform/imaging/JobPool.h"

#include <QGuiApplication>
#include <QPointer>
#include <QStyleHints>
#include <QTimer>

#include <utility>

namespace quavel {

namespace {

bool containsPhoto(const QStringList& files, const QString& photo)
{
    const QString key = PathKey::of(photo);
    for (const QString& file : files)
        if (PathKey::of(file) == key)
            return true;
    return false;
}

} // namespace

OrdersScreen::OrdersScreen(OrdersStore& store, UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_defaults(defaults)
    , m_cropEditor(new CropEditorModel(this))
    , m_editorMove(new QTimer(this))
{
    m_editorMove->setSingleShot(true);
    connect(m_editorMove, &QTimer::timeout, this, [this] {
        const std::optional<OrderMedia> photo = std::exchange(m_editorMoveTo, std::nullopt);
        // Closed meanwhile: a click does not open the editor again.
        if (photo && isEditorOpen())
            m_cropEditor->open(photo->url, m_store.resolveWatermark(), m_store.retouch());
    });
    // Every photo the editor writes has its thumbnail refreshed: the photo written, also one the editor
    // has left or was closed on since (a write ends after the editor moved on). The store outlives the
    // screen and the editor's last writes.
    QPointer<OrdersStore> kept(&store);
    m_cropEditor->setOnFileWritten([kept](const QString& photo) {
        if (kept)
            kept->noteEdited(photo);
    });
    // A write the editor was asked for as it closed or moved on, and that failed: the orders screen's
    // message line says so, since the editor no longer shows that photo.
    m_cropEditor->setOnWriteFailed([kept](const QString& photo, const QString& message) {
        if (kept)
            kept->setErrorMessage(OrdersOutcome::line(photo, message), OrdersOutcome::line(photo, message));
    });
    connect(&store, &OrdersStore::sectionsChanged, this, [this] {
        m_allFiles.reset();
        emit allFilesChanged();
    });
    // Another order: nothing of the last one stays selected, and the editor closes (its owner listens).
    connect(&store, &OrdersStore::selectedFolderIDChanged, this, [this] {
        OrderSelection cleared = m_selection;
        cleared.clear();
        setSelection(cleared);
        cancelEditorMove();
        m_cropEditor->close();
        emit orderChanged();
    });
    connect(&store, &OrdersStore::rootNameChanged, this, [this] { setFolderQuery(QString()); });
    connect(&store, &OrdersStore::isRetouchingChanged, this, [this] {
        if (m_store.isRetouching() || m_retouchRuns.isEmpty())
            return;
        // The store runs one batch at a time: every run it had started is over.
        const QList<QStringList> runs = std::exchange(m_retouchRuns, {});
        for (const QStringList& files : runs)
            batchFinished(files);
    });
    connect(&store, &OrdersStore::isWatermarkingChanged, this, [this] {
        emit canRemoveWatermarkChanged();
        if (m_store.isWatermarking() || m_watermarkRuns.isEmpty())
            return;
        // No watermark batch runs any more: every one started is over.
        const QList<QStringList> runs = std::exchange(m_watermarkRuns, {});
        for (const QStringList& files : runs)
            batchFinished(files);
    });
}

OrdersScreen::~OrdersScreen()
{
    // The screen goes: the editor's look is written (its writes finish on their own).
    m_cropEditor->close();
}

const QList<OrderMedia>& OrdersScreen::allFiles() const
{
    if (!m_allFiles) {
        QList<OrderMedia> files;
        for (const OrderSection& s : m_store.sections())
            files.append(s.files);
        m_allFiles = std::move(files);
    }
    return *m_allFiles;
}

QList<OrderMedia> OrdersScreen::selectedMedia() const
{
    return m_selection.selectedMedia(allFiles());
}

void OrdersScreen::setSelection(const OrderSelection& selection)
{
    const bool changed = !(selection == m_selection);
    m_selection = selection;
    if (changed)
        emit selectionChanged();
}

OrderSelection::ClickOutcome OrdersScreen::click(const OrderMedia& file, ClickModifiers modifiers)
{
    OrderSelection next = m_selection;
    const auto outcome = next.click(file, modifiers, isEditorOpen(), allFiles());
    setSelection(next);
    if (outcome == OrderSelection::ClickOutcome::openCrop)
        openCrop(file);
    return outcome;
}

OrderSelection::ClickOutcome OrdersScreen::pointerClick(const OrderMedia& file, ClickModifiers modifiers)
{
    cancelEditorMove();
    OrderSelection next = m_selection;
    const auto outcome = next.click(file, modifiers, isEditorOpen(), allFiles());
    setSelection(next);
    if (outcome == OrderSelection::ClickOutcome::openCrop) {
        selectOnly(file.url);
        m_editorMoveTo = file;
        const auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
        m_editorMove->start(gui ? QGuiApplication::styleHints()->mouseDoubleClickInterval() : 400);
    }
    return outcome;
}

void OrdersScreen::cancelEditorMove()
{
    m_editorMove->stop();
    m_editorMoveTo.reset();
}

bool OrdersScreen::isEditorOpen() const
{
    return m_cropEditor->isOpen();
}

void OrdersScreen::openCrop(const OrderMedia& file)
{
    if (file.isVideo)
        return;
    selectOnly(file.url);
    m_cropEditor->open(file.url, m_store.resolveWatermark(), m_store.retouch());
}

void OrdersScreen::syncCropWatermark()
{
    if (m_cropEditor->isOpen())
        m_cropEditor->setWatermark(m_store.resolveWatermark());
}

std::optional<QString> OrdersScreen::editorPhotoAmong(const QStringList& files) const
{
    const std::optional<QString> shown = m_cropEditor->fileURL();
    if (shown && containsPhoto(files, *shown))
        return shown;
    return std::nullopt;
}

// A batch over the photo the editor shows starts from the editor's look: it is written first (the batch
// waits for that write in the photo's queue), and the batch's result is what the editor shows and writes
// afterwards, never its own older look over it.
void OrdersScreen::applyWatermark(const QStringList& files)
{
    if (editorPhotoAmong(files))
        m_cropEditor->persistCurrent();
    m_store.applyWatermark(files);
    // A batch the store refused (no watermark, no photo) is over at once.
    if (m_store.isWatermarking())
        m_watermarkRuns.append(files);
    else
        batchFinished(files);
}

void OrdersScreen::applyRetouch(const QStringList& files)
{
    if (editorPhotoAmong(files))
        m_cropEditor->persistCurrent();
    m_store.applyRetouch(files);
    // A batch the store refused (neutral settings, no photo) is over at once.
    if (m_store.isRetouching())
        m_retouchRuns.append(files);
    else
        batchFinished(files);
}

void OrdersScreen::batchFinished(const QStringList& files)
{
    const std::optional<QString> shown = m_cropEditor->fileURL();
    if (!shown)
        return;
    const QString photo = *shown;
    // Only the watermark is taken for the photo the editor already shows.
    m_cropEditor->open(photo, m_store.resolveWatermark(), m_store.retouch());
    if (containsPhoto(files, photo)) {
        // A change made in the editor while the batch ran is written, not dropped by the reload.
        m_cropEditor->persistCurrent();
        m_cropEditor->reloadIfShowing(photo);
    }
}

bool OrdersScreen::canRemoveWatermark() const
{
    return !m_store.isWatermarking();
}

void OrdersScreen::doubleClick(const OrderMedia& file)
{
    // Its first click selected a photo for the editor: the editor stays where it is.
    cancelEditorMove();
    OrderSelection next = m_selection;
    const QList<OrderMedia> opened = next.doubleClick(file, allFiles());
    setSelection(next);
    open(OrderMenus::paths(opened));
}

void OrdersScreen::selectOnly(const QString& path)
{
    OrderSelection next = m_selection;
    next.selectOnly(path);
    setSelection(next);
}

void OrdersScreen::selectAll()
{
    OrderSelection next = m_selection;
    next.selectAll(allFiles());
    setSelection(next);
}

void OrdersScreen::clearSelection()
{
    OrderSelection next = m_selection;
    next.clear();
    setSelection(next);
}

QList<OrderMedia> OrdersScreen::targets(const OrderMedia& file) const
{
    return m_selection.targets(file, allFiles());
}

void OrdersScreen::selectFolder(const std::optional<QString>& path)
{
    // What was said of the last order's photos goes with it.
    if (path != m_store.selectedFolderID())
        m_store.setErrorMessage(std::nullopt);
    m_store.setSelectedFolderID(path);
    m_store.persist();
    m_store.loadSections();
}

void OrdersScreen::setFolderQuery(const QString& query)
{
    if (m_folderQuery == query)
        return;
    m_folderQuery = query;
    emit folderQueryChanged();
}

QList<OrderFolder> OrdersScreen::filteredFolders() const
{
    return OrdersScreenText::filteredFolders(m_store.folders(), m_folderQuery);
}

void OrdersScreen::setPreviewURL(const std::optional<QString>& path)
{
    if (m_previewURL == path)
        return;
    m_previewURL = path;
    emit previewURLChanged();
}

void OrdersScreen::previewSelection()
{
    const QList<OrderMedia> selected = selectedMedia();
    if (!selected.isEmpty())
        setPreviewURL(selected.first().url);
}

void OrdersScreen::setShowRetouchPopover(bool shown)
{
    if (m_showRetouchPopover == shown)
        return;
    m_showRetouchPopover = shown;
    emit showRetouchPopoverChanged();
}

QString OrdersScreen::galleryLayoutRaw() const
{
    return m_defaults.string(QString::fromLatin1(OrdersGalleryLayouts::defaultsKey))
        .value_or(OrdersGalleryLayouts::rawValue(OrdersGalleryLayout::sections));
}

OrdersGalleryLayout OrdersScreen::galleryLayout() const
{
    return OrdersGalleryLayouts::shown(galleryLayoutRaw());
}

void OrdersScreen::setGalleryLayout(OrdersGalleryLayout layout)
{
    const QString raw = OrdersGalleryLayouts::rawValue(layout);
    if (galleryLayoutRaw() == raw
        && m_defaults.contains(QString::fromLatin1(OrdersGalleryLayouts::defaultsKey)))
        return;
    const OrdersGalleryLayout before = galleryLayout();
    m_defaults.setString(QString::fromLatin1(OrdersGalleryLayouts::defaultsKey), raw);
    if (before != layout)
        emit galleryLayoutChanged();
}

bool OrdersScreen::canRetouch() const
{
    return !m_store.retouch().isNeutral() && !m_store.isRetouching();
}

QList<OrderMenuItem> OrdersScreen::fileMenu(const OrderMedia& file) const
{
    return OrderMenus::fileMenu(file, PhotoOriginals::hasBackup(file.url), canRetouch());
}

QList<OrderMenuItem> OrdersScreen::openWithMenu(const QList<OrderMedia>& files) const
{
    const QStringList urls = OrderMenus::paths(files);
    return OrderMenus::openWithMenu(
        urls, urls.isEmpty() ? QList<OpenWithApp>() : OpenWithApps::apps(urls), m_store.openWithApps());
}

void OrdersScreen::shareByAirDrop(const QList<OrderMedia>& files)
{
    // The store outlives the screen: a transfer that ends after the screen has gone still marks.
    QPointer<OrdersStore> store(&m_store);
    AirDropShare::shared().send(OrderMenus::paths(files), [store](const QStringList& sent) {
        if (store)
            store->markDelivered(sent);
    });
}

void OrdersScreen::open(const QStringList& files)
{
    m_store.openPreferred(files);
}

void OrdersScreen::openWith(const QString& application, const QStringList& files)
{
    m_store.rememberOpenWith(application, files);
    OpenWithApps::open(files, application);
}

QFuture<void> OrdersScreen::undoEdits(const QString& path)
{
    // In the photo's turn, behind every write of it asked for before (a batch's may hold it for a while):
    // the GUI thread does not wait for it, and learns of the outcome when the original is back.
    return PhotoWriter::submitRestore(path, JobPool::interactive())
        .then(this, [this, path](const PhotoWriteQueue::Result& result) {
            if (result.status == PhotoWriteQueue::Status::failed) {
                const QString& reason = result.errorMessage;
                m_store.setErrorMessage(OrdersOutcome::line(path, reason), OrdersOutcome::line(path, reason));
            } else {
                m_store.noteEdited(path);
                m_store.setErrorMessage(std::nullopt);
            }
            m_cropEditor->reloadIfShowing(path);
            emit photoRestored(path);
        });
}

} // namespace quavel
