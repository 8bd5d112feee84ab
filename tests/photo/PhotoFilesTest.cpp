// The file steps of photo rewrites and backups: never a missing or half-written photo, never a replaced
// original, nothing left behind, on file systems with and without unnamed files, renameat2 and links.
#include "photo/originals/PhotoFiles.h"

#include "common/TestSupport.h"
#include "platform/Error.h"
#include "platform/files/TemporarySweep.h"
#include "platform/files/UnnamedFile.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <utime.h>

namespace quavel {
namespace {

using test::entries;
using test::modeOf;
using test::TempFolder;

struct FallbackCase
{
    const char* name;
    // The first way of naming a new file the file system is taken to have.
    UnnamedFile::Method first;
};

// Every combination a real file system shows: ext4 and tmpfs have everything; exFAT, FAT and NTFS
// through FUSE lack unnamed files and renameat2, FAT has no hard links either.
const FallbackCase fallbackCases[] = {
    { "all_features", UnnamedFile::Method::unnamedLink },
    { "no_tmpfile", UnnamedFile::Method::noReplaceRename },
    { "no_renameat2", UnnamedFile::Method::linkThenUnlink },
    { "no_links", UnnamedFile::Method::placeholderRename },
};

timespec mtimeOf(const QString& path)
{
    struct stat st
    {
    };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mtim;
}

void makeOld(const QString& path)
{
    const struct utimbuf old
    {
        1000000000, 1000000000
    };
    ::utime(QFile::encodeName(path).constData(), &old);
}

int errnoOf(const std::function<void()>& step)
{
    try {
        step();
    } catch (const FileError& e) {
        return e.errnoValue();
    }
    return 0;
}

class PhotoFilesOnEveryFileSystem : public testing::TestWithParam<FallbackCase>
{
protected:
    void SetUp() override { UnnamedFile::startFromForTesting(GetParam().first); }
    void TearDown() override { UnnamedFile::startFromForTesting(UnnamedFile::Method::unnamedLink); }
    TempFolder m_folder;
};

TEST_P(PhotoFilesOnEveryFileSystem, ReplaceKeepsNameAndModeAndLeavesNothing)
{
    const QString photo = m_folder.write("IMG_1.JPG", "old photo");
    ::chmod(QFile::encodeName(photo).constData(), 0640);
    PhotoFiles::replaceWithBytes(photo, "new photo bytes");
    EXPECT_EQ(test::readFile(photo), "new photo bytes");
    EXPECT_EQ(modeOf(photo), 0640u);
    EXPECT_EQ(entries(m_folder.path()), QStringList { "IMG_1.JPG" });

    // A writer that only takes a file name reaches the new file through the path it is given.
    PhotoFiles::replace(photo, [](int, const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        file.write("written by name");
    });
    EXPECT_EQ(test::readFile(photo), "written by name");
    EXPECT_EQ(entries(m_folder.path()), QStringList { "IMG_1.JPG" });

    // A failing encoder leaves the photo as it was and no sibling.
    EXPECT_THROW(PhotoFiles::replace(photo,
                     [](int fd, const QString&) {
                         ASSERT_EQ(::write(fd, "half", 4), 4);
                         throw Error("encoder failed");
                     }),
        Error);
    EXPECT_EQ(test::readFile(photo), "written by name");
    EXPECT_EQ(entries(m_folder.path()), QStringList { "IMG_1.JPG" });

    // A target that cannot be replaced (a folder under that name): the error, and the sibling gone.
    QDir(m_folder.path()).mkdir("folder.jpg");
    EXPECT_EQ(errnoOf([&] { PhotoFiles::replaceWithBytes(m_folder.file("folder.jpg"), "x"); }), EISDIR);
    EXPECT_EQ(entries(m_folder.path()), (QStringList { "IMG_1.JPG", "folder.jpg" }));
}

TEST_P(PhotoFilesOnEveryFileSystem, ReplaceWithCopyCarriesTheSourceAndWorksWithoutATarget)
{
    const QString original = m_folder.write(".quavel-originals/IMG_2.JPG", "the original");
    ::chmod(QFile::encodeName(original).constData(), 0604);
    makeOld(original);
    const QString photo = m_folder.write("IMG_2.JPG", "edited");
    PhotoFiles::replaceWithCopy(photo, original);
    EXPECT_EQ(test::readFile(photo), "the original");
    EXPECT_EQ(modeOf(photo), 0604u);
    EXPECT_EQ(mtimeOf(photo).tv_sec, 1000000000);

    QFile::remove(photo);
    PhotoFiles::replaceWithCopy(photo, original);
    EXPECT_EQ(test::readFile(photo), "the original");
    EXPECT_EQ(entries(m_folder.path()), (QStringList { ".quavel-originals", "IMG_2.JPG" }));
    EXPECT_EQ(errnoOf([&] { PhotoFiles::replaceWithCopy(photo, m_folder.file("missing.jpg")); }), ENOENT);
    EXPECT_EQ(test::readFile(photo), "the original");
}

TEST_P(PhotoFilesOnEveryFileSystem, CopyNoReplaceNeverReplacesAndLeavesNoTemporary)
{
    const QString photo = m_folder.write("IMG_3.JPG", "first photo");
    makeOld(photo);
    QDir(m_folder.path()).mkdir(".quavel-originals");
    const QString backup = m_folder.file(".quavel-originals/IMG_3.JPG");
    PhotoFiles::copyNoReplace(photo, backup);
    EXPECT_EQ(test::readFile(backup), "first photo");
    EXPECT_EQ(mtimeOf(backup).tv_sec, 1000000000);

    m_folder.write("IMG_3.JPG", "second photo");
    EXPECT_EQ(errnoOf([&] { PhotoFiles::copyNoReplace(photo, backup); }), EEXIST);
    EXPECT_EQ(test::readFile(backup), "first photo");
    EXPECT_EQ(errnoOf([&] {
        PhotoFiles::copyNoReplace(m_folder.file("none.jpg"), m_folder.file(".quavel-originals/none.jpg"));
    }),
        ENOENT);
    EXPECT_EQ(entries(m_folder.file(".quavel-originals")), QStringList { "IMG_3.JPG" });
}

INSTANTIATE_TEST_SUITE_P(FileSystems, PhotoFilesOnEveryFileSystem, testing::ValuesIn(fallbackCases),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PhotoFilesNames, OnlyTheHiddenUuidPatternIsTemporary)
{
    const struct
    {
        const char* name;
        bool temporary;
    } cases[] = {
        { ".0F8FAD5B-D9CB-469F-A165-70867728950E.jpg", true },
        { ".0F8FAD5B-D9CB-469F-A165-70867728950E.heic", true },
        { ".0F8FAD5B-D9CB-469F-A165-70867728950E.tmp", true },
        { ".0f8fad5b-d9cb-469f-a165-70867728950e.jpg", false },
        { "0F8FAD5B-D9CB-469F-A165-70867728950E.jpg", false },
        { ".0F8FAD5B-D9CB-469F-A165-70867728950E", false },
        { ".0F8FAD5B-D9CB-469F-A165-70867728950E.", false },
        { ".0F8FAD5B-D9CB-469F-A165-70867728950E.JPG", false },
        { ".0F8FAD5B-D9CB-469F-A165-70867728950E.jpg.edits.json", false },
        { ".0F8FAD5BxD9CB-469F-A165-70867728950E.jpg", false },
        { ".quavel-originals", false },
        { "IMG_0412.JPG", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(PhotoFiles::isTemporaryName(QString::fromLatin1(c.name)), c.temporary) << c.name;
}

TEST(PhotoFilesNames, LeftoversOfAKilledWriteGoAtTheNextWriteAndNothingElse)
{
    TempFolder folder;
    folder.write(".0F8FAD5B-D9CB-469F-A165-70867728950E.jpg", "half");
    // Another writer (of this process or another) still holds its file's lock.
    const QString living = folder.write(".1F8FAD5B-D9CB-469F-A165-70867728950E.jpg", "in progress");
    const int fd = ::open(QFile::encodeName(living).constData(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    folder.write(".0f8fad5b-d9cb-469f-a165-70867728950e.jpg", "user's");
    const QString photo = folder.write("IMG_4.JPG", "photo");
    PhotoFiles::replaceWithBytes(photo, "rewritten");
    ::close(fd);
    EXPECT_EQ(entries(folder.path()),
        (QStringList { ".0f8fad5b-d9cb-469f-a165-70867728950e.jpg",
            ".1F8FAD5B-D9CB-469F-A165-70867728950E.jpg", "IMG_4.JPG" }));
    EXPECT_EQ(PhotoFiles::removeLeftovers(folder.path()), 1); // its writer is gone now
    EXPECT_EQ(PhotoFiles::removeLeftovers(folder.file("missing")), 0);
}

// The start-up sweep of a photo folder's ".quavel-originals": every temporary name the backups and
// journals have been written through, this version's and earlier ones', and never an original or a
// journal (a photo may be named like a temporary), nor anything behind a link standing as the folder.
TEST(PhotoFilesNames, TheSweepOfTheOriginalsTakesEveryTemporaryPatternAndNothingElse)
{
    TempFolder folder;
    const QStringList leftovers {
        ".quavel-tmp-0123456789ab", // the journal's writer
        ".quavel-partial-abcdefghij12", // a backup on a file system without unnamed files
        ".0F8FAD5B-D9CB-469F-A165-70867728950E.jpg",
        "IMG_1.JPG.edits.json.tmp-Ab3xYz", // an earlier version's journal writer
    };
    const QStringList kept {
        "IMG_1.JPG",
        "IMG_1.JPG.edits.json",
        "vacances.tmp-abc123", // the original of a photo named so
        "IMG_1.JPG.edits.json.unreadable-20260601T080000Z",
    };
    for (const QString& name : leftovers + kept)
        folder.write("A/.quavel-originals/" + name, "x");
    // The same names behind a linked originals folder stay.
    for (const QString& name : leftovers)
        folder.write("elsewhere/" + name, "x");
    QDir().mkpath(folder.file("B"));
    ASSERT_TRUE(QFile::link(folder.file("elsewhere"), folder.file("B/.quavel-originals")));

    TemporarySweep::clearForTesting();
    PhotoFiles::addSweepRules(folder.file("A"));
    PhotoFiles::addSweepRules(folder.file("B"));
    EXPECT_EQ(TemporarySweep::sweep(), leftovers.size());
    TemporarySweep::clearForTesting();
    QStringList expected = kept;
    expected.sort();
    EXPECT_EQ(entries(folder.file("A/.quavel-originals")), expected);
    EXPECT_EQ(entries(folder.file("elsewhere")).size(), leftovers.size());
}

} // namespace
} // namespace quavel
