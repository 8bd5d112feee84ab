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
    // What the listing gave.
    QList<OrderFolder> folders;
    QList<OrderMedia> media;
    quint64 used = 0;

    std::string_view nameOf(const Entry& e) const
    {
        return { names.constData() + e.offset, size_t(e.length) };
    }

    // The entry of that name and kind, tried at `cursor` first; -1 when there is none.
    qsizetype find(qsizetype cursor, std::string_view name, bool isFolder)
    {
        const auto matches = [&](qsizetype i) {
            const Entry& e = entries[size_t(i)];
            return e.isFolder == isFolder && nameOf(e) == name;
        };
        if (cursor < qsizetype(entries.size()) && matches(cursor))
            return cursor;
        if (index.empty() && !entries.empty()) {
            index.reserve(entries.size());
            for (size_t i = 0; i < entries.size(); ++i)
                index.emplace(nameOf(entries[i]), qsizetype(i));
        }
        const auto it = index.find(name);
        return it != index.end() && matches(it->second) ? it->second : -1;
    }
};

namespace {

// The listed entries of one kind in the file manager's order.
std::vector<qsizetype> inOrder(const std::vector<Entry>& entries, qsizetype prefix, bool folders)
{
    std::vector<Sorted> sorted;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (e.kind != Kind::None && (e.kind == Kind::Folder) == folders)
            sorted.push_back(Sorted { e.key.constData(), QStringView(e.path).sliced(prefix), qsizetype(i) });
    }
    std::sort(sorted.begin(), sorted.end(),
        [](const Sorted& a, const Sorted& b) { return before(a.key, a.name, b.key, b.name); });
    std::vector<qsizetype> out;
    out.reserve(sorted.size());
    for (const Sorted& s : sorted)
        out.push_back(s.index);
    return out;
}

} // namespace

OrderListingCache::OrderListingCache() = default;
OrderListingCache::~OrderListingCache() = default;

OrderListing::Contents OrderListingCache::contents(const QString& folder, bool wantFolders, bool wantMedia)
{
    const auto forget = [&] {
        if (const std::shared_ptr<Folder> gone = m_folders.take(folder))
            m_size -= qsizetype(gone->entries.size());
    };
    const QByteArray encoded = NativeName::encode(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(encoded.constData()), &::closedir);
    if (!dir) {
        const int e = errno;
        forget();
        throwListing(folder, e);
    }
    const std::shared_ptr<Folder> previous = m_folders.value(folder);
    Folder* kept = previous && previous->wantFolders == wantFolders && previous->wantMedia == wantMedia
        ? previous.get()
        : nullptr;
    const quint64 listing = ++m_tick;

    OrderListing::Contents out;
    std::vector<Found> found;
    if (kept)
        found.reserve(kept->entries.size());
    QByteArray fresh;
    qsizetype cursor = 0;
    qsizetype known = 0;
    errno = 0;
    while (const dirent* d = ::readdir(dir.get())) {
        if (d->d_name[0] == '.') {
            // Hidden: never listed. Only the application's own temporaries and originals are noted.
            if (std::strcmp(d->d_name, originalsName) == 0)
                out.hasOriginals = d->d_type == DT_DIR || d->d_type == DT_UNKNOWN;
            else if (isLeftoverName(d->d_name))
                out.leftovers.append(QByteArray(d->d_name));
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
        const qsizetype index = kept ? kept->find(cursor, { d->d_name, length }, isFolder) : -1;
        if (index >= 0) {
            Entry& e = kept->entries[size_t(index)];
            if (e.seen != listing) {
                e.seen = listing;
                ++known;
                found.push_back(Found { index });
            }
            cursor = index + 1;
        } else {
            found.push_back(Found { -1, fresh.size(), qsizetype(length), isFolder });
            fresh.append(d->d_name, qsizetype(length));
        }
        errno = 0;
    }
    if (errno != 0) {
        const int e = errno;
        forget();
        throwListing(folder, e);
    }
    if (kept && known == qsizetype(found.size()) && known == qsizetype(kept->entries.size())) {
        // The same entries: the same lists.
        kept->used = listing;
        out.folders = kept->folders;
        out.media = kept->media;
        return out;
    }

    // Entries found before keep their path and key; only the new names are decoded and keyed.
    auto next = std::make_shared<Folder>();
    next->wantFolders = wantFolders;
    next->wantMedia = wantMedia;
    next->used = listing;
    next->entries.reserve(found.size());
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    for (const Found& f : found) {
        Entry e;
        const char* bytes = nullptr;
        if (f.kept >= 0) {
            e = kept->entries[size_t(f.kept)];
            bytes = kept->names.constData() + e.offset;
        } else {
            bytes = fresh.constData() + f.offset;
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

    const std::vector<qsizetype> folderOrder = inOrder(next->entries, prefix.size(), true);
    next->folders.reserve(qsizetype(folderOrder.size()));
    for (qsizetype i : folderOrder) {
        const QString& path = next->entries[size_t(i)].path;
        next->folders.append(OrderFolder { NativeName::displayed(path.sliced(prefix.size())), path });
    }
    const std::vector<qsizetype> mediaOrder = inOrder(next->entries, prefix.size(), false);
    next->media.reserve(qsizetype(mediaOrder.size()));
    for (qsizetype i : mediaOrder) {
        const Entry& e = next->entries[size_t(i)];
        next->media.append(OrderMedia { e.path, e.kind == Kind::Video });
    }

    m_size += qsizetype(next->entries.size()) - (previous ? qsizetype(previous->entries.size()) : 0);
    out.folders = next->folders;
    out.media = next->media;
    m_folders.insert(folder, std::move(next));
    return out;
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
