#pragma once

// One builder for the orders tests: a real orders tree in a temporary folder, the store's settings
// folder beside it, and ways to see whether (and what) the store wrote.

#include "common/TestSupport.h"
#include "common/photo/PhotoFixtures.h"
#include "library/QuavelJSON.h"
#include "orders/OrdersStore.h"
#include "photo/PhotoWriteQueue.h"
#include "photo/retouch/PhotoRetouchSettings.h"
#include "platform/files/Bookmark.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>

#include <memory>
#include <optional>

#include <sys/stat.h>

namespace quavel::test {

struct OrdersFixture
{
    TempFolder tmp;
    QString support = tmp.file(QStringLiteral("support"));
    QString root = tmp.file(QStringLiteral("Commandes"));
    std::unique_ptr<OrdersStore> store;

    OrdersFixture() { QDir().mkpath(root); }

    // A file of the tree (parents made); relative to the root.
    QString file(const QString& relative, const QByteArray& bytes = "data") const
    {
        return tmp.write(QStringLiteral("Commandes/") + relative, bytes);
    }
    QString folder(const QString& relative) const
    {
        const QString path = root + u'/' + relative;
        QDir().mkpath(path);
        return path;
    }
    QString path(const QString& relative) const { return root + u'/' + relative; }

    // A real photo of one colour, in the format its extension names (parents made); relative to the
    // root.
    QString photo(const QString& relative, QColor colour) const { return writeImage(path(relative), colour); }
    static QString writeImage(const QString& path, QColor colour, int width = 96, int height = 64)
    {
        return writePhoto(path, filled(width, height, colour));
    }

    QString settingsPath() const { return support + QStringLiteral("/settings.json"); }
    void writeSettings(const QByteArray& json) const
    {
        tmp.write(QStringLiteral("support/settings.json"), json);
    }
    QuavelJSON::Json settings() const { return QuavelJSON::parse(readFile(settingsPath())); }
    bool hasKey(const char* key) const { return settings().contains(key); }

    // The store never reads its file after creation, so trailing blanks added to it stay there until a
    // save replaces the file: that tells a write, however quickly it follows.
    void markSettings() const
    {
        QFile file(settingsPath());
        if (file.open(QIODevice::Append))
            file.write(marker);
    }
    bool settingsRewritten() const { return !readFile(settingsPath()).endsWith(marker); }
    static constexpr const char* marker = "\n \n  \n";

    OrdersStore& open()
    {
        store.reset();
        store = std::make_unique<OrdersStore>(support);
        return *store;
    }

    // A store whose root is the tree, with the given order selected and listed.
    OrdersStore& openOn(const QString& order = {})
    {
        OrdersStore& s = open();
        s.storeRoot(root);
        if (!order.isEmpty()) {
            s.setSelectedFolderID(path(order));
            s.persist();
            s.loadSections();
        }
        return s;
    }

    // Waits for the watermark batches the store runs to end (false when they did not within the time).
    static bool finishWatermark(const OrdersStore& s, int timeoutMs = 60000)
    {
        return waitUntil([&] { return !s.isWatermarking(); }, timeoutMs);
    }

    static QString bookmarkText(const QString& path)
    {
        return QString::fromLatin1(Bookmark::create(path)->toBase64());
    }
};

// The look the batch tests apply: brighter by 30.
inline PhotoRetouchSettings brighter()
{
    PhotoRetouchSettings s;
    s.brightness = 30;
    return s;
}

// Holds a photo's write queue while it lives: a batch reaching that photo waits for its turn there.
class HeldWrites
{
public:
    explicit HeldWrites(const QString& photo)
        : m_held(PhotoWriteQueue::shared().submit(photo, [gate = m_gate] { gate->acquire(); }))
    { }
    ~HeldWrites()
    {
        m_gate->release();
        m_held.waitForFinished();
    }
    HeldWrites(const HeldWrites&) = delete;
    HeldWrites& operator=(const HeldWrites&) = delete;

private:
    std::shared_ptr<QSemaphore> m_gate = std::make_shared<QSemaphore>();
    QFuture<PhotoWriteQueue::Result> m_held;
};

// Replaces a file by another one at the same path (a new inode), as an editor saving through a
// temporary file does: its bookmarks become stale.
inline void replaceFile(const QString& path, const QByteArray& bytes)
{
    const QString sibling = QFileInfo(path).absolutePath() + QStringLiteral("/.replace-tmp");
    QFile f(sibling);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    f.close();
    ::rename(QFile::encodeName(sibling).constData(), QFile::encodeName(path).constData());
}

} // namespace quavel::test
