#pragma once

#include <QString>

namespace quavel {

// An application that can open files: its desktop entry and the name menus show.
struct OpenWithApp
{
    QString url; // absolute path of the application's ".desktop" entry
    QString name; // the entry's name in the user's language

    // The identity of a menu row.
    const QString& id() const { return url; }

    bool operator==(const OpenWithApp&) const = default;
};

size_t qHash(const OpenWithApp& app, size_t seed = 0) noexcept;

} // namespace quavel
