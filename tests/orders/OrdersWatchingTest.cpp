// Watching the shown order with real files, real inotify and the event loop running: what relists,
// what only raises a revision, how events are gathered, and what stops the watching.
#include "OrdersFixture.h"

#include "platform/files/FolderWatcher.h"
#include "platform/files/NativeName.h"

#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

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
    ASSERT_TRUE(waitUntil([&] { return store->isWatchSettled(); }));
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
    ASSERT_TRUE(waitUntil([&] { return store->isWatchSettled(); }));
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
        letTimePass(10); // the burst spreads over a tenth of a second
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

// A refresh pending when the order is listed again, seen pending before and after: the tests run with the
// watch's reports read at once and half a second late (as on a loaded machine), so that the case is
// the one tested however late the report comes.
class PendingRefresh : public OrdersWatching
{
protected:
    explicit PendingRefresh(int reportDelayMs)
        : m_reportDelayMs(reportDelayMs)
    { }
    void SetUp() override
    {
        FolderWatcher::setReportDelayForTesting(m_reportDelayMs);
        OrdersWatching::SetUp();
    }
    void TearDown() override { FolderWatcher::setReportDelayForTesting(0); }

    // Overwrites the shown photo in place and waits until its report is gathered and its refresh
    // scheduled.
    void overwriteUntilARefreshIsPending()
    {
        f.file("Commande/IMPRESSION A5/IMG_0001.jpg", "overwritten");
        ASSERT_TRUE(waitUntil([&] { return store->isDiskRefreshPending(); }));
        ASSERT_EQ(store->fileRevision(photo), 0);
    }
    // After the listing: still pending, then the photo refreshed.
    void expectThePendingRefreshKept()
    {
        EXPECT_TRUE(store->isDiskRefreshPending()) << "the listing dropped the pending refresh";
        EXPECT_TRUE(waitUntil([&] { return store->fileRevision(photo) == 1; }));
    }

private:
    int m_reportDelayMs;
};

const auto reportDelays = ::testing::Values(0, 500);

std::string reportedAfter(int ms)
{
    return "ReportedAfter" + std::to_string(ms) + "ms";
}

class OrdersWatchingPending : public PendingRefresh, public ::testing::WithParamInterface<int>
{
protected:
    OrdersWatchingPending()
        : PendingRefresh(GetParam())
    { }
};

TEST_P(OrdersWatchingPending, ASameListingKeepsAPendingRefresh)
{
    ASSERT_NO_FATAL_FAILURE(overwriteUntilARefreshIsPending());
    store->loadSections();
    expectThePendingRefreshKept();
}

// A photo renamed to its canonically equivalent form changes the listing but not the set of watched
// paths (compared composed): a refresh already pending stays.
TEST_P(OrdersWatchingPending, ARenameToAnEquivalentNameKeepsAPendingRefresh)
{
    const QString decomposed = f.file(QStringLiteral("Commande/IMPRESSION A5/Ce\u0301line.jpg"), "c");
    ASSERT_TRUE(waitUntil([&] { return namesIn("IMPRESSION A5").size() == 3; }));
    ASSERT_TRUE(waitUntil([&] { return store->isWatchSettled(); }));
    ASSERT_NO_FATAL_FAILURE(overwriteUntilARefreshIsPending());
    ASSERT_TRUE(QFile::rename(decomposed, f.path(QStringLiteral("Commande/IMPRESSION A5/C\u00e9line.jpg"))));
    store->loadSections();
    ASSERT_TRUE(namesIn("IMPRESSION A5").contains(QStringLiteral("C\u00e9line.jpg")));
    expectThePendingRefreshKept();
}

INSTANTIATE_TEST_SUITE_P(
    Delays, OrdersWatchingPending, reportDelays, [](const auto& info) { return reportedAfter(info.param); });

// A file arriving under a name equivalent to one listed (composed or decomposed, the Kelvin sign for a
// K, either way round) adds a name to the listing but no path to the watched set: a refresh already
// pending stays, whichever side's name is plain.
struct EquivalentArrival
{
    const char* label;
    const char16_t* listed;
    const char16_t* arriving;
};

void PrintTo(const EquivalentArrival& names, std::ostream* os)
{
    *os << names.label;
}

class OrdersWatchingEquivalentArrival
    : public PendingRefresh,
      public ::testing::WithParamInterface<std::tuple<EquivalentArrival, int>>
{
protected:
    OrdersWatchingEquivalentArrival()
        : PendingRefresh(std::get<1>(GetParam()))
    { }
};

TEST_P(OrdersWatchingEquivalentArrival, KeepsAPendingRefresh)
{
    const EquivalentArrival& names = std::get<0>(GetParam());
    const QString section = QStringLiteral("Commande/IMPRESSION A5/");
    f.file(section + QString::fromUtf16(names.listed), "listed");
    ASSERT_TRUE(waitUntil([&] { return namesIn("IMPRESSION A5").size() == 3; }));
    ASSERT_TRUE(waitUntil([&] { return store->isWatchSettled(); }));
    ASSERT_NO_FATAL_FAILURE(overwriteUntilARefreshIsPending());
    f.file(section + QString::fromUtf16(names.arriving), "arriving");
    store->loadSections();
    ASSERT_EQ(namesIn("IMPRESSION A5").size(), 4);
    expectThePendingRefreshKept();
}

INSTANTIATE_TEST_SUITE_P(Names, OrdersWatchingEquivalentArrival,
    ::testing::Combine(
        ::testing::Values(EquivalentArrival { "Decomposed", u"Ce\u0301line.jpg", u"C\u00e9line.jpg" },
            EquivalentArrival { "Composed", u"C\u00e9line.jpg", u"Ce\u0301line.jpg" },
            EquivalentArrival { "PlainK", u"K.jpg", u"\u212A.jpg" },
            EquivalentArrival { "KelvinSign", u"\u212A.jpg", u"K.jpg" }),
        reportDelays),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).label) + "Listed" + reportedAfter(std::get<1>(info.param));
    });

TEST_F(OrdersWatching, ShowingAnotherOrderOrNoneStopsTheEarlierWatches)
{
    f.file("Autre/a.jpg");
    store->reload();
    store->setSelectedFolderID(f.path("Autre"));
    store->loadSections();
    f.file("Commande/IMPRESSION A5/IMG_0001.jpg", "unwatched now");
    ASSERT_TRUE(waitUntil([&] { return store->isWatchSettled(); }));
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
    ASSERT_TRUE(waitUntil([&] { return store->isWatchSettled(); }));
    EXPECT_EQ(listed.count(), 0);
}

} // namespace
