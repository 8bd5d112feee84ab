// Delivered marks, and the application remembered per file type for "Ouvrir".
#include "orders/OrdersStore.h"

#include "orders/OrderPaths.h"
#include "platform/text/Text.h"

namespace quavel {

QStringList OrdersStore::deliveryKeys(const QString& file)
{
    // The path as given and its standardized form: a mark made through either form matches both.
    QStringList keys;
    for (const QString& form : { file, OrderPaths::standardized(file) }) {
        if (form.isEmpty())
            continue;
        const QString key = text::composed(form);
        if (!keys.contains(key))
            keys.append(key);
    }
    return keys;
}

bool OrdersStore::isDelivered(const QString& file) const
{
    for (const QString& key : deliveryKeys(file))
        if (m_deliveredPaths.contains(key))
            return true;
    return false;
}

void OrdersStore::markDelivered(const QStringList& files)
{
    QSet<QString> keys;
    for (const QString& file : files)
        for (const QString& key : deliveryKeys(file))
            keys.insert(key);
    if (keys.isEmpty())
        return;
    const qsizetype before = m_deliveredPaths.size();
    m_deliveredPaths.unite(keys);
    if (m_deliveredPaths.size() != before)
        emit deliveredPathsChanged();
    persist(); // also when every key was there already
}

} // namespace quavel
