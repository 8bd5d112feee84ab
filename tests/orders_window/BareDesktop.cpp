// Made when the program loads, before the application object exists: the offscreen screen is 1600 × 1000
// (Qt 6.4's offscreen platform takes its screens from a configuration file), and GIO reads its folders
// once, at its first use: they hold the MIME database and no application at all.
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

struct BareDesktop
{
    QTemporaryDir root { QDir::tempPath() + QStringLiteral("/quavel-bare-desktop-XXXXXX") };

    BareDesktop()
    {
        QDir(root.path()).mkpath(QStringLiteral("share/applications"));
        QFile::link(QStringLiteral("/usr/share/mime"), root.filePath(QStringLiteral("share/mime")));
        QFile::link(QStringLiteral("/usr/share/icons"), root.filePath(QStringLiteral("share/icons")));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(root.filePath(QStringLiteral("share"))));

        const QString config = root.filePath(QStringLiteral("screens.json"));
        QFile file(config);
        if (file.open(QIODevice::WriteOnly))
            file.write(R"({ "screens": [ { "name": "wide", "x": 0, "y": 0, "width": 1600, "height": 1000,
                "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1 } ] })");
        file.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    }
};

const BareDesktop desktop;

} // namespace
