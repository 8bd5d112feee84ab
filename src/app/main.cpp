#include "library/LibraryStore.h"

#include <QCoreApplication>
#include <QTextStream>

// Until the window lands, the application loads the library and prints a one-line summary of it.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QUAVEL"));
    quavel::LibraryStore store;
    for (const QString& path : QCoreApplication::arguments().mid(1)) {
        if (auto message = store.importQuavelFile(path))
            QTextStream(stdout) << *message << '\n';
    }
    qsizetype rows = 0;
    for (const auto& sheet : store.snapshot().spreadsheets)
        rows += sheet.filledRowCount();
    QTextStream(stdout) << "QUAVEL : " << store.snapshot().days.size() << " jour(s), "
                        << store.snapshot().spreadsheets.size() << " tableur(s), " << rows
                        << " ligne(s) remplie(s) — " << store.libraryFilePath() << '\n';
    return 0;
}
