// The open-with logic against real GIO: the program's data folders are a private tree (set before GIO's
// first use, which reads them once) holding desktop entries written by the tests, with the system's MIME
// database and icons linked in. GIO finds the applications of a type through the folder's
// "mimeinfo.cache" (on Debian, desktop-file-utils keeps it); the tests write it with their entries.
#include "photo/OpenWithApps.h"
#include "common/PrivateDesktop.h"
#include "common/TestSupport.h"
#include "platform/apps/Applications.h"
#include "platform/files/NativeName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <gtest/gtest.h>

#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

using namespace quavel;

namespace {

// Created at load time: GIO reads XDG_DATA_DIRS and XDG_CONFIG_HOME on first use, never again.
test::PrivateDesktop& desktop()
{
    static test::PrivateDesktop d(QStringLiteral("apps"));
    return d;
}
const bool kDesktopReady = (desktop(), true);

QMap<QString, QStringList>& mimeIndex()
{
    static QMap<QString, QStringList> index;
    return index;
}

QString writeEntry(const QString& fileName, const QString& name, const QString& mimeTypes,
    const QString& exec = QStringLiteral("true %F"), const QString& extra = QString())
{
    const QString path = desktop().applications() + QLatin1Char('/') + fileName;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QString body
        = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nMimeType=%3\n%4")
              .arg(name, exec, mimeTypes, extra);
    f.write(body.toUtf8());
    f.close();
    QMap<QString, QStringList>& index = mimeIndex();
    for (const QString& type : mimeTypes.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        index[type].append(fileName);
    QFile cache(desktop().applications() + QStringLiteral("/mimeinfo.cache"));
    EXPECT_TRUE(cache.open(QIODevice::WriteOnly | QIODevice::Truncate));
    cache.write("[MIME Cache]\n");
    for (auto it = index.cbegin(); it != index.cend(); ++it)
        cache.write((it.key() + QLatin1Char('=') + it.value().join(QLatin1Char(';')) + QStringLiteral(";\n"))
                        .toUtf8());
    return path;
}

// A command that appends one line per run: "run", then each argument after a "|".
QString writeRecorder(const QString& output)
{
    const QString script = desktop().root.filePath(QStringLiteral("record.sh"));
    QFile f(script);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QStringLiteral("#!/bin/sh\nline=run\nfor a in \"$@\"; do line=\"$line|$a\"; done\n"
                           "echo \"$line\" >> '%1'\n")
                .arg(output)
                .toUtf8());
    f.close();
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return script;
}

QStringList names(const QList<OpenWithApp>& apps)
{
    QStringList list;
    for (const OpenWithApp& a : apps)
        list << a.name;
    return list;
}

QStringList recordedLines(const QString& output)
{
    QStringList lines
        = QString::fromUtf8(test::readFile(output)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

class OpenWithAppsTest : public ::testing::Test
{
protected:
    // Every entry is written before the program's first GIO query, so no test waits for GIO to notice.
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(kDesktopReady);
        writeEntry("both.desktop", "Both", "image/jpeg;image/png;");
        writeEntry("jpegonly.desktop", "Jpeg Only", "image/jpeg;");
        writeEntry("pngonly.desktop", "Png Only", "image/png;");
        // The ordering set, all for TIFF.
        writeEntry("viewer10.desktop", "Visionneur 10", "image/tiff;");
        writeEntry("viewer2.desktop", "Visionneur 2", "image/tiff;");
        writeEntry("phototool.desktop", "Photo Tool", "image/tiff;");
        writeEntry("gimp.desktop", "GNU Image Manipulation Program", "image/tiff;", "true %U",
            "Name[fr]=Éditeur d’image GIMP\n");
        writeEntry("org.gnome.eog.desktop", "Image Viewer", "image/tiff;", "true %U",
            "Name[fr]=Visionneur d’images\n");
        writeEntry("krita_tiff.desktop", "Krita", "image/tiff;", "true %F", "NoDisplay=true\n");
        writeEntry("webpviewer.desktop", "Webp Viewer", "image/webp;");
        // Launching.
        const QString output = desktop().root.filePath(QStringLiteral("launches.txt"));
        const QString recorder = writeRecorder(output);
        writeEntry("many.desktop", "Many", "image/gif;", recorder + QStringLiteral(" %F"));
        writeEntry("single.desktop", "Single", "image/bmp;", recorder + QStringLiteral(" %f"));
        QDir().mkpath(qEnvironmentVariable("XDG_CONFIG_HOME"));
        QFile mimeapps(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/mimeapps.list"));
        ASSERT_TRUE(mimeapps.open(QIODevice::WriteOnly));
        mimeapps.write("[Default Applications]\nimage/bmp=single.desktop\n");
    }

    void SetUp() override { QFile::remove(output()); }

    static QString output() { return desktop().root.filePath(QStringLiteral("launches.txt")); }
    static QString entry(const char* name) { return desktop().applications() + QLatin1Char('/') + name; }
};

TEST_F(OpenWithAppsTest, ListsTheApplicationsThatOpenEveryFile)
{
    const struct
    {
        QStringList files;
        QStringList expected;
    } cases[] = {
        { { "/photos/a.jpg" }, { "Both", "Jpeg Only" } },
        { { "/photos/a.png" }, { "Both", "Png Only" } },
        { { "/photos/a.jpg", "/photos/b.png" }, { "Both" } },
        { { "/photos/a.png", "/photos/b.JPEG", "/photos/c.jpg" }, { "Both" } },
        { { "/photos/a.jpg", "/photos/b.png", "/photos/c.webp" }, {} },
        { { "/photos/notes" }, {} },
        { {}, {} },
    };
    for (const auto& c : cases)
        EXPECT_EQ(names(OpenWithApps::apps(c.files)), c.expected) << c.files.join(", ").toStdString();
}

TEST_F(OpenWithAppsTest, PutsPhotoApplicationsFirstThenOrdersNamesWithNumbersByValue)
{
    qputenv("LANGUAGE", "fr");
    const QList<OpenWithApp> apps = OpenWithApps::apps({ "/photos/scan.tif" });
    qunsetenv("LANGUAGE");
    EXPECT_EQ(names(apps),
        QStringList({ "Éditeur d’image GIMP", "Visionneur d’images", "Krita", "Photo Tool", "Visionneur 2",
            "Visionneur 10" }));
    ASSERT_FALSE(apps.isEmpty());
    EXPECT_EQ(apps.first().url, entry("gimp.desktop"));
    EXPECT_EQ(apps.first().id(), apps.first().url);
}

TEST_F(OpenWithAppsTest, AsksEachMultisetOfExtensionsOnce)
{
    const QString viewer = entry("webpviewer.desktop");
    EXPECT_EQ(names(OpenWithApps::apps({ "/photos/a.webp" })), QStringList({ "Webp Viewer" }));
    ASSERT_TRUE(QFile::remove(viewer));
    // Once GIO has seen the entry go, the same selection still answers from the cache...
    ASSERT_TRUE(test::waitUntil([] { return Applications::forFile("/photos/a.webp").isEmpty(); }));
    EXPECT_EQ(names(OpenWithApps::apps({ "/photos/other.WEBP" })), QStringList({ "Webp Viewer" }));
    // ...while two such files are another key, asked afresh.
    EXPECT_EQ(OpenWithApps::cacheKey({ "/photos/a.WEBP", "/photos/b.webp" }), "webp|webp");
    EXPECT_TRUE(OpenWithApps::apps({ "/photos/a.WEBP", "/photos/b.webp" }).isEmpty());
}

TEST(OpenWithAppsKeys, CacheKeysAndTypeKeys)
{
    const struct
    {
        QStringList files;
        const char* key;
    } keys[] = {
        { { "/a/IMG_1.JPG", "/a/IMG_2.jpg" }, "jpg|jpg" },
        { { "/a/IMG_1.JPG" }, "jpg" },
        { { "/a/b.png", "/a/c.JPEG", "/a/notes" }, "|jpeg|png" },
        { { "/a.d/notes", "/a/.hidden" }, "|" },
    };
    for (const auto& k : keys)
        EXPECT_EQ(OpenWithApps::cacheKey(k.files), QLatin1String(k.key)) << k.key;

    const struct
    {
        const char* file;
        const char* key;
    } types[] = {
        { "/a/IMG_1.JPEG", "jpg" },
        { "/a/x.jpeg", "jpg" },
        { "/a/x.JPG", "jpg" },
        { "/a/x.TIFF", "tif" },
        { "/a/x.tif", "tif" },
        { "/a/x.HEIF", "heic" },
        { "/a/x.heic", "heic" },
        { "/a/x.M4V", "mp4" },
        { "/a/x.m4p", "mp4" },
        { "/a/x.mpeg", "mpg" },
        { "/a/x.MOV", "mov" },
        { "/a/x.cr3", "cr3" },
        { "/a/notes", "" },
        { "/a.d/notes", "" },
        { "/a/.hidden", "" },
    };
    for (const auto& t : types)
        EXPECT_EQ(OpenWithApps::typeKey(QString::fromUtf8(t.file)), QLatin1String(t.key)) << t.file;
}

TEST(OpenWithAppsKeys, PreferredIndexIsTheFirstTextFoundInTheNameOrTheId)
{
    const struct
    {
        const char* name;
        const char* id;
        int index;
    } cases[] = {
        { "Éditeur d’image GIMP", "gimp.desktop", 0 },
        { "GNU Image Manipulation Program", "", 9 },
        { "Darktable", "org.darktable.darktable.desktop", 1 },
        { "RawTherapee", "rawtherapee.desktop", 2 },
        { "Visionneur d’images", "org.gnome.eog.desktop", 3 },
        { "Gwenview", "org.kde.gwenview.desktop", 4 },
        { "Visionneur Shotwell", "shotwell-viewer.desktop", 5 },
        { "digiKam", "org.kde.digikam.desktop", 6 },
        { "Krita", "krita_jpeg.desktop", 7 },
        { "PhotoFlare", "photoflare.desktop", 8 },
        { "Inkscape", "org.inkscape.Inkscape.desktop", 9 },
        // A name holding two texts takes the first of the table, whatever their order in the name.
        { "Krita for darktable users", "", 1 },
        { "GIMP", "org.kde.krita.desktop", 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(OpenWithApps::preferredIndex(QString::fromUtf8(c.name), QString::fromUtf8(c.id)), c.index)
            << c.name;
}

TEST_F(OpenWithAppsTest, OpensAllFilesInOneLaunchOrOnePerFile)
{
    const QString a = QStringLiteral("/photos/IMG 0001.gif");
    const QString b = QStringLiteral("/photos/IMG_0002.gif");
    ASSERT_TRUE(OpenWithApps::open({ a, b }, entry("many.desktop")));
    ASSERT_TRUE(test::waitUntil([] { return recordedLines(output()).size() == 1; }));
    EXPECT_EQ(recordedLines(output()), QStringList({ "run|" + a + "|" + b }));

    QFile::remove(output());
    ASSERT_TRUE(OpenWithApps::open({ a, b }, entry("single.desktop")));
    ASSERT_TRUE(test::waitUntil([] { return recordedLines(output()).size() == 2; }));
    EXPECT_EQ(recordedLines(output()), QStringList({ "run|" + a, "run|" + b }));
}

TEST_F(OpenWithAppsTest, OpensEachFileWithItsDefaultApplication)
{
    OpenWithApps::openInDefaultApp({ "/photos/a.bmp", "/photos/b.bmp" });
    ASSERT_TRUE(test::waitUntil([] { return recordedLines(output()).size() == 2; }));
    EXPECT_EQ(recordedLines(output()), QStringList({ "run|/photos/a.bmp", "run|/photos/b.bmp" }));
}

// A file whose name is not UTF-8 reaches the application with its very bytes, with the chosen
// application and with the default one.
TEST_F(OpenWithAppsTest, LaunchesAFileWhoseNameIsNotUtf8WithItsBytes)
{
    const test::TempFolder folder;
    const QByteArray gif = QFile::encodeName(folder.path()) + "/IMG_\xE9t\xE9.gif";
    const QByteArray bmp = QFile::encodeName(folder.path()) + "/\xFF\xFE.bmp";
    // Their types are sniffed from their first bytes.
    for (const QByteArray& path : { gif, bmp }) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        const QByteArray header
            = (path == gif ? QByteArray("GIF89a") : QByteArray("BM")) + QByteArray(64, '\0');
        ASSERT_EQ(::write(fd, header.constData(), size_t(header.size())), ssize_t(header.size()));
        ::close(fd);
    }
    ASSERT_TRUE(OpenWithApps::open({ NativeName::decode(gif) }, entry("many.desktop")));
    ASSERT_TRUE(test::waitUntil([] { return !recordedLines(output()).isEmpty(); }));
    EXPECT_EQ(test::readFile(output()), "run|" + gif + "\n");

    QFile::remove(output());
    OpenWithApps::openInDefaultApp({ NativeName::decode(bmp) });
    ASSERT_TRUE(test::waitUntil([] { return !recordedLines(output()).isEmpty(); }));
    EXPECT_EQ(test::readFile(output()), "run|" + bmp + "\n");
}

TEST_F(OpenWithAppsTest, LaunchesNothingButADesktopEntry)
{
    const QString recorder = desktop().root.filePath(QStringLiteral("record.sh"));
    const test::TempFolder folder;
    const QString notAnEntry
        = folder.write("evil.desktop", QByteArray("#!/bin/sh\necho run >> ") + QFile::encodeName(output()));
    const QString odd = desktop().root.filePath(QStringLiteral("link.desktop"));
    QFile::link(recorder, odd);
    const QString refused[]
        = { recorder, QStringLiteral("/bin/sh"), entry("missing.desktop"), notAnEntry, odd, QString() };
    for (const QString& app : refused)
        EXPECT_FALSE(OpenWithApps::open({ "/photos/a.gif" }, app)) << app.toStdString();
    EXPECT_FALSE(OpenWithApps::open({}, entry("many.desktop")));
    // Nothing ran: an entry that is accepted afterwards is the only line.
    ASSERT_TRUE(OpenWithApps::open({ "/photos/z.gif" }, entry("many.desktop")));
    ASSERT_TRUE(test::waitUntil([] { return !recordedLines(output()).isEmpty(); }));
    EXPECT_EQ(recordedLines(output()), QStringList({ "run|/photos/z.gif" }));
}

} // namespace
