// The orders settings file, read and written through a real store: optional keys, the migration of the
// single-watermark form, the mirror written back, sorted keys and paths, and unreadable files set aside.
#include "OrdersFixture.h"

#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

const QByteArray logo = "QVBMARK1-not-a-real-blob-but-valid-base64";
const QString logoB64 = QString::fromLatin1(logo.toBase64());

// The store's state in one line.
QString state(const OrdersStore& s)
{
    QStringList names;
    qsizetype selected = -1;
    for (qsizetype i = 0; i < s.watermarks().size(); ++i) {
        names << s.watermarks()[i].name;
        if (s.watermarks()[i].id == s.selectedWatermarkID())
            selected = i;
    }
    QStringList apps;
    for (auto it = s.openWithApps().cbegin(); it != s.openWithApps().cend(); ++it)
        apps << it.key() + "=" + it.value();
    QStringList delivered(s.deliveredPaths().cbegin(), s.deliveredPaths().cend());
    delivered.sort();
    return QStringLiteral("root=%1 folder=%2 wm=[%3] wmsel=%4 apps=%5 delivered=%6 retouch=%7")
        .arg(s.rootName().value_or("-"), s.selectedFolderID().value_or("-"), names.join(','),
            s.selectedWatermarkID() ? (selected < 0 ? "?" : QString::number(selected)) : "-", apps.join(','),
            delivered.join(','), s.retouch() == PhotoRetouchSettings {} ? "default" : "custom");
}

const QString initial = "root=- folder=- wm=[] wmsel=- apps= delivered= retouch=default";

struct ReadCase
{
    const char* name;
    const char* json; // "%1" stands for a valid Base64 bookmark
    const char* expected; // nullptr: the file is unreadable
};

class ReadingTheFile : public ::testing::TestWithParam<ReadCase>
{
};

