// Every file of the application that exists but cannot be read is the user's: it is moved aside before
// the first write that would replace it, and while it cannot be moved it is never written over. The
// stores show nothing and try again at their next write; an edit of a photo whose journal cannot be
// moved fails. The move is made impossible by the file system's immutable flag from before the keeper
// reads the file, then possible again.
//
// The settings files (every kept file but the journals) share one rule besides: a file that a store
// wrote reads back whole and is written again byte for byte, and one that does not read is set aside
// once while the store starts from what it has without a file.
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
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <sys/stat.h>

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
    // A settings file: what the store wrote. The write asked of a settings keeper leaves the store's
    // values as they are.
    const char* written = nullptr;
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

// What each store wrote, byte for byte, as files on users' machines hold it: each later version must read
// it whole and write it again unchanged.
const char* const writtenLibrary = R"json({
  "days": [
    {
      "createdAt": "2026-12-11T11:16:10.670Z",
      "id": "3347C6CA-74D3-4E47-B20E-A23541B6151E",
      "name": "Samedi 14 juin",
      "sortIndex": 0
    },
    {
      "createdAt": "2026-12-11T11:16:10.683Z",
      "id": "4A403F8C-C651-4EE4-8536-6B418B108459",
      "name": "Vendredi 11 décembre 2026",
      "sortIndex": 1
    }
  ],
  "spreadsheets": [
    {
      "createdAt": "2026-12-11T11:16:10.671Z",
      "dayID": "3347C6CA-74D3-4E47-B20E-A23541B6151E",
      "id": "76B66818-904F-416B-8C2B-463A9F75F9C1",
      "isOpen": true,
      "rows": [
        {
          "assignedNumber": "56",
          "id": "BFD123F5-7E7D-4207-BFB3-BB988272DD51",
          "photoNumber": "1234"
        },
        {
          "assignedNumber": "",
          "id": "B8217BBB-5CFF-48F9-8423-6AB7B34AEDD4",
          "photoNumber": ""
        }
      ],
      "title": "Épreuve 3 – 1,20 m",
      "updatedAt": "2026-12-11T11:16:10.675Z"
    }
  ],
  "updatedAt": "2026-12-11T11:16:10.684Z",
  "version": 1
})json";

const char* const writtenUIState = R"json({
  "selectedDayID": "3347C6CA-74D3-4E47-B20E-A23541B6151E",
  "selectedSpreadsheetID": "76B66818-904F-416B-8C2B-463A9F75F9C1",
  "syncedSpreadsheetIDs": []
})json";

const char* const writtenOrders = R"json({
  "deliveredPaths": [
    "/home/photo/Commandes été/Dupont Jeanne/IMG_2.jpg",
    "/home/photo/a.jpg"
  ],
  "openWithApps": {
    "jpg": "/usr/share/applications/gimp.desktop"
  },
  "retouch": {
    "autoContrast": false,
    "brightness": 0,
    "contrast": 0,
    "exposure": 0,
    "gamma": 1,
    "highlightRadius": 30,
    "highlightTonalWidth": 50,
    "highlights": 0,
    "optimizedSharpness": false,
    "removeLensBlur": false,
    "saturation": 0,
    "shadowRadius": 30,
    "shadowTonalWidth": 50,
    "shadows": 0,
    "sharpnessAmount": 100,
    "sharpnessNoiseReduction": 10,
    "sharpnessRadius": 1,
    "vibrance": 0
  },
  "rootBookmark": "cGFzIHVuIHNpZ25ldA==",
  "rootName": "Commandes été",
  "selectedFolderPath": "/home/photo/Commandes été/Dupont Jeanne",
  "selectedWatermarkID": "0A1B2C3D-4E5F-4061-8273-849506172839",
  "watermarkBookmark": "c2lnbmV0IDI=",
  "watermarkName": "Filigrane",
  "watermarks": [
    {
      "bookmark": "c2lnbmV0IDE=",
      "id": "7D6C4B2A-1111-4222-8333-944455556666",
      "name": "logo.png"
    },
    {
      "bookmark": "c2lnbmV0IDI=",
      "id": "0A1B2C3D-4E5F-4061-8273-849506172839",
      "name": "Filigrane"
    }
  ]
})json";

const char* const writtenRiderFolders = R"json({
  "destinationBookmark": "c2lnbmV0",
  "destinationName": "Paniers",
  "programmeName": "Programme CSO été.pdf"
})json";

const char* const writtenWorkspace = R"json({
  "actionHistory": [
    {
      "date": "2025-06-14T09:30:12.345Z",
      "headline": "2 photos copiées",
      "id": "5C9A1E22-0000-4000-8000-000000000001",
      "messages": [
        "Rien à signaler"
      ],
      "spreadsheetID": "3F2504E0-4F89-11D3-9A0C-0305E82C3301",
      "spreadsheetTitle": "Épreuve 3"
    }
  ],
  "lastDestinationBookmark": "ZHN0",
  "lastDestinationName": "Cavaliers",
  "programmeName": "Programme.xlsx",
  "settings": {
    "3F2504E0-4F89-11D3-9A0C-0305E82C3301": {
      "customEventName": "Grand Prix",
      "destinationBookmark": "ZHN0",
      "destinationName": "Cavaliers",
      "importBookmark": "aW1w",
      "importCopyName": "programme.pdf",
      "importName": "prog.pdf",
      "isCompleted": true,
      "manualRiders": {
        "12": {
          "firstName": "Jeanne",
          "lastName": "Dupont"
        }
      },
      "rememberedTransfers": {
        "9B2E5D4C-0000-4000-8000-00000000000A": {
          "fileNames": [
            "IMG_1.jpg",
            "IMG_2.jpg"
          ],
          "rangeLabel": "IMG_1 – IMG_2"
        }
      },
      "selectedDayName": "Samedi",
      "selectedEventID": "ep-3",
      "sourceBookmark": "c3Jj",
      "sourceName": "Carte SD"
    }
  }
})json";

