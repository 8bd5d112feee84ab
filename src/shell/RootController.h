#pragma once

#include "shell/WorkspaceSection.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace quavel {

class LibraryStore;
class ProgrammeStore;
class UserDefaults;
struct ProgrammeDocument;

// The main window's state without its widgets: the shown section, the selected day and spreadsheet with
// their restore and record rules, the name prompts, the import alert and the storing of a web
// programme. It reacts to the library's changes and to the menu commands' notifications.
// GUI thread only.
class RootController : public QObject
{
    Q_OBJECT

public:
    RootController(LibraryStore& store, UserDefaults& defaults, QObject* parent = nullptr);

    // Where a web programme goes: the spreadsheet workspace's store and the rider folders' (either may
    // be absent until its library is wired in).
    void setProgrammeStores(ProgrammeStore* workspace, ProgrammeStore* riderFolders);

    QString sectionRaw() const { return m_sectionRaw; }
    WorkspaceSection shownSection() const { return Section::shown(m_sectionRaw); }
    void setSectionRaw(const QString& raw);
    void showSection(WorkspaceSection section) { setSectionRaw(Section::rawValue(section)); }

    std::optional<QUuid> selectedDayID() const { return m_selectedDayID; }
    std::optional<QUuid> selectedSpreadsheetID() const { return m_selectedSpreadsheetID; }
    void setSelectedDayID(const std::optional<QUuid>& id);
    void setSelectedSpreadsheetID(const std::optional<QUuid>& id);
    // Both at once; the change is recorded once.
    void setSelection(const std::optional<QUuid>& day, const std::optional<QUuid>& sheet);

    // When the window's content is shown: the stored selection, else the library's first spreadsheet.
    void restoreSelection();
    // Writes a selection change that is still waiting for the end of the current event (see record()).
    void flushSelection();

    // Name prompts.
    bool showNewDay() const { return m_showNewDay; }
    bool showNewSheet() const { return m_showNewSheet; }
    QString newName() const { return m_newName; }
    std::optional<QUuid> newSheetDayID() const { return m_newSheetDayID; }
    void setNewName(const QString& name) { m_newName = name; }
    void openNewDayPrompt();
    void openNewSpreadsheetPrompt(const std::optional<QUuid>& dayID);
    void cancelNewDay();
    void cancelNewSpreadsheet();
    void createDay();
    void createSpreadsheet();

    // Import alert and programme alert.
    bool importAlert() const { return m_importAlert; }
    void dismissImportAlert();
    std::optional<QString> programmeImportError() const { return m_programmeImportError; }
    void dismissProgrammeAlert();

    bool showProgrammeBrowser() const { return m_showProgrammeBrowser; }
    void setShowProgrammeBrowser(bool shown);
    // Stores a programme read from a web page in the shown section's store.
    void ingestWebProgramme(const ProgrammeDocument& document);

    // Reacts to one notification name as the menu commands post it.
    void handleNotification(const QString& name);

signals:
    void sectionChanged();
    void selectionChanged();
    void newDayPromptChanged(bool shown);
    void newSheetPromptChanged(bool shown);
    void importAlertChanged(bool shown);
    void programmeImportErrorChanged();
    void showProgrammeBrowserChanged(bool shown);

private:
    void record();
    void onSnapshotChanged();
    void onImportGeneration();
    bool restoreFromStored(bool allowFirstSpreadsheet);
    void setShowNewDay(bool shown);
    void setShowNewSheet(bool shown);
    bool dayExists(const QUuid& id) const;

    LibraryStore& m_store;
    UserDefaults& m_defaults;
    ProgrammeStore* m_workspaceProgrammes = nullptr;
    ProgrammeStore* m_riderProgrammes = nullptr;
    QString m_sectionRaw;
    std::optional<QUuid> m_selectedDayID;
    std::optional<QUuid> m_selectedSpreadsheetID;
    QList<QUuid> m_spreadsheetIDs;
    qint64 m_importGeneration = 0;
    bool m_recordPending = false;
    bool m_importAlert = false;
    bool m_showNewDay = false;
    bool m_showNewSheet = false;
    bool m_showProgrammeBrowser = false;
    std::optional<QString> m_programmeImportError;
    QString m_newName;
    std::optional<QUuid> m_newSheetDayID;
};

} // namespace quavel
