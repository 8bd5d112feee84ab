// Unnamed files and safe copies on the file systems of photographers' USB disks, really mounted: NTFS
// (ntfs-3g: no unnamed files, no RENAME_NOREPLACE, hard links) and exFAT (exfat-fuse over a loop
// device: no unnamed files, no RENAME_NOREPLACE, no hard links). Needs root, /dev/fuse and the tools
// of scripts/setup; skipped otherwise.
#include "platform/files/FileSync.h"
#include "platform/files/SafeCopy.h"
#include "platform/files/UnnamedFile.h"

#include "common/ChildProcess.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace quavel;
using quavel::test::TempFolder;
using Method = UnnamedFile::Method;

namespace {

struct FileSystem
{
    const char* name;
    Method expected;
    QStringList tools;
};

void PrintTo(const FileSystem& fs, std::ostream* os)
{
    *os << fs.name;
}

bool run(const QString& program, const QStringList& arguments, QString* output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return false;
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    return true;
}

// A 16 MB image formatted and mounted under a temporary folder, unmounted at the end.
class Mounted
{
public:
    Mounted(const FileSystem& fs, const TempFolder& dir)
        : m_point(dir.file("mount"))
    {
        const QString image = dir.file("disk.img");
        QDir().mkpath(m_point);
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(16 * 1024 * 1024))
            return;
        file.close();
        if (QString(fs.name) == "ntfs") {
            m_mounted = run("mkntfs", { "-F", "-Q", "-q", image }) && run("ntfs-3g", { image, m_point });
        } else {
            m_mounted = run("mkfs.exfat", { image }) && run("losetup", { "-f", "--show", image }, &m_loop)
                && run("mount.exfat-fuse", { m_loop, m_point });
        }
    }
    ~Mounted()
    {
        if (m_mounted)
            run("umount", { m_point });
        if (!m_loop.isEmpty())
            run("losetup", { "-d", m_loop });
    }
    Mounted(const Mounted&) = delete;
    Mounted& operator=(const Mounted&) = delete;

    bool ok() const { return m_mounted; }
    QString file(const QString& name) const { return m_point + u'/' + name; }
    const QString& path() const { return m_point; }

private:
    QString m_point;
    QString m_loop;
    bool m_mounted = false;
};

class FuseFileSystems : public ::testing::TestWithParam<FileSystem>
{
protected:
    void SetUp() override
    {
        if (::geteuid() != 0 || !QFile::exists("/dev/fuse"))
            GTEST_SKIP() << "needs root and /dev/fuse";
        for (const QString& tool : GetParam().tools)
            if (QStandardPaths::findExecutable(tool).isEmpty()
                && QStandardPaths::findExecutable(tool, { "/usr/sbin", "/sbin" }).isEmpty())
                GTEST_SKIP() << "no " << tool.toStdString();
        m_mount = std::make_unique<Mounted>(GetParam(), m_dir);
        if (!m_mount->ok())
            GTEST_SKIP() << "the image could not be mounted here";
    }

    TempFolder m_local;
    TempFolder m_dir;
    std::unique_ptr<Mounted> m_mount;
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
    EXPECT_EQ(st.st_mtim.tv_sec, 1234567890);

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
    ::testing::Values(FileSystem { "ntfs", Method::linkThenUnlink, { "mkntfs", "ntfs-3g" } },
        FileSystem { "exfat", Method::placeholderRename, { "mkfs.exfat", "mount.exfat-fuse", "losetup" } }),
    [](const auto& info) { return std::string(info.param.name); });
