#include "common/Immutable.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace quavel::test {

Immutable::Immutable(const QString& path)
    : m_path(QFile::encodeName(path))
{
    m_set = change(true);
}

Immutable::~Immutable()
{
    clear();
}

void Immutable::clear()
{
    if (m_set)
        change(false);
    m_set = false;
}

bool Immutable::change(bool on) const
{
    const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

} // namespace quavel::test
