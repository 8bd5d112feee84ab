// The rider-folders store on real files.
#include "WorkspaceTestSupport.h"

#include "library/QuavelJSON.h"
#include "platform/files/NativeName.h"
#include "workspace/RiderFoldersStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace quavel;
using namespace quavel::test;

namespace {

QStringList names(const QList<ImportedPerson>& people)
{
    QStringList out;
    for (const ImportedPerson& p : people)
        out.append(p.formattedName().isEmpty() ? "#" + p.canonicalNumber : p.formattedName());
    return out;
}

} // namespace

TEST(RiderFoldersStore, SettingsFile)
{
    TempFolder dir;
    QDir(dir.path()).mkdir("Paniers");
    FakeParser parser;
    {
        RiderFoldersStore store(dir.path(), parser.reader());
        EXPECT_FALSE(store.programme() || store.programmeName() || store.destinationName());
        EXPECT_TRUE(store.people().isEmpty());
        store.storeDestination(dir.file("Paniers"));
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(parser.paths().isEmpty()); // no stored copy, no re-read
    EXPECT_EQ(dir.read("settings.json").count("\": "), 2);
    EXPECT_LT(dir.read("settings.json").indexOf("destinationBookmark"),
        dir.read("settings.json").indexOf("destinationName"));
    RiderFoldersStore again(dir.path());
    EXPECT_EQ(again.resolve(again.destinationBookmark()), dir.file("Paniers"));

    dir.write("settings.json", "{}");
    EXPECT_FALSE(RiderFoldersStore(dir.path()).destinationName());

    dir.write("settings.json", R"({"destinationName": 4})");
    RiderFoldersStore unreadable(dir.path());
    EXPECT_FALSE(unreadable.destinationName());
    unreadable.persist();
    const QStringList files = entries(dir.path());
    EXPECT_TRUE(std::any_of(files.cbegin(), files.cend(),
        [](const QString& n) { return n.startsWith("settings.json.unreadable-"); }));
}

TEST(RiderFoldersStore, KeepsThePickedNameAcrossLaunches)
{
    TempFolder dir;
    TempFolder picked;
    FakeParser parser;
    {
        RiderFoldersStore store(dir.path(), parser.reader());
        ASSERT_TRUE(importProgramme(store, picked.write("Programme 12-05.PDF", "Document")).document);
        EXPECT_EQ(store.programmeName(), "Programme 12-05.PDF");
    }
    EXPECT_TRUE(QFile::exists(dir.file("programme.pdf")));
    RiderFoldersStore again(dir.path(), parser.reader());
    EXPECT_EQ(again.programmeName(), "Programme 12-05.PDF");
    ASSERT_TRUE(settled(again));
    EXPECT_EQ(parser.paths().size(), 2);
    EXPECT_EQ(again.programme()->sourceName, "Document");
    EXPECT_EQ(again.programmeName(), "Programme 12-05.PDF");
}

TEST(RiderFoldersStore, PeopleOnceEachInNameOrder)
{
    TempFolder dir;
    RiderFoldersStore store(dir.path());
    store.setProgramme(programme("p",
        { day("Samedi",
              { event("1", "A",
                  { rider("1", "dupont", "Zoé"), rider("2", "MARTIN 10"), rider("12", ""),
                      rider("3", "Leroy") }) }),
            day("Dimanche",
                { event("2", "B",
                    { rider("4", "DUPONT ", "Anne"), rider("5", "Martin 2"), rider("12", ""),
                        rider("13", " "), rider("6", "leroy") }) }) }));
    EXPECT_EQ(names(store.people()),
        (QStringList { "#12", "#13", "DUPONT ANNE", "DUPONT ZOÉ", "LEROY", "MARTIN 2", "MARTIN 10" }));
    EXPECT_EQ(names(store.namedPeople()),
        (QStringList { "DUPONT ANNE", "DUPONT ZOÉ", "LEROY", "MARTIN 2", "MARTIN 10" }));
}

TEST(RiderFoldersStore, PeopleOrderDoesNotDependOnTheProgrammeOrder)
{
    // Names that collate alike but differ in spelling: an ordering that is not a strict weak ordering
    // gives different results for different input orders.
    QList<ImportedPerson> riders { rider("1", "MARTIN 02", "Zoé"), rider("2", "Martin 2", "Anne"),
        rider("3", "MARTIN 2", "Zoé"), rider("4", QString::fromUtf8("Le\xcc\x81vy"), "B"),
        rider("5", QString::fromUtf8("L\xc3\xa9vy"), "A"), rider("6", "Lévy", "C"),
        rider("7", "martin  2", "Paul") };
    TempFolder dir;
    RiderFoldersStore store(dir.path());
    std::mt19937 random(7);
    QStringList first;
    for (int round = 0; round < 30; ++round) {
        std::shuffle(riders.begin(), riders.end(), random);
        store.setProgramme(programme("p", { day("d", { event("e", "e", riders) }) }));
        QStringList bibs;
        for (const ImportedPerson& p : store.people())
            bibs.append(p.canonicalNumber);
        if (round == 0)
            first = bibs;
        EXPECT_EQ(bibs, first);
    }
    // Composed and decomposed accents are the same last name: the first names decide.
    EXPECT_LT(first.indexOf("5"), first.indexOf("4"));
}

TEST(RiderFoldersStore, FolderAccessAndStaleBookmarks)
{
    TempFolder dir;
    QDir(dir.path()).mkdir("Paniers");
    RiderFoldersStore store(dir.path());
    store.retainAccess(dir.file("Paniers"));
    store.retainAccess(dir.file("./Paniers/"));
    EXPECT_EQ(store.accessedPaths(), QStringList { dir.file("Paniers") });
    // One folder whether its accent is composed or decomposed, and a name that is not UTF-8 keeps its
    // bytes (a lossy key would make two such folders one, and name no folder on disk).
    store.retainAccess(dir.file(u8("Épreuve")));
    store.retainAccess(dir.file(u8("E\u0301preuve")));
    const QByteArray latin1 = NativeName::encode(dir.path()) + "/Cl\xe9ment";
    const QByteArray other = NativeName::encode(dir.path()) + "/Cl\xe8ment";
    store.retainAccess(NativeName::decode(latin1));
    store.retainAccess(NativeName::decode(other));
    ASSERT_EQ(store.accessedPaths().size(), 4);
    EXPECT_EQ(store.accessedPaths()[1], dir.file(u8("Épreuve")));
    EXPECT_EQ(NativeName::encode(store.accessedPaths()[2]), latin1);
    EXPECT_EQ(NativeName::encode(store.accessedPaths()[3]), other);

    store.storeDestination(dir.file("Paniers"));
    const QByteArray stale = *store.destinationBookmark();
    QDir(dir.path()).mkdir("New");
    QDir(dir.path()).rmdir("Paniers");
    QDir(dir.path()).rename("New", "Paniers");
    EXPECT_EQ(store.resolve(stale), dir.file("Paniers"));
    ASSERT_TRUE(waitUntil([&] { return store.destinationBookmark() != stale; }));
    const auto saved = QuavelJSON::parse(dir.read("settings.json"));
    EXPECT_EQ(
        QByteArray::fromBase64(QByteArray::fromStdString(saved["destinationBookmark"].get<std::string>())),
        *store.destinationBookmark());
}
