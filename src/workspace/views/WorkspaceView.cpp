#include "workspace/views/WorkspaceView.h"

#include "library/AssignedNumber.h"
#include "library/LibraryStore.h"
#include "platform/Error.h"
#include "ui/CapsuleKind.h"
#include "ui/Notifications.h"
#include "ui/PanelPresenter.h"
#include "workspace/OrganizerRun.h"
#include "workspace/PhotoOrganizer.h"
#include "workspace/views/DesktopFolderOpener.h"
#include "workspace/views/PreviewTableModel.h"
#include "workspace/views/PreviewTableView.h"

#include <QLabel>
#include <QShowEvent>

namespace quavel {

namespace {

constexpr int rebuildDelayMs = 30;

const QString noEventNotice = QStringLiteral("Aucune épreuve exploitable n’a été lue dans ce fichier. "
                                             "Envoyez-moi le fichier type pour caler le lecteur.");

QString messageOf(const std::exception& error)
{
    if (const auto* ours = dynamic_cast<const Error*>(&error))
        return ours->message();
    return QString::fromLocal8Bit(error.what());
}

} // namespace

WorkspaceView::WorkspaceView(const SpreadsheetRecord& spreadsheet, LibraryStore& library,
    WorkspaceStore& workspace, QWidget* parent, FolderOpener openFolder)
    : QWidget(parent)
    , m_library(library)
    , m_workspace(workspace)
    , m_spreadsheet(spreadsheet)
    , m_openFolder(orDesktopOpener(std::move(openFolder)))
    , m_context(workspace, spreadsheet.id)
{
    if (const auto live = library.snapshot().spreadsheet(spreadsheet.id))
        m_spreadsheet = *live;
    const SpreadsheetMacSettings settings = workspace.settings(spreadsheet.id);
    m_seenDay = settings.selectedDayName;
    m_seenEvent = settings.selectedEventID;

    // One pending rebuild at most: a new request restarts the delay.
    m_rebuildTimer.setSingleShot(true);
    m_rebuildTimer.setInterval(rebuildDelayMs);
    connect(&m_rebuildTimer, &QTimer::timeout, this, [this] {
        if (m_resetReportPending)
            setParseError(std::nullopt);
        m_resetReportPending = false;
        rebuildPlan();
    });

    m_model = new PreviewTableModel(
        m_context,
        [this](const PreviewRow& line, int column, const QString& text) {
            return commitCell(line, column, text);
        },
        this);
    m_table = new PreviewTableView(this);
    m_table->setObjectName(QStringLiteral("previewTable"));
    m_table->setModel(m_model);
    // The bar's capsules at the small size: at the window's default width the bar shows its titles
    // and placeholders whole beside the sidebar.
    Capsule::setControlSize(this, ControlSize::small);
    buildBar();

    connect(&library, &LibraryStore::snapshotChanged, this, &WorkspaceView::onLibraryChanged);
    connect(&workspace, &WorkspaceStore::settingsChanged, this, &WorkspaceView::onSettingsChanged);
    connect(&workspace, &WorkspaceStore::programmeChanged, this, &WorkspaceView::onProgrammeChanged);
    connect(&workspace, &WorkspaceStore::programmeNameChanged, this, &WorkspaceView::refreshBar);
    // The menu command reaches the screen on show only: the window keeps no hidden screen.
    connect(&Notifications::instance(), &Notifications::quavelImportProgramme, this,
        &WorkspaceView::importProgramme);
    connect(m_table, &QWidget::customContextMenuRequested, this, &WorkspaceView::showLineMenu);

    if (OrganizerRun* run = OrganizerRun::running(workspace, spreadsheet.id))
        follow(run);
    refresh();
}

WorkspaceView::~WorkspaceView()
{
    // The table reads the model, and the model the context: both go before the members they read.
    delete m_table;
    delete m_model;
}

const QList<PreviewRow>& WorkspaceView::rowsForTable() const
{
    return m_model->rows();
}

void WorkspaceView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeSummary();
}

