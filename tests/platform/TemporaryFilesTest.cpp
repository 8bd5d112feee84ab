// UnnamedFile, TemporarySweep and FileSync on real files, with real writers killed by SIGKILL.
#include "platform/AtomicFile.h"
#include "platform/files/FileSync.h"
#include "platform/files/TemporarySweep.h"
#include "platform/files/UnnamedFile.h"

#include "common/ChildProcess.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quavel;
using quavel::test::entries;
using quavel::test::TempFolder;
using Method = UnnamedFile::Method;

namespace {

void writeAll(int fd, const QByteArray& bytes)
{
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
}

// The process-wide method limit of the tests, undone at the end of the scope.
class StartFrom
{
public:
    explicit StartFrom(Method first) { UnnamedFile::startFromForTesting(first); }
    ~StartFrom() { UnnamedFile::startFromForTesting(Method::unnamedLink); }
};

const char* methodName(Method m)
{
    switch (m) {
    case Method::unnamedLink:
        return "unnamedLink";
    case Method::noReplaceRename:
        return "noReplaceRename";
    case Method::linkThenUnlink:
        return "linkThenUnlink";
    case Method::placeholderRename:
        return "placeholderRename";
    }
    return "?";
}

// UnnamedFile's hidden names of earlier versions: what its name test takes beyond today's hidden name.
bool isPartialName(QStringView name)
{
    return UnnamedFile::isTemporaryName(name) && !TemporarySweep::isTemporaryName(name);
}

class UnnamedFileMethods : public ::testing::TestWithParam<Method>
{
protected:
    StartFrom m_first { GetParam() };
    TempFolder m_dir;
};

} // namespace

// Each way of naming the file, forced on this file system (which has them all): nothing stands under
// a final name before publish, a taken name is never replaced, and the file can then take another.
TEST_P(UnnamedFileMethods, theCompleteFileTakesOnlyAFreeName)
{
    m_dir.write("IMG_1.JPG", "earlier photo");
    UnnamedFile file;
    ASSERT_EQ(file.open(m_dir.path(), 0644), 0);
    writeAll(file.fd(), "new photo");
    const bool hidden = GetParam() != Method::unnamedLink;
    EXPECT_EQ(file.temporaryName().isEmpty(), !hidden);
    EXPECT_EQ(entries(m_dir.path()).size(), hidden ? 2 : 1);
    if (hidden) {
        EXPECT_TRUE(UnnamedFile::isTemporaryName(file.temporaryName())) << file.temporaryName().toStdString();
    }

    EXPECT_EQ(file.publish("IMG_1.JPG"), EEXIST);
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(m_dir.read("IMG_1.JPG"), "earlier photo");
    EXPECT_EQ(file.publish("IMG_1 copie.JPG"), 0);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.method(), GetParam());
    EXPECT_EQ(m_dir.read("IMG_1 copie.JPG"), "new photo");
    EXPECT_EQ(entries(m_dir.path()), (QStringList { "IMG_1 copie.JPG", "IMG_1.JPG" }));
}

TEST_P(UnnamedFileMethods, aFileNeverNamedLeavesNothingAndReplaceSwapsInOneStep)
{
    {
        UnnamedFile dropped;
        ASSERT_EQ(dropped.open(m_dir.path()), 0);
        writeAll(dropped.fd(), "half");
        UnnamedFile discarded;
        ASSERT_EQ(discarded.open(m_dir.path()), 0);
        discarded.discard();
        EXPECT_FALSE(discarded.isOpen());
    }
    EXPECT_TRUE(entries(m_dir.path()).isEmpty());

    m_dir.write("photo.jpg", "original");
    UnnamedFile edited;
    ASSERT_EQ(edited.open(m_dir.path()), 0);
    writeAll(edited.fd(), "edited");
    EXPECT_EQ(edited.replace("photo.jpg"), 0);
    EXPECT_EQ(m_dir.read("photo.jpg"), "edited");
    EXPECT_EQ(entries(m_dir.path()), QStringList { "photo.jpg" });

    UnnamedFile missingFolder;
    EXPECT_EQ(missingFolder.open(m_dir.file("gone")), ENOENT);
    EXPECT_EQ(missingFolder.publish("x"), EBADF);
}

INSTANTIATE_TEST_SUITE_P(Methods, UnnamedFileMethods,
    ::testing::Values(
        Method::unnamedLink, Method::noReplaceRename, Method::linkThenUnlink, Method::placeholderRename),
    [](const auto& info) { return std::string(methodName(info.param)); });

