// Watching the shown order with real files, real inotify and the event loop running: what relists,
// what only raises a revision, how events are gathered, and what stops the watching.
#include "OrdersFixture.h"

#include "platform/files/NativeName.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace quavel;
using namespace quavel::test;

namespace {

class OrdersWatching : public ::testing::Test
{
protected:
    OrdersFixture f;
    OrdersStore* store = nullptr;
    QString photo;

    void SetUp() override
    {
        photo = f.file("Commande/IMPRESSION A5/IMG_0001.jpg", "one");
        f.file("Commande/IMPRESSION A5/IMG_0002.jpg", "two");
        f.file("Commande/loose.jpg", "loose");
        store = &f.openOn("Commande");
        ASSERT_EQ(store->sections().size(), 2);
    }

    QStringList namesIn(const QString& section) const
    {
        QStringList out;
        for (const OrderSection& s : store->sections())
            if (s.name == section)
                for (const OrderMedia& m : s.files)
                    out << QFileInfo(m.url).fileName();
        return out;
    }
    QStringList sectionNames() const
    {
        QStringList out;
        for (const OrderSection& s : store->sections())
            out << s.name;
        return out;
    }
};

TEST_F(OrdersWatching, ACopiedInPhotoAppearsAndIsWatchedFromThenOn)
{
    const QString copied = f.file("Commande/IMPRESSION A5/IMG_0003.jpg", "three");
    ASSERT_TRUE(waitUntil([&] { return namesIn("IMPRESSION A5").size() == 3; }));
    EXPECT_TRUE(store->watchedPaths().contains(copied));
    f.file("Commande/IMPRESSION A5/IMG_0003.jpg", "three, changed");
    EXPECT_TRUE(waitUntil([&] { return store->fileRevision(copied) == 1; }));
}

TEST_F(OrdersWatching, AnInPlaceOverwriteRaisesTheRevisionOnly)
{
    QSignalSpy relisted(store, &OrdersStore::sectionsChanged);
    f.file("Commande/IMPRESSION A5/IMG_0001.jpg", "overwritten");
    ASSERT_TRUE(waitUntil([&] { return store->fileRevision(photo) == 1; }));
    QTest::qWait(300);
    EXPECT_EQ(store->fileRevision(photo), 1);
    EXPECT_EQ(relisted.count(), 0);
}

// A photo whose name is not UTF-8 is watched by its bytes: overwritten in place, only its revision
// rises; a second one copied in beside it is listed with its own bytes.
TEST_F(OrdersWatching, APhotoWhoseNameIsNotUtf8IsWatchedLikeAnyOther)
{
    const QByteArray folder = QFile::encodeName(f.path("Commande/IMPRESSION A5"));
    writeRaw(folder + "/IMG_\xE9.jpg", "odd");
    ASSERT_TRUE(waitUntil([&] { return namesIn("IMPRESSION A5").size() == 3; }));
    const QString odd = NativeName::decode(folder + "/IMG_\xE9.jpg");
    EXPECT_TRUE(store->watchedPaths().contains(odd));

    QSignalSpy relisted(store, &OrdersStore::sectionsChanged);
    writeRaw(folder + "/IMG_\xE9.jpg", "odd, overwritten");
    ASSERT_TRUE(waitUntil([&] { return store->fileRevision(odd) == 1; }));
    QTest::qWait(300);
    EXPECT_EQ(relisted.count(), 0);
    EXPECT_EQ(store->fileRevision(NativeName::decode(folder + "/IMG_\xE8.jpg")), 0) << "another name";

    writeRaw(folder + "/IMG_\xE8.jpg", "another");
    ASSERT_TRUE(waitUntil([&] { return namesIn("IMPRESSION A5").size() == 4; }));
    EXPECT_TRUE(store->watchedPaths().contains(NativeName::decode(folder + "/IMG_\xE8.jpg")));
}

TEST_F(OrdersWatching, DeletingOrRenamingAPhotoRelists)
{
    QFile::remove(photo);
    ASSERT_TRUE(waitUntil([&] { return namesIn("IMPRESSION A5") == QStringList { "IMG_0002.jpg" }; }));
    QFile::rename(f.path("Commande/loose.jpg"), f.path("Commande/loose-renamed.jpg"));
    EXPECT_TRUE(waitUntil([&] { return namesIn("Fichiers") == QStringList { "loose-renamed.jpg" }; }));
}

TEST_F(OrdersWatching, ARenamedSectionIsListedUnderItsNewName)
{
    QDir().rename(f.path("Commande/IMPRESSION A5"), f.path("Commande/IMPRESSION A4"));
    ASSERT_TRUE(waitUntil([&] { return sectionNames() == QStringList { "Fichiers", "IMPRESSION A4" }; }));
    EXPECT_TRUE(store->watchedPaths().contains(f.path("Commande/IMPRESSION A4/IMG_0001.jpg")));
}

TEST_F(OrdersWatching, AShownOrderMovedToTheTrashShowsTheErrorAndStopsWatching)
{
    const QString trash = f.tmp.file("Trash");
    QDir().mkpath(trash);
    QDir().rename(f.path("Commande"), trash + "/Commande");
    ASSERT_TRUE(waitUntil([&] { return store->errorMessage().has_value(); }));
    EXPECT_EQ(store->errorMessage(),
        QStringLiteral(
            "Impossible de lire le dossier « Commande » : Le fichier ou le dossier est introuvable."));
    EXPECT_TRUE(store->sections().isEmpty());
    EXPECT_TRUE(store->watchedPaths().isEmpty());
}

TEST_F(OrdersWatching, TenEventsWithinATenthOfASecondMakeOneRefresh)
{
    QStringList photos;
    for (int i = 0; i < 10; ++i)
        photos << f.file(QStringLiteral("Commande/IMPRESSION A5/IMG_1%1.jpg").arg(i), "x");
    ASSERT_TRUE(waitUntil([&] { return namesIn("IMPRESSION A5").size() == 12; }));

    // A zero timer posted at the first revision runs as soon as the event loop gets control back:
    // by then the one refresh must have handled every path.
    int seenByZeroTimer = -1;
    bool posted = false;
    QObject::connect(store, &OrdersStore::fileRevisionsChanged, store, [&] {
        if (posted)
            return;
        posted = true;
        QTimer::singleShot(0, store, [&] {
            seenByZeroTimer = 0;
            for (const QString& p : photos)
                seenByZeroTimer += store->fileRevision(p);
        });
    });
    for (const QString& p : photos) {
        QFile file(p);
        file.open(QIODevice::Append);
        file.write("more");
        file.close();
        QTest::qWait(10);
    }
    ASSERT_TRUE(waitUntil([&] { return seenByZeroTimer >= 0; }));
    EXPECT_EQ(seenByZeroTimer, 10);
}

TEST_F(OrdersWatching, APhotoReplacedByRenameKeepsBeingWatched)
{
    replaceFile(photo, "written by an editor");
    ASSERT_TRUE(waitUntil([&] { return store->fileRevision(photo) == 1; }));
    f.file("Commande/IMPRESSION A5/IMG_0001.jpg", "changed in place afterwards");
    EXPECT_TRUE(waitUntil([&] { return store->fileRevision(photo) == 2; }));
}

TEST_F(OrdersWatching, ASameListingKeepsAPendingRefresh)
{
    f.file("Commande/IMPRESSION A5/IMG_0001.jpg", "overwritten");
    QTest::qWait(50); // reported, refresh pending
    store->loadSections();
    EXPECT_TRUE(waitUntil([&] { return store->fileRevision(photo) == 1; }));
}

// A photo renamed to its canonically equivalent form changes the listing but not the set of watched
// paths (compared composed): a refresh already pending stays.
TEST_F(OrdersWatching, ARenameToAnEquivalentNameKeepsAPendingRefresh)
{
    const QString decomposed = f.file(QStringLiteral("Commande/IMPRESSION A5/Ce\u0301line.jpg"), "c");
    ASSERT_TRUE(waitUntil([&] { return namesIn("IMPRESSION A5").size() == 3; }));
    f.file("Commande/IMPRESSION A5/IMG_0001.jpg", "overwritten");
    QTest::qWait(50); // reported, refresh pending
    ASSERT_TRUE(QFile::rename(decomposed, f.path(QStringLiteral("Commande/IMPRESSION A5/C\u00e9line.jpg"))));
    store->loadSections();
    ASSERT_TRUE(namesIn("IMPRESSION A5").contains(QStringLiteral("C\u00e9line.jpg")));
    EXPECT_TRUE(waitUntil([&] { return store->fileRevision(photo) == 1; }));
}

// A file arriving under a name equivalent to one listed (composed or decomposed, the Kelvin sign for a
// K, either way round) adds a name to the listing but no path to the watched set: a refresh already
// pending stays, whichever side's name is plain.
struct EquivalentArrival
{
    const char16_t* listed;
    const char16_t* arriving;
};

class OrdersWatchingEquivalentArrival : public OrdersWatching,
                                        public ::testing::WithParamInterface<EquivalentArrival>
{
};

TEST_P(OrdersWatchingEquivalentArrival, KeepsAPendingRefresh)
{
    const QString section = QStringLiteral("Commande/IMPRESSION A5/");
    f.file(section + QString::fromUtf16(GetParam().listed), "listed");
    ASSERT_TRUE(waitUntil([&] { return namesIn("IMPRESSION A5").size() == 3; }));
    f.file("Commande/IMPRESSION A5/IMG_0001.jpg", "overwritten");
    QTest::qWait(50); // reported, refresh pending
    f.file(section + QString::fromUtf16(GetParam().arriving), "arriving");
    store->loadSections();
    ASSERT_EQ(namesIn("IMPRESSION A5").size(), 4);
    EXPECT_TRUE(waitUntil([&] { return store->fileRevision(photo) == 1; }));
}

INSTANTIATE_TEST_SUITE_P(Names, OrdersWatchingEquivalentArrival,
    ::testing::Values(EquivalentArrival { u"Ce\u0301line.jpg", u"C\u00e9line.jpg" },
        EquivalentArrival { u"C\u00e9line.jpg", u"Ce\u0301line.jpg" },
        EquivalentArrival { u"K.jpg", u"\u212A.jpg" }, EquivalentArrival { u"\u212A.jpg", u"K.jpg" }));

TEST_F(OrdersWatching, ShowingAnotherOrderOrNoneStopsTheEarlierWatches)
{
    f.file("Autre/a.jpg");
    store->reload();
    store->setSelectedFolderID(f.path("Autre"));
    store->loadSections();
    f.file("Commande/IMPRESSION A5/IMG_0001.jpg", "unwatched now");
    QTest::qWait(300);
    EXPECT_EQ(store->fileRevision(photo), 0);
    store->setSelectedFolderID(std::nullopt);
    store->loadSections();
    EXPECT_TRUE(store->watchedPaths().isEmpty());
}

// The list of order folders follows the root: a folder made, removed or renamed there is listed within
// about half a second, the shown order staying selected; a loose file in the root changes no list.
TEST_F(OrdersWatching, TheFolderListFollowsTheRoot)
{
    f.folder("Ancienne");
    f.folder("Renommee");
    store->reload();
    const auto names = [&] {
        QStringList out;
        for (const OrderFolder& folder : store->folders())
            out << folder.name;
        return out;
    };
    ASSERT_EQ(names(), (QStringList { "Ancienne", "Commande", "Renommee" }));
    const struct
    {
        const char* name;
        std::function<void()> change;
        QStringList listed;
    } changes[] = {
        { "made", [&] { f.folder("Nouvelle"); }, { "Ancienne", "Commande", "Nouvelle", "Renommee" } },
        { "removed", [&] { QDir(f.path("Ancienne")).removeRecursively(); },
            { "Commande", "Nouvelle", "Renommee" } },
        { "renamed", [&] { QDir().rename(f.path("Renommee"), f.path("Dossier 12")); },
            { "Commande", "Dossier 12", "Nouvelle" } },
    };
    for (const auto& c : changes) {
        c.change();
        EXPECT_TRUE(waitUntil([&] { return names() == c.listed; }, 2000))
            << c.name << ": " << names().join(", ").toStdString();
        EXPECT_EQ(store->selectedFolderID(), f.path("Commande")) << c.name;
        EXPECT_EQ(store->sections().size(), 2) << c.name;
    }

    QSignalSpy listed(store, &OrdersStore::foldersChanged);
    f.file("lisez-moi.txt");
    QTest::qWait(500);
    EXPECT_EQ(listed.count(), 0);
}

} // namespace
