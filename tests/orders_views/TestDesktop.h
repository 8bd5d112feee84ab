#pragma once

// A private desktop for the whole test program: two applications that record each launch in a file,
// both able to open photos and videos, the viewer the default one. GIO reads XDG_DATA_DIRS once, at its
// first use, so the desktop is made when the program loads.

#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace quavel::test {

class TestDesktop
{
public:
    static TestDesktop& shared();

    QString editor() const { return m_editor; }
    QString viewer() const { return m_viewer; }
    // "<application>|<file>|<file>…" per launch, sorted; launches are asynchronous.
    QStringList launches() const;
    void clearLaunches() const;

private:
    TestDesktop();
    QString writeApp(const QString& tag, const char* fieldCode);

    QTemporaryDir m_root { QDir::tempPath() + QStringLiteral("/quavel-orders-desktop-XXXXXX") };
    QString m_editor;
    QString m_viewer;
};

} // namespace quavel::test
