#pragma once

#include "library/RowRecord.h"
#include "programme/ImportedPerson.h"
#include "workspace/PhotoGroup.h"
#include "workspace/PreviewRow.h"
#include "workspace/SpreadsheetMacSettings.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QUuid>

#include <optional>

namespace quavel {

class WorkspaceStore;

// What building the preview lines of one spreadsheet reads from the workspace store: its settings and
// the riders of its selected class, read once (refresh() reads them again after a change of the store).
// Building the lines is then linear in the number of rows: the duplicate sets and the group index are
// made once, and riders are found through an index by bib. GUI thread, like the store.
class PreviewContext
{
public:
    PreviewContext(const WorkspaceStore& workspace, const QUuid& spreadsheetID);

    // Reads the settings and the selected class again; true when what the lines show may have changed.
    bool refresh();

    const QUuid& spreadsheetID() const { return m_spreadsheetID; }
    const SpreadsheetMacSettings& settings() const { return m_settings; }
    // The riders of the selected class, in start-list order; empty without a selected class.
    const QList<ImportedPerson>& riders() const { return m_riders; }

    // The first rider of the selected class with the canonical form of `assigned` as bib.
    std::optional<ImportedPerson> catalogPerson(const QString& assigned) const;
    // A hand-typed part (as typed) when it is not empty, else the programme rider's part in capitals
    // when the line's rider came from the programme, else empty.
    QString displayedLastName(
        const std::optional<ImportedPerson>& person, const QString& assigned, bool fromCatalogue) const;
    QString displayedFirstName(
        const std::optional<ImportedPerson>& person, const QString& assigned, bool fromCatalogue) const;

    // One line for a row, its group in the current plan (or none) and the duplicate sets.
    PreviewRow previewRow(const RowRecord& row, const PhotoGroup* group,
        const QSet<QString>& duplicateAssigned, const QSet<QString>& duplicatePhotos) const;
    // One line per row, in the rows' order.
    QList<PreviewRow> rowsForTable(const QList<RowRecord>& rows, const QList<PhotoGroup>& groups) const;

private:
    std::optional<ImportedPerson> riderForKey(const std::optional<QString>& key) const;
    QString displayedName(const std::optional<ImportedPerson>& person, const std::optional<QString>& key,
        bool fromCatalogue, bool last) const;
    PreviewRow line(const RowRecord& row, const std::optional<QString>& key, const PhotoGroup* group,
        const QSet<QString>& duplicateAssigned, const QSet<QString>& duplicatePhotos) const;

    const WorkspaceStore* m_workspace;
    QUuid m_spreadsheetID;
    SpreadsheetMacSettings m_settings;
    QList<ImportedPerson> m_riders;
    // Bib -> position of its first rider in m_riders.
    QHash<QString, qsizetype> m_riderIndex;
};

} // namespace quavel
