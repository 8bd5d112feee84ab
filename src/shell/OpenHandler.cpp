#include "shell/OpenHandler.h"

#include <QFileInfo>

namespace quavel {

bool OpenHandler::isTransferFile(const QString& path)
{
    return QFileInfo(path).suffix().toLower() == u"quavel";
}

void OpenHandler::open(const QStringList& paths)
{
    for (const QString& path : paths) {
        if (!isTransferFile(path))
            continue;
        if (m_handler)
            m_handler(path);
        else
            m_pending.append(path);
    }
}

void OpenHandler::setHandler(Handler handler)
{
    m_handler = std::move(handler);
    const QStringList taken = std::exchange(m_pending, {});
    if (!m_handler)
        return;
    for (const QString& path : taken)
        m_handler(path);
}

} // namespace quavel
