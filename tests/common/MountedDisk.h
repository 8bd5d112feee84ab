#pragma once

#include "common/TestSupport.h"

#include <QString>

// Small disks of the file systems photographers' cards and USB disks carry, really formatted and mounted
// (unmounted at the end): NTFS through ntfs-3g, exFAT through exfat-fuse over a loop device, FAT32
// through fusefat; and a size-limited tmpfs, a disk that fills up. Needs root, /dev/fuse for the FUSE
// ones and the tools of scripts/setup: skip() tells why a disk cannot be had here.
namespace quavel::test {

class MountedDisk
{
public:
    enum class Kind { ntfs, exfat, fat32, tmpfs };

    // A disk of `megabytes` (tmpfs: its size limit) mounted on `point`, by default a folder of `dir`,
    // which holds a FUSE disk's image.
    MountedDisk(Kind kind, const TempFolder& dir, int megabytes = 16, const QString& point = {});
    ~MountedDisk();
    MountedDisk(const MountedDisk&) = delete;
    MountedDisk& operator=(const MountedDisk&) = delete;

    // Why the disk is not there (empty when it is): a test skips with this.
    const QString& skip() const { return m_skip; }
    const QString& path() const { return m_point; }
    QString file(const QString& name) const { return m_point + u'/' + name; }

    // Pulled as a card is, by a lazy unmount (`umount -l`), then plugged back at the same place (a tmpfs
    // comes back empty).
    bool pull();
    bool plugIn();

    static const char* name(Kind kind);

private:
    Kind m_kind;
    int m_megabytes;
    QString m_point;
    QString m_image;
    QString m_loop;
    QString m_skip;
    bool m_mounted = false;
};

} // namespace quavel::test
