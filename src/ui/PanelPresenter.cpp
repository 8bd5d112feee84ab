#include "ui/PanelPresenter.h"

#include "library/MediaFile.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

#include <algorithm>

namespace quavel {

struct PanelPresenter::Request
{
    QString title;
    QString prompt;
    bool folders = false;
    bool mayCreateFolders = false;
    QString startFolder;
    QString filterName;
    QStringList extensions;
};

namespace {

void appendUnique(QStringList& list, const QString& value)
{
    if (!list.contains(value))
        list.append(value);
}

QString nameFilter(const QString& name, const QStringList& extensions)
{
    QStringList patterns;
    for (const QString& e : extensions)
        patterns << QStringLiteral("*.") + e << QStringLiteral("*.") + e.toUpper();
    return name + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

} // namespace

PanelPresenter& PanelPresenter::shared()
{
    static PanelPresenter presenter;
    return presenter;
}

QStringList PanelPresenter::programmeExtensions()
{
    QStringList list;
    for (const char* e : { "pdf", "xlsx", "xlsm" })
        appendUnique(list, QString::fromLatin1(e));
    return list;
}

QStringList PanelPresenter::imageExtensions()
{
    QStringList list;
    for (const char* e : { "png", "jpg", "jpeg", "tif", "tiff", "gif", "webp" })
        appendUnique(list, QString::fromLatin1(e));
    // Then every photo kind the application knows, and the two HEIF spellings.
    QStringList photos(PhotoFile::extensions().begin(), PhotoFile::extensions().end());
    std::sort(photos.begin(), photos.end());
    for (const QString& e : photos)
        appendUnique(list, e);
    appendUnique(list, QStringLiteral("heic"));
    appendUnique(list, QStringLiteral("heif"));
    return list;
}

QString PanelPresenter::applicationsFolder()
{
    return QStringLiteral("/usr/share/applications");
}

std::optional<QString> PanelPresenter::run(const Request& request)
{
    QFileDialog dialog(QApplication::activeWindow());
    m_panel = &dialog;
    dialog.setWindowTitle(request.title);
    dialog.setLabelText(QFileDialog::Accept, request.prompt);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.folders ? QFileDialog::Directory : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ShowDirsOnly, request.folders);
    dialog.setOption(QFileDialog::ReadOnly, !request.mayCreateFolders);
    if (!request.startFolder.isEmpty() && QDir(request.startFolder).exists())
        dialog.setDirectory(request.startFolder);
    if (!request.extensions.isEmpty())
        dialog.setNameFilter(nameFilter(request.filterName, request.extensions));
    dialog.setModal(true);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    std::optional<QString> result;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
        && !dialog.selectedFiles().first().isEmpty())
        result = QDir::cleanPath(dialog.selectedFiles().first());
    m_panel = nullptr;
    return result;
}

std::optional<QString> PanelPresenter::pickProgramme()
{
    Request r;
    r.title = QStringLiteral("Importer le programme");
    r.prompt = QStringLiteral("Importer");
    r.filterName = QStringLiteral("Programme");
    r.extensions = programmeExtensions();
    return run(r);
}

std::optional<QString> PanelPresenter::pickFolder(const QString& title, const QString& prompt)
{
    Request r;
    r.title = title;
    r.prompt = prompt;
    r.folders = true;
    r.mayCreateFolders = true;
    return run(r);
}

std::optional<QString> PanelPresenter::pickApplication()
{
    Request r;
    r.title = QStringLiteral("Choisir une application");
    r.prompt = QStringLiteral("Ouvrir");
    r.startFolder = applicationsFolder();
    r.filterName = QStringLiteral("Applications");
    r.extensions = { QStringLiteral("desktop") };
    return run(r);
}

std::optional<QString> PanelPresenter::pickImage(const QString& title, const QString& prompt)
{
    Request r;
    r.title = title;
    r.prompt = prompt;
    r.filterName = QStringLiteral("Images");
    r.extensions = imageExtensions();
    return run(r);
}

} // namespace quavel
