// The crop editor's working copies: where they live, how they are named and the sweep at start.
#include "photo/crop/CropSessionFolder.h"
#include "platform/files/TemporarySweep.h"

#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quavel {
namespace {

class CropSessionFolderTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache.path()));
    }
    void TearDown() override { qputenv("XDG_CACHE_HOME", m_saved); }

    static mode_t modeOf(const QString& path)
    {
        struct stat st
        {
        };
        ::lstat(QFile::encodeName(path).constData(), &st);
        return st.st_mode & 07777;
    }

    test::TempFolder m_cache;
    test::TempFolder m_photos;
    QByteArray m_saved;
};

TEST_F(CropSessionFolderTest, LivesInTheUsersCacheNotTheSharedTemporaryFolder)
{
    EXPECT_EQ(CropSessionFolder::path(), m_cache.path() + "/QUAVEL/quavel-crop-session");
    // A relative or empty value is not a base directory: the home's cache stands in.
    for (const char* value : { "relative/cache", "" }) {
        qputenv("XDG_CACHE_HOME", value);
        EXPECT_EQ(CropSessionFolder::path(), QDir::homePath() + "/.cache/QUAVEL/quavel-crop-session");
    }
}

TEST_F(CropSessionFolderTest, IsPrivateToTheUser)
{
    const auto folder = CropSessionFolder::ensure();
    ASSERT_TRUE(folder);
    EXPECT_EQ(modeOf(*folder), 0700u);
    // A folder left readable by others is closed again.
    ::chmod(QFile::encodeName(*folder).constData(), 0755);
    ASSERT_TRUE(CropSessionFolder::ensure());
    EXPECT_EQ(modeOf(*folder), 0700u);
}

TEST_F(CropSessionFolderTest, RefusesALinkOrAFileInItsPlace)
{
    const QString folder = CropSessionFolder::path();
    QDir().mkpath(QFileInfo(folder).absolutePath());
    ASSERT_TRUE(QFile::link(m_photos.path(), folder));
    EXPECT_FALSE(CropSessionFolder::ensure());
    EXPECT_FALSE(CropSessionFolder::makeCopy(m_photos.write("a.jpg", "x")));
    QFile::remove(folder);
    m_cache.write("QUAVEL/quavel-crop-session", "not a folder");
    EXPECT_FALSE(CropSessionFolder::ensure());
}

TEST_F(CropSessionFolderTest, CopiesAreNamedByANewIdentifierAndTheExtension)
{
    const QString photo = m_photos.write("a.JPG", "pixels of a");
    const auto first = CropSessionFolder::makeCopy(photo);
    const auto second = CropSessionFolder::makeCopy(photo);
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    const QRegularExpression name("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.JPG$");
    for (const QString& copy : { *first, *second }) {
        EXPECT_EQ(QFileInfo(copy).absolutePath(), CropSessionFolder::path());
        EXPECT_TRUE(name.match(QFileInfo(copy).fileName()).hasMatch()) << copy.toStdString();
        EXPECT_EQ(test::readFile(copy), "pixels of a");
    }
    // Without an extension the name still ends with the dot.
    const auto bare = CropSessionFolder::makeCopy(m_photos.write("noext", "b"));
    ASSERT_TRUE(bare);
    EXPECT_TRUE(bare->endsWith('.'));
    EXPECT_FALSE(CropSessionFolder::makeCopy(m_photos.file("missing.jpg")));
}

TEST_F(CropSessionFolderTest, TheStartUpSweepTakesEarlierCopiesOnly)
{
    const QString photo = m_photos.write("a.jpg", "a");
    const auto old1 = CropSessionFolder::makeCopy(photo);
    const auto old2 = CropSessionFolder::makeCopy(m_photos.write("noext", "b"));
    ASSERT_TRUE(old1 && old2);
    const QString folder = CropSessionFolder::path();
    const QString notOurs = m_cache.write("QUAVEL/quavel-crop-session/notes.txt", "keep");
    QDir(folder).mkdir("0A1B2C3D-0000-4000-8000-000000000000.jpg");

    TemporarySweep::clearForTesting();
    CropSessionFolder::registerTemporaryFiles();
    EXPECT_EQ(TemporarySweep::sweep(), 2);
    TemporarySweep::clearForTesting();
    EXPECT_FALSE(QFile::exists(*old1));
    EXPECT_FALSE(QFile::exists(*old2));
    EXPECT_TRUE(QFile::exists(notOurs));
    EXPECT_TRUE(QFileInfo(folder + "/0A1B2C3D-0000-4000-8000-000000000000.jpg").isDir());
}

TEST(SessionCopyNames, AreAnUpperCaseIdentifierADotAndAnExtension)
{
    const std::pair<const char*, bool> table[] = {
        { "0A1B2C3D-4E5F-4000-8000-00000000ABCD.JPG", true },
        { "0A1B2C3D-4E5F-4000-8000-00000000ABCD.", true },
        { "0A1B2C3D-4E5F-4000-8000-00000000ABCD.tar.gz", true },
        { "0a1b2c3d-4e5f-4000-8000-00000000abcd.jpg", false },
        { "0A1B2C3D-4E5F-4000-8000-00000000ABCD", false },
        { "0A1B2C3D-4E5F-4000-8000-00000000ABCDjpg", false },
        { "photo.jpg", false },
        { ".lock", false },
    };
    for (const auto& [name, expected] : table)
        EXPECT_EQ(CropSessionFolder::isSessionCopyName(QString::fromLatin1(name)), expected) << name;
}

} // namespace
} // namespace quavel
