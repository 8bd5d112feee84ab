// The folder watcher over real inotify, on folders made by the tests, with the event loop running.
#include "platform/files/FolderWatcher.h"
#include "common/TestSupport.h"
#include "platform/files/UnnamedFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

using namespace quavel;
using namespace quavel::test;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

// A photo replaced the way the photo writer does it: a hidden sibling written, then renamed onto it.
void replaceByRename(const QString& path, const QByteArray& bytes)
{
    const QString sibling = QFileInfo(path).absolutePath() + QStringLiteral("/.replacing.jpg");
    writeFile(sibling, bytes);
    ASSERT_EQ(::rename(QFile::encodeName(sibling).constData(), QFile::encodeName(path).constData()), 0);
}

void touch(const QString& path)
{
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), nullptr, 0), 0);
}

class FolderWatcherTest : public ::testing::Test
{
protected:
    TempFolder tmp;
    FolderWatcher watcher;
    QStringList seen;
    QString section;
    QString photo;
    QString other;
    QString sentinel;

    void SetUp() override
    {
        section = tmp.file(QStringLiteral("Commande/IMPRESSION A5"));
        sentinel = tmp.file(QStringLiteral("sentinel"));
        QDir().mkpath(section);
        QDir().mkpath(sentinel);
        photo = section + QStringLiteral("/IMG_0001.jpg");
        other = section + QStringLiteral("/IMG_0002.jpg");
        writeFile(photo, "one");
        writeFile(other, "two");
        QObject::connect(&watcher, &FolderWatcher::changed, [this](const QString& p) { seen << p; });
        watchSection();
    }

    void watchSection(QStringList files = {})
    {
        if (files.isEmpty())
            files = { photo, other };
        watcher.watch({ section, sentinel }, files);
    }

    // Every event caused before this call has been read: the sentinel's own event comes after them in
    // the one queue. The sentinel's report is then dropped.
    QSet<QString> settle()
    {
        static int n = 0;
        writeFile(sentinel + QStringLiteral("/mark-%1").arg(++n), "x");
        EXPECT_TRUE(waitUntil([&] { return seen.contains(sentinel); }));
        QSet<QString> out(seen.cbegin(), seen.cend());
        out.remove(sentinel);
        seen.clear();
        return out;
    }
};

struct EntryCase
{
    const char* name;
    std::function<void(const QString& section, const QString& photo)> act;
    // What is reported: "photo" stands for the listed photo, "section" for its folder.
    QStringList expected;
};

class EntryEvents : public FolderWatcherTest, public ::testing::WithParamInterface<EntryCase>
{
};

TEST_P(EntryEvents, NameTheListedFileOrTheFolder)
{
    GetParam().act(section, photo);
    QSet<QString> expected;
    for (const QString& e : GetParam().expected)
        expected.insert(e == "photo" ? photo : section);
    EXPECT_EQ(settle(), expected);
}

INSTANTIATE_TEST_SUITE_P(FolderWatcher, EntryEvents,
    ::testing::Values(
        EntryCase { "CopyIn", [](const QString& s, const QString&) { writeFile(s + "/IMG_0003.jpg", "3"); },
            { "section" } },
        EntryCase { "OverwriteInPlace", [](const QString&, const QString& p) { writeFile(p, "changed"); },
            { "photo" } },
        EntryCase { "Delete", [](const QString&, const QString& p) { QFile::remove(p); }, { "photo" } },
        EntryCase { "RenameAway",
            [](const QString& s, const QString& p) { QFile::rename(p, s + "/renamed.jpg"); },
            { "photo", "section" } },
        EntryCase { "ReplaceByRename", [](const QString&, const QString& p) { replaceByRename(p, "new"); },
            { "photo" } },
        EntryCase { "Attributes", [](const QString&, const QString& p) { touch(p); }, { "photo" } },
        EntryCase { "NewSubfolder", [](const QString& s, const QString&) { QDir().mkpath(s + "/Tirages"); },
            { "section" } },
        EntryCase { "HiddenSiblingsAndOriginals",
            [](const QString& s, const QString&) {
                writeFile(s + "/.5F3A.jpg", "tmp");
                QFile::remove(s + "/.5F3A.jpg");
                QDir().mkpath(s + "/.quavel-originals");
                writeFile(s + "/.quavel-originals/IMG_0001.jpg", "original");
            },
            {} },
        // The application's own writes: the unnamed file's events ("#<inode>") say nothing of the folder.
        EntryCase { "ReplacedThroughAnUnnamedFile",
            [](const QString& s, const QString& p) {
                UnnamedFile file;
                ASSERT_EQ(file.open(s), 0);
                ASSERT_EQ(::write(file.fd(), "new", 3), 3);
                ASSERT_EQ(file.replace(QFileInfo(p).fileName()), 0);
            },
            { "photo" } },
        EntryCase { "AnUnnamedFileWrittenThenDropped",
            [](const QString& s, const QString&) {
                UnnamedFile file;
                ASSERT_EQ(file.open(s), 0);
                ASSERT_EQ(::write(file.fd(), "gone", 4), 4);
                file.discard();
            },
            {} },
        EntryCase { "HiddenRenamedOntoAnUnlistedName",
            [](const QString& s, const QString&) {
                writeFile(s + "/.tmp", "x");
                QFile::rename(s + "/.tmp", s + "/IMG_0009.jpg");
            },
            { "section" } }),
    [](const auto& info) { return std::string(info.param.name); });

