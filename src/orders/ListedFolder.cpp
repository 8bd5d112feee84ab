#include "orders/ListedFolder.h"

#include "platform/files/NativeName.h"

#include <sys/stat.h>

namespace quavel {

bool ListedFolder::isStillThere() const
{
    struct stat st
    {
    };
    return ::stat(NativeName::encode(path).constData(), &st) == 0 && S_ISDIR(st.st_mode)
        && quint64(st.st_dev) == device && quint64(st.st_ino) == inode;
}

} // namespace quavel
