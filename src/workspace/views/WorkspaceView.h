#pragma once

#include "library/SpreadsheetRecord.h"
#include "workspace/FolderOpener.h"
#include "workspace/PhotoGroup.h"
#include "workspace/PreviewContext.h"
#include "workspace/PreviewRow.h"
#include "workspace/WorkspaceStore.h"

#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class QHBoxLayout;
class QLabel;
class QMenu;

namespace quavel {

class CapsuleButton;
class CapsuleMenu;
class IssueLabel;
class LibraryStore;
class LegendBox;
class LinkedGroup;
class LinkedValue;
class OrganizerRun;
class PickButton;
class ProgrammePick;
class PreviewTableModel;
class PreviewTableView;
class RunProgress;
class SummaryLabel;
class ToneLabel;

// The "Tableur" workspace of one spreadsheet: a compact bar that links the spreadsheet to a programme
// class and to the photo and destination folders, a red notice line, and the live preview of how the
// rows cut the photo folder into riders' ranges, edited in place like a spreadsheet. Everything the
// photographer chooses is kept by the stores (the library for rows, the workspace store for the rest);
// the view keeps only the current plan, the notice and the running state. GUI thread only; the stores
// must outlive the view.
class WorkspaceView : public QWidget
{
    Q_OBJECT

public:
    // An empty opener means the desktop's file manager.
    WorkspaceView(const SpreadsheetRecord& spreadsheet, LibraryStore& library, WorkspaceStore& workspace,
        QWidget* parent = nullptr, FolderOpener openFolder = {});
    ~WorkspaceView() override;

    QUuid spreadsheetID() const { return m_spreadsheet.id; }
    // The spreadsheet as the library holds it now (as given when the library no longer holds it).
    const SpreadsheetRecord& spreadsheet() const { return m_spreadsheet; }
    const QList<PhotoGroup>& groups() const { return m_groups; }
    const std::optional<QString>& parseError() const { return m_parseError; }
    bool isRunning() const { return m_isRunning; }
    const QList<PreviewRow>& rowsForTable() const;
    bool canRun() const;
    std::optional<QString> selectedEventTitle() const;
    QString summaryLine() const;
    // Rebuilds of the plan so far, and whether one is waiting for its delay.
    int rebuildCount() const { return m_rebuildCount; }
    bool isRebuildPending() const { return m_rebuildTimer.isActive(); }

    // The bar's actions.
    void importProgramme();
    void importFolder(WorkspaceStore::FolderKind kind);
    void runOrganizer();
    // Rebuilds the plan 30 ms after the last of a burst of requests.
    void scheduleRebuild(bool resetReport);
    void rebuildPlan();

    PreviewTableView* table() const { return m_table; }
    PreviewTableModel* model() const { return m_model; }
    // The context menu of a line, as a right click opens it.
    QMenu* lineMenu(const QUuid& rowID, QWidget* parent);
    // Whether the summary stands beside the menus (else on its own line under them).
    bool summaryBesideMenus() const;

signals:
    // After each rebuild of the plan.
    void planRebuilt();
    // After a run has been recorded (or has failed).
    void runFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class PlanOutcome { planned, noSource, failed };

    void buildBar();
    void programmeImported(const WorkspaceStore::ImportResult& result);
    void refresh();
    void refreshBar();
    void placeSummary();
    void fillDayMenu();
    void fillEventMenu();
    PlanOutcome replan();
    void setParseError(const std::optional<QString>& error);
    void setRunning(bool running);
    void follow(OrganizerRun* run);
    void onLibraryChanged();
    void onSettingsChanged();
    void onProgrammeChanged();
    bool commitCell(const PreviewRow& line, int column, const QString& text);
    QList<RowRecord> liveRows() const;
    QString liveAssigned(const PreviewRow& line) const;
    void showLineMenu(const QPoint& position);

    LibraryStore& m_library;
    WorkspaceStore& m_workspace;
    SpreadsheetRecord m_spreadsheet;
    FolderOpener m_openFolder;

    QList<PhotoGroup> m_groups;
    std::optional<QString> m_parseError;
    bool m_isRunning = false;
    QPointer<OrganizerRun> m_run;
    QTimer m_rebuildTimer;
    bool m_resetReportPending = false;
    int m_rebuildCount = 0;
    PreviewContext m_context;
    // The choices whose change rebuilds the plan, as last seen.
    std::optional<QString> m_seenDay;
    std::optional<QString> m_seenEvent;

    ProgrammePick* m_programmePick = nullptr;
    LinkedValue* m_sourceValue = nullptr;
    LinkedValue* m_destinationValue = nullptr;
    IssueLabel* m_issueLabel = nullptr;
    CapsuleButton* m_runButton = nullptr;
    CapsuleMenu* m_dayMenu = nullptr;
    CapsuleMenu* m_eventMenu = nullptr;
    LinkedGroup* m_dayGroup = nullptr;
    LinkedGroup* m_eventGroup = nullptr;
    LegendBox* m_legend = nullptr;
    QWidget* m_legendRow = nullptr;
    QHBoxLayout* m_secondRow = nullptr;
    QHBoxLayout* m_summaryRow = nullptr;
    SummaryLabel* m_summary = nullptr;
    RunProgress* m_progress = nullptr;
    QLabel* m_notice = nullptr;
    PreviewTableView* m_table = nullptr;
    PreviewTableModel* m_model = nullptr;
};

} // namespace quavel
