// Prints photos in a process of its own, so that a test can measure the run's peak resident size or
// point it at a print server of its own (CUPS reads its server from the environment once).
//   print_probe pdf <output.pdf> <paper> <photos...>     a run written to a PDF file
//   print_probe queue <queue name> <paper> <photos...>   a run sent to a print queue
//   print_probe panel <queue name> <paper> <files...>    PhotoPrinter::print, the panel accepted on
//                                                         that queue
// Prints "printed <n>" and "held <n>" (the most decoded photos held at once), or for the panel the
// photos handed on and the remembered printer; exits 0 on success.
#include "photo/print/PrintInfoMemory.h"
#include "photo/print/PrintPaperFormat.h"
#include "photo/views/PhotoPrinter.h"
#include "photo/views/PrintPanel.h"
#include "photo/views/PrintSession.h"
#include "platform/UserDefaults.h"
#include "ui/print/Printer.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

using namespace quavel;

namespace {

int throughPanel(const QString& queue, std::optional<PrintPaperFormat> paper, const QStringList& files)
{
    QStringList handed;
    PhotoPrinter::onPrintSucceeded() = [&handed](const QStringList& printed) { handed = printed; };
    bool accepted = false;
    QTimer::singleShot(0, [&] {
        auto* panel = qobject_cast<PrintPanel*>(QApplication::activeModalWidget());
        if (!panel)
            return;
        const int index = panel->printerBox()->findText(queue);
        if (index < 0) {
            panel->reject();
            return;
        }
        panel->printerBox()->setCurrentIndex(index);
        accepted = panel->printButton()->isEnabled();
        panel->printButton()->click();
    });
    PhotoPrinter::print(files, paper);
    std::printf("accepted %d\n", int(accepted));
    for (const QString& p : handed)
        std::printf("handed %s\n", qPrintable(p));
    std::printf("remembered %s\n",
        qPrintable(UserDefaults::standard().string(PrintInfoMemory::kPrinterNameKey).value_or(QString())));
    return accepted && !handed.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5)
        return 2;
    const std::optional<PrintPaperFormat> paper = PrintPaperFormats::fromRawValue(args[3]);
    const QStringList photos = args.mid(4);
    if (args[1] == QLatin1String("panel"))
        return throughPanel(args[2], paper, photos);

    int held = 0;
    PrintSession session(photos, paper, &PhotoPrinter::loadPhoto);
    if (args[1] == QLatin1String("pdf")) {
        session.printer().setOutputFormat(QPrinter::PdfFormat);
        session.printer().setOutputFileName(args[2]);
    } else if (!Printer::select(session.printer(), args[2])) {
        std::printf("no queue %s\n", qPrintable(args[2]));
        return 3;
    }
    const bool ok = session.run([&session, &held](int, int) {
        held = std::max(held, session.view().cache().held());
        return true;
    });
    std::printf("printed %d\nheld %d\n", int(session.printedPhotos().size()), held);
    return ok ? 0 : 1;
}