// A new list keeps the watches of the folders it still holds: what happened there before it was
// given is still reported (by the new list's names), and what it adds or leaves out counts from then on.
struct ListChangeCase
{
    const char* name;
    // Done before the new list is given, the event loop not running (its events wait in the queue).
    std::function<void(const QString& section)> before;
    // The new list: "section", "sentinel" for folders; "photo", "other", "third" for files.
    QStringList folders;
    QStringList files;
    std::function<void(const QString& section)> after;
    QStringList expected;
};

class ListChanges : public FolderWatcherTest, public ::testing::WithParamInterface<ListChangeCase>
{
protected:
    QString resolve(const QString& token) const
    {
        if (token == "section")
            return section;
        if (token == "sentinel")
            return sentinel;
        if (token == "photo")
            return photo;
        if (token == "other")
            return other;
        return section + QStringLiteral("/IMG_0003.jpg");
    }
};

TEST_P(ListChanges, KeepWhatTheyStillWatch)
{
    const ListChangeCase& c = GetParam();
    if (c.before)
        c.before(section);
    QStringList folders;
    for (const QString& t : c.folders)
        folders << resolve(t);
    QStringList files;
    for (const QString& t : c.files)
        files << resolve(t);
    watcher.watch(folders, files);
    if (c.after)
        c.after(section);
    QSet<QString> expected;
    for (const QString& t : c.expected)
        expected.insert(resolve(t));
    EXPECT_EQ(settle(), expected);
}

