#include "shell/RootController.h"

#include "library/LibraryStore.h"
#include "platform/Error.h"
#include "platform/UserDefaults.h"
#include "platform/text/Text.h"
#include "shell/WorkspaceSource.h"
#include "ui/Notifications.h"

#include <QTimer>

namespace quavel {

namespace {

const QString kSectionKey = QStringLiteral("macWorkspaceSection");

QList<QUuid> spreadsheetIDs(const LibrarySnapshot& snapshot)
{
    QList<QUuid> ids;
    ids.reserve(snapshot.spreadsheets.size());
    for (const auto& s : snapshot.spreadsheets)
        ids.append(s.id);
    return ids;
}

} // namespace

RootController::RootController(LibraryStore& store, UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_defaults(defaults)
    , m_sectionRaw(defaults.string(kSectionKey).value_or(QStringLiteral("tableur")))
    , m_spreadsheetIDs(spreadsheetIDs(store.snapshot()))
    , m_importGeneration(store.importGeneration())
{
    connect(&store, &LibraryStore::snapshotChanged, this, &RootController::onSnapshotChanged);
    connect(&store, &LibraryStore::importGenerationChanged, this, &RootController::onImportGeneration);

    auto& centre = Notifications::instance();
    connect(&centre, &Notifications::quavelNewDay, this,
        [this] { handleNotification(QStringLiteral("quavelNewDay")); });
    connect(&centre, &Notifications::quavelNewSpreadsheet, this,
        [this] { handleNotification(QStringLiteral("quavelNewSpreadsheet")); });
    connect(&centre, &Notifications::quavelShowPaniers, this,
        [this] { handleNotification(QStringLiteral("quavelShowPaniers")); });
    connect(&centre, &Notifications::quavelShowTableur, this,
        [this] { handleNotification(QStringLiteral("quavelShowTableur")); });
    connect(&centre, &Notifications::quavelShowCommandes, this,
        [this] { handleNotification(QStringLiteral("quavelShowCommandes")); });
    connect(&centre, &Notifications::quavelImportProgrammeWeb, this,
        [this] { handleNotification(QStringLiteral("quavelImportProgrammeWeb")); });
}

void RootController::setProgrammeStores(ProgrammeStore* workspace, ProgrammeStore* riderFolders)
{
    m_workspaceProgrammes = workspace;
    m_riderProgrammes = riderFolders;
}

void RootController::setSectionRaw(const QString& raw)
{
    // A stored text that is not a raw value stays as it is until a section is chosen.
    const bool changed = raw != m_sectionRaw;
    m_sectionRaw = raw;
    m_defaults.setString(kSectionKey, raw);
    if (changed)
        emit sectionChanged();
}

void RootController::setSelectedDayID(const std::optional<QUuid>& id)
{
    setSelection(id, m_selectedSpreadsheetID);
}

void RootController::setSelectedSpreadsheetID(const std::optional<QUuid>& id)
{
    setSelection(m_selectedDayID, id);
}

void RootController::setSelection(const std::optional<QUuid>& day, const std::optional<QUuid>& sheet)
{
    if (day == m_selectedDayID && sheet == m_selectedSpreadsheetID)
        return;
    m_selectedDayID = day;
    m_selectedSpreadsheetID = sheet;
    record();
    emit selectionChanged();
}

// The library's UI state follows every change of the selection. The write waits for the end of the
// current event: an import writes its own UI state and then announces itself in two steps (the new
// spreadsheet list, then the import count); the second step must still read what the import stored.
void RootController::record()
{
    if (m_recordPending)
        return;
    m_recordPending = true;
    QTimer::singleShot(0, this, &RootController::flushSelection);
}

void RootController::flushSelection()
{
    if (!m_recordPending)
        return;
    m_recordPending = false;
    m_store.updateUIState(m_selectedDayID, m_selectedSpreadsheetID);
}

bool RootController::restoreFromStored(bool allowFirstSpreadsheet)
{
    const PersistedUIState& stored = m_store.uiState();
    const LibrarySnapshot& snapshot = m_store.snapshot();
    if (stored.selectedSpreadsheetID) {
        if (auto sheet = snapshot.spreadsheet(*stored.selectedSpreadsheetID)) {
            setSelection(sheet->dayID, sheet->id);
            return true;
        }
    }
    if (stored.selectedDayID && snapshot.day(*stored.selectedDayID)) {
        setSelection(*stored.selectedDayID, m_selectedSpreadsheetID);
        return true;
    }
    if (allowFirstSpreadsheet && !snapshot.spreadsheets.isEmpty()) {
        const auto& first = snapshot.spreadsheets.first();
        setSelection(first.dayID, first.id);
        return true;
    }
    return false;
}

void RootController::restoreSelection()
{
    restoreFromStored(true);
}

void RootController::onSnapshotChanged()
{
    const QList<QUuid> ids = spreadsheetIDs(m_store.snapshot());
    if (ids == m_spreadsheetIDs)
        return;
    m_spreadsheetIDs = ids;
    std::optional<QUuid> sheet = m_selectedSpreadsheetID;
    std::optional<QUuid> day = m_selectedDayID;
    if (sheet && !ids.contains(*sheet))
        sheet.reset();
    if (!sheet && !m_store.snapshot().spreadsheets.isEmpty()) {
        const auto& first = m_store.snapshot().spreadsheets.first();
        sheet = first.id;
        day = first.dayID;
    }
    setSelection(day, sheet);
}

void RootController::onImportGeneration()
{
    if (m_store.importGeneration() == m_importGeneration)
        return;
    m_importGeneration = m_store.importGeneration();
    if (m_store.lastImportBanner() && !m_importAlert) {
        m_importAlert = true;
        emit importAlertChanged(true);
    }
    restoreFromStored(false);
}

void RootController::dismissImportAlert()
{
    if (!m_importAlert)
        return;
    m_importAlert = false;
    emit importAlertChanged(false);
}

void RootController::setShowNewDay(bool shown)
{
    if (m_showNewDay == shown)
        return;
    m_showNewDay = shown;
    emit newDayPromptChanged(shown);
}

void RootController::setShowNewSheet(bool shown)
{
    if (m_showNewSheet == shown)
        return;
    m_showNewSheet = shown;
    emit newSheetPromptChanged(shown);
}

void RootController::openNewDayPrompt()
{
    m_newName.clear();
    setShowNewDay(true);
}

void RootController::openNewSpreadsheetPrompt(const std::optional<QUuid>& dayID)
{
    m_newSheetDayID = dayID;
    m_newName.clear();
    setShowNewSheet(true);
}

void RootController::cancelNewDay()
{
    m_newName.clear();
    setShowNewDay(false);
}

void RootController::cancelNewSpreadsheet()
{
    m_newName.clear();
    setShowNewSheet(false);
}

void RootController::createDay()
{
    const QString name = text::trimWhitespaceAndNewlines(m_newName);
    const DayRecord day = m_store.addDay(name.isEmpty() ? std::nullopt : std::optional<QString>(name));
    setSelection(day.id, m_selectedSpreadsheetID);
    m_newName.clear();
    setSectionRaw(QStringLiteral("tableur"));
    setShowNewDay(false);
}

bool RootController::dayExists(const QUuid& id) const
{
    return m_store.snapshot().day(id).has_value();
}

void RootController::createSpreadsheet()
{
    const QString title = text::trimWhitespaceAndNewlines(m_newName);
    if (title.isEmpty()) {
        setShowNewSheet(false);
        return;
    }
    // The first candidate that names a day of the library: a spreadsheet is never attached to a day
    // that was deleted meanwhile (it would be invisible in the sidebar).
    std::optional<QUuid> target;
    if (m_newSheetDayID && dayExists(*m_newSheetDayID))
        target = m_newSheetDayID;
    else if (m_selectedDayID && dayExists(*m_selectedDayID))
        target = m_selectedDayID;
    else if (m_selectedSpreadsheetID) {
        if (auto sheet = m_store.snapshot().spreadsheet(*m_selectedSpreadsheetID);
            sheet && dayExists(sheet->dayID))
            target = sheet->dayID;
    }
    if (!target) {
        const auto days = m_store.snapshot().sortedDays();
        if (!days.isEmpty())
            target = days.first().id;
    }
    if (!target)
        target = m_store.addDay(std::nullopt).id;

    const SpreadsheetRecord sheet = m_store.addSpreadsheet(*target, title);
    setSelection(*target, sheet.id);
    m_newName.clear();
    m_newSheetDayID.reset();
    setSectionRaw(QStringLiteral("tableur"));
    setShowNewSheet(false);
}

void RootController::setShowProgrammeBrowser(bool shown)
{
    if (m_showProgrammeBrowser == shown)
        return;
    m_showProgrammeBrowser = shown;
    emit showProgrammeBrowserChanged(shown);
}

void RootController::ingestWebProgramme(const ProgrammeDocument& document)
{
    const bool paniers = shownSection() == WorkspaceSection::paniers;
    ProgrammeStore* target = paniers ? m_riderProgrammes : m_workspaceProgrammes;
    if (!target)
        return;
    try {
        target->persistProgrammeIndex(document);
    } catch (const Error& error) {
        // The old programme and its source copy stay as they were.
        m_programmeImportError = error.message();
        emit programmeImportErrorChanged();
        return;
    }
    // The new "programme.json" is in place: only now is the old source copy let go, so a failed write
    // never leaves the store without any programme on disk. The copy goes from the target's folder
    // only: the other store's programme stays whole.
    target->removeProgrammeCopies();
    target->adoptProgramme(document);
    target->persist();
    if (m_programmeImportError) {
        m_programmeImportError.reset();
        emit programmeImportErrorChanged();
    }
    setShowProgrammeBrowser(false);
}

void RootController::dismissProgrammeAlert()
{
    if (!m_programmeImportError)
        return;
    m_programmeImportError.reset();
    emit programmeImportErrorChanged();
}

void RootController::handleNotification(const QString& name)
{
    if (name == u"quavelNewDay") {
        setSectionRaw(QStringLiteral("tableur"));
        openNewDayPrompt();
    } else if (name == u"quavelNewSpreadsheet") {
        setSectionRaw(QStringLiteral("tableur"));
        openNewSpreadsheetPrompt(m_selectedDayID);
    } else if (name == u"quavelShowPaniers") {
        setSectionRaw(QStringLiteral("paniers"));
    } else if (name == u"quavelShowTableur") {
        setSectionRaw(QStringLiteral("tableur"));
    } else if (name == u"quavelShowCommandes") {
        setSectionRaw(QStringLiteral("commandes"));
    } else if (name == u"quavelImportProgrammeWeb") {
        setShowProgrammeBrowser(true);
    }
}

} // namespace quavel
