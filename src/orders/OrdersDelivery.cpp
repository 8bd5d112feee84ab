#include "orders/OrdersDelivery.h"

#include "orders/OrderPaths.h"
#include "orders/OrdersFile.h"
#include "photo/OpenWithApps.h"
#include "platform/files/NativeName.h"
#include "platform/files/PathKey.h"
#include "platform/text/Text.h"

#include <QFile>

#include <sys/stat.h>

namespace quavel {

OrdersDelivery::OrdersDelivery(QObject* parent)
    : QObject(parent)
{ }

void OrdersDelivery::restore(const OrdersFile& file)
{
    if (file.openWithApps)
        m_openWithApps = *file.openWithApps;
    if (file.deliveredPaths)
        for (const QString& path : *file.deliveredPaths)
            m_deliveredPaths.insert(text::composed(path));
}

void OrdersDelivery::store(OrdersFile& file) const
{
    file.openWithApps = m_openWithApps;
    file.deliveredPaths = OrdersFile::sortedPaths(m_deliveredPaths);
}

QStringList OrdersDelivery::deliveryKeys(const QString& file)
{
    // The path as given and its standardized form: a mark made through either form matches both. Both
    // in their stored form, so that a mark read back from the settings file matches again.
    QStringList keys;
    for (const QString& form : { file, NativeName::absolute(file) }) {
        if (form.isEmpty())
            continue;
        const QString key = OrderPaths::storedKey(form);
        if (!keys.contains(key))
            keys.append(key);
    }
    return keys;
}

bool OrdersDelivery::isDelivered(const QString& file) const
{
    for (const QString& key : deliveryKeys(file))
        if (m_deliveredPaths.contains(key))
            return true;
    return false;
}

bool OrdersDelivery::markDelivered(const QStringList& files)
{
    QSet<QString> keys;
    for (const QString& file : files)
        for (const QString& key : deliveryKeys(file))
            keys.insert(key);
    if (keys.isEmpty())
        return false;
    const qsizetype before = m_deliveredPaths.size();
    m_deliveredPaths.unite(keys);
    if (m_deliveredPaths.size() != before)
        emit deliveredPathsChanged();
    return true;
}

bool OrdersDelivery::rememberOpenWith(const QString& application, const QStringList& files)
{
    // Kept as the settings file stores it.
    const QString app = NativeName::displayed(NativeName::absolute(application));
    bool changed = false;
    for (const QString& file : files) {
        const QString key = NativeName::displayed(OpenWithApps::typeKey(file));
        if (key.isEmpty() || m_openWithApps.value(key) == app)
            continue;
        m_openWithApps.insert(key, app);
        changed = true;
    }
    if (changed)
        emit openWithAppsChanged();
    return changed;
}

void OrdersDelivery::openPreferred(const QStringList& files) const
{
    if (files.isEmpty())
        return;
    struct Group
    {
        QString app;
        QStringList files;
    };
    QList<Group> groups;
    QStringList fallback;
    for (const QString& file : files) {
        const auto remembered = m_openWithApps.constFind(NativeName::displayed(OpenWithApps::typeKey(file)));
        struct stat st
        {
        };
        // Only a desktop entry is ever launched: anything else remembered (a stray or hand-edited path)
        // counts as nothing remembered, and the file opens in its default application.
        if (remembered == m_openWithApps.cend() || !remembered->endsWith(QStringLiteral(".desktop"))
            || ::stat(NativeName::encode(*remembered).constData(), &st) != 0) {
            fallback.append(file);
            continue;
        }
        const QString app = NativeName::absolute(*remembered);
        auto group = std::find_if(
            groups.begin(), groups.end(), [&](const Group& g) { return PathKey::same(g.app, app); });
        if (group == groups.end())
            groups.append(Group { app, { file } });
        else
            group->files.append(file);
    }
    // One launch per application, with its files in the order given; the outcome is not observed.
    for (const Group& g : std::as_const(groups))
        OpenWithApps::open(g.files, g.app);
    if (!fallback.isEmpty())
        OpenWithApps::openInDefaultApp(fallback);
}

} // namespace quavel
