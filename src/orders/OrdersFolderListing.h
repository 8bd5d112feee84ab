#pragma once

#include "orders/ListedFolder.h"
#include "orders/OrderFolder.h"
#include "orders/OrderSection.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace quavel {

class OrderLeftoverSweep;
class OrderListingCache;

// The listings of the orders store: the root's order folders and the shown order's sections, read
// through a cache of the folders listed last (the root, the shown order and its sections, and those of
// orders shown before up to a number of entries), so that listing again costs what changed. Each
// listing of an order removes the leftovers of killed writes in its photo folders. The root and the
// order listed last are kept with their identity, so that a folder that is no longer the one listed
// (its disk pulled, or plugged back) can be told.
//
// GUI thread only.
class OrdersFolderListing
{
public:
    OrdersFolderListing();
    ~OrdersFolderListing();

    // The root's order folders; throws Error (its message for the user) when the root cannot be listed.
    QList<OrderFolder> rootFolders(const QString& root);
    // The order's sections: "Fichiers" for its loose media, then one per sub-folder (one that cannot
    // be listed shows without files). Throws Error when the order folder itself cannot be listed.
    QList<OrderSection> sections(const OrderFolder& order);

    // The root and the order folder as the last listing of each found them; none after a listing that
    // failed, and after forgetRoot().
    const std::optional<ListedFolder>& listedRoot() const { return m_root; }
    const std::optional<ListedFolder>& listedOrder() const { return m_order; }
    // The root could not be found: nothing of it counts as listed.
    void forgetRoot() { m_root.reset(); }
    // Whether what the store shows still stands: the root (when one is chosen) is the folder listed,
    // and the selected order, when there is one, is among `folders` and is the folder listed. A
    // selected order the root no longer lists does not stand: it may be back.
    bool stillHolds(
        bool rootChosen, const QList<OrderFolder>& folders, const std::optional<QString>& selected) const;

    // The listed folder a path names: the one of that very path (PathKey), else the first one whose
    // stored form it is (a selection read back from the settings file, where a name's bytes that are
    // not UTF-8 are U+FFFD). None when no listed folder has it.
    static const OrderFolder* findListed(const QList<OrderFolder>& folders, const QString& path);

private:
    std::unique_ptr<OrderListingCache> m_listings;
    std::unique_ptr<OrderLeftoverSweep> m_leftoverSweep;
    std::optional<ListedFolder> m_root;
    std::optional<ListedFolder> m_order;
};

} // namespace quavel
