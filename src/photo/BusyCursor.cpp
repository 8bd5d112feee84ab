#include "photo/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

namespace quavel {

BusyCursor::BusyCursor()
{
    if (qGuiApp && QThread::currentThread() == qGuiApp->thread()) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        m_shown = true;
    }
}

BusyCursor::~BusyCursor()
{
    if (m_shown)
        QGuiApplication::restoreOverrideCursor();
}

} // namespace quavel
