// Orders trees written by other systems: files and folders whose names are not UTF-8 are listed, shown,
// thumbnailed, retouched and watermarked through their exact bytes, and their delivered marks are
// stored in a form the settings file can always be read back with.
#include "OrdersFixture.h"

#include "photo/MediaThumbnailer.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoFiles.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/files/NativeName.h"
#include "platform/files/UnnamedFile.h"

#include <QImage>
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

using namespace quavel;
using namespace quavel::test;

namespace {

QByteArray native(const QString& path)
{
    return NativeName::encode(path);
}

QByteArray readNative(const QString& path)
{
    QByteArray bytes;
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return bytes;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, qsizetype(n));
    ::close(fd);
    return bytes;
}

// The names of a folder as the kernel has them, sorted.
QList<QByteArray> entriesNative(const QString& folder)
{
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(native(folder).constData())) {
        while (const dirent* d = ::readdir(dir))
            if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0)
                names.append(QByteArray(d->d_name));
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A photo written under a plain name, then given its name's bytes by the kernel: the fixture does not
// rely on the code under test to reach the name.
QString photoAt(const QString& folder, const QByteArray& name, QColor colour)
{
    const QString extension = QString::fromLatin1(name.mid(name.lastIndexOf('.') + 1));
    const QString written
        = QDir::tempPath() + QStringLiteral("/quavel-plain-%1.").arg(::getpid()) + extension;
    writePhoto(written, filled(96, 64, colour));
    const QString target = folder + u'/' + NativeName::decode(name);
    EXPECT_EQ(::rename(QFile::encodeName(written).constData(), native(target).constData()), 0);
    return target;
}

QString makeFolder(const QString& parent, const QByteArray& name)
{
    const QString path = parent + u'/' + NativeName::decode(name);
    ::mkdir(native(path).constData(), 0755);
    return path;
}

struct Case
{
    const char* what;
    QByteArray section;
    QByteArray name;
    bool withoutUnnamedFiles;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.what;
}

class NamesNotUtf8 : public ::testing::TestWithParam<Case>
{
protected:
    void SetUp() override
    {
        if (GetParam().withoutUnnamedFiles)
            UnnamedFile::startFromForTesting(UnnamedFile::Method::placeholderRename);
    }
    void TearDown() override { UnnamedFile::startFromForTesting(UnnamedFile::Method::unnamedLink); }

    OrdersFixture f;
};

TEST_P(NamesNotUtf8, areListedThumbnailedRetouchedAndWatermarkedThroughTheirBytes)
{
    const Case& c = GetParam();
    const QString section = makeFolder(f.folder("A"), c.section);
    const QString photo = photoAt(section, c.name, Qt::darkGray);
    const QByteArray before = readNative(photo);
    ASSERT_FALSE(before.isEmpty());
    OrdersStore& store = f.openOn("A");

    // Listed with its bytes, shown with U+FFFD.
    ASSERT_EQ(store.sections().size(), 1);
    const OrderSection& listed = store.sections().first();
    EXPECT_EQ(native(listed.url), native(section));
    EXPECT_EQ(listed.name, QString::fromUtf8(c.section));
    ASSERT_EQ(listed.files.size(), 1);
    EXPECT_EQ(native(listed.files.first().url), native(photo));

    QFuture<QImage> thumbnail = MediaThumbnailer::thumbnail(photo, false, 72);
    ASSERT_TRUE(waitUntil([&] { return thumbnail.isFinished(); }, 30000));
    EXPECT_EQ(thumbnail.result().size(), QSize(72, 48));

    store.setRetouch(brighter());
    store.applyRetouch({ photo });
    ASSERT_TRUE(waitUntil([&] { return !store.isRetouching(); }, 60000));
    EXPECT_FALSE(store.errorMessage()) << store.errorMessage()->toStdString();
    EXPECT_NE(readNative(photo), before);
    EXPECT_EQ(readNative(PhotoOriginals::backupURL(photo)), before);
    EXPECT_EQ(PhotoEditMemory::load(photo).current.retouch, brighter());

    store.addWatermark(photoAt(f.tmp.path(), "Logo.png", Qt::white));
    store.applyWatermark({ photo });
    ASSERT_TRUE(OrdersFixture::finishWatermark(store));
    EXPECT_FALSE(store.errorMessage()) << store.errorMessage()->toStdString();
    EXPECT_TRUE(PhotoEditMemory::load(photo).current.includeWatermark);
    EXPECT_GE(store.fileRevision(photo), 2);

    // Nothing was written under another form of the name, and nothing was left behind.
    EXPECT_EQ(entriesNative(section), (QList<QByteArray> { ".quavel-originals", c.name }));
    EXPECT_EQ(entriesNative(section + QStringLiteral("/.quavel-originals")),
        (QList<QByteArray> { c.name, c.name + ".edits.json" }));
}

