#include "orders/OrderListingCache.h"

#include "orders/OrderListingDetail.h"
#include "platform/files/NativeName.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace quavel {

using namespace OrderListing::detail;

namespace {

// One visible entry of a folder, as a listing found it.
struct Entry
{
    // Its name's bytes in the folder's names.
    qsizetype offset = 0;
    qsizetype length = 0;
    bool isFolder = false;
    // What the listing makes of it; None: not listed (a file of another kind, or a kind not asked for).
    Kind kind = Kind::None;
    // The listing that last found it: a name read twice while the folder changes is taken once.
    quint64 seen = 0;
    // Listed entries only: the path (as the lists give it) and the collation key of the name.
    QString path;
    QByteArray key;
};

// An entry read by a new listing: one kept from the last listing, or a name not found there (its bytes
// in the listing's own buffer).
struct Found
{
    qsizetype kept = -1;
    qsizetype offset = 0;
    qsizetype length = 0;
    bool isFolder = false;
};

struct Sorted
{
    const char* key;
    QStringView name;
    qsizetype index;
};

} // namespace

struct OrderListingCache::Folder
{
    bool wantFolders = true;
    bool wantMedia = true;
    QByteArray names;
    // In the order of reading: an unchanged folder reads in the same order again.
    std::vector<Entry> entries;
    // Entries by name, made by the first listing that does not find them in order.
    std::unordered_map<std::string_view, qsizetype> index;
    // The listed entries of each kind in the file manager's order, and the lists made of them.
    std::vector<qsizetype> folderOrder;
    std::vector<qsizetype> mediaOrder;
    QList<OrderFolder> folders;
    QList<OrderMedia> media;
    quint64 used = 0;

    void makeLists(qsizetype prefix)
    {
        folders.reserve(qsizetype(folderOrder.size()));
        for (qsizetype i : folderOrder) {
            const QString& path = entries[size_t(i)].path;
            folders.append(OrderFolder { NativeName::displayed(path.sliced(prefix)), path });
        }
        media.reserve(qsizetype(mediaOrder.size()));
        for (qsizetype i : mediaOrder) {
            const Entry& e = entries[size_t(i)];
            media.append(OrderMedia { e.path, e.kind == Kind::Video });
        }
    }

    std::string_view nameOf(const Entry& e) const
    {
        return { names.constData() + e.offset, size_t(e.length) };
    }

    // Names a listing did not find near its cursor; past a few, the entries are indexed by name.
    qsizetype misses = 0;

    // The entry of that name and kind, tried at `cursor` and the few places after it first (an
    // unchanged folder reads in the same order, one with entries removed skips them); -1 when there is
    // none. A name not found there is looked up by name once the folder is indexed, which it is as soon
    // as enough names were missed that the order no longer holds; before, it is taken for a new name.
    // Either way the listing is right: an entry taken for new is made again as a new one would be.
    qsizetype find(qsizetype cursor, std::string_view name, bool isFolder)
    {
        constexpr qsizetype window = 8;
        const auto matches = [&](qsizetype i) {
            const Entry& e = entries[size_t(i)];
            return e.isFolder == isFolder && nameOf(e) == name;
        };
        const qsizetype end = std::min(cursor + window, qsizetype(entries.size()));
        for (qsizetype i = cursor; i < end; ++i)
            if (matches(i))
                return i;
        if (index.empty()) {
            if (++misses <= window + qsizetype(entries.size()) / 64)
                return -1;
            index.reserve(entries.size());
            for (size_t i = 0; i < entries.size(); ++i)
                index.emplace(nameOf(entries[i]), qsizetype(i));
        }
        const auto it = index.find(name);
        return it != index.end() && matches(it->second) ? it->second : -1;
    }
};

