#pragma once

#include <QString>

#include <optional>

// Whether two paths name one file, by text alone: the one rule of every "is this the same photo?"
// (the write queue's lanes, the crop editor's shown photo, the orders store's revisions, watermarks and
// applications). A listing gives a name decomposed where a typed or stored path has it composed, and a
// path may carry "." and ".." components: both spellings give one key. Links are not resolved (a link to
// a photo is a photo of its own name), and the escaped bytes of names that are not UTF-8 stay as they are
// (NativeName): two names that differ only there keep two keys.
//
// What is stored in the orders settings file is the key's displayed form (OrderPaths::storedKey); the
// key compares live paths. Thread-safe (pure functions).
namespace quavel::PathKey {

// The path made absolute from the current folder and cleaned by text (NativeName::absolute), then
// canonically composed (NFC).
QString of(const QString& path);

// of(a) == of(b); two absent paths are the same, an absent one is no path's.
bool same(const QString& a, const QString& b);
bool same(const std::optional<QString>& a, const std::optional<QString>& b);

} // namespace quavel::PathKey