void WorkspaceView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    m_workspace.restorePersistedChoices(m_spreadsheet.id);
    setParseError(std::nullopt);
    rebuildPlan();
}

void WorkspaceView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        m_rebuildTimer.stop();
}

void WorkspaceView::scheduleRebuild(bool resetReport)
{
    m_resetReportPending = resetReport;
    m_rebuildTimer.start();
}

void WorkspaceView::rebuildPlan()
{
    replan();
    ++m_rebuildCount;
    refresh();
    emit planRebuilt();
}

WorkspaceView::PlanOutcome WorkspaceView::replan()
{
    const SpreadsheetMacSettings settings = m_workspace.settings(m_spreadsheet.id);
    const std::optional<QString> source = m_workspace.resolve(settings.sourceBookmark);
    if (!source) {
        m_groups.clear();
        return PlanOutcome::noSource;
    }
    QList<ImportedPerson> riders;
    if (const auto event = m_workspace.selectedEvent(m_spreadsheet.id))
        riders = event->people;
    try {
        m_groups = PhotoOrganizer::plan(m_spreadsheet, riders, *source);
    } catch (const std::exception& error) {
        m_groups.clear();
        setParseError(messageOf(error));
        return PlanOutcome::failed;
    }
    if (!(m_parseError && m_parseError->startsWith(QStringLiteral("Aucune épreuve"))))
        setParseError(std::nullopt);
    return PlanOutcome::planned;
}

void WorkspaceView::refresh()
{
    const bool contextChanged = m_context.refresh();
    m_model->setRows(m_context.rowsForTable(m_spreadsheet.rows, m_groups));
    if (contextChanged)
        m_model->contextChanged();
    refreshBar();
}

void WorkspaceView::onLibraryChanged()
{
    const auto live = m_library.snapshot().spreadsheet(m_spreadsheet.id);
    if (live) {
        const bool rowsChanged = live->rows != m_spreadsheet.rows;
        m_spreadsheet = *live;
        if (rowsChanged)
            scheduleRebuild(false);
    }
    refresh();
}

void WorkspaceView::onSettingsChanged()
{
    const SpreadsheetMacSettings settings = m_workspace.settings(m_spreadsheet.id);
    if (settings.selectedDayName != m_seenDay || settings.selectedEventID != m_seenEvent)
        scheduleRebuild(false);
    m_seenDay = settings.selectedDayName;
    m_seenEvent = settings.selectedEventID;
    refresh();
}

void WorkspaceView::onProgrammeChanged()
{
    m_workspace.restorePersistedChoices(m_spreadsheet.id);
    scheduleRebuild(false);
    refresh();
}

void WorkspaceView::setParseError(const std::optional<QString>& error)
{
    m_parseError = error;
    if (m_notice) {
        m_notice->setText(error.value_or(QString()));
        m_notice->setVisible(error.has_value());
    }
}

void WorkspaceView::importProgramme()
{
    // One import at a time; the window goes on meanwhile, showing the programme it had.
    if (m_workspace.isImportingProgramme())
        return;
    QPointer<WorkspaceView> self(this);
    const std::optional<QString> path = PanelPresenter::shared().pickProgramme();
    if (!self || !path)
        return;
    m_workspace.ingestProgramme(*path, [self](const WorkspaceStore::ImportResult& result) {
        if (self)
            self->programmeImported(result);
    });
}

void WorkspaceView::programmeImported(const WorkspaceStore::ImportResult& result)
{
    if (result.superseded)
        return; // a web page's programme was stored meanwhile and stays
    if (!result.document) {
        setParseError(result.error);
        return;
    }
    bool anyEvent = false;
    if (const auto& programme = m_workspace.programme())
        for (const ProgrammeDay& day : programme->days)
            anyEvent = anyEvent || !day.events.isEmpty();
    setParseError(
        m_workspace.programme() && !anyEvent ? std::optional<QString>(noEventNotice) : std::nullopt);
    rebuildPlan();
}

