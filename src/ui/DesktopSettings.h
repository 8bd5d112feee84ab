#pragma once

#include <QObject>

#include <optional>

class QDBusVariant;

namespace quavel {

// What the desktop says about the look it prefers, read from the desktop portal over the session bus:
// the colour scheme and whether animations are on. Without a portal (no session bus, no answer), the
// scheme has no preference and animations are on.
class DesktopSettings : public QObject
{
    Q_OBJECT

public:
    enum class ColorScheme { noPreference, dark, light };

    // Asks the portal once (with a short time limit) and then follows its change signal.
    explicit DesktopSettings(QObject* parent = nullptr);

    ColorScheme colorScheme() const { return m_colorScheme; }
    bool animationsEnabled() const { return m_animations; }
    bool prefersDark() const { return m_colorScheme == ColorScheme::dark; }

    // The portal's numbers: 1 prefers dark, 2 prefers light, anything else no preference.
    static ColorScheme schemeFromPortal(uint value);

    // Changes as if the portal had signalled them (tests, and the change slot).
    void setColorScheme(ColorScheme scheme);
    void setAnimationsEnabled(bool enabled);

signals:
    void colorSchemeChanged();
    void animationsEnabledChanged();

private slots:
    void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void readInitial();

    ColorScheme m_colorScheme = ColorScheme::noPreference;
    bool m_animations = true;
};

} // namespace quavel
