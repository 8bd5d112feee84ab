// Delivered marks, and the applications remembered per file type, launched through the real GIO
// launcher: desktop entries written by the test run a script that records its arguments.
#include "OrdersFixture.h"
#include "common/PrivateDesktop.h"
#include "platform/files/NativeName.h"

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

// Made at load time (see PrivateDesktop); the launches file records every run of the test's applications.
struct LaunchingDesktop : PrivateDesktop
{
    LaunchingDesktop()
        : PrivateDesktop(QStringLiteral("orders-apps"))
    { }
    QString launches() const { return root.filePath(QStringLiteral("launches.txt")); }
};

LaunchingDesktop& desktop()
{
    static LaunchingDesktop d;
    return d;
}
const bool desktopReady = (desktop(), true);

// An application whose every run appends "<tag>|arg|arg…" to the launches file.
QString writeApp(const QString& tag, const QString& mimeTypes, const char* fieldCode)
{
    const QString script = desktop().root.filePath(tag + QStringLiteral(".sh"));
    QFile s(script);
    EXPECT_TRUE(s.open(QIODevice::WriteOnly));
    s.write(QStringLiteral(
        "#!/bin/sh\nline=%1\nfor a in \"$@\"; do line=\"$line|$a\"; done\necho \"$line\" >> '%2'\n")
                .arg(tag, desktop().launches())
                .toUtf8());
    s.close();
    s.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString entry = desktop().applications() + u'/' + tag + QStringLiteral(".desktop");
    QFile e(entry);
    EXPECT_TRUE(e.open(QIODevice::WriteOnly));
    e.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2 %3\nMimeType=%4\n")
                .arg(tag, script, QString::fromLatin1(fieldCode), mimeTypes)
                .toUtf8());
    return entry;
}

QStringList launches()
{
    QStringList lines = QString::fromUtf8(readFile(desktop().launches())).split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

class OpenWith : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_editor = writeApp("editeur", "image/jpeg;image/tiff;video/mp4;", "%F");
        writeApp("visionneur", "image/png;image/jpeg;image/tiff;video/mp4;", "%f");
        QFile cache(desktop().applications() + QStringLiteral("/mimeinfo.cache"));
        ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
        cache.write(
            "[MIME Cache]\nimage/jpeg=editeur.desktop;visionneur.desktop;\nimage/png=visionneur.desktop;\n"
            "image/tiff=editeur.desktop;visionneur.desktop;\nvideo/"
            "mp4=editeur.desktop;visionneur.desktop;\n");
        QDir().mkpath(qEnvironmentVariable("XDG_CONFIG_HOME"));
        QFile defaults(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/mimeapps.list"));
        ASSERT_TRUE(defaults.open(QIODevice::WriteOnly));
        defaults.write("[Default Applications]\nimage/png=visionneur.desktop\nimage/jpeg=visionneur.desktop\n"
                       "image/tiff=visionneur.desktop\nvideo/mp4=visionneur.desktop\n");
    }
    void SetUp() override { QFile::remove(desktop().launches()); }

    static inline QString s_editor;
    OrdersFixture f;
};

TEST_F(OpenWith, RemembersOneApplicationPerTypeAndSavesOnlyOnChange)
{
    OrdersStore& store = f.open();
    store.rememberOpenWith(s_editor, { f.path("a.JPEG"), f.path("b.jpg"), f.path("c.TIFF") });
    EXPECT_EQ(store.openWithApps(), (QMap<QString, QString> { { "jpg", s_editor }, { "tif", s_editor } }));
    EXPECT_TRUE(QFile::exists(f.settingsPath()));

    f.markSettings();
    store.rememberOpenWith(s_editor, { f.path("d.jpeg") });
    EXPECT_FALSE(f.settingsRewritten()) << "already remembered";
    store.rememberOpenWith(s_editor, { f.path("README"), f.path("sans-extension.") });
    EXPECT_FALSE(f.settingsRewritten()) << "no type, nothing to remember";
    store.rememberOpenWith(
        desktop().applications() + QStringLiteral("/./visionneur.desktop"), { f.path("e.jpg") });
    EXPECT_EQ(
        store.openWithApps().value("jpg"), desktop().applications() + QStringLiteral("/visionneur.desktop"));
    EXPECT_TRUE(f.settingsRewritten());
}

TEST_F(OpenWith, OpensRememberedTypesTogetherAndTheRestWithTheirDefault)
{
    OrdersStore& store = f.open();
    const QString a = f.file("A/IMG 1.jpg"), b = f.file("A/IMG_2.png"), c = f.file("A/IMG_3.tif"),
                  d = f.file("A/clip.MP4");
    store.rememberOpenWith(s_editor, { a, c });
    store.openPreferred({ a, b, c, d });
    ASSERT_TRUE(waitUntil([] { return launches().size() == 3; }));
    letTimePass(100); // no fourth launch
    EXPECT_EQ(launches(), (QStringList { "editeur|" + a + "|" + c, "visionneur|" + b, "visionneur|" + d }));
}

