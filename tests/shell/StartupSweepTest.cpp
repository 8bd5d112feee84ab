// The start-up sweep over the application's own folders (the test program's private XDG tree).
#include "shell/StartupSweep.h"
#include "common/TestSupport.h"
#include "library/AppSupport.h"
#include "platform/UserDefaults.h"
#include "platform/files/TemporarySweep.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace quavel;

namespace {

QString put(const QString& path, const QByteArray& bytes = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

QStringList filesUnder(const QStringList& roots)
{
    QStringList found;
    for (const QString& root : roots) {
        QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(it.next());
    }
    found.sort();
    return found;
}

} // namespace

// What killed saves, copies and imports left goes: only the application's own temporary names, only in
// its own folders, never a file a living writer holds, never a user's file.
TEST(StartupSweep, removesOnlyTheApplicationsOwnLeftovers)
{
    const QString app = AppSupport::folder();
    const QString config = QFileInfo(UserDefaults::standardPath()).absolutePath();
    const QString photos = QDir::homePath() + QStringLiteral("/Photos");
    const QString uuid = QStringLiteral("0b7f3c7e-2d4f-4f8e-9a51-3c9b2f1d6a10");
    const QStringList leftovers {
        put(app + "/library.json.tmp-Ab12Cd", "{\"days\": ["),
        put(app + "/ui-state.json.tmp-000000"),
        put(app + "/.programme-import-" + uuid + ".pdf", "%PDF"),
        put(app + "/.quavel-partial-abcdefghij12"),
        put(AppSupport::riderFoldersFolder() + "/settings.json.tmp-Zz9Zz9"),
        put(AppSupport::riderFoldersFolder() + "/.programme-import-" + uuid + ".xlsx", "PK"),
        put(AppSupport::ordersFolder() + "/orders.json.tmp-q1w2e3"),
        put(config + "/defaults.json.tmp-aB3dE5"),
        put(app + "/.quavel-tmp-0123456789ab", "{\"days\": ["),
        put(AppSupport::ordersFolder() + "/.quavel-tmp-abcdefghij12"),
        put(config + "/.quavel-tmp-zz0123456789"),
    };
    const QStringList kept {
        put(app + "/library.json", "{}"),
        put(app + "/library.json.unreadable-20260601T080000Z"),
        put(app + "/programme.pdf"),
        put(app + "/notes.tmp-abc"),
        put(app + "/sub/library.json.tmp-aaaaaa"),
        put(app + "/.programme-import-" + uuid),
        put(config + "/defaults.json", "{}"),
        put(config + "/.quavel-partial-abcdefghij12"),
        put(photos + "/.quavel-partial-abcdefghij12"),
        put(photos + "/IMG_0001.JPG.tmp-abcdef"),
        put(photos + "/.quavel-tmp-0123456789ab"),
        put(app + "/.quavel-tmp-0123456789AB"),
    };
    // A save under way in this process.
    const QString living = put(app + "/workspace.json.tmp-L1v1ng");
    const int fd = ::open(QFile::encodeName(living).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);

    EXPECT_EQ(StartupSweep::run(), leftovers.size());
    TemporarySweep::clearForTesting();
    ::close(fd);

    QStringList expected = kept;
    expected.append(living);
    expected.sort();
    EXPECT_EQ(filesUnder({ app, config, photos }), expected);
}
