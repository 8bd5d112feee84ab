// Made when the program loads, before the application object exists: the offscreen screen is 1600 × 1000
// (Qt 6.4's offscreen platform takes its screens from a configuration file), and GIO reads its folders
// once, at its first use: they hold the MIME database and no application at all.
#include "common/PrivateDesktop.h"
#include "common/TestSupport.h"

#include <QFile>

namespace {

struct BareDesktop : quavel::test::PrivateDesktop
{
    BareDesktop()
        : PrivateDesktop(QStringLiteral("bare-desktop"))
    {
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
