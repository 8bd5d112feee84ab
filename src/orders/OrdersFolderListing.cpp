#include "orders/OrdersFolderListing.h"

#include "orders/OrderLeftoverSweep.h"
#include "orders/OrderListing.h"
#include "orders/OrderListingCache.h"
#include "orders/OrderPaths.h"
#include "platform/Error.h"
#include "platform/files/NativeName.h"
#include "platform/files/PathKey.h"

namespace quavel {

namespace {

// The entries kept of the listings of orders shown before (the shown order's are kept whatever their
// number), so that going back to an order lists it as cheaply as listing it again.
constexpr qsizetype kKeptListings = 20000;

} // namespace

OrdersFolderListing::OrdersFolderListing()
    : m_listings(std::make_unique<OrderListingCache>())
    , m_leftoverSweep(std::make_unique<OrderLeftoverSweep>())
{ }

OrdersFolderListing::~OrdersFolderListing() = default;

QList<OrderFolder> OrdersFolderListing::rootFolders(const QString& root)
{
    m_root.reset();
    OrderListing::Contents listed = m_listings->contents(root, true, false);
    m_root = ListedFolder { root, listed.device, listed.inode };
    return std::move(listed.folders);
}

QList<OrderSection> OrdersFolderListing::sections(const OrderFolder& order)
{
    const quint64 listingStart = m_listings->mark();
    // One listing of the order folder gives its sub-folders and its loose media.
    m_order.reset();
    const OrderListing::Contents listed = m_listings->contents(order.url);
    m_order = ListedFolder { order.url, listed.device, listed.inode };
    QList<OrderSection> sections;
    sections.reserve(listed.folders.size() + 1);
    if (!listed.media.isEmpty())
        sections.append(OrderSection { QStringLiteral("Fichiers"), order.url, listed.media });
    // The photo folders' leftovers, as their listings found them.
    QList<OrderLeftoverSweep::Folder> photoFolders { { order.url, listed.leftovers, listed.hasOriginals } };
    for (const OrderFolder& sub : std::as_const(listed.folders)) {
        OrderListing::Contents section;
        try {
            section = m_listings->contents(sub.url, false, true);
        } catch (const Error&) {
            // A section that cannot be listed shows without files.
        }
        sections.append(OrderSection { sub.name, sub.url, section.media });
        photoFolders.append({ sub.url, section.leftovers, section.hasOriginals });
    }
    // The listings of orders shown before go, the least recent first, past kKeptListings entries.
    m_listings->trim(kKeptListings, listingStart);
    m_leftoverSweep->sweep(photoFolders);
    return sections;
}

bool OrdersFolderListing::stillHolds(
    bool rootChosen, const QList<OrderFolder>& folders, const std::optional<QString>& selected) const
{
    if (!rootChosen)
        return true;
    if (!m_root || !m_root->isStillThere())
        return false;
    if (!selected)
        return true;
    const OrderFolder* folder = findListed(folders, *selected);
    return folder && m_order && m_order->path == folder->url && m_order->isStillThere();
}

const OrderFolder* OrdersFolderListing::findListed(const QList<OrderFolder>& folders, const QString& path)
{
    const QString wanted = PathKey::of(path);
    for (const OrderFolder& f : folders)
        if (PathKey::of(f.url) == wanted)
            return &f;
    if (NativeName::hasEscapes(wanted))
        return nullptr;
    for (const OrderFolder& f : folders)
        if (NativeName::hasEscapes(f.url) && OrderPaths::storedKey(f.url) == wanted)
            return &f;
    return nullptr;
}

} // namespace quavel
