#pragma once

#include "orders/OrderWatermark.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QThreadPool;

namespace quavel {

struct OrdersFile;

// The watermark list of the orders store: its entries and selection, the image file each resolves to,
// and the red line of each row whose file cannot be found or read. Bookmarks are resolved all at once at
// start-up, one at a time on a low-priority thread of its own, else on demand on the GUI thread.
//
// GUI thread only. Saving is the store's: the list asks for it through bookmarksRenewed, the store's
// operations save after each change. Resolved paths go through accessed.
class OrdersWatermarks : public QObject
{
    Q_OBJECT

public:
    // Resolves a bookmark on the GUI thread; a stale one is renewed later through the function given.
    using Resolve = std::function<std::optional<QString>(
        const std::optional<QByteArray>& bookmark, std::function<void(const QByteArray&)> update)>;

    OrdersWatermarks(Resolve resolve, QObject* parent = nullptr);
    // The resolving thread holds only copies; its result, if any, is dropped with the list.
    ~OrdersWatermarks() override;

    const QList<OrderWatermark>& list() const { return m_list; }
    const std::optional<QString>& selectedID() const { return m_selectedID; }
    // Resolved image file per watermark id.
    const QHash<QString, QString>& urls() const { return m_urls; }
    const QHash<QString, QString>& problems() const { return m_problems; }

    // The list and selection the settings file holds (the single watermark of older files becomes a
    // list of one); no signal. And back into the file, the selected entry also in the older form.
    void restore(const OrdersFile& file);
    void store(OrdersFile& file) const;

    enum class Added { selected, added, failed };
    // An image already listed is selected; another one is added and selected, unless no bookmark can be
    // made of it.
    Added add(const QString& imagePath);
    // False when no entry has that id.
    bool select(const QString& id);
    void remove(const QString& id);
    // The selected watermark's image (the first entry's without a selection), resolved when not yet.
    std::optional<QString> resolveChosen();
    // The selected id, else the first entry's.
    std::optional<QString> chosenID() const;
    QString name(const QString& id) const;
    void setProblem(const QString& id, const std::optional<QString>& problem);
    // Resolves every bookmark off the GUI thread, at start-up.
    void prefetchURLs();
    // Looks again, off the GUI thread, whether each watermark's file can be read.
    void check();

    // A file's name as messages show it.
    static QString shownFileName(const QString& path);
    // The red line for a watermark file that cannot be opened as a regular file; none when it can.
    static std::optional<QString> fileProblem(const QString& path);

signals:
    void listChanged();
    void selectedIDChanged();
    void urlsChanged();
    void problemsChanged();
    // A path resolved off the GUI thread was taken.
    void accessed(const QString& path);
    // Stale bookmarks were renewed at start-up: the list is to be saved.
    void bookmarksRenewed();

private:
    void setList(const QList<OrderWatermark>& list);
    void setSelectedID(const std::optional<QString>& id);
    std::optional<QString> resolveAndCache(const QString& id);
    void applyPrefetched(const QList<std::optional<QString>>& urls,
        const QList<std::optional<QByteArray>>& fresh, const QStringList& ids);

    Resolve m_resolve;
    QList<OrderWatermark> m_list;
    std::optional<QString> m_selectedID;
    QHash<QString, QString> m_urls;
    QHash<QString, QString> m_problems;
    bool m_checking = false;
    bool m_recheck = false;
    QThreadPool* m_resolvePool = nullptr;
};

} // namespace quavel