TEST_P(ReadingTheFile, AppliesTheKeysOrLeavesTheDefaults)
{
    OrdersFixture f;
    const QByteArray original = QString::fromUtf8(GetParam().json).arg(logoB64).toUtf8();
    f.writeSettings(original);
    OrdersStore& store = f.open();
    if (!GetParam().expected) {
        EXPECT_EQ(state(store), initial);
        // The first save keeps the unreadable file aside, byte for byte.
        store.persist();
        const QStringList aside = QDir(f.support).entryList({ "settings.json.unreadable-*" }, QDir::Files);
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(readFile(f.support + "/" + aside.first()), original);
        EXPECT_TRUE(f.hasKey("watermarks"));
        return;
    }
    EXPECT_EQ(state(store), QString::fromUtf8(GetParam().expected));
    store.persist();
    EXPECT_TRUE(QDir(f.support).entryList({ "*.unreadable-*" }, QDir::Files).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Orders, ReadingTheFile,
    ::testing::Values(
        ReadCase { "Empty", "{}", "root=- folder=- wm=[] wmsel=- apps= delivered= retouch=default" },
        ReadCase { "NullsAreMissingAndUnknownKeysIgnored",
            R"({"rootName":"Commandes","rootBookmark":null,"watermarks":null,"retouch":null,"future":[1,{"x":2}]})",
            "root=Commandes folder=- wm=[] wmsel=- apps= delivered= retouch=default" },
        ReadCase { "LegacyWatermarkWithItsName", R"({"watermarkBookmark":"%1","watermarkName":"Logo.png"})",
            "root=- folder=- wm=[Logo.png] wmsel=0 apps= delivered= retouch=default" },
        ReadCase { "LegacyWatermarkWithoutName", R"({"watermarkBookmark":"%1","selectedWatermarkID":"X"})",
            "root=- folder=- wm=[Filigrane] wmsel=0 apps= delivered= retouch=default" },
        ReadCase { "LegacyWatermarkWithEmptyName", R"({"watermarkBookmark":"%1","watermarkName":""})",
            "root=- folder=- wm=[] wmsel=0 apps= delivered= retouch=default" },
        ReadCase { "EmptyListMigratesTheLegacyForm",
            R"({"watermarks":[],"watermarkBookmark":"%1","watermarkName":"Ancien.png"})",
            "root=- folder=- wm=[Ancien.png] wmsel=0 apps= delivered= retouch=default" },
        ReadCase { "ListWinsOverDifferentLegacyKeys",
            R"({"watermarks":[{"id":"A","name":"Un.png","bookmark":"%1"},{"id":"B","name":"Deux.png","bookmark":"%1"}],)"
            R"("selectedWatermarkID":"B","watermarkBookmark":"%1","watermarkName":"Ancien.png"})",
            "root=- folder=- wm=[Un.png,Deux.png] wmsel=1 apps= delivered= retouch=default" },
        ReadCase { "UnknownSelectionFallsToTheFirst",
            R"({"watermarks":[{"id":"A","name":"Un.png","bookmark":"%1"}],"selectedWatermarkID":"Z"})",
            "root=- folder=- wm=[Un.png] wmsel=0 apps= delivered= retouch=default" },
        ReadCase { "SelectionWithoutAnyWatermarkStaysEmpty", R"({"selectedWatermarkID":"A","watermarks":[]})",
            "root=- folder=- wm=[] wmsel=- apps= delivered= retouch=default" },
        ReadCase { "EverythingElse",
            R"({"rootName":"Commandes","selectedFolderPath":"/x/A","retouch":{"contrast":20},)"
            R"("openWithApps":{"jpg":"/usr/share/applications/gimp.desktop"},"deliveredPaths":["/b","/a","/b"]})",
            "root=Commandes folder=/x/A wm=[] wmsel=- apps=jpg=/usr/share/applications/gimp.desktop "
            "delivered=/a,/b "
            "retouch=custom" },
        ReadCase { "DecomposedDeliveredPathsAreComposed", "{\"deliveredPaths\":[\"/Ce\\u0301line.jpg\"]}",
            "root=- folder=- wm=[] wmsel=- apps= delivered=/C\u00e9line.jpg retouch=default" },
        ReadCase { "WrongTypeAtTheTop", R"({"rootName":5})", nullptr },
        ReadCase { "NotAnObject", R"([{"rootName":"x"}])", nullptr },
        ReadCase { "Malformed", R"({"rootName":"x",)", nullptr },
        ReadCase { "WatermarkWithoutBookmark", R"({"watermarks":[{"id":"A","name":"Un.png"}]})", nullptr },
        ReadCase { "WatermarkWithoutId", R"({"watermarks":[{"name":"Un.png","bookmark":"%1"}]})", nullptr },
        ReadCase {
            "WatermarkWithNullName", R"({"watermarks":[{"id":"A","name":null,"bookmark":"%1"}]})", nullptr },
        ReadCase { "BookmarkThatIsNotBase64", R"({"rootBookmark":"***"})", nullptr },
        ReadCase { "RetouchOfTheWrongType", R"({"retouch":{"contrast":"fort"}})", nullptr },
        ReadCase { "ApplicationThatIsNotText", R"({"openWithApps":{"jpg":3}})", nullptr },
        ReadCase { "DeliveredPathsNotAList", R"({"deliveredPaths":"/a"})", nullptr }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OrdersFileReading, AFileNestedTooDeeplyIsUnreadableAndSetAside)
{
    OrdersFixture f;
    const QByteArray nested
        = "{\"rootName\":\"Commandes\",\"later\":" + QByteArray(100000, '[') + QByteArray(100000, ']') + "}";
    f.writeSettings(nested);
    OrdersStore& store = f.open();
    EXPECT_EQ(state(store), initial);
    store.persist();
    EXPECT_EQ(QDir(f.support).entryList({ "settings.json.unreadable-*" }, QDir::Files).size(), 1);
    EXPECT_FALSE(f.hasKey("rootName"));
}

TEST(OrdersFileWriting, AnEmptyStoreWritesTheAlwaysKeysAndNothingElse)
{
    OrdersFixture f;
    f.open().persist();
    const auto json = f.settings();
    QStringList keys;
    for (auto it = json.cbegin(); it != json.cend(); ++it)
        keys << QString::fromStdString(it.key());
    EXPECT_EQ(keys, (QStringList { "deliveredPaths", "openWithApps", "retouch", "watermarks" }));
    EXPECT_TRUE(json["watermarks"].is_array() && json["watermarks"].empty());
    EXPECT_TRUE(json["openWithApps"].is_object() && json["openWithApps"].empty());
    EXPECT_TRUE(json["deliveredPaths"].is_array() && json["deliveredPaths"].empty());
    EXPECT_EQ(json["retouch"], PhotoRetouchSettings {}.toJson());
}

TEST(OrdersFileWriting, KeysStandSortedAndTheSelectedWatermarkIsMirrored)
{
    OrdersFixture f;
    const QString one = f.file("Filigranes/Un.png");
    const QString two = f.file("Filigranes/Deux.png");
    f.file("A/a.jpg");
    OrdersStore& store = f.openOn("A");
    store.addWatermark(one);
    store.addWatermark(two);
    store.selectWatermark(store.watermarks().first().id);
    const QByteArray text = readFile(f.settingsPath());
    QList<qsizetype> positions;
    for (const char* key :
        { "deliveredPaths", "openWithApps", "retouch", "rootBookmark", "rootName", "selectedFolderPath",
            "selectedWatermarkID", "watermarkBookmark", "watermarkName", "watermarks" })
        positions << text.indexOf(QByteArray("\n  \"") + key + "\"");
    EXPECT_TRUE(std::is_sorted(positions.cbegin(), positions.cend()) && positions.first() >= 0)
        << text.constData();
    const auto json = f.settings();
    EXPECT_EQ(json["watermarkName"], "Un.png");
    EXPECT_EQ(json["watermarkBookmark"], Bookmark::create(one)->toBase64().toStdString());
    EXPECT_EQ(json["watermarks"].size(), 2u);
    EXPECT_EQ(json["watermarks"][1]["name"], "Deux.png");
    EXPECT_EQ(json["selectedFolderPath"], f.path("A").toStdString());
}

TEST(OrdersFileWriting, AMigratedWatermarkReachesTheListAtTheNextSave)
{
    OrdersFixture f;
    f.writeSettings(
        QStringLiteral(R"({"watermarkBookmark":"%1","watermarkName":"Logo.png"})").arg(logoB64).toUtf8());
    OrdersStore& store = f.open();
    EXPECT_FALSE(f.hasKey("watermarks")) << "reading writes nothing";
    store.persist();
    const auto json = f.settings();
    ASSERT_EQ(json["watermarks"].size(), 1u);
    EXPECT_EQ(json["watermarks"][0]["name"], "Logo.png");
    EXPECT_EQ(json["watermarks"][0]["bookmark"], logoB64.toStdString());
    EXPECT_EQ(json["selectedWatermarkID"], json["watermarks"][0]["id"]);
    EXPECT_EQ(json["watermarkName"], "Logo.png");
    const QString id = QString::fromStdString(json["watermarks"][0]["id"]);
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")
                    .match(id)
                    .hasMatch());
    // Read again: the same entry, the legacy keys now ignored.
    EXPECT_EQ(f.open().watermarks().first().id, id);
}

TEST(OrdersFileWriting, DeliveredPathsAreWrittenOnceInCodePointOrder)
{
    OrdersFixture f;
    OrdersStore& store = f.open();
    store.markDelivered({ "/b", QStringLiteral("/\U0001F600"), "/a", QStringLiteral("/\uFF5A"), "/z",
        QStringLiteral("/e\u0301"), "/b" });
    QStringList written;
    const auto json = f.settings();
    for (const auto& p : json["deliveredPaths"])
        written << QString::fromStdString(p);
    // By code points: U+FF5A before U+1F600, though its UTF-16 code unit sorts after the surrogates.
    EXPECT_EQ(written,
        (QStringList { "/a", "/b", "/z", QStringLiteral("/\u00e9"), QStringLiteral("/\uFF5A"),
            QStringLiteral("/\U0001F600") }));
}

} // namespace
