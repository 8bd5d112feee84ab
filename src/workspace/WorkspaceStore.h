#pragma once

#include "programme/ImportedPerson.h"
#include "programme/ProgrammeDocument.h"
#include "workspace/OrganizerHistoryEntry.h"
#include "workspace/OrganizerHistorySection.h"
#include "workspace/OrganizerReport.h"
#include "workspace/PhotoGroup.h"
#include "workspace/ProgrammeHoldingStore.h"
#include "workspace/SpreadsheetMacSettings.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

namespace quavel {

// What the spreadsheet workspace keeps on this computer: the settings of each spreadsheet, the one
// programme all spreadsheets share (with its stored source copy), the history of sorting runs and the
// last destination folder. Saved whole to "workspace.json" after every change; a file that exists but
// does not read is set aside before the first save. GUI thread only; one change signal per field.
class WorkspaceStore : public ProgrammeHoldingStore
{
    Q_OBJECT

public:
    enum class FolderKind { source, destination };

    // The history never holds more entries than this.
    static constexpr int historyLimit = 40;

    // Files in AppSupport::folder(), programmes read by ProgrammeFileParser::parse.
    explicit WorkspaceStore(QObject* parent = nullptr);
    // Files in `folder`; an empty parser means ProgrammeFileParser::parse.
    explicit WorkspaceStore(const QString& folder, ProgrammeParser parser = {}, QObject* parent = nullptr);

    using ImportResult = ProgrammeLoader::ImportResult;

    // Writes "workspace.json"; failures show nothing (the next save writes the state).
    void persist() override;

    // Per-spreadsheet settings.
    const QMap<QUuid, SpreadsheetMacSettings>& settings() const { return m_settings; }
    // The stored settings, or the default value.
    SpreadsheetMacSettings settings(const QUuid& spreadsheetID) const;
    QList<ProgrammeEvent> events(const std::optional<QString>& dayName) const;
    std::optional<ProgrammeEvent> selectedEvent(const QUuid& spreadsheetID) const;
    void selectDay(const std::optional<QString>& dayName, const QUuid& spreadsheetID);
    void selectEvent(const std::optional<QString>& eventID, const QUuid& spreadsheetID);
    void setCompleted(bool completed, const QUuid& spreadsheetID);
    // `assigned` is the canonical bib; an absent part keeps the stored one.
    void setManualRider(const QUuid& spreadsheetID, const QString& assigned,
        const std::optional<QString>& lastName, const std::optional<QString>& firstName);
    // A hand-typed name wins over the programme's rider.
    std::optional<ImportedPerson> resolvedPerson(const QUuid& spreadsheetID, const QString& assigned,
        const std::optional<ImportedPerson>& catalogPerson) const;
    void rememberTransfers(const QList<PhotoGroup>& groups, const QUuid& spreadsheetID);
    // Fills in the last destination, repairs the day and class choices against the programme, and
    // re-opens both folders.
    void restorePersistedChoices(const QUuid& spreadsheetID);

    // Folders.
    void storeFolder(const QString& folder, FolderKind kind, const QUuid& spreadsheetID);
    const std::optional<QByteArray>& lastDestinationBookmark() const { return m_lastDestinationBookmark; }
    const std::optional<QString>& lastDestinationName() const { return m_lastDestinationName; }

    // The destination folders the organiser knows (those of the spreadsheets and the last one), as
    // "workspace.json" in `folder` names them and as they resolve now; read only, nothing set aside.
    static QStringList knownDestinations(const QString& folder);
    // Registers the rider folders of the known destinations with the start-up sweep, for the copies
    // and placeholders a killed run left there (TemporarySweep::Rule::inSubfolders).
    static void registerTemporaryFiles();

    // History.
    void recordOrganizer(const OrganizerReport& report, const QUuid& spreadsheetID, const QString& title);
    // Newest first.
    const QList<OrganizerHistoryEntry>& actionHistory() const { return m_actionHistory; }
    // The history grouped per spreadsheet, in order of first appearance (newest first).
    QList<OrganizerHistorySection> historySections() const;

signals:
    void settingsChanged();
    void actionHistoryChanged();
    void lastDestinationBookmarkChanged();
    void lastDestinationNameChanged();

protected:
    void refreshStaleBookmark(const QByteArray& stale, const QString& folder) override;

private:
    void load();
    void storeSettings(const QUuid& spreadsheetID, const SpreadsheetMacSettings& settings);
    void setLastDestination(const std::optional<QByteArray>& bookmark, const std::optional<QString>& name);

    QMap<QUuid, SpreadsheetMacSettings> m_settings;
    QList<OrganizerHistoryEntry> m_actionHistory;
    std::optional<QByteArray> m_lastDestinationBookmark;
    std::optional<QString> m_lastDestinationName;
};

} // namespace quavel
