// Every file of the application that exists but cannot be read is the user's: it is moved aside before
// the first write that would replace it, and while it cannot be moved it is never written over. The
// stores show nothing and try again at their next write; an edit of a photo whose journal cannot be
// moved fails. The move is made impossible by the file system's immutable flag from before the keeper
// reads the file, then possible again.
#include "common/Immutable.h"
#include "common/TestSupport.h"
#include "library/AppSupport.h"
#include "library/LibraryStore.h"
#include "orders/OrdersStore.h"
#include "photo/originals/PhotoEditError.h"
#include "photo/originals/PhotoEditMemory.h"
#include "platform/UserDefaults.h"
#include "platform/files/UnnamedFile.h"
#include "programme/ProgrammeFavorites.h"
#include "workspace/RiderFoldersStore.h"
#include "workspace/WorkspaceStore.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace quavel;
using quavel::test::Immutable;
using quavel::test::TempFolder;

namespace {

// One write asked of a keeper of a file; false when the write reported that it was refused (the stores
// that show nothing always answer true).
using Write = std::function<bool()>;

struct Keeper
{
    const char* name;
    // The kept file, relative to the keeper's folder.
    const char* file;
    // Reads the folder as the application does when it starts (and writes, for the keepers that write
    // then), and returns the write to ask for.
    std::function<Write(const QString& folder)> open;
    bool reportsRefusal = false;
    // Kept in the application-support folder itself rather than in a folder of the test's.
    bool applicationFolder = false;
};

void PrintTo(const Keeper& keeper, std::ostream* os)
{
    *os << keeper.name;
}

struct Library
{
    explicit Library(const QString& folder)
        : defaults(folder + QStringLiteral("/defaults.json"))
        , store(folder, defaults)
    { }
    UserDefaults defaults;
    LibraryStore store;
};

template <typename Store> Write persisting(const QString& folder)
{
    auto store = std::make_shared<Store>(folder);
    return [store] {
        store->persist();
        return true;
    };
}

const Keeper keepers[] = {
    { "library", "library.json",
        [](const QString& folder) -> Write {
            auto library = std::make_shared<Library>(folder);
            return [library] {
                library->store.addDay(QStringLiteral("Samedi"));
                return true;
            };
        } },
    { "uiState", "ui-state.json",
        [](const QString& folder) -> Write {
            auto library = std::make_shared<Library>(folder);
            return [library] {
                library->store.updateUIState(QUuid::createUuid(), std::nullopt);
                return true;
            };
        } },
    { "orders", "settings.json", &persisting<OrdersStore> },
    { "riderFolders", "settings.json", &persisting<RiderFoldersStore> },
    { "workspace", "workspace.json", &persisting<WorkspaceStore> },
    { "userDefaults", "defaults.json",
        [](const QString& folder) -> Write {
            auto defaults = std::make_shared<UserDefaults>(folder + QStringLiteral("/defaults.json"));
            return [defaults] {
                defaults->setString(QStringLiteral("quavel.appearance"), QUuid::createUuid().toString());
                return defaults->synchronize();
            };
        },
        true },
    { "favorites", "programme-favorites.json",
        [](const QString&) -> Write {
            ProgrammeFavorites::load();
            return [] {
                ProgrammeFavorites::save(ProgrammeFavorite::builtIn());
                return true;
            };
        },
        false, true },
    { "journal", ".quavel-originals/IMG_1.jpg.edits.json",
        [](const QString& folder) -> Write {
            const QString photo = folder + QStringLiteral("/IMG_1.jpg");
            return [photo] {
                try {
                    PhotoEditMemory::save(PhotoEditJournal {}, photo);
                    return true;
                } catch (const PhotoEditError& e) {
                    EXPECT_EQ(e.kind(), PhotoEditError::Kind::journalNotSetAside);
                    return false;
                }
            };
        },
        true },
};

class UnreadableFiles : public ::testing::TestWithParam<Keeper>
{
protected:
    UnreadableFiles() { removeKept(); }
    ~UnreadableFiles() override { removeKept(); }

    QString folder() const { return GetParam().applicationFolder ? AppSupport::folder() : m_dir.path(); }
    QString path() const { return folder() + u'/' + QString::fromUtf8(GetParam().file); }
    QByteArray kept() const { return test::readFile(path()); }

    // The kept file and its copies, where they are not in a folder of the test's own.
    void removeKept() const
    {
        if (!GetParam().applicationFolder)
            return;
        const QFileInfo file(path());
        QDir folder(file.absolutePath());
        for (const QString& name : folder.entryList({ file.fileName() + '*' }, QDir::Files))
            folder.remove(name);
    }

    // The kept file's moved-aside copies.
    QStringList setAside() const
    {
        const QFileInfo file(path());
        return QDir(file.absolutePath()).entryList({ file.fileName() + ".unreadable-*" }, QDir::Files);
    }

    // Temporary files of the application's writers left beside it.
    QStringList temporaries() const
    {
        QStringList names = QDir(QFileInfo(path()).absolutePath()).entryList(QDir::Files | QDir::Hidden);
        names.removeIf([](const QString& n) { return !UnnamedFile::isTemporaryName(n); });
        return names;
    }

    TempFolder m_dir;
};

} // namespace

TEST_P(UnreadableFiles, isNeverWrittenOverWhileItCannotBeMovedAside)
{
    const QByteArray unreadable = "{ \"days\": [ plus rien";
    QDir().mkpath(QFileInfo(path()).absolutePath());
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(unreadable);
    }
    Immutable pinned(path());
    if (!pinned.isSet())
        GTEST_SKIP() << "no immutable flag on this file system";
    const Write write = GetParam().open(folder());

    // Refused, byte for byte as it was, and nothing left beside it.
    EXPECT_EQ(write(), !GetParam().reportsRefusal);
    EXPECT_EQ(write(), !GetParam().reportsRefusal);
    EXPECT_EQ(kept(), unreadable);
    EXPECT_TRUE(setAside().isEmpty());
    EXPECT_TRUE(temporaries().isEmpty()) << temporaries().join(u' ').toStdString();

    // Movable again: the next write moves it aside first, then writes.
    pinned.clear();
    EXPECT_TRUE(write());
    const QStringList aside = setAside();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(test::readFile(QFileInfo(path()).absolutePath() + u'/' + aside.first()), unreadable);
    const QByteArray written = kept();
    EXPECT_FALSE(written.isEmpty());
    EXPECT_NE(written, unreadable);

    // Only once: the file written since is the application's own.
    EXPECT_TRUE(write());
    EXPECT_EQ(setAside(), aside);
}

INSTANTIATE_TEST_SUITE_P(Keepers, UnreadableFiles, ::testing::ValuesIn(keepers),
    [](const auto& info) { return std::string(info.param.name); });