void WorkspaceView::importFolder(WorkspaceStore::FolderKind kind)
{
    const QString title = kind == WorkspaceStore::FolderKind::source
        ? QStringLiteral("Dossier des photos")
        : QStringLiteral("Dossier de destination");
    const std::optional<QString> folder
        = PanelPresenter::shared().pickFolder(title, QStringLiteral("Choisir"));
    if (!folder)
        return;
    m_workspace.storeFolder(*folder, kind, m_spreadsheet.id);
    rebuildPlan();
}

void WorkspaceView::runOrganizer()
{
    if (m_isRunning)
        return;
    const SpreadsheetMacSettings settings = m_workspace.settings(m_spreadsheet.id);
    if (!settings.destinationBookmark)
        return;
    const std::optional<QString> destination = m_workspace.resolve(settings.destinationBookmark);
    if (!destination) {
        setParseError(QStringLiteral("Le dossier de destination est introuvable."));
        return;
    }
    setRunning(true);

    // The run copies what the rows, the class and the folder say now; a folder that went away since
    // the preview stops it before anything is copied or recorded.
    const PlanOutcome outcome = replan();
    ++m_rebuildCount;
    if (outcome == PlanOutcome::noSource)
        setParseError(QStringLiteral("Le dossier source est introuvable."));
    refresh();
    emit planRebuilt();
    if (outcome != PlanOutcome::planned) {
        setRunning(false);
        emit runFinished();
        return;
    }

    // A hand-typed rider name wins over the programme's rider.
    QList<PhotoGroup> groups = m_groups;
    for (PhotoGroup& group : groups)
        group.person = m_workspace.resolvedPerson(m_spreadsheet.id, group.row.assignedNumber, group.person);
    follow(OrganizerRun::start(
        m_workspace, m_spreadsheet.id, m_spreadsheet.title, groups, *destination, m_openFolder));
}

void WorkspaceView::follow(OrganizerRun* run)
{
    m_run = run;
    connect(run, &OrganizerRun::progressChanged, this, &WorkspaceView::refreshBar);
    connect(run, &OrganizerRun::finished, this, [this](bool succeeded, const QString& error) {
        if (!succeeded)
            setParseError(error);
        m_run = nullptr;
        setRunning(false);
        emit runFinished();
    });
    setRunning(true);
}

void WorkspaceView::setRunning(bool running)
{
    m_isRunning = running;
    refreshBar();
}

QList<RowRecord> WorkspaceView::liveRows() const
{
    if (const auto live = m_library.snapshot().spreadsheet(m_spreadsheet.id))
        return live->rows;
    return m_spreadsheet.rows;
}

QString WorkspaceView::liveAssigned(const PreviewRow& line) const
{
    for (const RowRecord& row : liveRows())
        if (row.id == line.id)
            return row.assignedNumber;
    return line.assigned;
}

bool WorkspaceView::commitCell(const PreviewRow& line, int column, const QString& text)
{
    const QUuid id = m_spreadsheet.id;
    switch (column) {
    case PreviewTableModel::photo:
        m_library.updateRow(id, line.id, text, std::nullopt);
        return true;
    case PreviewTableModel::assigned:
        m_library.updateRow(id, line.id, std::nullopt, text);
        return true;
    case PreviewTableModel::lastName:
    case PreviewTableModel::firstName: {
        // A name is kept under the row's canonical bib; a row without one keeps no name.
        const QString assigned = liveAssigned(line);
        const std::optional<QString> key = AssignedNumber::canonical(assigned);
        if (!key)
            return false;
        const std::optional<ImportedPerson> rider = m_context.catalogPerson(assigned);
        if (column == PreviewTableModel::lastName)
            m_workspace.setManualRider(
                id, *key, text, m_context.displayedFirstName(rider, assigned, line.fromCatalogue));
        else
            m_workspace.setManualRider(
                id, *key, m_context.displayedLastName(rider, assigned, line.fromCatalogue), text);
        return true;
    }
    default:
        return false;
    }
}

} // namespace quavel
