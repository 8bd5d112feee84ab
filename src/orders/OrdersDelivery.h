#pragma once

#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

namespace quavel {

struct OrdersFile;

// The delivered marks of order photos, and the application remembered per file type for "Ouvrir",
// for the orders store (which saves them in its settings file after each change).
//
// GUI thread only. Marks are kept in their stored form (OrderPaths::storedKey), so that a mark read back
// from the settings file matches again.
class OrdersDelivery : public QObject
{
    Q_OBJECT

public:
    explicit OrdersDelivery(QObject* parent = nullptr);

    const QSet<QString>& deliveredPaths() const { return m_deliveredPaths; }
    // Application (".desktop" file) remembered per file-type key.
    const QMap<QString, QString>& openWithApps() const { return m_openWithApps; }

    // What the settings file holds of them (no signal), and back into the file.
    void restore(const OrdersFile& file);
    void store(OrdersFile& file) const;

    // The keys under which a file counts as delivered: its path and its standardized path, in their
    // stored form (composed, bytes of a name that are not UTF-8 as U+FFFD).
    static QStringList deliveryKeys(const QString& file);
    bool isDelivered(const QString& file) const;
    // False when the files give no key at all (nothing to save).
    bool markDelivered(const QStringList& files);
    // True when a file type's application changed.
    bool rememberOpenWith(const QString& application, const QStringList& files);
    // Opens each file with the application remembered for its type, one launch per application, and
    // the others with their default application.
    void openPreferred(const QStringList& files) const;

signals:
    void deliveredPathsChanged();
    void openWithAppsChanged();

private:
    QMap<QString, QString> m_openWithApps;
    QSet<QString> m_deliveredPaths;
};

} // namespace quavel
