#pragma once

#include "library/AppearancePreference.h"

#include <QObject>

namespace quavel {

class DesktopSettings;
class LibraryStore;

// Turns the stored appearance preference into the application's palette: "Clair" and "Sombre" force a
// scheme; "Système" follows the desktop's colour scheme, light when the desktop has no preference.
class AppearanceController : public QObject
{
    Q_OBJECT

public:
    AppearanceController(LibraryStore& store, DesktopSettings& desktop, QObject* parent = nullptr);

    static bool isDark(AppearancePreference preference, bool desktopPrefersDark);
    bool isDark() const { return m_dark; }

    // Applies the application's style (Fusion, see QuavelStyle) and the palette of the current scheme to the
    // application.
    void apply();

signals:
    void schemeChanged(bool dark);

private:
    LibraryStore& m_store;
    DesktopSettings& m_desktop;
    bool m_dark = false;
    bool m_applied = false;
};

} // namespace quavel
