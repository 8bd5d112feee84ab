// SafeCopy and Bookmark on real files.
#include "WorkspaceTestSupport.h"

#include "platform/Error.h"
#include "platform/files/Bookmark.h"
#include "platform/files/SafeCopy.h"
#include "platform/files/UnnamedFile.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <utime.h>

using namespace quavel;
using namespace quavel::test;

namespace {

struct stat statOf(const QString& path)
{
    struct stat st
    {
    };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

// Each way a copy can get its name, forced on this file system (which has them all).
class SafeCopyMethods : public ::testing::TestWithParam<UnnamedFile::Method>
{
protected:
    SafeCopyMethods() { UnnamedFile::startFromForTesting(GetParam()); }
    ~SafeCopyMethods() override { UnnamedFile::startFromForTesting(UnnamedFile::Method::unnamedLink); }
};

} // namespace

TEST_P(SafeCopyMethods, KeepsContentPermissionsAndModificationTime)
{
    TempFolder dir;
    QByteArray big(3 * 1024 * 1024 + 17, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 31 % 251);
    const QString source = dir.write("IMG_0001.JPG", big);
    ::chmod(QFile::encodeName(source).constData(), 0640);
    const struct utimbuf times
    {
        1000000000, 1234567890
    };
    ::utime(QFile::encodeName(source).constData(), &times);

    SafeCopy::copyFile(source, dir.file("copy.jpg"));
    EXPECT_EQ(dir.read("copy.jpg"), big);
    const struct stat st = statOf(dir.file("copy.jpg"));
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1234567890);
}

TEST_P(SafeCopyMethods, NeverReplacesAnExistingTarget)
{
    TempFolder dir;
    const QString source = dir.write("a.jpg", "new");
    dir.write("b.jpg", "old");
    QDir(dir.path()).mkdir("folder.jpg");
    for (const char* target : { "b.jpg", "folder.jpg" }) {
        try {
            SafeCopy::copyFile(source, dir.file(target));
            ADD_FAILURE() << target;
        } catch (const FileError& e) {
            EXPECT_EQ(e.errnoValue(), EEXIST);
            EXPECT_FALSE(e.message().isEmpty());
        }
    }
    EXPECT_EQ(dir.read("b.jpg"), "old");
    // A dangling link also holds its name: the copy must not write through it.
    QFile::link(dir.file("elsewhere.jpg"), dir.file("link.jpg"));
    EXPECT_EQ(SafeCopy::tryCopyFile(source, dir.file("link.jpg")), EEXIST);
    EXPECT_FALSE(QFileInfo::exists(dir.file("elsewhere.jpg")));
}

TEST_P(SafeCopyMethods, FailuresLeaveNoTarget)
{
    TempFolder dir;
    QDir(dir.path()).mkdir("sub.jpg");
    EXPECT_EQ(SafeCopy::tryCopyFile(dir.file("missing.jpg"), dir.file("t1")), ENOENT);
    EXPECT_EQ(SafeCopy::tryCopyFile(dir.file("sub.jpg"), dir.file("t2")), EISDIR);
    // Reading this file fails at once (EIO), after the target was created: the partial target goes.
    EXPECT_NE(SafeCopy::tryCopyFile("/proc/self/mem", dir.file("t3")), 0);
    EXPECT_EQ(entries(dir.path()), QStringList { "sub.jpg" });
    // Files the kernel copy refuses are still copied by reading and writing them.
    EXPECT_EQ(SafeCopy::tryCopyFile("/proc/self/status", dir.file("status")), 0);
    EXPECT_TRUE(dir.read("status").startsWith("Name:"));
}