TEST_F(OpenWith, AVanishedOrForeignRememberedApplicationFallsBackToTheDefault)
{
    OrdersStore& store = f.open();
    const QString a = f.file("A/a.jpg"), b = f.file("A/b.tif");
    store.rememberOpenWith(f.tmp.file("supprime.desktop"), { a });
    store.rememberOpenWith(desktop().root.filePath(QStringLiteral("editeur.sh")), { b });
    store.openPreferred({ a, b });
    ASSERT_TRUE(waitUntil([] { return launches().size() == 2; }));
    letTimePass(100); // no third launch
    EXPECT_EQ(launches(), (QStringList { "visionneur|" + a, "visionneur|" + b }));
    EXPECT_EQ(store.openWithApps().size(), 2) << "forgotten by nobody";
    store.openPreferred({});
    letTimePass(100); // no launch
    EXPECT_EQ(launches().size(), 2);
}

struct KeysCase
{
    const char* path;
    QStringList keys;
};

TEST(DeliveryKeys, ThePathAndItsStandardizedFormComposed)
{
    const KeysCase cases[] = {
        { "/c/A/IMG_1.jpg", { "/c/A/IMG_1.jpg" } },
        { "/c/A/./IMG_1.jpg", { "/c/A/./IMG_1.jpg", "/c/A/IMG_1.jpg" } },
        { "/c/B/../A//IMG_1.jpg", { "/c/B/../A//IMG_1.jpg", "/c/A/IMG_1.jpg" } },
        { "/c/Ce\u0301line.jpg", { "/c/C\u00e9line.jpg" } },
        { "", {} },
    };
    for (const KeysCase& c : cases)
        EXPECT_EQ(OrdersStore::deliveryKeys(QString::fromUtf8(c.path)), c.keys) << c.path;
}

TEST(DeliveredMarks, MatchEveryFormOfAPathAndAreSavedOnEachMark)
{
    OrdersFixture f;
    OrdersStore& store = f.open();
    store.markDelivered({});
    EXPECT_FALSE(QFile::exists(f.settingsPath())) << "an empty list writes nothing";

    store.markDelivered({ "/c/A/./IMG_1.jpg", QStringLiteral("/c/Ce\u0301line.jpg") });
    EXPECT_TRUE(store.isDelivered("/c/A/IMG_1.jpg"));
    EXPECT_TRUE(store.isDelivered("/c/A/./IMG_1.jpg"));
    EXPECT_TRUE(store.isDelivered(QStringLiteral("/c/C\u00e9line.jpg")));
    EXPECT_FALSE(store.isDelivered("/c/A/IMG_2.jpg"));
    store.markDelivered({ "/c/B/IMG_9.jpg" });
    EXPECT_TRUE(store.isDelivered("/c/B/../B/IMG_9.jpg"));

    f.markSettings();
    store.markDelivered({ "/c/A/IMG_1.jpg" });
    EXPECT_TRUE(f.settingsRewritten()) << "saved although nothing new";
    EXPECT_EQ(f.open().deliveredPaths(),
        (QSet<QString> {
            "/c/A/./IMG_1.jpg", "/c/A/IMG_1.jpg", QStringLiteral("/c/C\u00e9line.jpg"), "/c/B/IMG_9.jpg" }));
}

// A settings file as earlier versions wrote it: marks in the forms they were made through (a "."
// component, a name given decomposed and stored composed, a name whose bytes are not UTF-8 stored with
// U+FFFD), and a remembered application. Every mark still matches the files it was made for, and the
// next save keeps every entry.
TEST(DeliveredMarks, AFileWrittenByEarlierVersionsKeepsEveryMark)
{
    OrdersFixture f;
    f.writeSettings(QStringLiteral(R"({
  "deliveredPaths" : [
    "/c/A/./IMG_1.jpg",
    "/c/A/IMG_1.jpg",
    "/c/C\u00e9line.jpg",
    "/c/IMG_\ufffd.jpg"
  ],
  "openWithApps" : {
    "jpg" : "/usr/share/applications/gimp.desktop"
  }
})")
                        .toUtf8());
    OrdersStore& store = f.open();
    const QStringList live[] = {
        { "/c/A/IMG_1.jpg", "/c/A/./IMG_1.jpg", "/c/B/../A/IMG_1.jpg" },
        { QStringLiteral("/c/C\u00e9line.jpg"), QStringLiteral("/c/Ce\u0301line.jpg") },
        { NativeName::decode(QByteArray("/c/IMG_\xE9.jpg")),
            NativeName::decode(QByteArray("/c/./IMG_\xFF.jpg")) },
    };
    for (const QStringList& forms : live)
        for (const QString& file : forms)
            EXPECT_TRUE(store.isDelivered(file)) << NativeName::displayed(file).toStdString();
    EXPECT_FALSE(store.isDelivered("/c/A/IMG_2.jpg"));

    const QSet<QString> marks = store.deliveredPaths();
    store.persist();
    EXPECT_EQ(f.open().deliveredPaths(), marks);
    EXPECT_EQ(f.store->openWithApps(),
        (QMap<QString, QString> { { "jpg", "/usr/share/applications/gimp.desktop" } }));
}

} // namespace
