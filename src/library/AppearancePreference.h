#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace quavel {

// The window's appearance, stored under "quavel.appearance".
enum class AppearancePreference { system, light, dark };

namespace Appearance {
// system, light, dark: the order of the appearance menu.
const QList<AppearancePreference>& allCases();
QString rawValue(AppearancePreference p);
// "Système", "Clair", "Sombre".
QString title(AppearancePreference p);
// Exactly one of the three raw values (case-sensitive), else absent.
std::optional<AppearancePreference> fromRawValue(const QString& raw);
}

} // namespace quavel
