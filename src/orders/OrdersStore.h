#pragma once

#include "orders/OrderFolder.h"
#include "orders/OrderSection.h"
#include "orders/OrderWatermark.h"
#include "orders/OrdersBatch.h"
#include "orders/OrdersDelivery.h"
#include "orders/OrdersSettingsFile.h"
#include "orders/OrdersWatermarks.h"
#include "photo/retouch/PhotoRetouchSettings.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace quavel {

class OrdersFolderListing;
class OrdersWatching;
struct OrdersFile;

// The one store of the orders workspace: the orders root folder and its order folders, the sections
// and media of the selected order (watched on disk while shown), the watermark list, the retouch
// preset, the delivered marks and the application remembered per file type, all but the listings kept
// in "settings.json" of AppSupport::ordersFolder(). The batch edits change photos in place and tell the
// gallery through fileRevisions.
//
// The store keeps the observed fields of the screen and the public operations; its parts keep their
// own state: the listings (OrdersFolderListing), the watching on disk (OrdersWatching), the batch
// edits (OrdersBatch), the watermark list (OrdersWatermarks), the delivered marks and open-with memory
// (OrdersDelivery) and the settings file (OrdersSettingsFile). Their signals are the store's own.
//
// GUI thread only; one change signal per observed field. Paths are absolute; wherever the store
// compares paths (the selection, watched paths, revisions, delivered marks, accessed paths, watermark
// images) it compares their canonically composed forms, so a name the file system gives decomposed
// matches the same name composed. Listed paths keep the bytes of names that are not UTF-8 (NativeName);
// what the settings file keeps of them (delivered marks, the selected order) is their displayed form,
// which matches them again when read back.
class OrdersStore : public QObject
{
    Q_OBJECT

public:
    // The settings file in AppSupport::ordersFolder().
    explicit OrdersStore(QObject* parent = nullptr);
    // The settings file "settings.json" in `folder` (created on the first save).
    explicit OrdersStore(const QString& folder, QObject* parent = nullptr);
    ~OrdersStore() override;

    QString fileURL() const { return m_settingsFile.url(); }

    // Observed fields.
    const std::optional<QString>& rootName() const { return m_rootName; }
    const QList<OrderFolder>& folders() const { return m_folders; }
    const std::optional<QString>& selectedFolderID() const { return m_selectedFolderID; }
    // The orders screen picks an order folder: the listed folder of that path (none when no listed
    // folder has it) becomes the selection. The caller then saves and lists the sections.
    void setSelectedFolderID(const std::optional<QString>& path);
    const QList<OrderSection>& sections() const { return m_sections; }
    // What the line under the controls says: what a listing that failed says, then what the last batch,
    // undo, print or editor write said. The latter stays until the next of those (or the choice of
    // another order) replaces it; listing again never clears it, and a listing's own message goes with
    // the next listing that succeeds.
    const std::optional<QString>& errorMessage() const { return m_errorMessage; }
    // The message's tooltip: each photo that failed with its reason; empty when there is none.
    const QString& errorDetails() const { return m_errorDetails; }
    // The outcome of the user's last action (the orders screen's undo, print and editor writes; the
    // store's batches), or none when it went through.
    void setErrorMessage(const std::optional<QString>& message, const QString& details = {});
    const QList<OrderWatermark>& watermarks() const { return m_watermarks->list(); }
    const std::optional<QString>& selectedWatermarkID() const { return m_watermarks->selectedID(); }
    // The settings a batch retouch applies; also the crop editor's retouch preset. The screen saves
    // after changing them.
    const PhotoRetouchSettings& retouch() const { return m_retouch; }
    void setRetouch(const PhotoRetouchSettings& settings);
    bool isRetouching() const { return m_batch->isRetouching(); }
    // True while a watermark batch runs.
    bool isWatermarking() const { return m_batch->isWatermarking(); }
    // How many photos the running batches of each kind are done with (failed ones included), out of how
    // many; 0 of 0 while none runs.
    using BatchProgress = OrdersBatch::Progress;
    const BatchProgress& retouchProgress() const { return m_batch->retouchProgress(); }
    const BatchProgress& watermarkProgress() const { return m_batch->watermarkProgress(); }
    // Resolved image file per watermark id.
    const QHash<QString, QString>& watermarkURLs() const { return m_watermarks->urls(); }
    // Per file, a counter raised after each change of it (absent counts as 0).
    int fileRevision(const QString& path) const;
    const QHash<QString, int>& fileRevisions() const { return m_fileRevisions; }
    // Application (".desktop" file) remembered per file-type key.
    const QMap<QString, QString>& openWithApps() const { return m_delivery->openWithApps(); }
    const QSet<QString>& deliveredPaths() const { return m_delivery->deliveredPaths(); }
    const std::optional<QByteArray>& rootBookmark() const { return m_rootBookmark; }

    // Writes the settings file; failures show nothing. A file found unreadable at creation is first
    // set aside ("settings.json.unreadable-<UTC time>"), and nothing is written if it cannot be.
    void persist();
    // The folder picked as orders root: remembered, saved, then listed with its first order selected.
    void storeRoot(const QString& folder);
    // Lists the order folders of the root again, keeping the selection when it is still listed.
    void reload();
    // Lists the selected order's sections and watches them.
    void loadSections();
    // The window was activated: when the root or the shown order is no longer the folder listed (its
    // disk pulled, or plugged back at the same place), or could not be listed or found last time, both
    // are listed again, the selection kept as it is. Otherwise nothing is done beyond a look at each.
    void relistGoneFolders();