INSTANTIATE_TEST_SUITE_P(Orders, NamesNotUtf8,
    ::testing::Values(Case { "a Latin-1 name", "IMPRESSION A5", "IMG_\xE9t\xE9.jpg", false },
        Case { "bytes FF FE in a PNG's name", "IMPRESSION A5", "\xFF\xFE_0002.png", false },
        Case { "a sequence cut short, without unnamed files", "IMPRESSION A5", "IMG_\xE2\x82_3.jpg", true },
        Case { "in a section whose name is Latin-1 too, without unnamed files", "IMPRESSION \xC9T\xC9",
            "IMG_\xE9.jpg", true }));

// The mark of such a file is stored in its displayed form: the settings file stays valid UTF-8, reads
// back whole after a restart (every other mark, the root, the watermark, the selected order whose name
// is not UTF-8 either) and the file matches its mark again.
TEST(OrdersNamesNotUtf8, aDeliveredMarkIsStoredReadableAndMatchesAfterARestart)
{
    OrdersFixture f;
    const QString order = makeFolder(f.root, "Commande \xE9t\xE9");
    const QString section = makeFolder(order, "IMPRESSION A4");
    const QString odd = photoAt(section, "IMG_\xE9.jpg", Qt::blue);
    const QString plain = photoAt(section, "IMG_2.jpg", Qt::red);
    const QString unmarked = photoAt(section, "IMG_3.jpg", Qt::red);
    const QString other = photoAt(f.folder("Commande B"), "IMG_4.jpg", Qt::green);

    OrdersStore& store = f.openOn();
    const auto listedOrder = std::find_if(store.folders().cbegin(), store.folders().cend(),
        [&](const OrderFolder& o) { return native(o.url) == native(order); });
    ASSERT_NE(listedOrder, store.folders().cend());
    EXPECT_EQ(listedOrder->name, QStringLiteral("Commande \uFFFDt\uFFFD"));
    store.setSelectedFolderID(listedOrder->url);
    store.persist();
    store.loadSections();
    store.addWatermark(plain);
    store.markDelivered({ plain, other });
    store.markDelivered({ odd });
    EXPECT_TRUE(store.isDelivered(odd));
    EXPECT_FALSE(store.isDelivered(unmarked));

    const QSet<QString> marks = store.deliveredPaths();
    const QByteArray file = readFile(f.settingsPath());
    EXPECT_FALSE(NativeName::hasEscapes(NativeName::decode(file))) << "valid UTF-8";
    EXPECT_TRUE(file.contains(QStringLiteral("/IMG_\uFFFD.jpg\"").toUtf8()));

    OrdersStore& again = f.open(); // the first store is gone
    again.reload();
    EXPECT_EQ(again.deliveredPaths(), marks);
    for (const QString& p : { odd, plain, other })
        EXPECT_TRUE(again.isDelivered(p)) << NativeName::displayed(p).toStdString();
    EXPECT_FALSE(again.isDelivered(unmarked));
    EXPECT_EQ(again.watermarks().size(), 1);
    ASSERT_TRUE(again.selectedFolderID());
    EXPECT_EQ(native(*again.selectedFolderID()), native(order)) << "the selection found by its stored form";
    ASSERT_EQ(again.sections().size(), 1);
    EXPECT_EQ(again.sections().first().files.size(), 3);
}

} // namespace