namespace {

bool entryBefore(const std::vector<Entry>& entries, qsizetype prefix, qsizetype a, qsizetype b)
{
    const Entry& x = entries[size_t(a)];
    const Entry& y = entries[size_t(b)];
    return before(x.key.constData(), QStringView(x.path).sliced(prefix), y.key.constData(),
        QStringView(y.path).sliced(prefix));
}

bool isListedAs(const Entry& e, bool folders)
{
    return e.kind != Kind::None && (e.kind == Kind::Folder) == folders;
}

// The listed entries of one kind in the file manager's order. `carried`: those of the last listing
// still found, already in that order (their keys did not change), so that only the new entries are
// sorted and then merged in: a folder where one photo arrived costs a walk, not a sort.
std::vector<qsizetype> inOrder(
    const std::vector<Entry>& entries, qsizetype prefix, bool folders, const std::vector<qsizetype>& carried)
{
    std::vector<char> isCarried(entries.size(), 0);
    for (qsizetype i : carried)
        isCarried[size_t(i)] = 1;
    std::vector<Sorted> fresh;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (!isCarried[i] && isListedAs(e, folders))
            fresh.push_back(Sorted { e.key.constData(), QStringView(e.path).sliced(prefix), qsizetype(i) });
    }
    std::sort(fresh.begin(), fresh.end(),
        [](const Sorted& a, const Sorted& b) { return before(a.key, a.name, b.key, b.name); });
    std::vector<qsizetype> freshOrder;
    freshOrder.reserve(fresh.size());
    for (const Sorted& f : fresh)
        freshOrder.push_back(f.index);
    std::vector<qsizetype> out(carried.size() + freshOrder.size());
    std::merge(carried.cbegin(), carried.cend(), freshOrder.cbegin(), freshOrder.cend(), out.begin(),
        [&](qsizetype a, qsizetype b) { return entryBefore(entries, prefix, a, b); });
    return out;
}

// The entries of an earlier order still found by a new listing, by their new places.
std::vector<qsizetype> carriedOrder(
    const std::vector<qsizetype>& order, const std::vector<qsizetype>& newPlace)
{
    std::vector<qsizetype> out;
    out.reserve(order.size());
    for (qsizetype i : order)
        if (newPlace[size_t(i)] >= 0)
            out.push_back(newPlace[size_t(i)]);
    return out;
}

} // namespace

OrderListingCache::OrderListingCache() = default;
OrderListingCache::~OrderListingCache() = default;

// What one pass over a folder found: its entries in the order read, matched against the last listing.
struct OrderListingCache::Reading
{
    Folder* kept = nullptr;
    std::vector<Found> found;
    // The bytes of the names the last listing did not have.
    QByteArray fresh;
    // How many entries of the last listing were found again.
    qsizetype known = 0;
    OrderListing::Contents hidden;
};

OrderListing::Contents OrderListingCache::contents(const QString& folder, bool wantFolders, bool wantMedia)
{
    const std::shared_ptr<Folder> previous = m_folders.value(folder);
    Reading r;
    r.kept = previous && previous->wantFolders == wantFolders && previous->wantMedia == wantMedia
        ? previous.get()
        : nullptr;
    const quint64 listing = ++m_tick;
    read(folder, listing, r);
    OrderListing::Contents out = std::move(r.hidden);
    if (r.kept && r.known == qsizetype(r.found.size()) && r.known == qsizetype(r.kept->entries.size())) {
        // The same entries: the same lists.
        r.kept->used = listing;
        out.folders = r.kept->folders;
        out.media = r.kept->media;
        return out;
    }
    std::shared_ptr<Folder> next = rebuild(folder, wantFolders, wantMedia, r);
    next->used = listing;
    m_size += qsizetype(next->entries.size()) - (previous ? qsizetype(previous->entries.size()) : 0);
    out.folders = next->folders;
    out.media = next->media;
    m_folders.insert(folder, std::move(next));
    return out;
}