    // Watermark list. The arguments are taken by value: a caller may pass a text of the list itself.
    void addWatermark(QString imagePath);
    void selectWatermark(QString id);
    void removeWatermark(QString id);
    // The selected watermark's image (the first entry's without a selection), resolved when not yet.
    std::optional<QString> resolveWatermark();
    // Per watermark id, the red line of its row while its file cannot be found or read.
    const QHash<QString, QString>& watermarkProblems() const { return m_watermarks->problems(); }
    // Looks again, off the GUI thread, whether each watermark's file can be read (the window activated,
    // the list shown): a file put back clears its row's line, one gone sets it.
    void checkWatermarks();

    // Batch edits of the given files (videos skipped; other files handed on as photos). Each runs on a
    // worker of the batch pool, photo after photo through each photo's write queue, and returns at once:
    // the watermark batch with the watermark in use, isWatermarking meanwhile, noting each photo it
    // edited; the retouch batch with a copy of retouch(), isRetouching meanwhile, noting every photo
    // (callers start no second one while it runs). Each replaces the message of the last one when it
    // starts; its outcome names each photo that failed, or once the folder (the order's or the root)
    // that was no longer the one listed; batchProgressChanged follows each photo.
    void applyWatermark(const QStringList& files);
    void applyRetouch(const QStringList& files);

    // Drops the file's cached thumbnail and raises its revision.
    void noteEdited(const QString& path);

    // Delivered marks and open-with memory.
    void markDelivered(const QStringList& files);
    // A print run that went through: its printed photos are delivered, and the pages left blank (photos
    // that could not be read) are named in the message.
    void notePrinted(const QStringList& printed, const QStringList& blank);
    // The keys under which a file counts as delivered: its path and its standardized path, in their
    // stored form (OrderPaths::storedKey: composed, bytes of a name that are not UTF-8 as U+FFFD).
    static QStringList deliveryKeys(const QString& file);
    bool isDelivered(const QString& file) const;
    void rememberOpenWith(const QString& application, const QStringList& files);
    // Opens each file with the application remembered for its type, one launch per application, and
    // the others with their default application.
    void openPreferred(const QStringList& files);

    // The standardized paths whose access the store holds (no sandbox here: kept for the record).
    const QStringList& accessedPaths() const { return m_accessedPaths; }
    // The standardized, composed paths being watched (including ones that could not be).
    QSet<QString> watchedPaths() const;
    // Whether changes the watch reported on the shown order wait for their refresh (0.2 s after the
    // last of a burst).
    bool isDiskRefreshPending() const;
    // Whether every change on disk the watches could see so far has been acted on: none left unread,
    // no refresh waiting. A change made on this machine is seen once the call that made it returns.
    bool isWatchSettled() const;

signals:
    void rootNameChanged();
    void foldersChanged();
    void selectedFolderIDChanged();
    void sectionsChanged();
    void errorMessageChanged();
    void watermarksChanged();
    void selectedWatermarkIDChanged();
    void retouchChanged();
    void isRetouchingChanged();
    void isWatermarkingChanged();
    void batchProgressChanged();
    void watermarkProblemsChanged();
    void watermarkURLsChanged();
    void fileRevisionsChanged();
    void openWithAppsChanged();
    void deliveredPathsChanged();
    void rootBookmarkChanged();

private:
    void load();
    void apply(const OrdersFile& file);
    OrdersFile makeFile() const;

    void retainAccess(const QString& path);
    std::optional<QString> resolveRoot();
    // The root bookmark resolves to no folder: nothing is listed or watched; its name and the
    // selection stay.
    void dropRoot();
    // Lists the root's order folders into folders(); a root that cannot be listed empties them and the
    // sections and says why. False then.
    bool listRoot(const QString& root);
    std::optional<QString> resolve(
        const std::optional<QByteArray>& bookmark, std::function<void(const QByteArray&)> update);

    // The root's entries changed on disk: its order folders are listed again, the selection kept. False
    // when the root cannot be listed.
    bool followRoot(const QString& root);
    // The shown order's folder and the root above it as listed, for a batch on its photos.
    std::optional<OrdersBatch::Listed> shownOrder() const;

    void setRootName(const std::optional<QString>& name);
    void setRootBookmark(const std::optional<QByteArray>& bookmark);
    void setFolders(const QList<OrderFolder>& folders);
    void setSelection(const std::optional<QString>& path);
    void setSections(const QList<OrderSection>& sections);
    // A listing's own message (none: the listing succeeded).
    void setListingError(const std::optional<QString>& message);
    void showMessage();

    OrdersSettingsFile m_settingsFile;

    std::optional<QString> m_rootName;
    std::optional<QByteArray> m_rootBookmark;
    QList<OrderFolder> m_folders;
    std::optional<QString> m_selectedFolderID;
    QList<OrderSection> m_sections;
    std::optional<QString> m_errorMessage;
    QString m_errorDetails;
    std::optional<QString> m_outcome;
    QString m_outcomeDetails;
    std::optional<QString> m_listingError;
    PhotoRetouchSettings m_retouch;
    QHash<QString, int> m_fileRevisions;

    QStringList m_accessedPaths;
    QSet<QString> m_accessedKeys;

    // The root's and the shown order's listings, through the folders listed last.
    std::unique_ptr<OrdersFolderListing> m_listing;

    // The shown order and the root, watched on disk.
    OrdersWatching* m_watching = nullptr;
    // The watermark list, its resolved files and their problems.
    OrdersWatermarks* m_watermarks = nullptr;
    // Delivered marks and open-with memory.
    OrdersDelivery* m_delivery = nullptr;
    // The batch edits running.
    OrdersBatch* m_batch = nullptr;
};

} // namespace quavel
