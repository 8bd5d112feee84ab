#pragma once

#include "workspace/FolderOpener.h"
#include "workspace/OrganizerReport.h"
#include "workspace/ProgrammeLoader.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QScrollArea;

namespace quavel {

class CapsuleButton;
class RiderFoldersSidebar;
class RiderFoldersStore;
class RiderTable;
class ToneLabel;

// The "Paniers" screen: a sidebar to import a programme (file or results page) and choose the
// destination folder, and the programme's named riders with a button that creates one empty folder
// "NOM PRENOM" per rider in the destination. It reads and drives the rider-folders store, which it
// does not own. It reacts to the menu's programme import only while it exists, which the window
// limits to the time the section is shown. GUI thread.
class RiderFoldersView : public QWidget
{
    Q_OBJECT

public:
    // An empty opener means the desktop's file manager.
    explicit RiderFoldersView(
        RiderFoldersStore& folders, FolderOpener openFolder = {}, QWidget* parent = nullptr);
    ~RiderFoldersView() override;

    // The programme picker, then the import into the store.
    void importProgramme();
    // The destination folder picker.
    void importDestination();
    // One empty folder per named rider in the destination, then the destination shown.
    void createFolders();

    // Resolves the destination afresh: the creation needs a folder that still exists and named riders.
    bool canCreate();
    QString summaryLine() const;
    // The report's first line: its headline, else its folder count ("1 dossier", "2 dossiers").
    static QString reportHeadline(const OrganizerReport& report);

    const std::optional<QString>& parseError() const { return m_parseError; }
    const std::optional<OrganizerReport>& report() const { return m_report; }
    bool isRunning() const { return m_isRunning; }

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void programmeImported(const ProgrammeLoader::ImportResult& result);
    QWidget* buildDetail();
    // Re-reads the store and re-evaluates the creation button.
    void refresh();
    void refreshPeople();
    void refreshSidebar();
    void refreshHeader();
    void refreshEnabling();
    void setParseError(const std::optional<QString>& error);
    void setReport(const std::optional<OrganizerReport>& report);
    void setRunning(bool running);
    void applyErrorColour();
    void fitReport();

    RiderFoldersStore& m_folders;
    FolderOpener m_openFolder;

    std::optional<QString> m_parseError;
    std::optional<OrganizerReport> m_report;
    bool m_isRunning = false;

    RiderFoldersSidebar* m_sidebar = nullptr;
    QWidget* m_header = nullptr;
    ToneLabel* m_summary = nullptr;
    CapsuleButton* m_createButton = nullptr;
    QLabel* m_errorLine = nullptr;
    QWidget* m_reportBlock = nullptr;
    ToneLabel* m_reportHeadline = nullptr;
    QScrollArea* m_reportScroll = nullptr;
    ToneLabel* m_reportMessages = nullptr;
    QWidget* m_listHolder = nullptr;
    RiderTable* m_table = nullptr;
    ToneLabel* m_emptyText = nullptr;
};

} // namespace quavel