void OrderListingCache::read(const QString& folder, quint64 listing, Reading& r)
{
    const auto fail = [&](int e) {
        if (const std::shared_ptr<Folder> gone = m_folders.take(folder))
            m_size -= qsizetype(gone->entries.size());
        throwListing(folder, e);
    };
    const QByteArray encoded = NativeName::encode(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(encoded.constData()), &::closedir);
    if (!dir)
        fail(errno);
    // The folder read, whatever its path names by the time the listing is used.
    struct stat folderStatus
    {
    };
    if (::fstat(::dirfd(dir.get()), &folderStatus) != 0)
        fail(errno);
    r.hidden.device = quint64(folderStatus.st_dev);
    r.hidden.inode = quint64(folderStatus.st_ino);
    if (r.kept)
        r.found.reserve(r.kept->entries.size());
    qsizetype cursor = 0;
    errno = 0;
    while (const dirent* d = ::readdir(dir.get())) {
        if (d->d_name[0] == '.') {
            // Hidden: never listed. Only the application's own temporaries and originals are noted.
            if (std::strcmp(d->d_name, originalsName) == 0)
                r.hidden.hasOriginals = d->d_type == DT_DIR || d->d_type == DT_UNKNOWN;
            else if (isLeftoverName(d->d_name))
                r.hidden.leftovers.append(QByteArray(d->d_name));
            errno = 0;
            continue;
        }
        bool isFolder = d->d_type == DT_DIR;
        if (d->d_type == DT_UNKNOWN) {
            // The file system does not say: an lstat does. An entry that cannot be examined is no folder.
            struct stat st
            {
            };
            isFolder = ::fstatat(::dirfd(dir.get()), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0
                && S_ISDIR(st.st_mode);
        }
        const size_t length = std::strlen(d->d_name);
        const qsizetype index = r.kept ? r.kept->find(cursor, { d->d_name, length }, isFolder) : -1;
        if (index >= 0) {
            Entry& e = r.kept->entries[size_t(index)];
            if (e.seen != listing) {
                e.seen = listing;
                ++r.known;
                r.found.push_back(Found { index });
            }
            cursor = index + 1;
        } else {
            r.found.push_back(Found { -1, r.fresh.size(), qsizetype(length), isFolder });
            r.fresh.append(d->d_name, qsizetype(length));
        }
        errno = 0;
    }
    if (errno != 0)
        fail(errno);
}

// Entries found before keep their path and key; only the new names are decoded and keyed, and only
// they are sorted into the order the last listing had.
std::shared_ptr<OrderListingCache::Folder> OrderListingCache::rebuild(
    const QString& folder, bool wantFolders, bool wantMedia, const Reading& r)
{
    auto next = std::make_shared<Folder>();
    next->wantFolders = wantFolders;
    next->wantMedia = wantMedia;
    next->entries.reserve(r.found.size());
    next->names.reserve((r.kept ? r.kept->names.size() : 0) + r.fresh.size());
    std::vector<qsizetype> newPlace(r.kept ? r.kept->entries.size() : 0, -1);
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    for (const Found& f : r.found) {
        Entry e;
        const char* bytes = nullptr;
        if (f.kept >= 0) {
            e = r.kept->entries[size_t(f.kept)];
            bytes = r.kept->names.constData() + e.offset;
            newPlace[size_t(f.kept)] = qsizetype(next->entries.size());
        } else {
            bytes = r.fresh.constData() + f.offset;
            e.length = f.length;
            e.isFolder = f.isFolder;
            if (f.isFolder)
                e.kind = wantFolders ? Kind::Folder : Kind::None;
            else
                e.kind = wantMedia ? mediaKind(bytes, size_t(f.length)) : Kind::None;
            if (e.kind != Kind::None)
                e.path = childPath(prefix, bytes, size_t(f.length));
        }
        e.offset = next->names.size();
        next->names.append(bytes, e.length);
        next->entries.push_back(std::move(e));
    }
    std::vector<KeyRequest> requests;
    for (Entry& e : next->entries)
        if (e.kind != Kind::None && e.key.isNull())
            requests.push_back(KeyRequest { next->names.constData() + e.offset, size_t(e.length),
                QStringView(e.path).sliced(prefix.size()), &e.key });
    sortKeys(requests);
    next->folderOrder = inOrder(next->entries, prefix.size(), true,
        r.kept ? carriedOrder(r.kept->folderOrder, newPlace) : std::vector<qsizetype>());
    next->mediaOrder = inOrder(next->entries, prefix.size(), false,
        r.kept ? carriedOrder(r.kept->mediaOrder, newPlace) : std::vector<qsizetype>());
    next->makeLists(prefix.size());
    return next;
}

void OrderListingCache::trim(qsizetype budget, quint64 since)
{
    if (m_size <= budget)
        return;
    std::vector<std::pair<quint64, QString>> candidates;
    for (auto it = m_folders.cbegin(); it != m_folders.cend(); ++it)
        if ((*it)->used <= since)
            candidates.emplace_back((*it)->used, it.key());
    std::sort(candidates.begin(), candidates.end());
    for (const auto& [used, folder] : candidates) {
        if (m_size <= budget)
            break;
        m_size -= qsizetype(m_folders.take(folder)->entries.size());
    }
}

void OrderListingCache::clear()
{
    m_folders.clear();
    m_size = 0;
}

} // namespace quavel