TEST(TemporarySweep, namePatternsAreExact)
{
    const struct
    {
        const char* name;
        bool atomicFile;
        bool partial;
        bool fixed = false;
    } cases[] = {
        { "library.json.tmp-Ab3xYz", true, false },
        { "defaults.json.tmp-000000", true, false },
        { "library.json.tmp-Ab3xY", false, false },
        { "library.json.tmp-Ab3xYz7", false, false },
        { "library.json.tmp-Ab3x_z", false, false },
        { ".tmp-abcdef", false, false }, // no name before the suffix
        { "library.json", false, false },
        { "library.json.unreadable-20260601T080000Z", false, false },
        { ".quavel-partial-0123456789az", false, true },
        { ".quavel-partial-0123456789AZ", false, false },
        { ".quavel-partial-0123456789a", false, false },
        { ".quavel-partial-0123456789abc", false, false },
        { "quavel-partial-0123456789ab", false, false },
        { "IMG_0001.JPG", false, false },
        { ".quavel-tmp-0123456789az", false, false, true },
        { ".quavel-tmp-0123456789AZ", false, false, false },
        { ".quavel-tmp-0123456789a", false, false, false },
        { ".quavel-tmp-0123456789abc", false, false, false },
        { "quavel-tmp-0123456789abc", false, false, false },
        { ".quavel-tmp-0123456789a.", false, false, false },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TemporarySweep::isAtomicFileTemporary(QString::fromUtf8(c.name)), c.atomicFile) << c.name;
        EXPECT_EQ(isPartialName(QString::fromUtf8(c.name)), c.partial) << c.name;
        EXPECT_EQ(TemporarySweep::isTemporaryName(QString::fromUtf8(c.name)), c.fixed) << c.name;
    }
    // What the maker makes, the test recognises, and it is new each time.
    const QByteArray one = TemporarySweep::temporaryName();
    EXPECT_TRUE(TemporarySweep::isTemporaryName(QString::fromLatin1(one))) << one.data();
    EXPECT_NE(one, TemporarySweep::temporaryName());
}

// A folder registered as never to be reached through a link is not walked when a link stands there.
TEST(TemporarySweep, aFolderThatMustNotBeALinkIsNotWalkedThroughOne)
{
    TempFolder dir;
    dir.write("real/.quavel-tmp-0123456789ab", "dead writer's");
    dir.write("elsewhere/.quavel-tmp-0123456789ab", "dead writer's");
    ASSERT_TRUE(QFile::link(dir.file("elsewhere"), dir.file("linked")));
    for (const char* folder : { "real", "linked" })
        EXPECT_EQ(TemporarySweep::sweepFolder(dir.file(folder), &TemporarySweep::isTemporaryName, false),
            QByteArray(folder) == "real" ? 1 : 0)
            << folder;
    EXPECT_EQ(entries(dir.file("elsewhere")), QStringList { ".quavel-tmp-0123456789ab" });
    // An ordinary rule goes through the link, as before.
    EXPECT_EQ(TemporarySweep::sweepFolder(dir.file("linked"), &TemporarySweep::isTemporaryName), 1);
}

// Only plain files of a registered pattern whose writer is gone; a writer's file, a look-alike that is
// no file, and every other name stay.
TEST(TemporarySweep, removesOnlyWhatDeadWritersLeftUnderTheRegisteredPatterns)
{
    StartFrom hidden(Method::noReplaceRename);
    TempFolder dir;
    const QString app = dir.file("QUAVEL");
    const QString photos = dir.file("photos");
    QDir().mkpath(app);
    QDir().mkpath(photos);

    // Killed writers: an atomic save and a copy, each stopped half way.
    ASSERT_TRUE(test::runInKilledChild([&] {
        QByteArray name = QFile::encodeName(app + "/library.json.tmp-XXXXXX");
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        TemporarySweep::lockCreated(fd);
        ::write(fd, "{\"days\": [", 10);
        test::dieNow();
    }));
    ASSERT_TRUE(test::runInKilledChild([&] {
        UnnamedFile file;
        file.open(photos);
        ::write(file.fd(), "half a photo", 12);
        test::dieNow();
    }));
    // A living writer in this process (another open file, so its lock counts).
    UnnamedFile living;
    ASSERT_EQ(living.open(photos), 0);
    // Look-alikes and the user's own files.
    QDir(app).mkdir("notes.tmp-abcdef");
    QFile::link(dir.file("target.txt"), app + "/link.json.tmp-abcdef");
    dir.write("target.txt", "kept");
    dir.write("QUAVEL/library.json", "{}");
    dir.write("QUAVEL/library.json.unreadable-20260601T080000Z", "old");
    dir.write("photos/.quavel-partial-NOTOURS12345", "user");
    dir.write("photos/IMG_0001.JPG", "photo");
    const QStringList appBefore = entries(app);
    const QStringList photosBefore = entries(photos);
    ASSERT_EQ(appBefore.size(), 5);
    ASSERT_EQ(photosBefore.size(), 4);

    TemporarySweep::clearForTesting();
    TemporarySweep::add({ app, &TemporarySweep::isAtomicFileTemporary });
    TemporarySweep::add({ app, &UnnamedFile::isTemporaryName });
    TemporarySweep::add({ photos, &UnnamedFile::isTemporaryName });
    TemporarySweep::add({ dir.file("absent"), &UnnamedFile::isTemporaryName });
    EXPECT_EQ(TemporarySweep::sweep(), 2);
    TemporarySweep::clearForTesting();

    EXPECT_EQ(entries(app),
        (QStringList { "library.json", "library.json.unreadable-20260601T080000Z", "link.json.tmp-abcdef",
            "notes.tmp-abcdef" }));
    QStringList photosAfter = photosBefore;
    photosAfter.removeIf(
        [&](const QString& n) { return UnnamedFile::isTemporaryName(n) && n != living.temporaryName(); });
    EXPECT_EQ(entries(photos), photosAfter);
    EXPECT_EQ(dir.read("target.txt"), "kept");
    EXPECT_EQ(living.publish("IMG_0002.JPG"), 0);
}

