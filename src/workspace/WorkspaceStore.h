#pragma once

#include "platform/SetAside.h"
#include "programme/ImportedPerson.h"
#include "programme/ProgrammeDocument.h"
#include "workspace/OrganizerHistoryEntry.h"
#include "workspace/OrganizerHistorySection.h"
#include "workspace/OrganizerReport.h"
#include "workspace/PhotoGroup.h"
#include "workspace/ProgrammeLoader.h"
#include "workspace/ProgrammeParser.h"
#include "workspace/SpreadsheetMacSettings.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>

#include <optional>

namespace quavel {

// What the spreadsheet workspace keeps on this computer: the settings of each spreadsheet, the one
// programme all spreadsheets share (with its stored source copy), the history of sorting runs and the
// last destination folder. Saved whole to "workspace.json" after every change; a file that exists but
// does not read is set aside before the first save. GUI thread only; one change signal per field.
class WorkspaceStore : public QObject
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

    // Lifecycle and files.
    QString fileURL() const { return m_fileURL; }
    const QString& folder() const { return m_programmes->storage().folder(); }
    // Writes "workspace.json"; failures show nothing (the next save writes the state).
    void persist();
    // Reads "programme.json", then re-reads the stored source copy, when there is one, on the
    // programme worker; each reading becomes the programme when it arrives. The constructor calls it;
    // a second call while the reading is under way adds none.
    void loadProgrammeFromDisk();
    // Imports a picked programme file on the programme worker. When it is done the programme and its
    // name are set and the store saved, then `done` runs (on this thread) with the result; a failed
    // import carries the copy's, the parser's or the write's French message, and nothing changed (see
    // ProgrammeStorage::importFile).
    void ingestProgramme(const QString& path, ProgrammeLoader::ImportDone done = {});
    // A reading or an import of the programme is under way; an import.
    bool isLoadingProgramme() const { return m_programmes->isBusy(); }
    bool isImportingProgramme() const { return m_programmes->isImporting(); }
    // Writes "programme.json" (a web page's programme), winning over any reading or import under way;
    // throws FileError.
    void persistProgrammeIndex(const ProgrammeDocument& document);
    // Deletes the stored source copies (winning likewise); failures ignored.
    void removeProgrammeCopies();

    const std::optional<ProgrammeDocument>& programme() const { return m_programme; }
    void setProgramme(const std::optional<ProgrammeDocument>& programme);
    const std::optional<QString>& programmeName() const { return m_programmeName; }
    void setProgrammeName(const std::optional<QString>& name);

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
    // The folder a bookmark designates, or absent; a stale bookmark is refreshed in a queued call.
    std::optional<QString> resolve(const std::optional<QByteArray>& bookmark);
    const std::optional<QByteArray>& lastDestinationBookmark() const { return m_lastDestinationBookmark; }
    const std::optional<QString>& lastDestinationName() const { return m_lastDestinationName; }
    // Cleaned absolute paths of the folders opened so far, in opening order.
    const QStringList& accessedPaths() const { return m_accessedPaths; }

    // History.
    void recordOrganizer(const OrganizerReport& report, const QUuid& spreadsheetID, const QString& title);
    // Newest first.
    const QList<OrganizerHistoryEntry>& actionHistory() const { return m_actionHistory; }
    // The history grouped per spreadsheet, in order of first appearance (newest first).
    QList<OrganizerHistorySection> historySections() const;

signals:
    void settingsChanged();
    void programmeChanged();
    // isLoadingProgramme() or isImportingProgramme() changed.
    void programmeLoadingChanged();
    void programmeNameChanged();
    void actionHistoryChanged();
    void lastDestinationBookmarkChanged();
    void lastDestinationNameChanged();

private:
    void load();
    void storeSettings(const QUuid& spreadsheetID, const SpreadsheetMacSettings& settings);
    void retainAccess(const QString& folder);
    void refreshStaleBookmark(const QByteArray& stale, const QString& folder);
    void setLastDestination(const std::optional<QByteArray>& bookmark, const std::optional<QString>& name);

    void adoptLoaded(const ProgrammeDocument& document);

    ProgrammeLoader* m_programmes;
    QMap<QUuid, SpreadsheetMacSettings> m_settings;
    std::optional<ProgrammeDocument> m_programme;
    std::optional<QString> m_programmeName;
    QList<OrganizerHistoryEntry> m_actionHistory;
    std::optional<QByteArray> m_lastDestinationBookmark;
    std::optional<QString> m_lastDestinationName;
    QString m_fileURL;
    // "workspace.json" existed but did not read: moved aside before the first save replaces it.
    SetAside m_file { m_fileURL };
    QStringList m_accessedPaths;
    QSet<QString> m_accessedPathSet;
    bool m_loadPending = false;
};

} // namespace quavel
