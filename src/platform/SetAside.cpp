#include "platform/SetAside.h"

#include "platform/AtomicFile.h"
#include "platform/files/NativeName.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace quavel {

SetAside::SetAside(QString path)
    : m_path(std::move(path))
{ }

SetAside::SetAside(int folderFd, QString name)
    : m_folderFd(folderFd)
    , m_name(std::move(name))
{ }

bool SetAside::present() const
{
    struct stat st
    {
    };
    if (m_folderFd >= 0)
        return ::fstatat(m_folderFd, NativeName::encode(m_name).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    return ::lstat(NativeName::encode(m_path).constData(), &st) == 0;
}

void SetAside::markUnreadable()
{
    m_marked = present();
}

bool SetAside::mayWrite()
{
    if (!m_marked)
        return true;
    const bool moved = m_folderFd >= 0 ? AtomicFile::setAsideAt(m_folderFd, m_name).has_value()
                                       : AtomicFile::setAside(m_path).has_value();
    // Gone meanwhile is as good as moved: nothing of the user's stands there any more.
    if (moved || !present())
        m_marked = false;
    return !m_marked;
}

} // namespace quavel
