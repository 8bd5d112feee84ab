#pragma once

#include "library/AppearancePreference.h"
#include "library/LibrarySnapshot.h"
#include "library/PersistedUIState.h"
#include "library/QuavelTransferPackage.h"
#include "platform/SettingsFile.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace quavel {

class UserDefaults;

// Owns the library, the remembered sidebar selection and the appearance preference, and is their only
// writer. Every edit is saved before its operation returns (the whole "library.json", atomically).
// GUI thread only.
class LibraryStore : public QObject
{
    Q_OBJECT

public:
    // Files in AppSupport::folder(), appearance in UserDefaults::standard().
    explicit LibraryStore(QObject* parent = nullptr);
    // Files in `folder`, appearance in `defaults` (which must outlive the store).
    LibraryStore(const QString& folder, UserDefaults& defaults, QObject* parent = nullptr);

    const LibrarySnapshot& snapshot() const { return m_snapshot; }
    AppearancePreference appearance() const { return m_appearance; }
    const PersistedUIState& uiState() const { return m_uiState; }
    const std::optional<QString>& lastImportBanner() const { return m_lastImportBanner; }
    qint64 importGeneration() const { return m_importGeneration; }
    bool isApplyingRemote() const { return m_isApplyingRemote; }

    // Called after an edit has been saved (never during a merge).
    std::function<void()> onChange;

    DayRecord addDay(const std::optional<QString>& name = std::nullopt);
    void renameDay(const QUuid& id, const QString& name);
    void deleteDay(const QUuid& id);

    SpreadsheetRecord addSpreadsheet(const QUuid& dayID, const QString& title);
    void renameSpreadsheet(const QUuid& id, const QString& title);
    void deleteSpreadsheet(const QUuid& id);

    std::optional<RowRecord> addRow(const QUuid& spreadsheetID);
    std::optional<RowRecord> insertRow(const QUuid& spreadsheetID, const QUuid& relativeTo, bool before);
    // Sets the given texts; when the last row is then filled, a blank row is appended in the same save.
    void updateRow(const QUuid& spreadsheetID, const QUuid& rowID, const std::optional<QString>& photoNumber,
        const std::optional<QString>& assignedNumber);
    void deleteRow(const QUuid& spreadsheetID, const QUuid& rowID);

    void setAppearance(AppearancePreference appearance);
    void updateUIState(
        const std::optional<QUuid>& selectedDayID, const std::optional<QUuid>& selectedSpreadsheetID);
    void flush();

    // Merges a peer's library by identifiers; deletes nothing.
    void replaceFromRemote(const LibrarySnapshot& incoming);
    // Imports a ".quavel" file; absent for any other extension, else the message also kept in
    // lastImportBanner.
    std::optional<QString> importQuavelFile(const QString& path);

    // The merge rules, without side effects (public for the benchmarks and tests).
    static LibrarySnapshot merged(const LibrarySnapshot& local, const LibrarySnapshot& incoming);
    static QList<RowRecord> mergedRows(const QList<RowRecord>& local, const QList<RowRecord>& incoming);
    static SpreadsheetRecord mergedSpreadsheet(
        const SpreadsheetRecord& local, const SpreadsheetRecord& incoming);

    QString libraryFilePath() const { return m_libraryFile.url(); }
    QString uiStateFilePath() const { return m_uiStateFile.url(); }

signals:
    void snapshotChanged();
    void appearanceChanged();
    void uiStateChanged();
    void lastImportBannerChanged();
    void importGenerationChanged();
    void isApplyingRemoteChanged();

private:
    void load();
    void persist(bool notify, const std::optional<QUuid>& dirtying);
    void writeUIState();
    void mergeImported(const QuavelTransferPackage& package);
    void setApplyingRemote(bool value);
    qsizetype spreadsheetIndex(const QUuid& id) const;

    LibrarySnapshot m_snapshot;
    AppearancePreference m_appearance = AppearancePreference::system;
    PersistedUIState m_uiState;
    std::optional<QString> m_lastImportBanner;
    qint64 m_importGeneration = 0;
    // "library.json" and "ui-state.json": an existing file that did not decode is moved aside before
    // the first write replaces it.
    SettingsFile m_libraryFile;
    SettingsFile m_uiStateFile;
    UserDefaults& m_defaults;
    const QString m_appearanceKey = QStringLiteral("quavel.appearance");
    bool m_isApplyingRemote = false;
};

} // namespace quavel
