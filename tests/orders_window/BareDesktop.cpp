// Made when the program loads, before the application object exists: the offscreen screen is 1600 × 1000
// unless the program names another size (Qt 6.4's offscreen platform takes its screens from a
// configuration file), and GIO reads its folders once, at its first use: they hold the MIME database and
// no application at all.
#include "common/PrivateDesktop.h"
#include "common/TestSupport.h"

#include <QFile>

#ifndef QUAVEL_TEST_SCREEN_WIDTH
#define QUAVEL_TEST_SCREEN_WIDTH 1600
#define QUAVEL_TEST_SCREEN_HEIGHT 1000
#endif

namespace {

struct BareDesktop : quavel::test::PrivateDesktop
{
    BareDesktop()
        : PrivateDesktop(QStringLiteral("bare-desktop"))
    {
        const QString config = root.filePath(QStringLiteral("screens.json"));
        QFile file(config);
        if (file.open(QIODevice::WriteOnly))
            file.write(QStringLiteral(R"({ "screens": [ { "name": "main", "x": 0, "y": 0, "width": %1,
                "height": %2, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1 } ] })")
                           .arg(QUAVEL_TEST_SCREEN_WIDTH)
                           .arg(QUAVEL_TEST_SCREEN_HEIGHT)
                           .toUtf8());
        file.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    }
};

const BareDesktop desktop;

} // namespace
