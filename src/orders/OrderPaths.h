#pragma once

#include <QString>

// How the orders store names files. Live paths compare by PathKey (platform/files); what the settings
// file stores is the key's displayed form below.
namespace quavel::OrderPaths {

// The form in which a path is stored in the settings file and compared with stored paths: canonically
// composed, with the bytes of a name that are not UTF-8 (escaped in the path, see NativeName) as U+FFFD.
// A path read back from the file is its own stored key, so a mark written for such a file matches it
// again; two names that differ only in such bytes share their stored key.
QString storedKey(const QString& path);

// The last path component.
QString lastComponent(const QString& path);
// The last path component as shown: bytes that are not UTF-8 as U+FFFD.
QString displayedName(const QString& path);

} // namespace quavel::OrderPaths
