#include "photo/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

namespace quavel {

BusyCursor::BusyCursor()
{
    // qGuiApp casts whatever application there is: a program without a GUI (a batch run from a core
    // application) has no cursor to change.
    const auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (gui && QThread::currentThread() == gui->thread()) {
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