INSTANTIATE_TEST_SUITE_P(FolderWatcher, ListChanges,
    ::testing::Values(ListChangeCase { "ACopyInJustBeforeTheNewList",
                          [](const QString& s) { writeFile(s + "/IMG_0003.jpg", "3"); },
                          { "section", "sentinel" }, { "photo", "other", "third" }, {}, { "third" } },
        ListChangeCase { "AChangeJustBeforeTheNewList",
            [](const QString& s) { writeFile(s + "/IMG_0002.jpg", "2"); }, { "section", "sentinel" },
            { "photo" }, {}, { "section" } },
        ListChangeCase { "AFileAddedToTheList", [](const QString& s) { writeFile(s + "/IMG_0003.jpg", "3"); },
            { "section", "sentinel" }, { "photo", "other", "third" },
            [](const QString& s) { writeFile(s + "/IMG_0003.jpg", "changed"); }, { "third" } },
        ListChangeCase { "AFileLeftOutReportsItsFolder", {}, { "section", "sentinel" }, { "photo" },
            [](const QString& s) { writeFile(s + "/IMG_0002.jpg", "changed"); }, { "section" } },
        ListChangeCase { "AFolderLeftOut", {}, { "sentinel" }, {},
            [](const QString& s) { writeFile(s + "/IMG_0001.jpg", "changed"); }, {} },
        ListChangeCase { "AFolderNoLongerReportingEntries", {}, { "sentinel" }, { "photo" },
            [](const QString& s) {
                writeFile(s + "/IMG_0003.jpg", "unlisted");
                writeFile(s + "/IMG_0001.jpg", "listed");
            },
            { "photo" } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FolderWatcherTest, NamesDecomposedOnDiskMatchComposedListings)
{
    // The listing gave the name composed; the file system holds it decomposed (as copied from a Mac).
    const QString decomposed = section + QStringLiteral("/Ce\u0301line.jpg");
    writeFile(decomposed, "x");
    watchSection({ section + QStringLiteral("/C\u00e9line.jpg") });
    settle();
    writeFile(decomposed, "changed");
    EXPECT_EQ(settle(), QSet<QString> { section + QStringLiteral("/C\u00e9line.jpg") });
}

TEST_F(FolderWatcherTest, OwnDeletionReportsTheFolderAndEndsItsWatch)
{
    QFile::remove(photo);
    QFile::remove(other);
    settle();
    ASSERT_TRUE(QDir().rmdir(section));
    EXPECT_TRUE(settle().contains(section));
    EXPECT_EQ(watcher.watchedFolders(), QStringList { sentinel });
}

TEST_F(FolderWatcherTest, AFolderMovedAwayIsNoLongerFollowedUntilRearmed)
{
    // Moving to the trash sends the folder nothing but its own move.
    const QString trash = tmp.file(QStringLiteral("Trash"));
    QDir().mkpath(trash);
    ASSERT_TRUE(QDir().rename(section, trash + QStringLiteral("/IMPRESSION A5")));
    EXPECT_EQ(settle(), QSet<QString> { section });
    writeFile(trash + QStringLiteral("/IMPRESSION A5/IMG_0001.jpg"), "in the trash");
    EXPECT_TRUE(settle().isEmpty());

    watcher.rearm(); // nothing at the path yet
    EXPECT_EQ(watcher.watchedFolders(), QStringList { sentinel });
    QDir().mkpath(section);
    watcher.rearm();
    writeFile(photo, "a new folder under the old name");
    EXPECT_EQ(settle(), QSet<QString> { photo });
}

TEST_F(FolderWatcherTest, AFolderWatchedOnlyForItsFilesReportsOnlyThem)
{
    watcher.watch({ sentinel }, { photo });
    writeFile(section + QStringLiteral("/IMG_0003.jpg"), "unlisted");
    writeFile(other, "unlisted too");
    EXPECT_TRUE(settle().isEmpty());
    writeFile(photo, "listed");
    EXPECT_EQ(settle(), QSet<QString> { photo });
}

TEST_F(FolderWatcherTest, StopAndMissingPathsReportNothing)
{
    watcher.watch({ sentinel, tmp.file(QStringLiteral("absent")), photo /* a file is no folder */ }, {});
    EXPECT_EQ(watcher.watchedFolders(), QStringList { sentinel });
    watcher.stop();
    writeFile(sentinel + QStringLiteral("/after-stop"), "x");
    writeFile(photo, "after stop");
    ASSERT_TRUE(waitUntil([&] { return !watcher.hasUnreadEvents(); }));
    EXPECT_TRUE(seen.isEmpty());
}

// The report delay the tests of late reports use: a change stays unread (and unreported) until the
// delay has passed, then is reported as at once.
TEST_F(FolderWatcherTest, AReportDelayedForTestsStaysUnreadUntilThen)
{
    struct Delay
    {
        Delay() { FolderWatcher::setReportDelayForTesting(300); }
        ~Delay() { FolderWatcher::setReportDelayForTesting(0); }
    } delay;
    QElapsedTimer clock;
    clock.start();
    writeFile(photo, "changed");
    EXPECT_TRUE(watcher.hasUnreadEvents());
    ASSERT_TRUE(waitUntil([&] { return !seen.isEmpty(); }));
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_EQ(seen, QStringList { photo });
    EXPECT_FALSE(watcher.hasUnreadEvents());
}

TEST_F(FolderWatcherTest, AnOverflowedQueueReportsEveryFolder)
{
    bool ok = false;
    const int limit = readFile(QStringLiteral("/proc/sys/fs/inotify/max_queued_events")).trimmed().toInt(&ok);
    if (!ok || limit > 200000)
        GTEST_SKIP() << "queue limit unknown or too large to fill";
    // Alternating two files keeps the kernel from folding equal events together; nothing is read
    // meanwhile, as the event loop does not run.
    for (int i = 0; i <= limit; ++i)
        touch(i % 2 ? photo : other);
    EXPECT_TRUE(settle().contains(section));
}

} // namespace
