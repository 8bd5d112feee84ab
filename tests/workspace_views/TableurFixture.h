#pragma once

#include "common/TestSupport.h"
#include "library/LibraryStore.h"
#include "platform/UserDefaults.h"
#include "programme/ProgrammeDocument.h"
#include "workspace/WorkspaceStore.h"
#include "workspace/views/WorkspaceView.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <memory>

namespace quavel::test {

// The names in a folder, sorted.
inline QStringList entries(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

// A real library and workspace store in a temporary application folder, one spreadsheet, a photo
// folder and a destination folder, and the folders a view asked to open.
struct TableurFixture
{
    TempFolder data;
    TempFolder photos;
    TempFolder target;
    UserDefaults defaults { data.file(QStringLiteral("defaults.json")) };
    std::unique_ptr<LibraryStore> library;
    std::unique_ptr<WorkspaceStore> workspace;
    QUuid sheetID;
    QStringList opened;

    // `parser` reads picked programme files (the real reader when empty).
    explicit TableurFixture(ProgrammeParser parser = {})
    {
        library = std::make_unique<LibraryStore>(data.file(QStringLiteral("app")), defaults);
        workspace = std::make_unique<WorkspaceStore>(data.file(QStringLiteral("app")), std::move(parser));
        const DayRecord day = library->addDay(QStringLiteral("Samedi"));
        sheetID = library->addSpreadsheet(day.id, QStringLiteral("Grand Prix 1,40 m")).id;
    }

    SpreadsheetRecord sheet() const { return *library->snapshot().spreadsheet(sheetID); }
    QList<RowRecord> rows() const { return sheet().rows; }

    // Stores the programme as the shell does for a web import.
    void adopt(const ProgrammeDocument& document)
    {
        workspace->persistProgrammeIndex(document);
        workspace->setProgramme(document);
        workspace->setProgrammeName(document.sourceName);
        workspace->persist();
    }

    // Empty photo files named like a camera names them: IMG_<number>.JPG.
    void shoot(int first, int last, const QString& folder = {})
    {
        const QString into = folder.isEmpty() ? photos.path() : folder;
        for (int n = first; n <= last; ++n) {
            QFile file(into + QStringLiteral("/IMG_%1.JPG").arg(n, 4, 10, QLatin1Char('0')));
            file.open(QIODevice::WriteOnly);
        }
    }

    // Types each (photo, bib) pair into the trailing blank row, as the photographer would.
    void type(const QList<std::pair<QString, QString>>& pairs)
    {
        for (const auto& [photo, bib] : pairs)
            library->updateRow(sheetID, rows().last().id, photo, bib);
    }

    void chooseFolders()
    {
        workspace->storeFolder(photos.path(), WorkspaceStore::FolderKind::source, sheetID);
        workspace->storeFolder(target.path(), WorkspaceStore::FolderKind::destination, sheetID);
    }

    QString app() const { return data.file(QStringLiteral("app")); }

    void chooseEvent(const QString& day, const QString& eventID)
    {
        workspace->selectDay(day, sheetID);
        workspace->selectEvent(eventID, sheetID);
    }

    std::unique_ptr<WorkspaceView> view()
    {
        auto view = std::make_unique<WorkspaceView>(
            sheet(), *library, *workspace, nullptr, [this](const QString& folder) { opened.append(folder); });
        view->resize(1180, 720);
        view->show();
        return view;
    }
};

} // namespace quavel::test
