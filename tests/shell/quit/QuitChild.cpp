// The application as `main` builds it, in the private folders the test gives it (XDG_*), with the orders
// screen over the test's order. A section's batch is started (or the crop editor given a change), and once
// the first photos are written the application is asked to quit the way the case names; the event loop
// returns with photo work running and its progress still posted, and the process ends through the
// application's own ending. It links none of the tests' own endings of photo work.
//
//   quit_child <retouch|watermark|editor> <orders root> <order> <asked file> [<watermark image>]
//
// Exit status: the ending's, or 2 to 6 when the set-up failed. The asked file receives the monotonic
// time (ns) at which the quit was asked.
#include "common/TestSupport.h"
#include "orders/OrdersScreen.h"
#include "orders/OrdersStore.h"
#include "orders/views/OrderBatchRow.h"
#include "orders/views/OrderSectionBlock.h"
#include "orders/views/OrdersDetail.h"
#include "orders/views/OrdersGallery.h"
#include "orders/views/OrdersView.h"
#include "photo/crop/CropEditorModel.h"
#include "platform/UserDefaults.h"
#include "shell/ApplicationEnding.h"
#include "shell/MainWindow.h"
#include "shell/OrdersStoreSource.h"
#include "shell/QuavelApplication.h"
#include "shell/ShellServices.h"
#include "shell/TerminationSignals.h"
#include "ui/CapsuleButton.h"
#include "ui/DesktopSettings.h"
#include "ui/Notifications.h"
#include "ui/Symbols.h"

#include <QAction>
#include <QApplication>
#include <QFile>

#include <chrono>
#include <csignal>
#include <memory>

using namespace quavel;

namespace {

// Photos written before the quit is asked.
constexpr int writtenBeforeQuit = 3;

bool writeNow(const QString& path)
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch() / std::chrono::nanoseconds(1);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray::number(qint64(now))) > 0;
}

} // namespace

int main(int argc, char** argv)
{
    auto app = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QUAVEL"));
    const QStringList args = QApplication::arguments();
    if (args.size() < 5)
        return 2;
    const QString mode = args[1];
    const QString root = args[2];
    const QString order = args[3];
    const QString asked = args[4];

    Symbols::installIconTheme();
    auto desktop = std::make_unique<DesktopSettings>();
    auto services = ShellServices::standard();
    auto application = std::make_unique<QuavelApplication>(*services, UserDefaults::standard(), *desktop);
    application->followQuitRequests(*new TerminationSignals(app.get()));

    auto* source = dynamic_cast<OrdersStoreSource*>(application->orders());
    if (!source)
        return 3;
    OrdersStore& store = source->store();
    store.storeRoot(root);
    store.setSelectedFolderID(order);
    store.loadSections();
    PhotoRetouchSettings brighter;
    brighter.brightness = 60;
    if (mode == QLatin1String("retouch"))
        store.setRetouch(brighter);
    if (mode == QLatin1String("watermark") && args.size() > 5)
        store.addWatermark(args[5]);

    MainWindow& window = application->window();
    window.show();
    Notifications::instance().post(QStringLiteral("quavelShowCommandes"));
    OrdersView* view = nullptr;
    if (!test::waitUntil(
            [&] {
                view = window.findChild<OrdersView*>();
                return view && !view->detail()->gallery()->sectionBlocks().isEmpty();
            },
            20000))
        return 4;
    OrderBatchRow* section = view->detail()->gallery()->sectionBlocks().first()->header();

    bool quitAsked = false;
    const auto quitOnceWritten
        = [&](const OrdersStore::BatchProgress& progress, const std::function<void()>& quit) {
              if (quitAsked || progress.done < writtenBeforeQuit)
                  return;
              quitAsked = writeNow(asked);
              quit();
          };
    if (mode == QLatin1String("retouch")) {
        // Ctrl+Q, the menu's quit command.
        QAction* quit = window.findChild<QAction*>(QStringLiteral("quit"));
        if (!quit || !section->retouchButton()->isEnabled())
            return 5;
        QObject::connect(&store, &OrdersStore::batchProgressChanged,
            [&, quit] { quitOnceWritten(store.retouchProgress(), [quit] { quit->trigger(); }); });
        section->retouchButton()->click();
    } else if (mode == QLatin1String("watermark")) {
        // The end of the desktop session.
        if (!test::waitUntil([&] { return section->watermarkButton()->isEnabled(); }, 20000))
            return 5;
        QObject::connect(&store, &OrdersStore::batchProgressChanged,
            [&] { quitOnceWritten(store.watermarkProgress(), [] { ::raise(SIGTERM); }); });
        section->watermarkButton()->click();
    } else if (mode == QLatin1String("editor")) {
        // Changes in the crop editor, and the window closed while their writes run.
        const QString photo = section->files().first().url;
        CropEditorModel& editor = view->screen().cropEditor();
        view->screen().openCrop({ photo, false });
        if (!test::waitUntil(
                [&] { return editor.loadedURL() == photo && !editor.preview().isNull(); }, 30000))
            return 6;
        // Validated (the write's outcome is chained to the validation's, both told on the GUI thread),
        // then changed again, that look's write waiting for the end of the burst: the closing asks for it.
        editor.setRetouchPreview(brighter);
        editor.save();
        PhotoRetouchSettings brightest;
        brightest.brightness = 80;
        editor.setRetouchPreview(brightest);
        QMetaObject::invokeMethod(
            &window,
            [&] {
                quitAsked = writeNow(asked);
                window.close();
            },
            Qt::QueuedConnection);
    } else {
        return 2;
    }

    const int status = app->exec();
    return ApplicationEnding::finish(
        std::move(app),
        [&] {
            application.reset();
            services.reset();
            desktop.reset();
        },
        status);
}
