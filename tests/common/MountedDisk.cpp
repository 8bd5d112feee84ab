#include "common/MountedDisk.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

namespace quavel::test {

namespace {

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

struct FileSystem
{
    const char* name;
    QStringList tools; // the formatting tool first
};

const FileSystem& fileSystem(MountedDisk::Kind kind)
{
    static const FileSystem table[]
        = { { "ntfs", { "mkntfs", "ntfs-3g" } }, { "exfat", { "mkfs.exfat", "mount.exfat-fuse", "losetup" } },
              { "fat32", { "mkfs.fat", "fusefat" } }, { "tmpfs", {} } };
    return table[int(kind)];
}

} // namespace

const char* MountedDisk::name(Kind kind)
{
    return fileSystem(kind).name;
}

MountedDisk::MountedDisk(Kind kind, const TempFolder& dir, int megabytes, const QString& point)
    : m_kind(kind)
    , m_megabytes(megabytes)
    , m_point(point.isEmpty() ? dir.file("mount") : point)
    , m_image(dir.file("disk.img"))
{
    const bool fuse = kind != Kind::tmpfs;
    if (::geteuid() != 0 || (fuse && !QFile::exists("/dev/fuse"))) {
        m_skip = fuse ? QStringLiteral("needs root and /dev/fuse") : QStringLiteral("needs root");
        return;
    }
    for (const QString& tool : fileSystem(kind).tools)
        if (QStandardPaths::findExecutable(tool).isEmpty()
            && QStandardPaths::findExecutable(tool, { "/usr/sbin", "/sbin" }).isEmpty()) {
            m_skip = QStringLiteral("no ") + tool;
            return;
        }
    QDir().mkpath(m_point);
    bool formatted = true;
    if (fuse) {
        QFile image(m_image);
        const QStringList options = kind == Kind::ntfs ? QStringList { "-F", "-Q", "-q" }
            : kind == Kind::fat32                      ? QStringList { "-F", "32" }
                                                       : QStringList {};
        formatted = image.open(QIODevice::WriteOnly) && image.resize(qint64(megabytes) * 1024 * 1024)
            && run(fileSystem(kind).tools.first(), options + QStringList { m_image })
            && (kind != Kind::exfat || run("losetup", { "-f", "--show", m_image }, &m_loop));
    }
    if (!formatted || !plugIn())
        m_skip = QStringLiteral("the disk could not be mounted here");
}

MountedDisk::~MountedDisk()
{
    // Lazily when still in use (a watch of the application's on a card).
    if (m_mounted && !run("umount", { m_point }))
        run("umount", { "-l", m_point });
    if (!m_loop.isEmpty())
        run("losetup", { "-d", m_loop });
}

bool MountedDisk::plugIn()
{
    switch (m_kind) {
    case Kind::ntfs:
        m_mounted = run("ntfs-3g", { m_image, m_point });
        break;
    case Kind::exfat:
        m_mounted = run("mount.exfat-fuse", { m_loop, m_point });
        break;
    case Kind::fat32:
        // hard_remove: a file removed while its closing is still on its way to fusefat goes at once, as
        // on the kernel's own FAT, instead of standing as a hidden .fuse_hidden file until then (which
        // made an empty folder's rmdir fail now and then).
        m_mounted = run("fusefat", { "-o", "rw+,hard_remove", m_image, m_point });
        break;
    case Kind::tmpfs:
        m_mounted = run("mount",
            { "-t", "tmpfs", "-o", QStringLiteral("size=%1m").arg(m_megabytes), "quavel-disk", m_point });
        break;
    }
    return m_mounted;
}

bool MountedDisk::pull()
{
    m_mounted = !run("umount", { "-l", m_point });
    return !m_mounted;
}

} // namespace quavel::test
