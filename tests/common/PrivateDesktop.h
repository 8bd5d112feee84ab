#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace quavel::test {

// The program's own XDG data folders: a private tree holding an empty "applications" folder, with the
// system's MIME database and icons linked in, named by XDG_DATA_DIRS. GIO reads XDG_DATA_DIRS once, at
// its first use: a test program makes its desktop at load time, before anything asks GIO.
struct PrivateDesktop
{
    QTemporaryDir root;

    explicit PrivateDesktop(const QString& name)
        : root(QDir::tempPath() + QStringLiteral("/quavel-") + name + QStringLiteral("-XXXXXX"))
    {
        QDir(root.path()).mkpath(QStringLiteral("share/applications"));
        QFile::link(QStringLiteral("/usr/share/mime"), root.filePath(QStringLiteral("share/mime")));
        QFile::link(QStringLiteral("/usr/share/icons"), root.filePath(QStringLiteral("share/icons")));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(root.filePath(QStringLiteral("share"))));
    }

    QString applications() const { return root.filePath(QStringLiteral("share/applications")); }
};

} // namespace quavel::test
