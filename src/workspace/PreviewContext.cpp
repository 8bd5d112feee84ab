#include "workspace/PreviewContext.h"

#include "library/AssignedNumber.h"
#include "platform/text/Text.h"
#include "workspace/PreviewRows.h"
#include "workspace/WorkspaceStore.h"

namespace quavel {

PreviewContext::PreviewContext(const WorkspaceStore& workspace, const QUuid& spreadsheetID)
    : m_workspace(&workspace)
    , m_spreadsheetID(spreadsheetID)
{
    refresh();
}

bool PreviewContext::refresh()
{
    SpreadsheetMacSettings settings = m_workspace->settings(m_spreadsheetID);
    QList<ImportedPerson> riders;
    if (const auto event = m_workspace->selectedEvent(m_spreadsheetID))
        riders = event->people;
    if (settings == m_settings && riders == m_riders)
        return false;
    m_settings = std::move(settings);
    m_riders = std::move(riders);
    m_riderIndex.clear();
    m_riderIndex.reserve(m_riders.size());
    for (qsizetype i = 0; i < m_riders.size(); ++i)
        if (!m_riderIndex.contains(m_riders[i].canonicalNumber))
            m_riderIndex.insert(m_riders[i].canonicalNumber, i);
    return true;
}

std::optional<ImportedPerson> PreviewContext::riderForKey(const std::optional<QString>& key) const
{
    if (!key)
        return std::nullopt;
    const auto it = m_riderIndex.constFind(*key);
    if (it == m_riderIndex.cend())
        return std::nullopt;
    return m_riders[*it];
}

std::optional<ImportedPerson> PreviewContext::catalogPerson(const QString& assigned) const
{
    return riderForKey(AssignedNumber::canonical(assigned));
}

QString PreviewContext::displayedName(const std::optional<ImportedPerson>& person,
    const std::optional<QString>& key, bool fromCatalogue, bool last) const
{
    if (key) {
        const auto it = m_settings.manualRiders.constFind(*key);
        if (it != m_settings.manualRiders.cend()) {
            const QString& typed = last ? it->lastName : it->firstName;
            if (!typed.isEmpty())
                return typed;
        }
    }
    if (fromCatalogue && person)
        return text::upperFrench(
            text::trimWhitespaceAndNewlines(last ? person->lastName : person->firstName));
    return QString();
}

QString PreviewContext::displayedLastName(
    const std::optional<ImportedPerson>& person, const QString& assigned, bool fromCatalogue) const
{
    return displayedName(person, AssignedNumber::canonical(assigned), fromCatalogue, true);
}

QString PreviewContext::displayedFirstName(
    const std::optional<ImportedPerson>& person, const QString& assigned, bool fromCatalogue) const
{
    return displayedName(person, AssignedNumber::canonical(assigned), fromCatalogue, false);
}

PreviewRow PreviewContext::previewRow(const RowRecord& row, const PhotoGroup* group,
    const QSet<QString>& duplicateAssigned, const QSet<QString>& duplicatePhotos) const
{
    return line(
        row, AssignedNumber::canonical(row.assignedNumber), group, duplicateAssigned, duplicatePhotos);
}

PreviewRow PreviewContext::line(const RowRecord& row, const std::optional<QString>& key,
    const PhotoGroup* group, const QSet<QString>& duplicateAssigned,
    const QSet<QString>& duplicatePhotos) const
{
    const std::optional<ImportedPerson> catalogue = group && group->person ? group->person : riderForKey(key);
    const std::optional<ImportedPerson> person
        = m_workspace->resolvedPerson(m_spreadsheetID, row.assignedNumber, catalogue);
    const auto remembered = m_settings.rememberedTransfers.constFind(row.id);
    const bool hasRemembered = remembered != m_settings.rememberedTransfers.cend();

    PreviewRow line;
    line.id = row.id;
    line.photo = row.photoNumber;
    line.assigned = row.assignedNumber;
    if (group && !group->files.isEmpty()) {
        const qsizetype n = group->files.size();
        line.photos = QString::number(n) + QStringLiteral(" fichier")
            + (n >= 2 ? QStringLiteral("s") : QString()) + QStringLiteral(" · ") + group->rangeLabel();
    } else if (hasRemembered) {
        line.photos = remembered->photosLabel();
    } else if (group) {
        line.photos = QStringLiteral("0 fichier");
    } else {
        line.photos = QStringLiteral("—");
    }
    line.fromCatalogue = catalogue.has_value();
    line.lastName = displayedName(person, key, line.fromCatalogue, true);
    line.firstName = displayedName(person, key, line.fromCatalogue, false);
    line.hasName = person.has_value();
    line.isBlank = row.isBlank();
    line.duplicateAssigned = key && duplicateAssigned.contains(*key);
    const std::optional<QString> photoKey = PreviewRows::photoKey(row.photoNumber);
    line.duplicatePhoto = photoKey && duplicatePhotos.contains(*photoKey);
    line.filesTransferred = hasRemembered && !remembered->fileNames.isEmpty();
    return line;
}

QList<PreviewRow> PreviewContext::rowsForTable(
    const QList<RowRecord>& rows, const QList<PhotoGroup>& groups) const
{
    // Each row's bib key is needed twice (duplicates, rider): computed once.
    QList<std::optional<QString>> keys;
    keys.reserve(rows.size());
    QHash<QString, int> counts;
    QSet<QString> duplicateAssigned;
    for (const RowRecord& row : rows) {
        keys.append(AssignedNumber::canonical(row.assignedNumber));
        if (keys.last() && ++counts[*keys.last()] == 2)
            duplicateAssigned.insert(*keys.last());
    }
    const QSet<QString> duplicatePhotos = PreviewRows::duplicatePhotos(rows);

    // The first group of a row wins.
    QHash<QUuid, const PhotoGroup*> groupOf;
    groupOf.reserve(groups.size());
    for (const PhotoGroup& group : groups)
        if (!groupOf.contains(group.row.id))
            groupOf.insert(group.row.id, &group);

    QList<PreviewRow> lines;
    lines.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        lines.append(line(rows[i], keys[i], groupOf.value(rows[i].id), duplicateAssigned, duplicatePhotos));
    return lines;
}

} // namespace quavel
