// Listing the orders tree and the selection rules, on real folder trees: which entries become order
// folders, sections and media, in what order, and when reload() writes the settings file.
#include "OrdersFixture.h"
#include "common/TestSupport.h"

#include "orders/OrderListing.h"
#include "orders/OrderPaths.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <functional>

#include <sys/resource.h>
#include <unistd.h>

using namespace quavel;
using namespace quavel::test;

namespace {

// "name:file,file|name:" with "*" after a video.
QString describe(const QList<OrderSection>& sections)
{
    QStringList parts;
    for (const OrderSection& s : sections) {
        QStringList files;
        for (const OrderMedia& m : s.files)
            files << OrderPaths::lastComponent(m.url) + (m.isVideo ? "*" : "");
        parts << s.name + ":" + files.join(',');
    }
    return parts.join('|');
}

struct TreeCase
{
    const char* name;
    // Entries under the order folder "Commande"; a trailing "/" makes a folder.
    QStringList entries;
    const char* sections;
};

class SectionsOfAnOrder : public ::testing::TestWithParam<TreeCase>
{
};

TEST_P(SectionsOfAnOrder, FollowTheListingRules)
{
    OrdersFixture f;
    f.folder("Commande");
    for (const QString& e : GetParam().entries) {
        if (e.endsWith('/'))
            f.folder("Commande/" + e.chopped(1));
        else
            f.file("Commande/" + e);
    }
    OrdersStore& store = f.openOn("Commande");
    EXPECT_EQ(describe(store.sections()), QString::fromUtf8(GetParam().sections));
    EXPECT_FALSE(store.errorMessage());
    for (const OrderSection& s : store.sections()) {
        if (s.name == "Fichiers") {
            EXPECT_EQ(s.url, f.path("Commande"));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, SectionsOfAnOrder,
    ::testing::Values(
        TreeCase { "OnlyLoosePhotos", { "IMG_2.jpg", "IMG_1.jpg" }, "Fichiers:IMG_1.jpg,IMG_2.jpg" },
        TreeCase { "LooseFilesComeFirstThenFoldersByName", { "B/x.jpg", "A/y.jpg", "loose.png" },
            "Fichiers:loose.png|A:y.jpg|B:x.jpg" },
        TreeCase { "EmptySubfolderIsASection", { "IMPRESSION A5/" }, "IMPRESSION A5:" },
        TreeCase { "NothingAtAll", {}, "" },
        TreeCase { "HiddenEntriesNeverShow",
            { ".quavel-originals/IMG_1.jpg", ".hidden.jpg", ".Cache/", "A/.x.jpg", "A/.quavel-originals/",
                "A/z.jpg" },
            "A:z.jpg" },
        TreeCase { "ExtensionsAndFileManagerOrder",
            { "IMG_2.JPG", "img_10.jpg", "IMG_1.heic", "notes.txt", "README", "clip.MOV", "trailing." },
            "Fichiers:clip.MOV*,IMG_1.heic,IMG_2.JPG,img_10.jpg" },
        TreeCase { "NumbersInFolderNamesCompareByValue",
            { "IMPRESSION 10/", "IMPRESSION 9/", "impression 1/" },
            "impression 1:|IMPRESSION 9:|IMPRESSION 10:" },
        TreeCase { "AFolderNamedLikeAPhotoIsASectionNotMedia", { "Album.jpg/", "A/Sub.jpg/", "A/p.dng" },
            "A:p.dng|Album.jpg:" },
        TreeCase { "SubfoldersOfASectionAreNotListed", { "A/Deeper/photo.jpg" }, "A:" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OrdersListing, OrderFoldersAreTheVisibleFoldersInFileManagerOrder)
{
    OrdersFixture f;
    f.folder("Commande 10");
    f.folder("commande 2");
    f.folder(".Trash");
    f.file("loose.jpg");
    ::symlink(
        QFile::encodeName(f.path("Commande 10")).constData(), QFile::encodeName(f.path("Lien")).constData());
    OrdersStore& store = f.openOn();
    QStringList names;
    for (const OrderFolder& o : store.folders())
        names << o.name;
    EXPECT_EQ(names, (QStringList { "commande 2", "Commande 10" }));
    EXPECT_EQ(store.selectedFolderID(), f.path("commande 2"));
}

TEST(OrdersListing, ANewStoreWithoutSettingsListsNothingAndWritesNothing)
{
    OrdersFixture f;
    OrdersStore& store = f.open();
    QSignalSpy sections(&store, &OrdersStore::sectionsChanged);
    store.reload();
    EXPECT_TRUE(store.folders().isEmpty());
    EXPECT_TRUE(store.sections().isEmpty());
    EXPECT_FALSE(store.errorMessage());
    EXPECT_FALSE(QFile::exists(f.settingsPath()));
}

TEST(OrdersListing, ReloadWritesOnlyWhenTheSelectionChanges)
{
    OrdersFixture f;
    f.file("A/a.jpg");
    f.file("B/b.jpg");
    f.openOn("B");
    OrdersStore& store = f.open();
    EXPECT_EQ(store.selectedFolderID(), f.path("B"));
    EXPECT_TRUE(store.folders().isEmpty()); // nothing listed before the first reload

    f.markSettings();
    store.reload();
    EXPECT_EQ(describe(store.sections()), "Fichiers:b.jpg");
    EXPECT_FALSE(f.settingsRewritten()) << "a selection still listed writes nothing";

    QDir(f.path("B")).removeRecursively();
    store.reload();
    EXPECT_EQ(store.selectedFolderID(), f.path("A"));
    EXPECT_TRUE(f.settingsRewritten());
    EXPECT_EQ(QString::fromStdString(f.settings()["selectedFolderPath"]), f.path("A"));

    QDir(f.path("A")).removeRecursively();
    f.markSettings();
    store.reload();
    EXPECT_FALSE(store.selectedFolderID());
    EXPECT_TRUE(store.sections().isEmpty());
    EXPECT_TRUE(f.settingsRewritten());
    EXPECT_FALSE(f.hasKey("selectedFolderPath"));
}

TEST(OrdersListing, AComposedSelectionMatchesADecomposedFolderName)
{
    OrdersFixture f;
    f.file(QStringLiteral("Ce\u0301line/a.jpg"));
    f.writeSettings(
        QStringLiteral(R"({"rootBookmark":"%1","rootName":"Commandes","selectedFolderPath":"%2"})")
            .arg(OrdersFixture::bookmarkText(f.root), f.path(QStringLiteral("C\u00e9line")))
            .toUtf8());
    OrdersStore& store = f.open();
    f.markSettings();
    store.reload();
    EXPECT_EQ(describe(store.sections()), "Fichiers:a.jpg");
    EXPECT_EQ(store.selectedFolderID(), f.path(QStringLiteral("Ce\u0301line"))) << "as listed";
    EXPECT_FALSE(f.settingsRewritten());
}

TEST(OrdersListing, AVanishedRootKeepsItsNameAndSelectionAndWritesNothing)
{
    OrdersFixture f;
    f.file("A/a.jpg");
    OrdersStore& store = f.openOn("A");
    ASSERT_FALSE(store.watchedPaths().isEmpty());
    QDir(f.root).removeRecursively();
    f.markSettings();
    store.reload();
    EXPECT_FALSE(store.errorMessage());
    EXPECT_TRUE(store.folders().isEmpty());
    EXPECT_TRUE(store.sections().isEmpty());
    EXPECT_TRUE(store.watchedPaths().isEmpty());
    EXPECT_EQ(store.rootName(), QStringLiteral("Commandes"));
    EXPECT_EQ(store.selectedFolderID(), f.path("A"));
    EXPECT_FALSE(f.settingsRewritten());
}

// Runs the action while no further file can be opened (the one listing failure that stops root too).
void withoutFreeDescriptors(const std::function<void()>& action)
{
    rlimit saved {};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    // A new descriptor takes the lowest free number: below the limit, none is free then.
    const int lowestFree = ::dup(0);
    ::close(lowestFree);
    rlimit tight = saved;
    tight.rlim_cur = rlim_t(lowestFree);
    ::setrlimit(RLIMIT_NOFILE, &tight);
    action();
    ::setrlimit(RLIMIT_NOFILE, &saved);
}

TEST(OrdersListing, ARootThatCannotBeListedShowsWhyAndWritesNothing)
{
    if (test::kBuiltWithSanitizers)
        GTEST_SKIP() << "the sanitizers' own checks need free descriptors";
    OrdersFixture f;
    f.file("A/a.jpg");
    OrdersStore& store = f.openOn("A");
    f.markSettings();
    withoutFreeDescriptors([&] { store.reload(); });
    EXPECT_EQ(store.errorMessage(),
        QStringLiteral("Impossible de lire le dossier « Commandes » : Trop de fichiers sont ouverts."));
    EXPECT_TRUE(store.folders().isEmpty());
    EXPECT_TRUE(store.sections().isEmpty());
    EXPECT_FALSE(store.watchedPaths().isEmpty()) << "the shown order's watches stay";
    EXPECT_FALSE(f.settingsRewritten());
}

TEST(OrdersListing, AStaleRootBookmarkListsAtOnceAndIsRenewedLater)
{
    OrdersFixture f;
    f.file("A/a.jpg");
    f.writeSettings(QStringLiteral(R"({"rootBookmark":"%1","rootName":"Commandes"})")
                        .arg(OrdersFixture::bookmarkText(f.root))
                        .toUtf8());
    // The root is now another folder at the same path.
    const QString moved = f.tmp.file("ancien");
    QDir().rename(f.root, moved);
    QDir().mkpath(f.path("B"));
    f.file("B/b.jpg");
    OrdersStore& store = f.open();
    const QByteArray stale = *store.rootBookmark();
    store.reload();
    EXPECT_EQ(describe(store.sections()), "Fichiers:b.jpg");
    EXPECT_EQ(store.rootBookmark(), stale) << "renewed after the current work only";
    ASSERT_TRUE(waitUntil([&] { return store.rootBookmark() != stale; }));
    EXPECT_EQ(store.rootBookmark(), Bookmark::create(f.root));
    EXPECT_EQ(QByteArray::fromBase64(QByteArray::fromStdString(f.settings()["rootBookmark"])),
        *Bookmark::create(f.root));
}

TEST(OrdersListing, ARootWhoseBookmarkCannotBeMadeShowsItsNameOnly)
{
    OrdersFixture f;
    OrdersStore& store = f.open();
    store.storeRoot(f.tmp.file("Disparu"));
    EXPECT_EQ(store.rootName(), QStringLiteral("Disparu"));
    EXPECT_TRUE(store.folders().isEmpty());
    EXPECT_FALSE(f.hasKey("rootBookmark"));
    EXPECT_TRUE(f.hasKey("watermarks"));
}

TEST(OrdersListing, AccessIsRetainedOncePerStandardizedPath)
{
    OrdersFixture f;
    OrdersStore& store = f.open();
    store.storeRoot(f.root);
    store.storeRoot(f.root + QStringLiteral("/./"));
    store.storeRoot(f.tmp.path() + QStringLiteral("/x/../Commandes"));
    EXPECT_EQ(store.accessedPaths(), QStringList { f.root });
}

TEST(OrdersListing, PickingAnUnlistedFolderSelectsNothing)
{
    OrdersFixture f;
    f.file("A/a.jpg");
    OrdersStore& store = f.openOn("A");
    store.setSelectedFolderID(f.tmp.file("ailleurs"));
    store.loadSections();
    EXPECT_FALSE(store.selectedFolderID());
    EXPECT_TRUE(store.sections().isEmpty());
    EXPECT_TRUE(store.watchedPaths().isEmpty());
}

TEST(OrdersListing, TheOrderFolderIsWatchedOnceWithItsSectionsAndMedia)
{
    OrdersFixture f;
    f.file("A/loose.jpg");
    f.file("A/S/in.mp4");
    OrdersStore& store = f.openOn("A");
    const QSet<QString> expected { f.path("A"), f.path("A/loose.jpg"), f.path("A/S"), f.path("A/S/in.mp4") };
    EXPECT_EQ(store.watchedPaths(), expected);
}

// The store keeps the listings of the orders it showed: one shown again lists what changed while
// another was shown (unwatched then), and a reload that finds everything as it was changes nothing.
TEST(OrdersListing, AnOrderShownAgainShowsWhatChangedMeanwhile)
{
    OrdersFixture f;
    f.file("A/IMG_1.jpg");
    f.file("A/IMG_2.jpg");
    f.file("A/S/IMG_3.jpg");
    f.file("B/b.jpg");
    OrdersStore& store = f.openOn("A");
    ASSERT_EQ(describe(store.sections()), "Fichiers:IMG_1.jpg,IMG_2.jpg|S:IMG_3.jpg");
    store.setSelectedFolderID(f.path("B"));
    store.loadSections();
    ASSERT_EQ(describe(store.sections()), "Fichiers:b.jpg");

    QFile::remove(f.path("A/IMG_1.jpg"));
    f.file("A/IMG_10.jpg");
    QFile::rename(f.path("A/S/IMG_3.jpg"), f.path("A/S/IMG_30.jpg"));
    f.folder("A/T");
    store.setSelectedFolderID(f.path("A"));
    store.loadSections();
    EXPECT_EQ(describe(store.sections()), "Fichiers:IMG_2.jpg,IMG_10.jpg|S:IMG_30.jpg|T:");
    EXPECT_TRUE(store.watchedPaths().contains(f.path("A/S/IMG_30.jpg")));
    EXPECT_FALSE(store.watchedPaths().contains(f.path("A/S/IMG_3.jpg")));

    QSignalSpy sections(&store, &OrdersStore::sectionsChanged);
    QSignalSpy folders(&store, &OrdersStore::foldersChanged);
    store.reload();
    EXPECT_EQ(sections.count(), 0);
    EXPECT_EQ(folders.count(), 0);
}

// The keys of names listed before are kept between listings: whichever names the cache holds (none,
// some, all), a folder lists in one order.
enum class KeysKept { None, Some, All };

class ListingWithKeysKept : public ::testing::TestWithParam<KeysKept>
{
};

TEST_P(ListingWithKeysKept, GivesTheSameOrder)
{
    OrdersFixture f;
    // Numbers by value, case and accents at a lower level than letters, canonically equivalent names.
    const QStringList names { "IMG_10.jpg", "img_2.JPG", "IMG_1.heic", "IMG_1 v2.jpg",
        QStringLiteral("\u00c9t\u00e9 3.png"), "ete 3.png", QStringLiteral("Ce\u0301line.jpg"),
        QStringLiteral("C\u00e9line 1.jpg"), "celine.jpg", "clip.MOV", "Zoe.jpg", "zoe 0.jpg" };
    for (const QString& n : names)
        f.file("Commande/" + n);
    for (qsizetype i = 0; i < names.size(); i += 2)
        f.file("Moitie/" + names[i]);

    OrderListing::clearSortKeyCache();
    QStringList cold;
    for (const OrderMedia& m : OrderListing::media(f.path("Commande")))
        cold << OrderPaths::lastComponent(m.url);
    ASSERT_EQ(cold.size(), names.size());
    EXPECT_LT(cold.indexOf("img_2.JPG"), cold.indexOf("IMG_10.jpg"));

    OrderListing::clearSortKeyCache();
    if (GetParam() == KeysKept::Some)
        OrderListing::media(f.path("Moitie"));
    else if (GetParam() == KeysKept::All)
        OrderListing::media(f.path("Commande"));
    QStringList listed;
    for (const OrderMedia& m : OrderListing::media(f.path("Commande")))
        listed << OrderPaths::lastComponent(m.url);
    EXPECT_EQ(listed, cold);
}

INSTANTIATE_TEST_SUITE_P(Orders, ListingWithKeysKept,
    ::testing::Values(KeysKept::None, KeysKept::Some, KeysKept::All), [](const auto& info) {
        switch (info.param) {
        case KeysKept::None:
            return std::string("None");
        case KeysKept::Some:
            return std::string("Some");
        case KeysKept::All:
            break;
        }
        return std::string("All");
    });

} // namespace
