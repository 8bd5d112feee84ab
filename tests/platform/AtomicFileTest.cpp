#include "platform/AtomicFile.h"
#include "platform/Error.h"
#include "platform/files/UnnamedFile.h"

#include "common/Immutable.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <sys/stat.h>
#include <thread>

using namespace quavel;
using quavel::test::entries;
using quavel::test::modeOf;
using quavel::test::TempFolder;

TEST(AtomicFile, writesAndReplacesLeavingNoTemporaryFile)
{
    TempFolder dir;
    const QString path = dir.file("library.json");
    AtomicFile::write(path, "first");
    AtomicFile::write(path, "second, longer");
    EXPECT_EQ(AtomicFile::read(path), QByteArray("second, longer"));
    AtomicFile::write(path, QByteArray());
    EXPECT_EQ(AtomicFile::read(path), QByteArray(""));
    EXPECT_EQ(entries(dir.path()), QStringList { "library.json" });
}

TEST(AtomicFile, keepsThePermissionsOfTheReplacedFile)
{
    TempFolder dir;
    const QString path = dir.file("settings.json");
    for (mode_t mode : { 0600, 0640, 0664 }) {
        AtomicFile::write(path, "x");
        ::chmod(QFile::encodeName(path).constData(), mode);
        AtomicFile::write(path, "y");
        EXPECT_EQ(modeOf(path), mode);
    }
}

TEST(AtomicFile, aNewFileFollowsTheUmask)
{
    TempFolder dir;
    const mode_t old = ::umask(027);
    AtomicFile::write(dir.file("a.json"), "x");
    ::umask(022);
    AtomicFile::write(dir.file("b.json"), "x");
    ::umask(old);
    EXPECT_EQ(modeOf(dir.file("a.json")), 0640u);
    EXPECT_EQ(modeOf(dir.file("b.json")), 0644u);
}

TEST(AtomicFile, aFailedWriteThrowsInFrenchAndLeavesTheTargetAsItWas)
{
    TempFolder dir;
    try {
        AtomicFile::write(dir.file("missing/folder/x.json"), "x");
        FAIL() << "expected a FileError";
    } catch (const FileError& e) {
        EXPECT_EQ(e.errnoValue(), ENOENT);
        EXPECT_EQ(e.message(), "Le fichier ou le dossier est introuvable.");
    }

    // The rename fails (the target is a folder that holds something): nothing is replaced, and the
    // temporary sibling is removed.
    QDir(dir.path()).mkpath("taken.json/inside");
    EXPECT_THROW(AtomicFile::write(dir.file("taken.json"), "x"), FileError);
    EXPECT_FALSE(AtomicFile::tryWrite(dir.file("taken.json"), "x"));
    EXPECT_TRUE(QFileInfo(dir.file("taken.json/inside")).isDir());
    EXPECT_EQ(entries(dir.path()), QStringList { "taken.json" });
}

TEST(AtomicFile, aReaderNeverSeesAHalfWrittenFile)
{
    TempFolder dir;
    const QString path = dir.file("library.json");
    const QByteArray small(64 * 1024, 'a');
    const QByteArray large(3 * 1024 * 1024, 'b');
    AtomicFile::write(path, small);

    std::atomic<bool> done { false };
    std::atomic<int> reads { 0 };
    std::atomic<int> torn { 0 };
    std::thread reader([&] {
        while (!done) {
            const auto bytes = AtomicFile::read(path);
            if (!bytes || (*bytes != small && *bytes != large))
                ++torn;
            ++reads;
        }
    });
    for (int i = 0; i < 40; ++i)
        AtomicFile::write(path, i % 2 ? small : large);
    done = true;
    reader.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(torn.load(), 0);
}

TEST(AtomicFile, readTellsMissingAndFoldersApartFromEmptyFiles)
{
    TempFolder dir;
    EXPECT_FALSE(AtomicFile::read(dir.file("none.json")));
    EXPECT_FALSE(AtomicFile::read(dir.path()));
    dir.write("empty.json", QByteArray());
    ASSERT_TRUE(AtomicFile::read(dir.file("empty.json")));
    EXPECT_TRUE(AtomicFile::read(dir.file("empty.json"))->isEmpty());
}

TEST(AtomicFile, setAsideKeepsEveryUnreadableCopy)
{
    TempFolder dir;
    const QDateTime at(QDate(2026, 12, 8), QTime(10, 11, 12), Qt::UTC);
    EXPECT_FALSE(AtomicFile::setAside(dir.file("library.json"), at));

    dir.write("library.json", "first broken");
    const auto first = AtomicFile::setAside(dir.file("library.json"), at);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, dir.file("library.json.unreadable-20261208T101112Z"));

    // The same second again (and a local time given): a second name, the first copy untouched.
    dir.write("library.json", "second broken");
    const auto second = AtomicFile::setAside(dir.file("library.json"), at.toLocalTime());
    ASSERT_TRUE(second);
    EXPECT_EQ(*second, dir.file("library.json.unreadable-20261208T101112Z-2"));

    EXPECT_FALSE(QFile::exists(dir.file("library.json")));
    EXPECT_EQ(dir.read("library.json.unreadable-20261208T101112Z"), "first broken");
    EXPECT_EQ(dir.read("library.json.unreadable-20261208T101112Z-2"), "second broken");
}

