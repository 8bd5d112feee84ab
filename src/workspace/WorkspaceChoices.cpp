// WorkspaceStore: the per-spreadsheet choices, hand-typed names, remembered transfers and folders.
#include "workspace/WorkspaceStore.h"

#include "library/AssignedNumber.h"
#include "platform/files/Bookmark.h"
#include "platform/text/Text.h"
#include "workspace/OrganizerFiles.h"

#include <QDir>

namespace quavel {

QList<ProgrammeEvent> WorkspaceStore::events(const std::optional<QString>& dayName) const
{
    if (!dayName || !programme())
        return {};
    for (const ProgrammeDay& day : programme()->days)
        if (day.name == *dayName)
            return day.events;
    return {};
}

std::optional<ProgrammeEvent> WorkspaceStore::selectedEvent(const QUuid& spreadsheetID) const
{
    const SpreadsheetMacSettings s = settings(spreadsheetID);
    if (!s.selectedEventID)
        return std::nullopt;
    for (const ProgrammeEvent& event : events(s.selectedDayName))
        if (event.id == *s.selectedEventID)
            return event;
    return std::nullopt;
}

void WorkspaceStore::selectDay(const std::optional<QString>& dayName, const QUuid& spreadsheetID)
{
    if (!dayName || dayName->isEmpty())
        return;
    SpreadsheetMacSettings s = settings(spreadsheetID);
    s.selectedDayName = *dayName;
    if (s.selectedEventID) {
        bool kept = false;
        for (const ProgrammeEvent& event : events(dayName))
            kept = kept || event.id == *s.selectedEventID;
        if (!kept)
            s.selectedEventID.reset();
    }
    storeSettings(spreadsheetID, s);
}

void WorkspaceStore::selectEvent(const std::optional<QString>& eventID, const QUuid& spreadsheetID)
{
    if (!eventID || eventID->isEmpty())
        return;
    SpreadsheetMacSettings s = settings(spreadsheetID);
    s.selectedEventID = *eventID;
    storeSettings(spreadsheetID, s);
}

void WorkspaceStore::setCompleted(bool completed, const QUuid& spreadsheetID)
{
    SpreadsheetMacSettings s = settings(spreadsheetID);
    s.isCompleted = completed;
    storeSettings(spreadsheetID, s);
}

void WorkspaceStore::setManualRider(const QUuid& spreadsheetID, const QString& assigned,
    const std::optional<QString>& lastName, const std::optional<QString>& firstName)
{
    SpreadsheetMacSettings s = settings(spreadsheetID);
    ManualRiderName name = s.manualRiders.value(assigned);
    if (lastName)
        name.lastName = *lastName;
    if (firstName)
        name.firstName = *firstName;
    if (text::trimWhitespaceAndNewlines(name.lastName).isEmpty()
        && text::trimWhitespaceAndNewlines(name.firstName).isEmpty())
        s.manualRiders.remove(assigned);
    else
        s.manualRiders.insert(assigned, name);
    storeSettings(spreadsheetID, s);
}

std::optional<ImportedPerson> WorkspaceStore::resolvedPerson(const QUuid& spreadsheetID,
    const QString& assigned, const std::optional<ImportedPerson>& catalogPerson) const
{
    const auto key = AssignedNumber::canonical(assigned);
    if (!key)
        return catalogPerson;
    const auto riders = settings(spreadsheetID).manualRiders;
    const auto it = riders.constFind(*key);
    if (it == riders.cend())
        return catalogPerson;
    const QString last = text::trimWhitespaceAndNewlines(it->lastName);
    const QString first = text::trimWhitespaceAndNewlines(it->firstName);
    if (last.isEmpty() && first.isEmpty())
        return catalogPerson;
    return ImportedPerson { *key, first, last, 0 };
}

void WorkspaceStore::rememberTransfers(const QList<PhotoGroup>& groups, const QUuid& spreadsheetID)
{
    QList<std::pair<QUuid, RememberedPhotoTransfer>> pairs;
    for (const PhotoGroup& group : groups) {
        if (group.files.isEmpty())
            continue;
        RememberedPhotoTransfer transfer;
        for (const QString& file : group.files)
            transfer.fileNames.append(OrganizerFiles::lastComponent(file));
        transfer.rangeLabel = group.rangeLabel();
        pairs.append({ group.row.id, transfer });
    }
    if (pairs.isEmpty())
        return;
    SpreadsheetMacSettings s = settings(spreadsheetID);
    for (const auto& [rowID, transfer] : pairs)
        s.rememberedTransfers.insert(rowID, transfer);
    storeSettings(spreadsheetID, s);
}

void WorkspaceStore::restorePersistedChoices(const QUuid& spreadsheetID)
{
    SpreadsheetMacSettings s = settings(spreadsheetID);
    bool changed = false;

    if (!s.destinationBookmark && m_lastDestinationBookmark) {
        s.destinationBookmark = m_lastDestinationBookmark;
        s.destinationName = m_lastDestinationName;
        changed = true;
    }

    if (s.selectedDayName && events(s.selectedDayName).isEmpty() && programme()
        && !programme()->days.isEmpty()) {
        const QString wanted = text::folded(*s.selectedDayName);
        for (const ProgrammeDay& day : programme()->days) {
            if (text::folded(day.name) == wanted) {
                s.selectedDayName = day.name;
                changed = true;
                break;
            }
        }
    }

    if (s.selectedEventID) {
        const QList<ProgrammeEvent> dayEvents = events(s.selectedDayName);
        bool exact = false;
        for (const ProgrammeEvent& event : dayEvents)
            exact = exact || event.id == *s.selectedEventID;
        if (!exact) {
            const QString suffix = u'|' + *s.selectedEventID;
            for (const ProgrammeEvent& event : dayEvents) {
                if (event.title == *s.selectedEventID || event.id.endsWith(suffix)) {
                    s.selectedEventID = event.id;
                    changed = true;
                    break;
                }
            }
        }
    }

    if (changed)
        storeSettings(spreadsheetID, s);

    const SpreadsheetMacSettings stored = settings(spreadsheetID);
    resolve(stored.sourceBookmark);
    resolve(stored.destinationBookmark);
}

void WorkspaceStore::storeFolder(const QString& folder, FolderKind kind, const QUuid& spreadsheetID)
{
    retainAccess(folder);
    const std::optional<QByteArray> bookmark = Bookmark::create(folder);
    const QString name = OrganizerFiles::lastComponent(QDir::cleanPath(folder));
    SpreadsheetMacSettings s = settings(spreadsheetID);
    if (kind == FolderKind::destination) {
        s.destinationBookmark = bookmark;
        s.destinationName = name;
    } else {
        s.sourceBookmark = bookmark;
        s.sourceName = name;
    }
    storeSettings(spreadsheetID, s);
    if (kind == FolderKind::destination) {
        setLastDestination(bookmark, name);
        persist();
    }
}

void WorkspaceStore::refreshStaleBookmark(const QByteArray& stale, const QString& folder)
{
    const auto fresh = Bookmark::create(folder);
    if (!fresh || *fresh == stale)
        return;
    for (auto it = m_settings.cbegin(); it != m_settings.cend(); ++it) {
        if (it->sourceBookmark != stale && it->destinationBookmark != stale)
            continue;
        const QUuid id = it.key();
        SpreadsheetMacSettings s = it.value();
        if (s.sourceBookmark == stale)
            s.sourceBookmark = fresh;
        if (s.destinationBookmark == stale) {
            s.destinationBookmark = fresh;
            m_lastDestinationBookmark = fresh;
            emit lastDestinationBookmarkChanged();
        }
        storeSettings(id, s);
        return;
    }
}

} // namespace quavel
