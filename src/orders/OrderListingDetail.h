#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstring>
#include <vector>

// The pieces of a folder's listing that OrderListingCache puts together: what an entry's name makes of
// it, the paths of entries, and the collation keys of the file manager's order. Internal to the orders
// library.
namespace quavel::OrderListing::detail {

enum class Kind : unsigned char { None, Folder, Photo, Video };

inline constexpr char originalsName[] = ".quavel-originals";

// What the lower-cased extension of a file's name makes of it (None when it is no photo or video).
Kind mediaKind(const char* name, size_t length);

// Whether a hidden name is one of the application's own temporaries (the sweep's test), made without
// allocating: a disk written by a Mac holds a hidden "._" file beside every photo.
bool isLeftoverName(const char* name);

// The path of an entry: `prefix` (the folder's path ending with a slash) and the name decoded by
// NativeName, made in one allocation.
QString childPath(const QString& prefix, const char* name, size_t length);

[[noreturn]] void throwListing(const QString& folder, int error);

// One name whose collation key is wanted: its bytes (the key cache's key) and its decoded text.
struct KeyRequest
{
    const char* bytes;
    size_t length;
    QStringView name;
    QByteArray* key;
};

// Fills every request's key: the one kept for that name by an earlier listing, else made and kept.
// Thread-safe.
void sortKeys(const std::vector<KeyRequest>& requests);

// The file manager's order of two entries from their keys, and from their texts where the keys are
// equal (so that it is a total order: names in one folder differ).
inline bool before(const char* keyA, QStringView nameA, const char* keyB, QStringView nameB)
{
    const int c = std::strcmp(keyA, keyB);
    return c != 0 ? c < 0 : nameA.compare(nameB) < 0;
}

} // namespace quavel::OrderListing::detail
