// The watermark list on real image files: adding, duplicates, selecting, removing, resolving, and stale
// bookmarks renewed on demand and by the start-up prefetch, also after the entry was removed.
#include "OrdersFixture.h"

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

QStringList names(const OrdersStore& s)
{
    QStringList out;
    for (const OrderWatermark& w : s.watermarks())
        out << w.name;
    return out;
}

QString selectedName(const OrdersStore& s)
{
    for (const OrderWatermark& w : s.watermarks())
        if (w.id == s.selectedWatermarkID())
            return w.name;
    return s.selectedWatermarkID() ? "?" : "-";
}

// A settings file listing watermark images, the first selected.
void writeList(OrdersFixture& f, const QStringList& images)
{
    QStringList entries;
    for (qsizetype i = 0; i < images.size(); ++i)
        entries << QStringLiteral(R"({"id":"ID-%1","name":"%2","bookmark":"%3"})")
                       .arg(i)
                       .arg(QFileInfo(images[i]).fileName(), OrdersFixture::bookmarkText(images[i]));
    f.writeSettings(QStringLiteral(R"({"watermarks":[%1],"selectedWatermarkID":"ID-0"})")
                        .arg(entries.join(','))
                        .toUtf8());
}

TEST(OrdersWatermarks, AddingSelectsCachesAndSavesAndADuplicateOnlySelects)
{
    OrdersFixture f;
    const QString one = f.file("Filigranes/Un.png");
    const QString two = f.file("Filigranes/Deux.png");
    OrdersStore& store = f.open();
    store.setErrorMessage(QStringLiteral("ancien message"));
    store.addWatermark(one);
    EXPECT_EQ(names(store), QStringList { "Un.png" });
    EXPECT_EQ(selectedName(store), "Un.png");
    EXPECT_EQ(store.watermarkURLs().value(store.watermarks().first().id), one);
    EXPECT_EQ(store.errorMessage(), QStringLiteral("ancien message")) << "what an earlier action said stays";
    store.addWatermark(two);
    EXPECT_EQ(selectedName(store), "Deux.png");

    store.setErrorMessage(QStringLiteral("reste"));
    f.markSettings();
    store.addWatermark(f.tmp.path() + QStringLiteral("/Commandes/./Filigranes/Un.png"));
    EXPECT_EQ(names(store), (QStringList { "Un.png", "Deux.png" }));
    EXPECT_EQ(selectedName(store), "Un.png");
    EXPECT_EQ(store.errorMessage(), QStringLiteral("reste"));
    EXPECT_TRUE(f.settingsRewritten());
}

TEST(OrdersWatermarks, AnImageThatCannotBeRememberedIsNotAdded)
{
    OrdersFixture f;
    const QString one = f.file("Un.png");
    OrdersStore& store = f.open();
    store.addWatermark(one);
    f.markSettings();
    store.addWatermark(f.tmp.file("absent.png"));
    EXPECT_EQ(store.errorMessage(), QStringLiteral("Impossible d’enregistrer l’accès à ce filigrane."));
    EXPECT_EQ(names(store), QStringList { "Un.png" });
    EXPECT_EQ(selectedName(store), "Un.png");
    EXPECT_FALSE(f.settingsRewritten());
    EXPECT_TRUE(store.accessedPaths().contains(f.tmp.file("absent.png")));
}

TEST(OrdersWatermarks, SelectingAndRemoving)
{
    OrdersFixture f;
    OrdersStore& store = f.open();
    for (const char* n : { "A.png", "B.png", "C.png" })
        store.addWatermark(f.file(n));
    const QString a = store.watermarks()[0].id, b = store.watermarks()[1].id;

    f.markSettings();
    store.selectWatermark(QStringLiteral("inconnu"));
    EXPECT_EQ(selectedName(store), "C.png");
    EXPECT_FALSE(f.settingsRewritten());
    store.selectWatermark(b);
    store.selectWatermark(b);
    EXPECT_TRUE(f.settingsRewritten());

    store.removeWatermark(b); // the selected one: the first remaining takes over
    EXPECT_EQ(names(store), (QStringList { "A.png", "C.png" }));
    EXPECT_EQ(selectedName(store), "A.png");
    EXPECT_FALSE(store.watermarkURLs().contains(b));

    f.markSettings();
    store.removeWatermark(QStringLiteral("inconnu"));
    EXPECT_EQ(names(store), (QStringList { "A.png", "C.png" }));
    EXPECT_TRUE(f.settingsRewritten()) << "saved in every case";

    store.removeWatermark(store.watermarks()[1].id);
    store.removeWatermark(a);
    EXPECT_TRUE(store.watermarks().isEmpty());
    EXPECT_FALSE(store.selectedWatermarkID());
    EXPECT_FALSE(store.resolveWatermark());
}

