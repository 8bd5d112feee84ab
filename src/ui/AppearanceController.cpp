#include "ui/AppearanceController.h"

#include "library/LibraryStore.h"
#include "ui/CapsuleKind.h"
#include "ui/DesktopSettings.h"
#include "ui/QuavelStyle.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QStyle>

namespace quavel {

AppearanceController::AppearanceController(LibraryStore& store, DesktopSettings& desktop, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_desktop(desktop)
{
    connect(&store, &LibraryStore::appearanceChanged, this, &AppearanceController::apply);
    connect(&desktop, &DesktopSettings::colorSchemeChanged, this, &AppearanceController::apply);
    connect(&desktop, &DesktopSettings::animationsEnabledChanged, this,
        [this] { Capsule::setReduceMotion(!m_desktop.animationsEnabled()); });
    Capsule::setReduceMotion(!desktop.animationsEnabled());
}

bool AppearanceController::isDark(AppearancePreference preference, bool desktopPrefersDark)
{
    switch (preference) {
    case AppearancePreference::light:
        return false;
    case AppearancePreference::dark:
        return true;
    case AppearancePreference::system:
        return desktopPrefersDark;
    }
    return false;
}

void AppearanceController::apply()
{
    const bool dark = isDark(m_store.appearance(), m_desktop.prefersDark());
    if (m_applied && dark == m_dark)
        return;
    if (!m_applied && !qobject_cast<QuavelStyle*>(qApp->style()))
        QApplication::setStyle(new QuavelStyle);
    m_applied = true;
    m_dark = dark;
    QApplication::setPalette(Theme::palette(dark));
    // Qt's dialogs draw the theme's icons as they are: dark ones would vanish on the dark palette.
    Symbols::useIconThemeFor(dark);
    emit schemeChanged(dark);
}

} // namespace quavel