// The writer's half of the protocol: a file swept between its creation and its lock is noticed, so the
// writer makes another instead of writing into a file that has no name any more.
TEST(TemporarySweep, aWriterLearnsThatItsFileWasSweptBeforeItsLock)
{
    TempFolder dir;
    const QByteArray path = QFile::encodeName(dir.file("a.json.tmp-abcdef"));
    const int fd = ::open(path.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(TemporarySweep::sweepFolder(dir.path(), &TemporarySweep::isAtomicFileTemporary), 1);
    EXPECT_FALSE(TemporarySweep::lockCreated(fd));
    ::close(fd);

    // AtomicFile takes its lock at once: a sweep during the write finds nothing to remove.
    AtomicFile::write(dir.file("a.json"), "{}");
    EXPECT_EQ(entries(dir.path()), QStringList { "a.json" });
    EXPECT_EQ(FileSync::syncFileSystem(dir.path()), 0);
    EXPECT_EQ(FileSync::syncFolder(dir.path()), 0);
    EXPECT_EQ(FileSync::syncFileSystem(dir.file("gone")), ENOENT);
}

// The sweep of entries a listing found: of the names it is given, only plain files that no writer
// holds and that were last modified longer ago than the minimum age go; a link is never followed.
TEST(TemporarySweep, removesOnlyTheGivenNamesThatAreOldFreePlainFiles)
{
    TempFolder dir;
    using namespace std::chrono_literals;
    const auto age = [&](const char* name, std::chrono::seconds ago) {
        const struct timespec now = { ::time(nullptr) - ago.count(), 0 };
        const struct timespec times[2] = { now, now };
        ASSERT_EQ(
            ::utimensat(AT_FDCWD, QFile::encodeName(dir.file(name)).constData(), times, AT_SYMLINK_NOFOLLOW),
            0)
            << name;
    };
    const struct
    {
        const char* name;
        std::chrono::seconds ago;
        bool removed;
    } files[] = {
        { "old", 11min, true },
        { "fresh", 5min, false },
        { "locked", 11min, false },
        { "ahead of the clock", -1h, false },
        { "not named", 11min, false },
    };
    QList<QByteArray> names;
    for (const auto& f : files) {
        dir.write(f.name, "partial photo");
        age(f.name, f.ago);
        if (QByteArray(f.name) != "not named")
            names.append(f.name);
    }
    QDir(dir.path()).mkdir("folder");
    age("folder", 1h);
    ASSERT_TRUE(QFile::link(dir.file("not named"), dir.file("link")));
    age("link", 1h);
    names << "folder"
          << "link"
          << "missing"
          << "../escape"
          << "";

    const int held = ::open(QFile::encodeName(dir.file("locked")).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const int folder = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    EXPECT_EQ(TemporarySweep::removeAbandoned(folder, names, 10min), 1);
    ::close(folder);
    ::close(held);
    for (const auto& f : files)
        EXPECT_EQ(QFileInfo::exists(dir.file(f.name)), !f.removed) << f.name;
    EXPECT_TRUE(QFileInfo(dir.file("folder")).isDir());
    EXPECT_TRUE(QFileInfo(dir.file("link")).isSymLink());

    // The whole-folder sweep keeps the same rule when given an age, and without one takes every free file.
    EXPECT_EQ(TemporarySweep::sweepFolder(
                  dir.path(), [](QStringView n) { return n == u"fresh"; }, true, 10min),
        0);
    EXPECT_EQ(TemporarySweep::sweepFolder(dir.path(), [](QStringView n) { return n == u"fresh"; }), 1);
}