namespace {

// A name of exactly `bytes` bytes in UTF-8 made of one character repeated, padded with ASCII letters.
QString nameOfBytes(QChar c, int bytes)
{
    const int width = int(QString(c).toUtf8().size());
    QString name = QString(c).repeated(bytes / width);
    while (name.toUtf8().size() < bytes)
        name.append(u'x');
    return name;
}

class AtomicFileNames : public ::testing::TestWithParam<int>
{
};

} // namespace

// The temporary sibling's name is the same short one whatever the file's, so every name the file
// system takes can be written, up to its 255 bytes.
TEST_P(AtomicFileNames, everyNameTheFileSystemTakesIsWritten)
{
    TempFolder dir;
    const QString name = nameOfBytes(QChar(0x00E9), GetParam());
    ASSERT_EQ(QFile::encodeName(name).size(), GetParam());
    const QString path = dir.file(name);
    AtomicFile::write(path, "first");
    AtomicFile::write(path, "second");
    EXPECT_EQ(AtomicFile::read(path), QByteArray("second"));
    EXPECT_EQ(entries(dir.path()), QStringList { name });
}

INSTANTIATE_TEST_SUITE_P(Lengths, AtomicFileNames, ::testing::Values(1, 200, 244, 245, 255));

// A name too long to take the set-aside suffix is cut, at a character boundary, so that the whole fits;
// a second, third… set-aside of the same second never replaces an earlier one.
TEST(AtomicFile, setAsideCutsALongNameToFitAndNeverReplaces)
{
    const QDateTime at(QDate(2026, 12, 8), QTime(10, 11, 12), Qt::UTC);
    for (const QChar c : { QChar(u'a'), QChar(0x00E9), QChar(0x20AC) }) {
        TempFolder dir;
        const QString name = nameOfBytes(c, 255);
        QStringList names;
        for (int i = 0; i < 3; ++i) {
            dir.write(name, "unreadable " + QByteArray::number(i));
            const auto moved = AtomicFile::setAside(dir.file(name), at);
            ASSERT_TRUE(moved) << "set-aside " << i;
            const QString movedName = QFileInfo(*moved).fileName();
            const QByteArray native = QFile::encodeName(movedName);
            EXPECT_LE(native.size(), 255);
            EXPECT_EQ(QString::fromUtf8(native).toUtf8(), native) << "cut inside a character";
            EXPECT_TRUE(movedName.contains(QStringLiteral(".unreadable-20261208T101112Z")));
            EXPECT_TRUE(name.startsWith(movedName.section(QStringLiteral(".unreadable-"), 0, 0)));
            names.append(movedName);
        }
        EXPECT_EQ(entries(dir.path()).size(), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(dir.read(names[i]), "unreadable " + QByteArray::number(i));
    }
}

namespace {

class SetAsideMethods : public ::testing::TestWithParam<UnnamedFile::Method>
{
protected:
    SetAsideMethods() { UnnamedFile::startFromForTesting(GetParam()); }
    ~SetAsideMethods() override { UnnamedFile::startFromForTesting(UnnamedFile::Method::unnamedLink); }
};

} // namespace

// Each way of moving a file aside without replacing anything, forced on this file system: a name taken
// moves on to the next, a link moves itself (what it points to stays), and a file that cannot be moved
// stays byte for byte with nothing left beside it.
TEST_P(SetAsideMethods, movesTheEntryItselfAndNeverReplacesAnything)
{
    TempFolder dir;
    const QDateTime at(QDate(2026, 12, 8), QTime(10, 11, 12), Qt::UTC);
    const QString stamp = QStringLiteral(".unreadable-20261208T101112Z");
    dir.write("settings.json", "broken");
    dir.write("settings.json" + stamp, "an earlier copy");
    EXPECT_EQ(AtomicFile::setAside(dir.file("settings.json"), at), dir.file("settings.json" + stamp + "-2"));
    EXPECT_EQ(dir.read("settings.json" + stamp), "an earlier copy");
    EXPECT_EQ(dir.read("settings.json" + stamp + "-2"), "broken");

    dir.write("target.json", "the user's");
    ASSERT_TRUE(QFile::link(dir.file("target.json"), dir.file("linked.json")));
    EXPECT_EQ(AtomicFile::setAside(dir.file("linked.json"), at), dir.file("linked.json" + stamp));
    EXPECT_TRUE(QFileInfo(dir.file("linked.json" + stamp)).isSymLink());
    EXPECT_EQ(dir.read("target.json"), "the user's");

    dir.write("pinned.json", "broken too");
    const QStringList before = entries(dir.path());
    test::Immutable pinned(dir.file("pinned.json"));
    if (!pinned.isSet())
        GTEST_SKIP() << "no immutable flag on this file system";
    EXPECT_FALSE(AtomicFile::setAside(dir.file("pinned.json"), at));
    EXPECT_EQ(entries(dir.path()), before);
    EXPECT_EQ(dir.read("pinned.json"), "broken too");
}

INSTANTIATE_TEST_SUITE_P(Methods, SetAsideMethods,
    ::testing::Values(UnnamedFile::Method::noReplaceRename, UnnamedFile::Method::linkThenUnlink,
        UnnamedFile::Method::placeholderRename));
