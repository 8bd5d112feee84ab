#include "library/LibraryStore.h"

#include "library/AppSupport.h"
#include "library/QuavelJSON.h"
#include "library/QuavelTheme.h"
#include "platform/UserDefaults.h"
#include "platform/files/NativeName.h"
#include "platform/text/Text.h"

#include <limits>

namespace quavel {

namespace {

QDateTime now()
{
    return QDateTime::currentDateTimeUtc();
}

} // namespace

qint64 nextSortIndex(const QList<DayRecord>& days);

LibraryStore::LibraryStore(QObject* parent)
    : LibraryStore(AppSupport::folder(), UserDefaults::standard(), parent)
{ }

LibraryStore::LibraryStore(const QString& folder, UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , m_libraryFile(folder + QStringLiteral("/library.json"))
    , m_uiStateFile(folder + QStringLiteral("/ui-state.json"))
    , m_defaults(defaults)
{
    load();
}

void LibraryStore::load()
{
    // Library: the shared decoder, then a plain ISO 8601 one; else the empty library.
    const bool loaded = m_libraryFile.read([this](const QByteArray& bytes) {
        const auto json = QuavelJSON::parse(bytes);
        try {
            m_snapshot = LibrarySnapshot::fromJson(json);
        } catch (const QuavelJSON::DecodingError&) {
            QuavelJSON::PlainIso8601Dates plain;
            m_snapshot = LibrarySnapshot::fromJson(json);
        }
        return true;
    });
    if (!loaded)
        m_snapshot = LibrarySnapshot::empty();

    const bool stateLoaded = m_uiStateFile.read([this](const QByteArray& bytes) {
        m_uiState = PersistedUIState::fromJson(QuavelJSON::parse(bytes));
        return true;
    });
    if (!stateLoaded)
        m_uiState = PersistedUIState {};

    const auto raw = m_defaults.string(m_appearanceKey);
    m_appearance = raw ? Appearance::fromRawValue(*raw).value_or(AppearancePreference::system)
                       : AppearancePreference::system;
}

void LibraryStore::writeUIState()
{
    // A failed save shows nothing; the next write of the state retries.
    try {
        m_uiStateFile.write(QuavelJSON::encode(m_uiState.toJson()));
    } catch (const Error&) { }
}

void LibraryStore::persist(bool notify, const std::optional<QUuid>& dirtying)
{
    bool uiStateEdited = false;
    if (dirtying) {
        // Written even when the id was not in the list.
        uiStateEdited = m_uiState.syncedSpreadsheetIDs.removeAll(*dirtying) > 0;
        writeUIState();
    }
    m_snapshot.updatedAt = now();
    m_snapshot.version = 1;

    // A failed encode or write leaves the file as it was; memory keeps the edit for the next save.
    try {
        m_libraryFile.write(m_snapshot.encoded());
    } catch (const Error&) { }

    // Observers hear of the change once it is on disk, so a slot that edits again sees a settled store.
    if (uiStateEdited)
        emit uiStateChanged();
    emit snapshotChanged();
    if (notify && !m_isApplyingRemote && onChange)
        onChange();
}

qsizetype LibraryStore::spreadsheetIndex(const QUuid& id) const
{
    for (qsizetype i = 0; i < m_snapshot.spreadsheets.size(); ++i)
        if (m_snapshot.spreadsheets[i].id == id)
            return i;
    return -1;
}

DayRecord LibraryStore::addDay(const std::optional<QString>& name)
{
    const QDateTime at = now();
    QString dayName = name ? text::trimWhitespaceAndNewlines(*name) : QString();
    if (dayName.isEmpty())
        dayName = QuavelTheme::defaultDayName(at);
    DayRecord day { QUuid::createUuid(), dayName, at, nextSortIndex(m_snapshot.days) };
    m_snapshot.days.append(day);
    persist(true, std::nullopt);
    return day;
}

void LibraryStore::renameDay(const QUuid& id, const QString& name)
{
    for (DayRecord& day : m_snapshot.days) {
        if (day.id == id) {
            day.name = text::trimWhitespaceAndNewlines(name);
            persist(true, std::nullopt);
            return;
        }
    }
}

void LibraryStore::deleteDay(const QUuid& id)
{
    m_snapshot.days.removeIf([&](const DayRecord& d) { return d.id == id; });
    m_snapshot.spreadsheets.removeIf([&](const SpreadsheetRecord& s) { return s.dayID == id; });
    persist(true, std::nullopt);
}

SpreadsheetRecord LibraryStore::addSpreadsheet(const QUuid& dayID, const QString& title)
{
    const QDateTime at = now();
    QString t = text::trimWhitespaceAndNewlines(title);
    if (t.isEmpty())
        t = QStringLiteral("Nouveau tableur");
    SpreadsheetRecord sheet { QUuid::createUuid(), dayID, t, at, at, true, { RowRecord::blank() } };
    m_snapshot.spreadsheets.append(sheet);
    persist(true, sheet.id);
    return sheet;
}

void LibraryStore::renameSpreadsheet(const QUuid& id, const QString& title)
{
    const qsizetype i = spreadsheetIndex(id);
    if (i < 0)
        return;
    SpreadsheetRecord& sheet = m_snapshot.spreadsheets[i];
    sheet.title = text::trimWhitespaceAndNewlines(title);
    sheet.updatedAt = now();
    persist(true, id);
}

void LibraryStore::deleteSpreadsheet(const QUuid& id)
{
    m_snapshot.spreadsheets.removeIf([&](const SpreadsheetRecord& s) { return s.id == id; });
    if (m_uiState.syncedSpreadsheetIDs.removeAll(id) > 0)
        emit uiStateChanged();
    persist(true, std::nullopt);
}

std::optional<RowRecord> LibraryStore::addRow(const QUuid& spreadsheetID)
{
    const qsizetype i = spreadsheetIndex(spreadsheetID);
    if (i < 0)
        return std::nullopt;
    RowRecord row = RowRecord::blank();
    SpreadsheetRecord& sheet = m_snapshot.spreadsheets[i];
    sheet.rows.append(row);
    sheet.updatedAt = now();
    persist(true, spreadsheetID);
    return row;
}

std::optional<RowRecord> LibraryStore::insertRow(
    const QUuid& spreadsheetID, const QUuid& relativeTo, bool before)
{
    const qsizetype i = spreadsheetIndex(spreadsheetID);
    if (i < 0)
        return std::nullopt;
    SpreadsheetRecord& sheet = m_snapshot.spreadsheets[i];
    qsizetype at = -1;
    for (qsizetype r = 0; r < sheet.rows.size(); ++r)
        if (sheet.rows[r].id == relativeTo) {
            at = r;
            break;
        }
    if (at < 0)
        return std::nullopt;
    if (!before)
        at = std::min(at + 1, sheet.rows.size());
    RowRecord row = RowRecord::blank();
    sheet.rows.insert(at, row);
    sheet.updatedAt = now();
    persist(true, spreadsheetID);
    return row;
}

void LibraryStore::updateRow(const QUuid& spreadsheetID, const QUuid& rowID,
    const std::optional<QString>& photoNumber, const std::optional<QString>& assignedNumber)
{
    const qsizetype i = spreadsheetIndex(spreadsheetID);
    if (i < 0)
        return;
    SpreadsheetRecord& sheet = m_snapshot.spreadsheets[i];
    RowRecord* row = nullptr;
    for (RowRecord& r : sheet.rows)
        if (r.id == rowID) {
            row = &r;
            break;
        }
    if (!row)
        return;
    if (photoNumber)
        row->photoNumber = *photoNumber;
    if (assignedNumber)
        row->assignedNumber = *assignedNumber;
    sheet.updatedAt = now();
    // The trailing blank row joins the edit's own save: typing in a cell costs one write of the library
    // per keystroke, and observers never see the last row filled without its blank row after it.
    if (!sheet.rows.last().isBlank())
        sheet.rows.append(RowRecord::blank());
    persist(true, spreadsheetID);
}

void LibraryStore::deleteRow(const QUuid& spreadsheetID, const QUuid& rowID)
{
    const qsizetype i = spreadsheetIndex(spreadsheetID);
    if (i < 0)
        return;
    SpreadsheetRecord& sheet = m_snapshot.spreadsheets[i];
    sheet.rows.removeIf([&](const RowRecord& r) { return r.id == rowID; });
    if (sheet.rows.isEmpty())
        sheet.rows.append(RowRecord::blank());
    sheet.updatedAt = now();
    persist(true, spreadsheetID);
}

void LibraryStore::setAppearance(AppearancePreference appearance)
{
    if (m_appearance != appearance) {
        m_appearance = appearance;
        emit appearanceChanged();
    }
    m_defaults.setString(m_appearanceKey, Appearance::rawValue(appearance));
    m_defaults.synchronize();
}

void LibraryStore::updateUIState(
    const std::optional<QUuid>& selectedDayID, const std::optional<QUuid>& selectedSpreadsheetID)
{
    PersistedUIState next { selectedDayID, selectedSpreadsheetID, m_uiState.syncedSpreadsheetIDs };
    if (next == m_uiState)
        return;
    m_uiState = next;
    emit uiStateChanged();
    writeUIState();
}

void LibraryStore::flush()
{
    persist(false, std::nullopt);
    writeUIState();
    m_defaults.synchronize();
}

void LibraryStore::setApplyingRemote(bool value)
{
    if (m_isApplyingRemote == value)
        return;
    m_isApplyingRemote = value;
    emit isApplyingRemoteChanged();
}

} // namespace quavel
