#pragma once

#include "orders/OrderFolder.h"
#include "orders/OrderSection.h"

#include <QList>
#include <QString>

#include <memory>

namespace quavel {

class OrderLeftoverSweep;
class OrderListingCache;

// The listings of the orders store: the root's order folders and the shown order's sections, read
// through a cache of the folders listed last (the root, the shown order and its sections, and those of
// orders shown before up to a number of entries), so that listing again costs what changed. Each
// listing of an order removes the leftovers of killed writes in its photo folders.
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

    // The listed folder a path names: the one of that very path (PathKey), else the first one whose
    // stored form it is (a selection read back from the settings file, where a name's bytes that are
    // not UTF-8 are U+FFFD). None when no listed folder has it.
    static const OrderFolder* findListed(const QList<OrderFolder>& folders, const QString& path);

private:
    std::unique_ptr<OrderListingCache> m_listings;
    std::unique_ptr<OrderLeftoverSweep> m_leftoverSweep;
};

} // namespace quavel
