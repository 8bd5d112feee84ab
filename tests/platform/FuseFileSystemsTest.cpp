// Unnamed files and safe copies on the file systems of photographers' USB disks and cards, really
// mounted: NTFS (ntfs-3g: no unnamed files, no RENAME_NOREPLACE, hard links), exFAT (exfat-fuse over a
// loop device) and FAT32 (fusefat): no unnamed files, no RENAME_NOREPLACE, no hard links. Needs root,
// /dev/fuse and the tools of scripts/setup; skipped otherwise.
#include "platform/files/FileSync.h"
#include "platform/files/SafeCopy.h"
#include "platform/files/UnnamedFile.h"

#include "common/ChildProcess.h"
#include "common/MountedDisk.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace quavel;
using quavel::test::TempFolder;
using Method = UnnamedFile::Method;

namespace {

using Disk = test::MountedDisk;

struct FileSystem
{
    Disk::Kind kind;
    Method expected;
    // fusefat stamps an entry it renames with the current time, whatever the file had.
    bool renameKeepsTimes = true;
};

void PrintTo(const FileSystem& fs, std::ostream* os)
{
    *os << Disk::name(fs.kind);
}

class FuseFileSystems : public ::testing::TestWithParam<FileSystem>
{
protected:
    void SetUp() override
    {
        m_mount = std::make_unique<Disk>(GetParam().kind, m_dir);
        if (!m_mount->skip().isEmpty())
            GTEST_SKIP() << m_mount->skip().toStdString();
    }

    TempFolder m_local;
    TempFolder m_dir;
    std::unique_ptr<Disk> m_mount;
};

} // namespace

TEST_P(FuseFileSystems, copiesGetTheirNameOnlyWholeAndNeverReplace)
{
    // The file system's own fallback is found and used.
    UnnamedFile probe;
    ASSERT_EQ(probe.open(m_mount->path()), 0);
    EXPECT_FALSE(probe.temporaryName().isEmpty()); // no unnamed files there
    ASSERT_EQ(::write(probe.fd(), "probe", 5), 5);
    EXPECT_EQ(probe.publish("probe.txt"), 0);
    EXPECT_EQ(probe.method(), GetParam().expected);

    QByteArray photo(3 * 1024 * 1024 + 5, '\0');
    for (qsizetype i = 0; i < photo.size(); i += 97)
        photo[i] = char(i);
    const QString source = m_local.write("IMG_0001.JPG", photo);
    const struct utimbuf times
    {
        1000000000, 1234567890
    };
    ::utime(QFile::encodeName(source).constData(), &times);

    SafeCopy::copyFile(source, m_mount->file("IMG_0001.JPG"));
    EXPECT_EQ(test::readFile(m_mount->file("IMG_0001.JPG")), photo);
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(m_mount->file("IMG_0001.JPG")).constData(), &st), 0);
    if (GetParam().renameKeepsTimes) {
        EXPECT_EQ(st.st_mtim.tv_sec, 1234567890);
    }

    const QString other = m_local.write("other/IMG_0001.JPG", "another photo");
    EXPECT_EQ(SafeCopy::tryCopyFile(other, m_mount->file("IMG_0001.JPG")), EEXIST);
    EXPECT_EQ(test::readFile(m_mount->file("IMG_0001.JPG")), photo);
    int attempt = 0;
    EXPECT_EQ(SafeCopy::tryCopyToFreeName(
                  other, m_mount->path(),
                  [](int n) {
                      return n == 0 ? QStringLiteral("IMG_0001.JPG") : QStringLiteral("IMG_0001 copie.JPG");
                  },
                  attempt),
        0);
    EXPECT_EQ(attempt, 1);
    EXPECT_EQ(test::readFile(m_mount->file("IMG_0001 copie.JPG")), "another photo");
    EXPECT_EQ(FileSync::syncFileSystem(m_mount->path()), 0);

    // A writer killed half way leaves only its hidden file, which the next run into the folder removes.
    ASSERT_TRUE(test::runInKilledChild([&] {
        UnnamedFile file;
        file.open(m_mount->path());
        ::write(file.fd(), photo.constData(), 1024 * 1024);
        test::dieNow();
    }));
    QStringList names = QDir(m_mount->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    EXPECT_EQ(names.size(), 4);
    EXPECT_EQ(UnnamedFile::removeLeftovers(m_mount->path()), 1);
    names = QDir(m_mount->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    EXPECT_EQ(names, (QStringList { "IMG_0001 copie.JPG", "IMG_0001.JPG", "probe.txt" }));
}

INSTANTIATE_TEST_SUITE_P(UsbDisks, FuseFileSystems,
    ::testing::Values(FileSystem { Disk::Kind::ntfs, Method::linkThenUnlink },
        FileSystem { Disk::Kind::exfat, Method::placeholderRename },
        FileSystem { Disk::Kind::fat32, Method::placeholderRename, false }),
    [](const auto& info) { return std::string(Disk::name(info.param.kind)); });