TEST(OrdersWatermarks, TheSelectedImageIsResolvedFromItsBookmarkAndCached)
{
    OrdersFixture f;
    const QString one = f.file("Un.png");
    const QString two = f.file("Deux.png");
    writeList(f, { one, two });
    OrdersStore& store = f.open();
    EXPECT_EQ(store.resolveWatermark(), one); // before the prefetch ran: resolved now
    EXPECT_EQ(store.watermarkURLs().value("ID-0"), one);
    store.selectWatermark("ID-1");
    EXPECT_EQ(store.resolveWatermark(), two);
    QFile::remove(two);
    EXPECT_EQ(store.resolveWatermark(), two) << "a cached image is not looked at again";
}

TEST(OrdersWatermarks, AStaleBookmarkResolvedOnDemandIsRenewedAfterTheCurrentWork)
{
    OrdersFixture f;
    const QString one = f.file("Un.png");
    writeList(f, { one });
    replaceFile(one, "edited elsewhere");
    OrdersStore& store = f.open();
    const QByteArray stale = store.watermarks().first().bookmark;
    EXPECT_EQ(store.resolveWatermark(), one);
    EXPECT_EQ(store.watermarks().first().bookmark, stale);
    ASSERT_TRUE(waitUntil([&] { return store.watermarks().first().bookmark != stale; }));
    EXPECT_EQ(store.watermarks().first().bookmark, *Bookmark::create(one));
    EXPECT_EQ(f.settings()["watermarks"][0]["bookmark"], Bookmark::create(one)->toBase64().toStdString());
}

TEST(OrdersWatermarks, ARenewalForAnEntryRemovedMeanwhileTouchesNoOtherEntry)
{
    OrdersFixture f;
    const QString one = f.file("Un.png");
    const QString two = f.file("Deux.png");
    writeList(f, { one, two });
    replaceFile(one, "edited elsewhere");
    OrdersStore& store = f.open();
    const QByteArray second = store.watermarks()[1].bookmark;
    ASSERT_EQ(store.resolveWatermark(), one); // stale: its renewal is deferred
    store.removeWatermark("ID-0");
    ASSERT_TRUE(waitUntil([&] { return store.watermarkURLs().contains("ID-1"); }));
    runPostedWork(); // the deferred renewal included
    ASSERT_EQ(store.watermarks().size(), 1);
    EXPECT_EQ(store.watermarks()[0].id, "ID-1");
    EXPECT_EQ(store.watermarks()[0].bookmark, second);
    EXPECT_EQ(f.open().watermarks()[0].bookmark, second);
}

TEST(OrdersWatermarks, ThePrefetchCachesEveryImageAndSavesOnlyForRenewals)
{
    OrdersFixture f;
    const QString one = f.file("Un.png");
    const QString two = f.file("Deux.png");
    writeList(f, { one, two, f.file("Trois.png") });
    QFile::remove(f.path("Trois.png"));
    {
        OrdersStore& store = f.open();
        f.markSettings();
        ASSERT_TRUE(waitUntil([&] { return store.watermarkURLs().size() == 2; }));
        EXPECT_EQ(store.watermarkURLs().value("ID-0"), one);
        EXPECT_EQ(store.watermarkURLs().value("ID-1"), two);
        runPostedWork();
        EXPECT_FALSE(f.settingsRewritten()) << "nothing stale, nothing written";
        EXPECT_TRUE(store.accessedPaths().contains(two));
    }
    replaceFile(two, "edited elsewhere");
    OrdersStore& store = f.open();
    f.markSettings();
    ASSERT_TRUE(waitUntil([&] { return f.settingsRewritten(); }));
    EXPECT_EQ(store.watermarks()[1].bookmark, *Bookmark::create(two));
    EXPECT_EQ(store.watermarks()[0].bookmark, *Bookmark::create(one));
    EXPECT_EQ(store.watermarkURLs().size(), 2);
}

} // namespace
