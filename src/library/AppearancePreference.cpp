#include "library/AppearancePreference.h"

namespace quavel::Appearance {

const QList<AppearancePreference>& allCases()
{
    static const QList<AppearancePreference> cases { AppearancePreference::system, AppearancePreference::light,
        AppearancePreference::dark };
    return cases;
}

QString rawValue(AppearancePreference p)
{
    switch (p) {
    case AppearancePreference::system:
        return QStringLiteral("system");
    case AppearancePreference::light:
        return QStringLiteral("light");
    case AppearancePreference::dark:
        return QStringLiteral("dark");
    }
    return QString();
}

QString title(AppearancePreference p)
{
    switch (p) {
    case AppearancePreference::system:
        return QStringLiteral("Système");
    case AppearancePreference::light:
        return QStringLiteral("Clair");
    case AppearancePreference::dark:
        return QStringLiteral("Sombre");
    }
    return QString();
}

std::optional<AppearancePreference> fromRawValue(const QString& raw)
{
    for (AppearancePreference p : allCases())
        if (rawValue(p) == raw)
            return p;
    return std::nullopt;
}

} // namespace quavel::Appearance
