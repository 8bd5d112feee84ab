// Watching the shown order on disk: the order folder and its section folders are watched, the listed
// media by name through them; change reports are gathered for 0.2 s, then the order is listed again
// (a folder changed, or a watched path vanished) or the changed files' thumbnails are refreshed. The
// orders root is watched too, so that the list of order folders follows it.
#include "orders/OrdersStore.h"

#include "orders/OrderListing.h"
#include "platform/Error.h"
#include "platform/files/FolderWatcher.h"
#include "platform/files/NativeName.h"
#include "platform/files/PathKey.h"
#include "platform/text/Text.h"

#include <QFile>
#include <QTimer>

#include <sys/stat.h>

namespace quavel {

void OrdersStore::watchFolders(const QStringList& folders, const QStringList& files)
{
    // A listing equal path for path to the last accepted one watches the same set; no need to make it.
    if (!m_watchedPaths.isEmpty() && folders == m_watchedFolderList && files == m_watchedFileList) {
        m_watcher->rearm();
        return;
    }
    QSet<QString> paths;
    paths.reserve(folders.size() + files.size());
    for (const QString& f : folders)
        paths.insert(PathKey::of(f));
    for (const QString& f : files)
        paths.insert(PathKey::of(f));
    if (paths == m_watchedPaths) {
        // The same set: running watches, pending reports and a scheduled refresh all stay. A folder
        // whose watch ended (moved away, and a folder of that name made again) is watched anew.
        m_watchedFolderList = folders;
        m_watchedFileList = files;
        m_watcher->rearm();
        return;
    }
    stopWatchingFolders();
    m_watchedPaths = std::move(paths);
    m_watchedFolderList = folders;
    m_watchedFileList = files;
    QStringList standardizedFolders;
    for (const QString& f : folders)
        standardizedFolders.append(NativeName::absolute(f));
    QStringList standardizedFiles;
    standardizedFiles.reserve(files.size());
    for (const QString& f : files)
        standardizedFiles.append(NativeName::absolute(f));
    m_watcher->watch(standardizedFolders, standardizedFiles);
}

void OrdersStore::stopWatchingFolders()
{
    m_watchDebounce->stop();
    m_pendingWatchPaths.clear();
    m_watcher->stop();
    m_watchedPaths.clear();
    m_watchedFolderList.clear();
    m_watchedFileList.clear();
}

void OrdersStore::scheduleDiskRefresh(const QString& path)
{
    m_pendingWatchPaths.insert(path);
    m_watchDebounce->start(); // restarts: one refresh 0.2 s after the last report of a burst
}

void OrdersStore::refreshFromDisk()
{
    const QSet<QString> paths = std::exchange(m_pendingWatchPaths, {});
    bool relist = false;
    for (const QString& path : paths) {
        struct stat st
        {
        };
        if (::stat(NativeName::encode(path).constData(), &st) != 0 || S_ISDIR(st.st_mode))
            relist = true;
        else
            noteEdited(path);
    }
    if (relist)
        loadSections();
}

void OrdersStore::watchRoot(const QString& root)
{
    const QString standardized = NativeName::absolute(root);
    if (standardized == m_watchedRoot) {
        m_rootWatcher->rearm();
        return;
    }
    stopWatchingRoot();
    m_watchedRoot = standardized;
    m_rootWatcher->watch({ standardized }, {});
}

void OrdersStore::stopWatchingRoot()
{
    m_rootDebounce->stop();
    m_rootWatcher->stop();
    m_watchedRoot.clear();
}

void OrdersStore::refreshRootFromDisk()
{
    if (m_watchedRoot.isEmpty())
        return;
    // A change of the shown order reported with this one is handled first: an order folder moved away
    // is told by its own listing failing, before the list of folders drops it.
    if (m_watchDebounce->isActive()) {
        m_watchDebounce->stop();
        refreshFromDisk();
    }
    QList<OrderFolder> listed;
    try {
        listed = OrderListing::directories(m_watchedRoot);
    } catch (const Error& e) {
        // As when the screen lists the root: the shown order's own watches keep running.
        setFolders({});
        setSections({});
        setErrorMessage(e.message());
        return;
    }
    setFolders(listed);
    // The selection stays as it is (a selected folder no longer listed shows no order); when the
    // listing spells it another way, the listing's own form, so that the screen finds it.
    if (m_selectedFolderID) {
        const QString selected = PathKey::of(*m_selectedFolderID);
        for (const OrderFolder& f : m_folders)
            if (PathKey::of(f.url) == selected) {
                setSelection(f.url);
                break;
            }
    }
}

} // namespace quavel