// The content is written once; the names are tried in turn until one is free, and a taken one is left
// as it was.
TEST_P(SafeCopyMethods, TakesTheFirstFreeNameAndLeavesNoTemporaryFile)
{
    TempFolder dir;
    const QString source = dir.write("src/IMG_1.JPG", "photo");
    dir.write("dest/IMG_1.JPG", "first");
    dir.write("dest/IMG_1 copie.JPG", "second");
    QStringList tried;
    int attempt = 0;
    EXPECT_EQ(SafeCopy::tryCopyToFreeName(
                  source, dir.file("dest"),
                  [&](int n) {
                      tried.append(QString::number(n));
                      return QStringList { "IMG_1.JPG", "IMG_1 copie.JPG", "IMG_1 copie 2.JPG" }.value(n);
                  },
                  attempt),
        0);
    EXPECT_EQ(attempt, 2);
    EXPECT_EQ(tried, (QStringList { "0", "1", "2" }));
    EXPECT_EQ(dir.read("dest/IMG_1.JPG"), "first");
    EXPECT_EQ(dir.read("dest/IMG_1 copie.JPG"), "second");
    EXPECT_EQ(dir.read("dest/IMG_1 copie 2.JPG"), "photo");
    EXPECT_EQ(
        entries(dir.file("dest")), (QStringList { "IMG_1 copie 2.JPG", "IMG_1 copie.JPG", "IMG_1.JPG" }));

    // A folder that does not exist: nothing is tried.
    attempt = 0;
    EXPECT_EQ(SafeCopy::tryCopyToFreeName(
                  source, dir.file("gone"), [](int) { return QStringLiteral("x"); }, attempt),
        ENOENT);
}

INSTANTIATE_TEST_SUITE_P(Methods, SafeCopyMethods,
    ::testing::Values(UnnamedFile::Method::unnamedLink, UnnamedFile::Method::noReplaceRename,
        UnnamedFile::Method::linkThenUnlink, UnnamedFile::Method::placeholderRename));

TEST(Bookmark, ResolvesTheSameKindAndTellsAReplacedFolder)
{
    TempFolder dir;
    QDir(dir.path()).mkdir("Photos");
    const QString file = dir.write("note.txt", "x");
    const auto folderMark = Bookmark::create(dir.file("Photos/../Photos/"));
    const auto fileMark = Bookmark::create(file);
    ASSERT_TRUE(folderMark && fileMark);
    EXPECT_EQ(Bookmark::resolve(*folderMark), (Bookmark::Resolved { dir.file("Photos"), false }));
    EXPECT_EQ(Bookmark::resolve(*fileMark), (Bookmark::Resolved { file, false }));

    // Same path, another folder (made before the old one goes, so its inode differs): stale.
    QDir(dir.path()).mkdir("New");
    QDir(dir.path()).rmdir("Photos");
    QDir(dir.path()).rename("New", "Photos");
    EXPECT_EQ(Bookmark::resolve(*folderMark), (Bookmark::Resolved { dir.file("Photos"), true }));

    // A file where the folder was, or nothing at all: no folder to give back.
    QDir(dir.path()).rmdir("Photos");
    dir.write("Photos", "file");
    EXPECT_FALSE(Bookmark::resolve(*folderMark));
    QFile::remove(file);
    EXPECT_FALSE(Bookmark::resolve(*fileMark));
    EXPECT_FALSE(Bookmark::create(dir.file("missing")));
}

TEST(Bookmark, ForeignOrDamagedDataDoesNotResolve)
{
    TempFolder dir;
    const QByteArray good = *Bookmark::create(dir.path());
    QByteArray relative = good;
    relative[relative.size() - qsizetype(QFile::encodeName(dir.path()).size())] = 'x';
    const QList<QByteArray> bad { QByteArray(), QByteArray("book\0\0\0\0mark", 12),
        good.left(good.size() - 1), good + "/extra", QByteArray(good).replace(0, 4, "XXXX"), relative,
        QFile::encodeName(dir.path()) };
    for (const QByteArray& data : bad)
        EXPECT_FALSE(Bookmark::resolve(data)) << data.toHex().toStdString();
}