const char* const writtenDefaults = R"json({
  "quavel.appearance": "dark",
  "quavel.count": -42,
  "quavel.flag": true,
  "quavel.recent": [
    "Équipe A",
    "B"
  ],
  "quavel.scale": 1.25,
  "quavel.window": {
    "$data": "AQL/IGZyYW1lAA=="
  }
}
)json";

const char* const writtenFavorites = R"json({
  "items": [
    {
      "id": "B2C3D4E5-F617-8901-BCDE-F12345678901",
      "title": "Equipe",
      "url": "https://online.equipe.com"
    },
    {
      "id": "6F9619FF-8B86-D011-B42D-00C04FC964FF",
      "title": "Résultats – Grand Prix",
      "url": "https://example.org/cso?jour=2"
    }
  ],
  "seedVersion": 2
})json";

Write flushingLibrary(const QString& folder)
{
    auto library = std::make_shared<Library>(folder);
    return [library] {
        library->store.flush();
        return true;
    };
}

template <typename Store> Write persisting(const QString& folder)
{
    auto store = std::make_shared<Store>(folder);
    return [store] {
        store->persist();
        return true;
    };
}

const Keeper settingsKeepers[] = {
    { "library", "library.json", &flushingLibrary, false, false, writtenLibrary },
    { "uiState", "ui-state.json", &flushingLibrary, false, false, writtenUIState },
    { "orders", "settings.json", &persisting<OrdersStore>, false, false, writtenOrders },
    { "riderFolders", "settings.json", &persisting<RiderFoldersStore>, false, false, writtenRiderFolders },
    { "workspace", "workspace.json", &persisting<WorkspaceStore>, false, false, writtenWorkspace },
    { "userDefaults", "defaults.json",
        [](const QString& folder) -> Write {
            auto defaults = std::make_shared<UserDefaults>(folder + QStringLiteral("/defaults.json"));
            return [defaults] {
                defaults->setString(QStringLiteral("quavel.appearance"), QStringLiteral("dark"));
                return defaults->synchronize();
            };
        },
        true, false, writtenDefaults },
    { "favorites", "programme-favorites.json",
        [](const QString&) -> Write {
            ProgrammeFavorites::load();
            return [] {
                ProgrammeFavorites::save(ProgrammeFavorites::load());
                return true;
            };
        },
        false, true, writtenFavorites },
};

const Keeper journal { "journal", ".quavel-originals/IMG_1.jpg.edits.json",
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
    true };

class UnreadableFiles : public ::testing::TestWithParam<Keeper>
{
protected:
    UnreadableFiles() { removeKept(); }
    ~UnreadableFiles() override { removeKept(); }

    QString folder() const { return GetParam().applicationFolder ? AppSupport::folder() : m_dir.path(); }
    QString path() const { return folder() + u'/' + QString::fromUtf8(GetParam().file); }
    QByteArray kept() const { return test::readFile(path()); }
    void keep(const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(path()).absolutePath());
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

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
    keep(unreadable);
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

// The settings files alone: a journal is no settings file.
class SettingsFiles : public UnreadableFiles
{
protected:
    // The bytes with the save time of the library's file left out.
    static QByteArray withoutStamp(const QByteArray& bytes)
    {
        static const QRegularExpression stamp(QStringLiteral("\n  \"updatedAt\": \"[^\"]*\""));
        return QString::fromUtf8(bytes).remove(stamp).toUtf8();
    }

    // The kept file's inode: an atomic write puts a new file in place.
    ino_t inode() const
    {
        struct stat st = {};
        return ::stat(QFile::encodeName(path()).constData(), &st) == 0 ? st.st_ino : 0;
    }
};

TEST_P(SettingsFiles, aFileTheStoreWroteIsWrittenAgainByteForByteAndOneCutShortIsSetAsideOnce)
{
    // What the store writes when it starts without a file.
    EXPECT_TRUE(GetParam().open(folder())());
    const QByteArray defaults = withoutStamp(kept());
    ASSERT_FALSE(defaults.isEmpty());

    // Written again (a new file in place), holding every value it held, coded as before.
    const QByteArray written = GetParam().written;
    keep(written);
    const ino_t before = inode();
    EXPECT_TRUE(GetParam().open(folder())());
    EXPECT_NE(inode(), before);
    EXPECT_EQ(withoutStamp(kept()), withoutStamp(written));
    EXPECT_TRUE(setAside().isEmpty());

    // Cut short: set aside once, and the store starts from what it writes without a file.
    const QByteArray unreadable = written.left(written.lastIndexOf('}'));
    keep(unreadable);
    const Write write = GetParam().open(folder());
    EXPECT_TRUE(write());
    EXPECT_TRUE(write());
    const QStringList aside = setAside();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(test::readFile(QFileInfo(path()).absolutePath() + u'/' + aside.first()), unreadable);
    EXPECT_EQ(withoutStamp(kept()), defaults);
}

const auto keeperName = [](const auto& info) { return std::string(info.param.name); };

INSTANTIATE_TEST_SUITE_P(Settings, UnreadableFiles, ::testing::ValuesIn(settingsKeepers), keeperName);
INSTANTIATE_TEST_SUITE_P(Journal, UnreadableFiles, ::testing::Values(journal), keeperName);
INSTANTIATE_TEST_SUITE_P(Stores, SettingsFiles, ::testing::ValuesIn(settingsKeepers), keeperName);
