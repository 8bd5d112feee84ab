#pragma once

#include <QString>

// How the orders store names files for comparison.
namespace quavel::OrderPaths {

// The path with "." and ".." components and doubled slashes removed, made absolute from the current
// folder when relative (what a standardized file URL gives; links are not resolved).
QString standardized(const QString& path);

// The standardized path, canonically composed: the key of every path comparison of the store.
QString key(const QString& path);

// The last path component.
QString lastComponent(const QString& path);

} // namespace quavel::OrderPaths
