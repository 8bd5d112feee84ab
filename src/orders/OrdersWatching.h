#pragma once

#include "orders/OrderSection.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class QTimer;

namespace quavel {

class FolderWatcher;

// Watches the shown order and the orders root on disk for the orders store. The order folder and its
// section folders are watched, the listed media by name through them; reports are gathered for 0.2 s,
// then told as files changed in place or as the order to be listed again (a folder changed, or a
// watched path vanished). The root's own entries are watched while a root is chosen, so that the list
// of order folders follows it.
//
// GUI thread only. Paths compared are standardized and composed (PathKey).
class OrdersWatching : public QObject
{
    Q_OBJECT

public:
    explicit OrdersWatching(QObject* parent = nullptr);

    // Watches the order folder, its sections' folders and their files. The same set of paths as the
    // one watched keeps the running watches, the reports gathered and a refresh scheduled.
    void watchOrder(const QString& order, const QList<OrderSection>& sections);
    // Drops the order's watches and what they reported.
    void stopWatchingOrder();
    void watchRoot(const QString& root);
    void stopWatchingRoot();

    // The standardized, composed paths being watched for the order (including ones that could not be).
    QSet<QString> watchedPaths() const;
    // The standardized order folder being watched; none when no order is.
    std::optional<QString> shownOrderFolder() const;
    // Whether reports on the shown order are gathered and their refresh is scheduled.
    bool isRefreshPending() const;
    // Whether everything the watches could see so far has been acted on: no event left unread, no
    // refresh of the order or the root scheduled.
    bool isSettled() const;

signals:
    // A watched file changed in place (its thumbnail is out of date).
    void fileChanged(const QString& path);
    // A folder of the shown order changed, or a watched path vanished: the order is listed again. Told
    // after the fileChanged of the same burst.
    void orderChanged();
    // The root's entries changed (0.2 s after the last change of a burst). A change of the shown order
    // reported with it is told first: an order folder moved away is told by its own listing failing,
    // before the list of folders drops it.
    void rootChanged(const QString& root);

private:
    // Whether that listing's set of watched paths (standardized, composed) is the one being watched.
    bool watchesSameSet(const QString& order, const QList<OrderSection>& sections) const;
    void scheduleOrderRefresh(const QString& path);
    void refreshOrder();
    void refreshRoot();

    FolderWatcher* m_watcher = nullptr;
    QTimer* m_watchDebounce = nullptr;
    QSet<QString> m_pendingWatchPaths;
    // The listing being watched, as given: the order folder, and each section with the paths of its
    // files as the watcher has them. Not watching: m_watchingOrder false.
    struct WatchedSection
    {
        QString url;
        QList<OrderMedia> files;
        QStringList paths;
    };
    bool m_watchingOrder = false;
    QString m_watchedOrder;
    QList<WatchedSection> m_watchedSections;
    FolderWatcher* m_rootWatcher = nullptr;
    QTimer* m_rootDebounce = nullptr;
    QString m_watchedRoot;
};

} // namespace quavel
