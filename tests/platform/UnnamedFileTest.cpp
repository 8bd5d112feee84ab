// The one way a new file is made: written with no name (or a hidden, locked one) and given its name only
// once complete, either never replacing anything (publish) or over whatever has the name by one rename
// (replace). Every method is forced on this file system (which has them all), through the folder's path
// and through a descriptor of the folder. And the one rule for the permission bits a new file copies.
#include "platform/files/UnnamedFile.h"
#include "platform/files/FileSync.h"
#include "platform/files/SafeCopy.h"

#include "common/Immutable.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace quavel;
using quavel::test::entries;
using quavel::test::TempFolder;
using Method = UnnamedFile::Method;

namespace {

enum class Form { path, descriptor };

struct Way
{
    Method method;
    Form form;
};

std::string wayName(const Way& way)
{
    static const char* const methods[]
        = { "unnamedLink", "noReplaceRename", "linkThenUnlink", "placeholderRename" };
    return std::string(methods[int(way.method)]) + (way.form == Form::path ? "_byPath" : "_byDescriptor");
}

// What stands at the name before the new file takes it.
struct Occupant
{
    const char* what;
    std::function<void(const TempFolder&, const QString& name)> make;
    // What publish answers, and what replace does: 0 when the new file takes the name.
    int publishError;
    int replaceError;
};

const Occupant occupants[] = {
    { "nothing", [](const TempFolder&, const QString&) {}, 0, 0 },
    { "a file", [](const TempFolder& dir, const QString& name) { dir.write(name, "earlier"); }, EEXIST, 0 },
    // A link is the name's own entry: never written through, replaced itself.
    { "a dangling link",
        [](const TempFolder& dir, const QString& name) {
            ASSERT_TRUE(QFile::link(dir.file("elsewhere"), dir.file(name)));
        },
        EEXIST, 0 },
    { "a folder with content",
        [](const TempFolder& dir, const QString& name) { dir.write(name + "/inside", "x"); }, EEXIST,
        EISDIR },
};

class UnnamedFileWays : public ::testing::TestWithParam<Way>
{
protected:
    UnnamedFileWays() { UnnamedFile::startFromForTesting(GetParam().method); }
    ~UnnamedFileWays() override { UnnamedFile::startFromForTesting(Method::unnamedLink); }

    // A new file of `bytes` in folder, opened the way under test.
    void openWith(UnnamedFile& file, const QString& folder, const QByteArray& bytes)
    {
        if (GetParam().form == Form::path) {
            ASSERT_EQ(file.open(folder, 0600), 0);
        } else {
            const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(file.openAt(fd, 0600), 0); // the file keeps its own descriptor of the folder
            ::close(fd);
        }
        ASSERT_EQ(::write(file.fd(), bytes.constData(), size_t(bytes.size())), bytes.size());
    }

    TempFolder m_dir;
};

} // namespace

TEST_P(UnnamedFileWays, publishTakesOnlyAFreeNameAndNeverWritesThroughALink)
{
    for (const Occupant& occupant : occupants) {
        SCOPED_TRACE(occupant.what);
        TempFolder dir;
        occupant.make(dir, "IMG_1.JPG");
        const QStringList before = entries(dir.path());
        UnnamedFile file;
        openWith(file, dir.path(), "new photo");

        EXPECT_EQ(file.publish("IMG_1.JPG"), occupant.publishError);
        if (occupant.publishError) {
            // Refused: what has the name is untouched, and the file may take another one.
            EXPECT_TRUE(file.isOpen());
            EXPECT_EQ(file.publish("IMG_1 copie.JPG"), 0);
            QStringList after = before;
            after.append("IMG_1 copie.JPG");
            after.sort();
            EXPECT_EQ(entries(dir.path()), after);
            EXPECT_EQ(dir.read("IMG_1 copie.JPG"), "new photo");
            if (QFileInfo(dir.file("IMG_1.JPG")).isFile()) {
                EXPECT_EQ(dir.read("IMG_1.JPG"), "earlier");
            }
        } else {
            EXPECT_EQ(entries(dir.path()), QStringList { "IMG_1.JPG" });
            EXPECT_EQ(dir.read("IMG_1.JPG"), "new photo");
        }
        EXPECT_FALSE(file.isOpen());
        EXPECT_FALSE(QFileInfo::exists(dir.file("elsewhere")));
        EXPECT_EQ(file.method(), GetParam().method);
    }
}

