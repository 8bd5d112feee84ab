// The listings a store keeps, on real folders: whatever changed on disk between two listings, listing
// again from what was kept gives what a first listing gives; and the order of every listing is the
// file manager's order of a plain sort.
#include "OrdersFixture.h"

#include "orders/OrderListing.h"
#include "orders/OrderListingCache.h"
#include "orders/OrderPaths.h"
#include "platform/Error.h"
#include "platform/files/NativeName.h"
#include "platform/text/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>

#include <unistd.h>

using namespace quavel;
using namespace quavel::test;

namespace {

constexpr char kLeftover[] = ".5F3A0C1E-1234-4ABC-9DEF-0123456789AB.jpg";

// "folders|media*|leftovers|originals", names only, "*" after a video.
QString describe(const OrderListing::Contents& c)
{
    QStringList folders;
    for (const OrderFolder& f : c.folders)
        folders << f.name;
    QStringList media;
    for (const OrderMedia& m : c.media)
        media << NativeName::displayed(OrderPaths::lastComponent(m.url)) + (m.isVideo ? "*" : "");
    QStringList leftovers;
    for (const QByteArray& l : c.leftovers)
        leftovers << QString::fromLatin1(l);
    return folders.join(',') + '|' + media.join(',') + '|' + leftovers.join(',') + '|'
        + (c.hasOriginals ? "originals" : "");
}

struct ChangeCase
{
    const char* name;
    std::function<void(const OrdersFixture&)> change;
    const char* listed;
};

class ListingAgain : public ::testing::TestWithParam<ChangeCase>
{
};

// The folder starts with photos, a video, a sub-folder, a folder named like a photo and another file.
TEST_P(ListingAgain, GivesWhatAFirstListingGives)
{
    OrdersFixture f;
    for (const char* name : { "IMG_2.jpg", "IMG_10.JPG", "IMG_1.heic", "clip.mov", "notes.txt" })
        f.file(QStringLiteral("Commande/") + name);
    f.folder("Commande/IMPRESSION 10");
    f.folder("Commande/Album.jpg");
    const QString folder = f.path("Commande");

    OrderListingCache cache;
    const OrderListing::Contents first = cache.contents(folder);
    ASSERT_EQ(describe(first), "Album.jpg,IMPRESSION 10|clip.mov*,IMG_1.heic,IMG_2.jpg,IMG_10.JPG||");
    GetParam().change(f);

    const OrderListing::Contents again = cache.contents(folder);
    EXPECT_EQ(describe(again), QString::fromUtf8(GetParam().listed));
    const OrderListing::Contents fresh = OrderListing::contents(folder);
    EXPECT_EQ(again.folders, fresh.folders);
    EXPECT_EQ(again.media, fresh.media);
    EXPECT_EQ(again.leftovers, fresh.leftovers);
    EXPECT_EQ(again.hasOriginals, fresh.hasOriginals);

    // Nothing changed since: the very lists (the store compares them with the shown ones for free).
    const OrderListing::Contents same = cache.contents(folder);
    EXPECT_EQ(same.media.constData(), again.media.constData());
    EXPECT_EQ(same.folders.constData(), again.folders.constData());
    EXPECT_EQ(describe(same), describe(again));
}

INSTANTIATE_TEST_SUITE_P(Orders, ListingAgain,
    ::testing::Values(ChangeCase { "Nothing", [](const OrdersFixture&) {},
                          "Album.jpg,IMPRESSION 10|clip.mov*,IMG_1.heic,IMG_2.jpg,IMG_10.JPG||" },
        ChangeCase { "PhotoAdded", [](const OrdersFixture& f) { f.file("Commande/IMG_3.png"); },
            "Album.jpg,IMPRESSION 10|clip.mov*,IMG_1.heic,IMG_2.jpg,IMG_3.png,IMG_10.JPG||" },
        ChangeCase { "PhotoRemoved",
            [](const OrdersFixture& f) { QFile::remove(f.path("Commande/IMG_2.jpg")); },
            "Album.jpg,IMPRESSION 10|clip.mov*,IMG_1.heic,IMG_10.JPG||" },
        ChangeCase { "PhotoRenamed",
            [](const OrdersFixture& f) {
                QFile::rename(f.path("Commande/IMG_1.heic"), f.path("Commande/IMG_11 v2.heic"));
            },
            "Album.jpg,IMPRESSION 10|clip.mov*,IMG_2.jpg,IMG_10.JPG,IMG_11 v2.heic||" },
        ChangeCase { "PhotoBecomesAFolder",
            [](const OrdersFixture& f) {
                QFile::remove(f.path("Commande/IMG_2.jpg"));
                f.folder("Commande/IMG_2.jpg");
            },
            "Album.jpg,IMG_2.jpg,IMPRESSION 10|clip.mov*,IMG_1.heic,IMG_10.JPG||" },
        ChangeCase { "FolderBecomesAPhoto",
            [](const OrdersFixture& f) {
                QDir().rmdir(f.path("Commande/Album.jpg"));
                f.file("Commande/Album.jpg");
            },
            "IMPRESSION 10|Album.jpg,clip.mov*,IMG_1.heic,IMG_2.jpg,IMG_10.JPG||" },
        ChangeCase { "AnotherKindOfFileAdded", [](const OrdersFixture& f) { f.file("Commande/devis.pdf"); },
            "Album.jpg,IMPRESSION 10|clip.mov*,IMG_1.heic,IMG_2.jpg,IMG_10.JPG||" },
        ChangeCase { "HiddenLeftoverAndOriginals",
            [](const OrdersFixture& f) {
                f.file(QStringLiteral("Commande/") + kLeftover);
                f.file("Commande/.quavel-originals/IMG_1.heic");
            },
            "Album.jpg,IMPRESSION 10|clip.mov*,IMG_1.heic,IMG_2.jpg,IMG_10.JPG|"
            ".5F3A0C1E-1234-4ABC-9DEF-0123456789AB.jpg|originals" },
        ChangeCase { "DecomposedTwinAndNameNotUtf8",
            [](const OrdersFixture& f) {
                f.file(QStringLiteral("Commande/C\u00e9line.jpg"));
                f.file(QStringLiteral("Commande/Ce\u0301line.jpg"));
                writeRaw(QFile::encodeName(f.path("Commande")) + "/IMG_\xE9.jpg");
            },
            // Canonically equivalent names collate equal, then go by code units; a byte that is not
            // UTF-8 collates as U+FFFD, after the digits.
            "Album.jpg,IMPRESSION "
            "10|Ce\u0301line.jpg,C\u00e9line.jpg,clip.mov*,IMG_1.heic,IMG_2.jpg,IMG_10.JPG,"
            "IMG_\xEF\xBF\xBD.jpg||" },
        ChangeCase { "EverythingReplaced",
            [](const OrdersFixture& f) {
                QDir(f.path("Commande")).removeRecursively();
                f.file("Commande/B.jpg");
                f.file("Commande/a.jpg");
                f.folder("Commande/IMPRESSION 9");
            },
            "IMPRESSION 9|a.jpg,B.jpg||" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OrderListingCache, KeepsNothingOfAFolderThatCannotBeListedAndListsItAnewOnceBack)
{
    OrdersFixture f;
    f.file("Commande/IMG_1.jpg");
    const QString folder = f.path("Commande");
    OrderListingCache cache;
    cache.contents(folder);
    EXPECT_EQ(cache.size(), 1);
    QDir(folder).removeRecursively();
    EXPECT_THROW(cache.contents(folder), FileError);
    EXPECT_EQ(cache.size(), 0);
    f.file("Commande/IMG_2.jpg");
    EXPECT_EQ(describe(cache.contents(folder)), "|IMG_2.jpg||");
}

TEST(OrderListingCache, AFolderListedForOtherKindsIsListedAnew)
{
    OrdersFixture f;
    f.file("Commande/IMG_1.jpg");
    f.folder("Commande/A");
    const QString folder = f.path("Commande");
    OrderListingCache cache;
    EXPECT_EQ(describe(cache.contents(folder, false, true)), "|IMG_1.jpg||");
    EXPECT_EQ(describe(cache.contents(folder, true, false)), "A|||");
    EXPECT_EQ(describe(cache.contents(folder)), "A|IMG_1.jpg||");
    EXPECT_EQ(cache.size(), 2);
}

TEST(OrderListingCache, TrimmingKeepsTheFoldersListedSinceTheMark)
{
    OrdersFixture f;
    for (const char* name : { "A/1.jpg", "A/2.jpg", "A/3.jpg", "B/1.jpg", "B/2.jpg", "C/1.jpg" })
        f.file(name);
    OrderListingCache cache;
    cache.contents(f.path("A"));
    cache.contents(f.path("B"));
    const quint64 mark = cache.mark();
    cache.contents(f.path("C"));
    EXPECT_EQ(cache.size(), 6);

    cache.trim(4, mark); // A, the oldest, goes: 3 left
    EXPECT_EQ(cache.size(), 3);
    cache.trim(0, mark); // B goes; C was listed after the mark
    EXPECT_EQ(cache.size(), 1);
    EXPECT_EQ(describe(cache.contents(f.path("A"))), "|1.jpg,2.jpg,3.jpg||");
}

// Random names of letters in both cases, accents composed and decomposed, digits, blanks and bytes that
// are not UTF-8: the listing's order is the order of a plain sort with the file manager's comparison,
// at the first listing, after half of the names changed and after one came and one went.
TEST(OrderListingOrder, IsThePlainSortOfRandomNames)
{
    const QList<QByteArray> pieces { "a", "B", "e", "E", "z", "\xC3\xA9", "e\xCC\x81", "\xC3\x89", "\xC5\x93",
        "\xC3\x9F", "0", "1", "2", "9", "10", "007", " ", "_", "-", "IMG", "img", "\xFF", "\xE9" };
    const QList<QByteArray> extensions { ".jpg", ".JPG", ".heic", ".mov" };
    std::mt19937 random(20240611);
    const auto pick = [&](const QList<QByteArray>& from) {
        return from[qsizetype(random() % std::uint32_t(from.size()))];
    };
    const auto makeNames = [&](int count) {
        std::set<QByteArray> names;
        while (int(names.size()) < count) {
            QByteArray name;
            for (std::uint32_t n = 1 + random() % 7; n > 0; --n)
                name += pick(pieces);
            if (name.startsWith(' '))
                continue;
            names.insert(name + pick(extensions));
        }
        return QList<QByteArray>(names.begin(), names.end());
    };

    OrdersFixture f;
    const QByteArray folder = QFile::encodeName(f.folder("Commande"));
    QList<QByteArray> names = makeNames(400);
    for (const QByteArray& n : names)
        writeRaw(folder + '/' + n);

    const auto plainSort = [&] {
        QStringList sorted;
        for (const QByteArray& n : names)
            sorted << NativeName::decode(n);
        std::stable_sort(sorted.begin(), sorted.end(),
            [](const QString& a, const QString& b) { return text::localizedStandardCompare(a, b) < 0; });
        return sorted;
    };
    const qsizetype prefix = NativeName::decode(folder).size() + 1;
    const auto listed = [&](const OrderListing::Contents& c) {
        QStringList names;
        for (const OrderMedia& m : c.media)
            names << m.url.sliced(prefix);
        return names;
    };

    OrderListing::clearSortKeyCache();
    OrderListingCache cache;
    EXPECT_EQ(listed(cache.contents(NativeName::decode(folder))), plainSort());

    // Half the names go, as many new ones come: the kept entries keep their keys, the new ones are made.
    const QList<QByteArray> added = makeNames(200);
    for (qsizetype i = 0; i < names.size(); i += 2)
        ::unlink((folder + '/' + names[i]).constData());
    QList<QByteArray> kept;
    for (qsizetype i = 1; i < names.size(); i += 2)
        kept << names[i];
    for (const QByteArray& n : added)
        if (!kept.contains(n)) {
            writeRaw(folder + '/' + n);
            kept << n;
        }
    names = kept;
    EXPECT_EQ(listed(cache.contents(NativeName::decode(folder))), plainSort());

    // One name arrives and one goes, as between two listings of a shoot: the new name is merged into
    // the order kept from the last listing.
    for (const QByteArray& n : makeNames(1))
        if (!names.contains(n)) {
            writeRaw(folder + '/' + n);
            names << n;
        }
    ::unlink((folder + '/' + names.takeFirst()).constData());
    EXPECT_EQ(listed(cache.contents(NativeName::decode(folder))), plainSort());
}

} // namespace
