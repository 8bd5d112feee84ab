#include "photo/views/PrintPhotosMenu.h"

#include "photo/print/PrintPagination.h"
#include "photo/print/PrintPaperFormat.h"
#include "photo/views/PhotoPrinter.h"

namespace quavel {

PrintPhotosMenu::PrintPhotosMenu(const QString& title, QWidget* parent)
    : QMenu(title, parent)
{
    setToolTipsVisible(true);
    for (PrintPaperFormat format : PrintPaperFormats::allCases())
        addAction(PrintPaperFormats::title(format), this,
            [this, format] { PhotoPrinter::print(photos(), format); });
    addSeparator();
    addAction(QStringLiteral("Panneau d’impression…"), this,
        [this] { PhotoPrinter::print(photos(), std::nullopt); });
    refresh();
}

void PrintPhotosMenu::setFiles(const QStringList& files)
{
    m_files = files;
    refresh();
}

QStringList PrintPhotosMenu::photos() const
{
    return PrintPagination::photosAmong(m_files);
}

void PrintPhotosMenu::refresh()
{
    const bool any = !photos().isEmpty();
    const QString help = any ? QStringLiteral("Imprimer en pleine résolution, sans compression")
                             : QStringLiteral("Aucune photo à imprimer");
    setEnabled(any);
    setToolTip(help);
    menuAction()->setEnabled(any);
    menuAction()->setToolTip(help);
}

} // namespace quavel