TEST_P(UnnamedFileWays, replaceSwapsTheNameInOneStepOrLeavesEverythingAsItWas)
{
    for (const Occupant& occupant : occupants) {
        SCOPED_TRACE(occupant.what);
        TempFolder dir;
        occupant.make(dir, "settings.json");
        const QStringList before = entries(dir.path());
        // A reader of the replaced file keeps what it opened: the file is never rewritten in place.
        QFile reader(dir.file("settings.json"));
        const bool reading
            = QFileInfo(dir.file("settings.json")).isFile() && reader.open(QIODevice::ReadOnly);
        UnnamedFile file;
        openWith(file, dir.path(), "new settings");

        EXPECT_EQ(file.replace("settings.json"), occupant.replaceError);
        EXPECT_FALSE(file.isOpen());
        if (occupant.replaceError) {
            EXPECT_EQ(entries(dir.path()), before);
            EXPECT_EQ(dir.read("settings.json/inside"), "x");
        } else {
            EXPECT_EQ(entries(dir.path()), QStringList { "settings.json" });
            EXPECT_TRUE(QFileInfo(dir.file("settings.json")).isFile());
            EXPECT_FALSE(QFileInfo(dir.file("settings.json")).isSymLink());
            EXPECT_EQ(dir.read("settings.json"), "new settings");
            struct stat st
            {
            };
            ASSERT_EQ(::stat(QFile::encodeName(dir.file("settings.json")).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0600u);
        }
        if (reading) {
            EXPECT_EQ(reader.readAll(), "earlier");
        }
        EXPECT_FALSE(QFileInfo::exists(dir.file("elsewhere")));
    }
}

// A file is named in the very folder it was opened in, even when a link stands at that folder's path by
// the time the file is named.
TEST_P(UnnamedFileWays, aFileIsNamedInTheFolderItWasOpenedIn)
{
    const QString folder = m_dir.file("photos");
    QDir().mkpath(folder);
    QDir().mkpath(m_dir.file("elsewhere"));
    UnnamedFile published;
    openWith(published, folder, "published");
    UnnamedFile replacing;
    openWith(replacing, folder, "replaced");
    ASSERT_TRUE(QFile::rename(folder, m_dir.file("moved")));
    ASSERT_TRUE(QFile::link(m_dir.file("elsewhere"), folder));
    EXPECT_EQ(published.publish("a.jpg"), 0);
    EXPECT_EQ(replacing.replace("b.jpg"), 0);
    EXPECT_EQ(m_dir.read("moved/a.jpg"), "published");
    EXPECT_EQ(m_dir.read("moved/b.jpg"), "replaced");
    EXPECT_TRUE(entries(m_dir.file("elsewhere")).isEmpty());
}

// The hidden name is the same short one whatever the final name: every name the file system takes can be
// published or replaced, up to its 255 bytes.
TEST_P(UnnamedFileWays, everyNameTheFileSystemTakesCanBeGiven)
{
    const QString longest = QString(u'\u00e9').repeated(127) + u'x';
    ASSERT_EQ(QFile::encodeName(longest).size(), 255);
    for (const bool replacing : { false, true }) {
        TempFolder dir;
        UnnamedFile file;
        openWith(file, dir.path(), "photo");
        EXPECT_EQ(replacing ? file.replace(longest) : file.publish(longest), 0);
        EXPECT_EQ(entries(dir.path()), QStringList { longest });
    }
}

// A name that may not survive a crash is no success: when the folder cannot be flushed, a published file
// gives its free name up again, and a replacement, which has already taken the place of what was there,
// stays under its name; either way the write fails, and no hidden file is left.
TEST_P(UnnamedFileWays, aFailedFolderFlushFailsTheWrite)
{
    FileSync::setRecorderForTesting(
        [](const FileSync::Flush& flush) { return flush.kind == FileSync::Flush::Kind::folder ? EIO : 0; });
    for (const bool replacing : { false, true }) {
        SCOPED_TRACE(replacing ? "replace" : "publish");
        TempFolder dir;
        dir.write("IMG_1.JPG", "earlier");
        UnnamedFile file;
        openWith(file, dir.path(), "new photo");
        EXPECT_EQ(replacing ? file.replace("IMG_1.JPG", UnnamedFile::Sync::now)
                            : file.publish("IMG_2.JPG", UnnamedFile::Sync::now),
            EIO);
        EXPECT_FALSE(file.isOpen());
        EXPECT_EQ(entries(dir.path()), QStringList { "IMG_1.JPG" });
        EXPECT_EQ(dir.read("IMG_1.JPG"), replacing ? "new photo" : "earlier");
    }
    FileSync::setRecorderForTesting({});
}

INSTANTIATE_TEST_SUITE_P(Ways, UnnamedFileWays,
    ::testing::Values(Way { Method::unnamedLink, Form::path }, Way { Method::unnamedLink, Form::descriptor },
        Way { Method::noReplaceRename, Form::path }, Way { Method::noReplaceRename, Form::descriptor },
        Way { Method::linkThenUnlink, Form::path }, Way { Method::linkThenUnlink, Form::descriptor },
        Way { Method::placeholderRename, Form::path }, Way { Method::placeholderRename, Form::descriptor }),
    [](const auto& info) { return wayName(info.param); });

// The one rule for the permission bits a new file copies: the nine bits are kept where the file system
// keeps them; a refusal by the file system (FAT and exFAT refuse chmod with EPERM, as the kernel refuses
// an immutable file here) leaves the file as it is and is no failure; any other failure is one.
TEST(CopyMode, keepsTheBitsWhereTheyCanBeKeptAndToleratesAFileSystemThatRefusesThem)
{
    TempFolder dir;
    const auto modeOf = [&](const char* name) {
        struct stat st
        {
        };
        ::stat(QFile::encodeName(dir.file(name)).constData(), &st);
        return st.st_mode & 07777;
    };
    const auto withFile = [&](const char* name, int flags, const std::function<void(int)>& step) {
        const int fd = ::open(QFile::encodeName(dir.file(name)).constData(), flags | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        step(fd);
        ::close(fd);
    };
    dir.write("plain", "x");
    dir.write("setuid", "x");
    dir.write("pinned", "x");
    ::chmod(QFile::encodeName(dir.file("pinned")).constData(), 0600);
    const struct
    {
        const char* file;
        int flags;
        mode_t mode;
        int result;
        mode_t after;
    } cases[] = {
        { "plain", O_RDWR, 0640, 0, 0640 },
        { "setuid", O_RDWR, 04755, 0, 0755 }, // only the nine bits of a copy
        { "pinned", O_RDONLY, 0644, 0, 0600 }, // refused (EPERM): kept as it is
        { "plain", O_PATH, 0600, EBADF, 0640 }, // a real failure
    };
    test::Immutable pinned(dir.file("pinned"));
    if (!pinned.isSet())
        GTEST_SKIP() << "no immutable flag on this file system";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        withFile(c.file, c.flags, [&](int fd) { EXPECT_EQ(SafeCopy::copyMode(fd, c.mode), c.result); });
        EXPECT_EQ(modeOf(c.file), c.after);
    }
}
