#pragma once

#include "orders/OrderListing.h"

#include <QHash>
#include <QString>

#include <memory>

namespace quavel {

// The listings a store keeps of the folders it lists, so that listing them again costs little more
// than reading them: each folder's visible entries are kept with their decoded names, paths and
// collation keys, which a new listing makes only for the names it had not found before, and a folder
// whose visible entries are those of its last listing gives the very lists it gave then (shared, so
// that comparing them with the shown ones takes no text comparison). What the listings give is
// exactly what OrderListing::contents gives; hidden entries (leftovers, originals) are read anew each
// time.
//
// One thread (the store's); not locked. The collation keys themselves are also kept for the process
// (OrderListing::clearSortKeyCache), so that a new store lists known names without making their keys.
class OrderListingCache
{
public:
    OrderListingCache();
    ~OrderListingCache();
    OrderListingCache(const OrderListingCache&) = delete;
    OrderListingCache& operator=(const OrderListingCache&) = delete;

    // As OrderListing::contents. A folder that cannot be listed is forgotten, and the error thrown.
    OrderListing::Contents contents(const QString& folder, bool wantFolders = true, bool wantMedia = true);

    // A mark of the listings made so far, for trim().
    quint64 mark() const { return m_tick; }
    // Forgets the folders listed least recently while more than `budget` entries are kept, but none
    // listed after the mark `since`.
    void trim(qsizetype budget, quint64 since);
    void clear();

    // The number of entries kept, over every folder.
    qsizetype size() const { return m_size; }

private:
    struct Folder;
    struct Reading;

    // One pass of readdir over the folder, matched against its last listing (r.kept).
    void read(const QString& folder, quint64 listing, Reading& r);
    // The folder's new entries and lists from what the pass found.
    static std::shared_ptr<Folder> rebuild(
        const QString& folder, bool wantFolders, bool wantMedia, const Reading& r);

    QHash<QString, std::shared_ptr<Folder>> m_folders;
    quint64 m_tick = 0;
    qsizetype m_size = 0;
};

} // namespace quavel
