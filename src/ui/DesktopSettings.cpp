#include "ui/DesktopSettings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace quavel {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kGnomeInterface = QStringLiteral("org.gnome.desktop.interface");
constexpr int kTimeoutMs = 400;

// The portal's Read wraps the value in one more variant than ReadOne; take whatever is innermost.
QVariant unwrap(QVariant v)
{
    while (v.canConvert<QDBusVariant>() && v.userType() == qMetaTypeId<QDBusVariant>())
        v = v.value<QDBusVariant>().variant();
    return v;
}

std::optional<QVariant> readSetting(const QString& group, const QString& key)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    call << group << key;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return unwrap(reply.arguments().first());
}

} // namespace

DesktopSettings::DesktopSettings(QObject* parent)
    : QObject(parent)
{
    readInitial();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
            SLOT(onSettingChanged(QString, QString, QDBusVariant)));
}

DesktopSettings::ColorScheme DesktopSettings::schemeFromPortal(uint value)
{
    switch (value) {
    case 1:
        return ColorScheme::dark;
    case 2:
        return ColorScheme::light;
    default:
        return ColorScheme::noPreference;
    }
}

void DesktopSettings::readInitial()
{
    if (auto v = readSetting(kAppearance, QStringLiteral("color-scheme")))
        m_colorScheme = schemeFromPortal(v->toUInt());
    if (auto v = readSetting(kGnomeInterface, QStringLiteral("enable-animations"));
        v && v->typeId() == QMetaType::Bool)
        m_animations = v->toBool();
}

void DesktopSettings::setColorScheme(ColorScheme scheme)
{
    if (m_colorScheme == scheme)
        return;
    m_colorScheme = scheme;
    emit colorSchemeChanged();
}

void DesktopSettings::setAnimationsEnabled(bool enabled)
{
    if (m_animations == enabled)
        return;
    m_animations = enabled;
    emit animationsEnabledChanged();
}

void DesktopSettings::onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value)
{
    const QVariant v = unwrap(value.variant());
    if (group == kAppearance && key == u"color-scheme")
        setColorScheme(schemeFromPortal(v.toUInt()));
    else if (group == kGnomeInterface && key == u"enable-animations" && v.typeId() == QMetaType::Bool)
        setAnimationsEnabled(v.toBool());
}

} // namespace quavel
