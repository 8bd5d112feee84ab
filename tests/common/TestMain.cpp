// The main of every test program: a Qt application object (widgets where the program tests widgets),
// a private XDG tree so no test touches the user's files, then GoogleTest.
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#ifdef QUAVEL_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#elif defined(QUAVEL_TEST_GUI)
// Painting without widgets (fonts, PDF writing) needs the GUI application.
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    quavel::test::isolateUserFolders();
#if defined(QUAVEL_TEST_GUI) || defined(QUAVEL_TEST_WIDGETS)
    // ctest lists the tests by running the program without the tests' environment: painting then needs
    // a platform that works without a display too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
#ifdef QUAVEL_TEST_WIDGETS
    // Chromium's sandbox refuses to start as root, and the web view with it. ctest cannot pass this
    // along: the test discovery flattens the ENVIRONMENT list, so only its first entry reaches a test.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    TestApplication app(argc, argv);
    const int status = RUN_ALL_TESTS();
    quavel::test::runExitHooks();
    return status;
}
