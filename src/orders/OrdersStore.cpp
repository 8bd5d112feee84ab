#include "orders/OrdersStore.h"

#include "library/AppSupport.h"
#include "orders/OrderPaths.h"
#include "orders/OrdersBatch.h"
#include "orders/OrdersFile.h"
#include "orders/OrdersFolderListing.h"
#include "orders/OrdersOutcome.h"
#include "orders/OrdersSettingsFile.h"
#include "orders/OrdersWatching.h"
#include "photo/MediaThumbnailer.h"
#include "photo/ThumbnailCache.h"
#include "photo/originals/PhotoEditError.h"
#include "platform/Error.h"
#include "platform/files/Bookmark.h"
#include "platform/files/NativeName.h"
#include "platform/files/PathKey.h"
#include "platform/text/Text.h"

#include <QTimer>

namespace quavel {

namespace {

const QString noWatermark = QStringLiteral("Choisissez d’abord un fichier filigrane.");
const QString cannotRememberWatermark = QStringLiteral("Impossible d’enregistrer l’accès à ce filigrane.");
const QString neutralRetouch = QStringLiteral("Réglez d’abord la retouche dans le panneau de gauche.");

} // namespace

OrdersStore::OrdersStore(QObject* parent)
    : OrdersStore(AppSupport::ordersFolder(), parent)
{ }

OrdersStore::OrdersStore(const QString& folder, QObject* parent)
    : QObject(parent)
    , m_settingsFile(folder)
    , m_listing(std::make_unique<OrdersFolderListing>())
    , m_watching(new OrdersWatching(this))
    , m_watermarks(new OrdersWatermarks(
          [this](const std::optional<QByteArray>& bookmark, std::function<void(const QByteArray&)> update) {
              return resolve(bookmark, std::move(update));
          },
          this))
    , m_delivery(new OrdersDelivery(this))
    , m_batch(new OrdersBatch(this))
{
    connect(m_watching, &OrdersWatching::fileChanged, this, &OrdersStore::noteEdited);
    connect(m_watching, &OrdersWatching::orderChanged, this, &OrdersStore::loadSections);
    connect(m_watching, &OrdersWatching::rootChanged, this, &OrdersStore::followRoot);
    connect(m_batch, &OrdersBatch::isRetouchingChanged, this, &OrdersStore::isRetouchingChanged);
    connect(m_batch, &OrdersBatch::isWatermarkingChanged, this, &OrdersStore::isWatermarkingChanged);
    connect(m_batch, &OrdersBatch::progressChanged, this, &OrdersStore::batchProgressChanged);
    connect(m_batch, &OrdersBatch::outcomeTold, this, &OrdersStore::setErrorMessage);
    connect(m_delivery, &OrdersDelivery::deliveredPathsChanged, this, &OrdersStore::deliveredPathsChanged);
    connect(m_delivery, &OrdersDelivery::openWithAppsChanged, this, &OrdersStore::openWithAppsChanged);
    connect(m_watermarks, &OrdersWatermarks::listChanged, this, &OrdersStore::watermarksChanged);
    connect(
        m_watermarks, &OrdersWatermarks::selectedIDChanged, this, &OrdersStore::selectedWatermarkIDChanged);
    connect(m_watermarks, &OrdersWatermarks::urlsChanged, this, &OrdersStore::watermarkURLsChanged);
    connect(m_watermarks, &OrdersWatermarks::problemsChanged, this, &OrdersStore::watermarkProblemsChanged);
    connect(
        m_watermarks, &OrdersWatermarks::accessed, this, [this](const QString& path) { retainAccess(path); });
    connect(m_watermarks, &OrdersWatermarks::bookmarksRenewed, this, &OrdersStore::persist);

    load();
    // Later on this thread: creation does not wait for the watermark images.
    QTimer::singleShot(0, m_watermarks, &OrdersWatermarks::prefetchURLs);
}

OrdersStore::~OrdersStore() = default;

void OrdersStore::load()
{
    if (const std::optional<OrdersFile> file = m_settingsFile.read())
        apply(*file);
}

void OrdersStore::apply(const OrdersFile& file)
{
    m_rootBookmark = file.rootBookmark;
    m_rootName = file.rootName;
    m_selectedFolderID = file.selectedFolderPath;
    m_watermarks->restore(file);
    if (file.retouch)
        m_retouch = *file.retouch;
    m_delivery->restore(file);
}

OrdersFile OrdersStore::makeFile() const
{
    OrdersFile f;
    f.rootBookmark = m_rootBookmark;
    f.rootName = m_rootName;
    f.selectedFolderPath = m_selectedFolderID;
    m_watermarks->store(f);
    f.retouch = m_retouch;
    m_delivery->store(f);
    return f;
}

void OrdersStore::persist()
{
    m_settingsFile.write(makeFile());
}

void OrdersStore::retainAccess(const QString& path)
{
    // No sandbox here: access is always granted. The paths are kept once each, for the record.
    const QString key = PathKey::of(path);
    if (key.isEmpty() || m_accessedKeys.contains(key))
        return;
    m_accessedKeys.insert(key);
    m_accessedPaths.append(NativeName::absolute(path));
}

std::optional<QString> OrdersStore::resolve(
    const std::optional<QByteArray>& bookmark, std::function<void(const QByteArray&)> update)
{
    if (!bookmark)
        return std::nullopt;
    const auto resolved = Bookmark::resolve(*bookmark);
    if (!resolved)
        return std::nullopt;
    retainAccess(resolved->path);
    if (resolved->isStale) {
        if (const auto fresh = Bookmark::create(resolved->path)) {
            // After the current work on this thread, as a task of its own.
            QTimer::singleShot(0, this, [this, update = std::move(update), data = *fresh] {
                update(data);
                persist();
            });
        }
    }
    return resolved->path;
}

std::optional<QString> OrdersStore::resolveRoot()
{
    const std::optional<QByteArray> resolvedData = m_rootBookmark;
    return resolve(m_rootBookmark, [this, resolvedData](const QByteArray& fresh) {
        // A root chosen meanwhile keeps its own bookmark.
        if (m_rootBookmark == resolvedData)
            setRootBookmark(fresh);
    });
}

void OrdersStore::storeRoot(const QString& folder)
{
    retainAccess(folder);
    setRootBookmark(Bookmark::create(folder));
    setRootName(OrderPaths::displayedName(folder));
    setSelection(std::nullopt);
    setSections({});
    // Another root, another order: what was said of the last one's photos goes.
    setErrorMessage(std::nullopt);
    persist();
    reload();
}

void OrdersStore::reload()
{
    setListingError(std::nullopt);
    const auto root = resolveRoot();
    if (!root) {
        dropRoot();
        return;
    }
    m_watching->watchRoot(*root);
    if (!listRoot(*root))
        return;
    if (m_selectedFolderID) {
        if (const OrderFolder* f = OrdersFolderListing::findListed(m_folders, *m_selectedFolderID)) {
            // The listing's own form of the path, so that the screen finds it as it is listed.
            setSelection(f->url);
            loadSections();
            return;
        }
    }
    setSelection(m_folders.isEmpty() ? std::nullopt : std::optional<QString>(m_folders.first().url));
    persist();
    loadSections();
}

void OrdersStore::dropRoot()
{
    m_listing->forgetRoot();
    setFolders({});
    setSections({});
    m_watching->stopWatchingOrder();
    m_watching->stopWatchingRoot();
}

bool OrdersStore::listRoot(const QString& root)
{
    QList<OrderFolder> listed;
    try {
        listed = m_listing->rootFolders(root);
    } catch (const Error& e) {
        // The watchers of the shown order keep running until the next listing of its sections.
        setFolders({});
        setSections({});
        setListingError(e.message());
        return false;
    }
    setFolders(listed);
    return true;
}

void OrdersStore::loadSections()
{
    const OrderFolder* folder
        = m_selectedFolderID ? OrdersFolderListing::findListed(m_folders, *m_selectedFolderID) : nullptr;
    if (!folder) {
        setSections({});
        m_watching->stopWatchingOrder();
        return;
    }
    const OrderFolder order = *folder;
    QList<OrderSection> sections;
    try {
        sections = m_listing->sections(order);
    } catch (const Error& e) {
        setSections({});
        setListingError(e.message());
        m_watching->stopWatchingOrder();
        return;
    }
    // A section listed as it was gives the very list shown: comparing it costs nothing.
    setSections(sections);
    setListingError(std::nullopt);
    m_watching->watchOrder(order.url, m_sections);
}

void OrdersStore::relistGoneFolders()
{
    if (m_listing->stillHolds(m_rootBookmark.has_value(), m_folders, m_selectedFolderID))
        return;
    setListingError(std::nullopt);
    const auto root = resolveRoot();
    if (!root) {
        dropRoot();
        return;
    }
    // The same paths may hold other folders now (a disk mounted again on them): watched anew, not
    // through the watches of the folders they held.
    m_watching->stopWatchingOrder();
    m_watching->stopWatchingRoot();
    m_watching->watchRoot(*root);
    // The selection stays: an order whose disk is still away shows nothing, and shows again once back.
    if (followRoot(*root))
        loadSections();
}

std::optional<OrdersBatch::Listed> OrdersStore::shownOrder() const
{
    const std::optional<ListedFolder>& order = m_listing->listedOrder();
    if (!order || !m_watching->shownOrderFolder())
        return std::nullopt;
    return OrdersBatch::Listed { *order, m_listing->listedRoot() };
}

bool OrdersStore::followRoot(const QString& root)
{
    if (!listRoot(root))
        return false;
    // The selection stays as it is (a selected folder no longer listed shows no order); when the
    // listing spells it another way, the listing's own form, so that the screen finds it.
    if (m_selectedFolderID) {
        const QString selected = text::composed(*m_selectedFolderID);
        for (const OrderFolder& f : m_folders)
            if (text::composed(f.url) == selected) {
                setSelection(f.url);
                break;
            }
    }
    return true;
}

QSet<QString> OrdersStore::watchedPaths() const
{
    return m_watching->watchedPaths();
}

bool OrdersStore::isDiskRefreshPending() const
{
    return m_watching->isRefreshPending();
}

bool OrdersStore::isWatchSettled() const
{
    return m_watching->isSettled();
}

void OrdersStore::addWatermark(QString imagePath)
{
    retainAccess(imagePath);
    switch (m_watermarks->add(imagePath)) {
    case OrdersWatermarks::Added::selected:
        break;
    case OrdersWatermarks::Added::failed:
        setErrorMessage(cannotRememberWatermark);
        return;
    case OrdersWatermarks::Added::added:
        // Only the message of a failed addition goes: what a batch, an undo or a print said stays.
        if (m_outcome == cannotRememberWatermark)
            setErrorMessage(std::nullopt);
        break;
    }
    persist();
}

void OrdersStore::selectWatermark(QString id)
{
    if (m_watermarks->select(id))
        persist();
}

void OrdersStore::removeWatermark(QString id)
{
    m_watermarks->remove(id);
    persist();
}

std::optional<QString> OrdersStore::resolveWatermark()
{
    return m_watermarks->resolveChosen();
}

void OrdersStore::checkWatermarks()
{
    m_watermarks->check();
}

void OrdersStore::applyWatermark(const QStringList& files)
{
    const QStringList photos = OrdersBatch::photosOf(files);
    if (photos.isEmpty())
        return;
    const std::optional<QString> watermark = resolveWatermark();
    const std::optional<QString> watermarkID = m_watermarks->chosenID();
    if (!watermark) {
        // A watermark listed whose file is no longer where it was: named, and its row says so.
        if (watermarkID) {
            const QString name = m_watermarks->name(*watermarkID);
            m_watermarks->setProblem(*watermarkID, OrdersOutcome::watermarkMissing());
            setErrorMessage(PhotoEditError::description(PhotoEditError::Kind::unreadableWatermark, name));
        } else {
            setErrorMessage(noWatermark);
        }
        return;
    }
    // A watermark file that cannot even be opened would fail every photo: said once, naming it.
    if (const std::optional<QString> problem = OrdersWatermarks::fileProblem(*watermark)) {
        if (watermarkID)
            m_watermarks->setProblem(*watermarkID, *problem);
        setErrorMessage(PhotoEditError::description(
            PhotoEditError::Kind::unreadableWatermark, OrdersWatermarks::shownFileName(*watermark)));
        return;
    }
    // Off the GUI thread, as the retouch. What the last batch said goes: the line would otherwise seem to
    // say it of this one while it runs.
    setErrorMessage(std::nullopt);
    m_batch->applyWatermark(photos, *watermark, OrdersWatermarks::shownFileName(*watermark), shownOrder(),
        [this, watermarkID](const OrdersBatch::Outcome& outcome) {
            // Only the photos that took the watermark.
            for (const QString& photo : outcome.edited)
                noteEdited(photo);
            if (!watermarkID)
                return;
            const auto unreadable = std::find_if(outcome.failures.cbegin(), outcome.failures.cend(),
                [](const OrdersOutcome::Failure& f) { return !f.aboutPhoto; });
            if (unreadable != outcome.failures.cend())
                m_watermarks->setProblem(*watermarkID, OrdersOutcome::watermarkUnreadable());
            else if (!outcome.edited.isEmpty())
                m_watermarks->setProblem(*watermarkID, std::nullopt);
        });
}

void OrdersStore::applyRetouch(const QStringList& files)
{
    const QStringList photos = OrdersBatch::photosOf(files);
    if (photos.isEmpty())
        return;
    // The batch keeps these settings whatever the screen changes afterwards.
    const PhotoRetouchSettings settings = m_retouch;
    if (settings.isNeutral()) {
        setErrorMessage(neutralRetouch);
        return;
    }
    const std::optional<QString> watermark = resolveWatermark();
    // What the last batch said goes before this one shows its progress.
    setErrorMessage(std::nullopt);
    // Every photo is noted, the ones that failed too.
    m_batch->applyRetouch(
        photos, settings, watermark, shownOrder(), [this, photos](const OrdersBatch::Outcome&) {
            for (const QString& photo : photos)
                noteEdited(photo);
        });
}

void OrdersStore::noteEdited(const QString& path)
{
    // Every cached thumbnail of the file goes: the one under its current key, and older ones whose key
    // holds an earlier time and size.
    MediaThumbnailer::cache().remove(MediaThumbnailer::cacheKey(path));
    MediaThumbnailer::cache().removePath(path);
    const QString key = PathKey::of(path);
    m_fileRevisions[key] += 1;
    emit fileRevisionsChanged();
}

QStringList OrdersStore::deliveryKeys(const QString& file)
{
    return OrdersDelivery::deliveryKeys(file);
}

bool OrdersStore::isDelivered(const QString& file) const
{
    return m_delivery->isDelivered(file);
}

void OrdersStore::markDelivered(const QStringList& files)
{
    if (m_delivery->markDelivered(files))
        persist(); // also when every key was there already
}

void OrdersStore::notePrinted(const QStringList& printed, const QStringList& blank)
{
    if (!printed.isEmpty())
        markDelivered(printed);
    QList<OrdersOutcome::Failure> failures;
    for (const QString& photo : blank)
        failures.append(
            { photo, QStringLiteral("Impossible de lire cette photo : sa page est restée blanche."), true });
    const OrdersOutcome::Text told = OrdersOutcome::describe(failures, OrdersOutcome::Work::print);
    setErrorMessage(told.message, told.details);
}

void OrdersStore::rememberOpenWith(const QString& application, const QStringList& files)
{
    if (m_delivery->rememberOpenWith(application, files))
        persist();
}

void OrdersStore::openPreferred(const QStringList& files)
{
    m_delivery->openPreferred(files);
}

int OrdersStore::fileRevision(const QString& path) const
{
    return m_fileRevisions.value(PathKey::of(path), 0);
}

void OrdersStore::setSelectedFolderID(const std::optional<QString>& path)
{
    const OrderFolder* listed = path ? OrdersFolderListing::findListed(m_folders, *path) : nullptr;
    setSelection(listed ? std::optional<QString>(listed->url) : std::nullopt);
}

void OrdersStore::setSelection(const std::optional<QString>& path)
{
    if (m_selectedFolderID == path)
        return;
    m_selectedFolderID = path;
    emit selectedFolderIDChanged();
}

void OrdersStore::setRetouch(const PhotoRetouchSettings& settings)
{
    if (m_retouch == settings)
        return;
    m_retouch = settings;
    emit retouchChanged();
}

void OrdersStore::setErrorMessage(const std::optional<QString>& message, const QString& details)
{
    m_outcome = message;
    m_outcomeDetails = message ? details : QString();
    showMessage();
}

void OrdersStore::setListingError(const std::optional<QString>& message)
{
    if (m_listingError == message)
        return;
    m_listingError = message;
    showMessage();
}

void OrdersStore::showMessage()
{
    std::optional<QString> message = m_listingError;
    if (m_outcome)
        message = message ? *message + u'\n' + *m_outcome : *m_outcome;
    if (m_errorMessage == message && m_errorDetails == m_outcomeDetails)
        return;
    m_errorMessage = message;
    m_errorDetails = m_outcomeDetails;
    emit errorMessageChanged();
}

void OrdersStore::setRootName(const std::optional<QString>& name)
{
    if (m_rootName == name)
        return;
    m_rootName = name;
    emit rootNameChanged();
}

void OrdersStore::setRootBookmark(const std::optional<QByteArray>& bookmark)
{
    if (m_rootBookmark == bookmark)
        return;
    m_rootBookmark = bookmark;
    emit rootBookmarkChanged();
}

void OrdersStore::setFolders(const QList<OrderFolder>& folders)
{
    if (m_folders == folders)
        return;
    m_folders = folders;
    emit foldersChanged();
}

void OrdersStore::setSections(const QList<OrderSection>& sections)
{
    if (m_sections == sections)
        return;
    m_sections = sections;
    emit sectionsChanged();
}

} // namespace quavel
