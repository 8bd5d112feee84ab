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

bool hasTool(const QString& tool)
{
    return !QStandardPaths::findExecutable(tool).isEmpty()
        || !QStandardPaths::findExecutable(tool, { "/usr/sbin", "/sbin" }).isEmpty();
}

QStringList toolsOf(MountedDisk::Kind kind)
{
    switch (kind) {
    case MountedDisk::Kind::ntfs:
        return { "mkntfs", "ntfs-3g" };
    case MountedDisk::Kind::exfat:
        return { "mkfs.exfat", "mount.exfat-fuse", "losetup" };
    case MountedDisk::Kind::fat32:
        return { "mkfs.fat", "fusefat" };
    case MountedDisk::Kind::tmpfs:
        return {};
    }
    return {};
}

} // namespace

const char* MountedDisk::name(Kind kind)
{
    switch (kind) {
    case Kind::ntfs:
        return "ntfs";
    case Kind::exfat:
        return "exfat";
    case Kind::fat32:
        return "fat32";
    case Kind::tmpfs:
        return "tmpfs";
    }
    return "";
}

MountedDisk::MountedDisk(Kind kind, const TempFolder& dir, int megabytes)
    : m_point(dir.file("mount"))
{
    const bool fuse = kind != Kind::tmpfs;
    if (::geteuid() != 0 || (fuse && !QFile::exists("/dev/fuse"))) {
        m_skip = fuse ? QStringLiteral("needs root and /dev/fuse") : QStringLiteral("needs root");
        return;
    }
    for (const QString& tool : toolsOf(kind))
        if (!hasTool(tool)) {
            m_skip = QStringLiteral("no ") + tool;
            return;
        }
    QDir().mkpath(m_point);
    if (kind == Kind::tmpfs) {
        m_mounted = run(
            "mount", { "-t", "tmpfs", "-o", QStringLiteral("size=%1m").arg(megabytes), "tmpfs", m_point });
    } else {
        const QString image = dir.file("disk.img");
        QFile file(image);
        if (file.open(QIODevice::WriteOnly) && file.resize(qint64(megabytes) * 1024 * 1024)) {
            file.close();
            if (kind == Kind::ntfs)
                m_mounted = run("mkntfs", { "-F", "-Q", "-q", image }) && run("ntfs-3g", { image, m_point });
            else if (kind == Kind::exfat)
                m_mounted = run("mkfs.exfat", { image }) && run("losetup", { "-f", "--show", image }, &m_loop)
                    && run("mount.exfat-fuse", { m_loop, m_point });
            else
                // hard_remove: a file removed while its closing is still on its way to fusefat goes at
                // once, as on the kernel's own FAT, instead of standing as a hidden .fuse_hidden file
                // until then (which made an empty folder's rmdir fail now and then).
                m_mounted = run("mkfs.fat", { "-F", "32", image })
                    && run("fusefat", { "-o", "rw+,hard_remove", image, m_point });
        }
    }
    if (!m_mounted)
        m_skip = QStringLiteral("the disk could not be mounted here");
}

MountedDisk::~MountedDisk()
{
    if (m_mounted)
        run("umount", { m_point });
    if (!m_loop.isEmpty())
        run("losetup", { "-d", m_loop });
}

} // namespace quavel::test
