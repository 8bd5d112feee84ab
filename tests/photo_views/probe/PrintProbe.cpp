// Prints photos in a process of its own, so that a test can measure the run's peak resident size or
// point it at a print server of its own (CUPS reads its server from the environment once).
//   print_probe pdf <output.pdf> <paper> <photos...>
//   print_probe queue <queue name> <paper> <photos...>
// Prints "printed <n>" and "held <n>" (the most decoded photos held at once); exits 0 on success.
#include "photo/PrintPaperFormat.h"
#include "photo/views/PhotoPrinter.h"
#include "photo/views/PrintSession.h"
#include "ui/print/Printer.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5)
        return 2;
    using namespace quavel;
    const std::optional<PrintPaperFormat> paper = PrintPaperFormats::fromRawValue(args[3]);
    const QStringList photos = args.mid(4);
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
