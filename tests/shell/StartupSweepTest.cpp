// The start-up sweep over the application's own folders (the test program's private XDG tree).
#include "shell/StartupSweep.h"
#include "common/ChildProcess.h"
#include "common/TestSupport.h"
#include "library/AppSupport.h"
#include "photo/originals/PhotoFiles.h"
#include "platform/UserDefaults.h"
#include "platform/files/TemporarySweep.h"
#include "platform/files/UnnamedFile.h"
#include "workspace/PhotoOrganizer.h"
#include "workspace/WorkspaceStore.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

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

namespace {

// A folder the application sweeps, and its sweep.
struct SweptFolder
{
    const char* name;
    std::function<void(const QString& folder)> sweep;
};

// The rules the application registers for one of its own folders, applied to another folder.
std::function<void(const QString&)> registeredFor(const QString& own)
{
    return [own](const QString& folder) {
        TemporarySweep::clearForTesting();
        AppSupport::registerTemporaryFiles();
        for (const TemporarySweep::Rule& rule : TemporarySweep::rules())
            if (rule.folder == own)
                TemporarySweep::sweepFolder(folder, rule.isTemporary);
        TemporarySweep::clearForTesting();
    };
}

} // namespace

// Each temporary name any version of the application has written is removed where that writer wrote
// it, and nothing else is removed anywhere: a look-alike, a user's file, a kept original or journal.
TEST(StartupSweep, eachFolderTakesTheTemporaryNamesWrittenThereAndNothingElse)
{
    const SweptFolder folders[] = {
        { "application", registeredFor(AppSupport::folder()) },
        { "configuration", registeredFor(QFileInfo(UserDefaults::standardPath()).absolutePath()) },
        { "photos", [](const QString& f) { PhotoFiles::removeLeftovers(f); } },
        { "originals",
            [](const QString& f) { TemporarySweep::sweepFolder(f, &PhotoFiles::isOriginalsTemporary); } },
        { "copies", [](const QString& f) { UnnamedFile::removeLeftovers(f); } },
    };
    // Removed from: application, configuration, photos, originals, copies.
    const struct
    {
        const char* name;
        bool removed[5];
    } names[] = {
        // Today's writers: every new file is made under this one name, or under none.
        { ".quavel-tmp-0123456789ab", { true, true, true, true, true } },
        // Earlier writers: copies and backups, photo rewrites, saves and journals.
        { ".quavel-partial-0123456789ab", { true, false, false, true, true } },
        { ".0F8FAD5B-D9CB-469F-A165-70867728950E.jpg", { false, false, true, true, false } },
        { "library.json.tmp-Ab3xYz", { true, true, false, false, false } },
        { "IMG_1.JPG.edits.json.tmp-Ab3xYz", { true, true, false, true, false } },
        // A photo named like an earlier save's temporary is kept where photos live.
        { "vacances.tmp-abc123", { true, true, false, false, false } },
        // Look-alikes and the user's own files.
        { ".quavel-tmp-0123456789AB", {} },
        { ".quavel-tmp-0123456789abc", {} },
        { ".quavel-partial-0123456789a", {} },
        { ".0f8fad5b-d9cb-469f-a165-70867728950e.jpg", {} },
        { ".0F8FAD5B-D9CB-469F-A165-70867728950E.JPG", {} },
        { "IMG_1.JPG", {} },
        { "IMG_1.JPG.edits.json", {} },
        { "library.json.unreadable-20260601T080000Z", {} },
    };
    for (int column = 0; column < 5; ++column) {
        SCOPED_TRACE(folders[column].name);
        test::TempFolder dir;
        QStringList kept;
        for (const auto& entry : names) {
            dir.write(QString::fromUtf8(entry.name), "x");
            if (!entry.removed[column])
                kept.append(QString::fromUtf8(entry.name));
        }
        folders[column].sweep(dir.path());
        kept.sort();
        EXPECT_EQ(filesUnder({ dir.path() }).replaceInStrings(dir.path() + u'/', QString()), kept);
    }
}

// An organiser run killed while a placeholder held a photo's name, before its mark or after it
// (placeholders forced, as on FAT and exFAT): the next start sweeps the rider folders of the destinations
// the workspace knows, and leaves the photos, a user's empty file and a user's hidden file.
TEST(StartupSweep, removesWhatAKilledOrganiserRunLeftInTheDestinationsItKnows)
{
    using Step = UnnamedFile::PlaceholderStep;
    test::TempFolder sources;
    for (int p = 1; p <= 4; ++p)
        sources.write(QStringLiteral("IMG_000%1.JPG").arg(p), QByteArray(4096, char('a' + p)));
    SpreadsheetRecord spreadsheet;
    spreadsheet.rows
        = { RowRecord { QUuid::createUuid(), "1", "7" }, RowRecord { QUuid::createUuid(), "3", "8" } };
    const QList<PhotoGroup> groups = PhotoOrganizer::plan(spreadsheet, {}, sources.path());
    test::TempFolder destinations;
    QStringList kept;
    {
        WorkspaceStore workspace(AppSupport::folder());
        for (const Step step : { Step::created, Step::marked }) {
            const QString destination = destinations.file(QString::number(int(step)));
            EXPECT_TRUE(test::runInKilledChild([&] {
                UnnamedFile::startFromForTesting(UnnamedFile::Method::placeholderRename);
                int placeholders = 0;
                UnnamedFile::setPlaceholderHookForTesting([&](Step at) {
                    if (at == step && placeholders++ == 3)
                        test::dieNow();
                });
                PhotoOrganizer::execute(groups, destination);
            }));
            for (const QString& file : filesUnder({ destination }))
                if (!QFileInfo(file).fileName().startsWith(u'.') && QFileInfo(file).size() > 0)
                    kept << file;
            kept << put(destination + "/7/vide.JPG", {}) << put(destination + "/8/.notes");
            workspace.storeFolder(destination, WorkspaceStore::FolderKind::destination, QUuid::createUuid());
        }
    }
    StartupSweep::run();
    TemporarySweep::clearForTesting();
    QFile::remove(AppSupport::folder() + QStringLiteral("/workspace.json"));
    kept.sort();
    EXPECT_EQ(filesUnder({ destinations.path() }), kept);
}
