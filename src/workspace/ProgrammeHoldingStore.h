#pragma once

#include "platform/SettingsFile.h"
#include "programme/ProgrammeDocument.h"
#include "workspace/ProgrammeLoader.h"
#include "workspace/ProgrammeParser.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quavel {

// What the two stores that hold a programme (the workspace's and the rider folders') share: the
// programme and the name shown for it, read and imported on the worker of their ProgrammeLoader from
// the programme files of the store's folder; the store's own settings file beside them, set aside
// before the first save when it exists but does not read; and the folders the user's choices and
// bookmarks opened.
//
// A store reads its settings file in its constructor (readSettings), then calls
// loadProgrammeFromDisk(). GUI thread only; one change signal per field.
class ProgrammeHoldingStore : public QObject
{
    Q_OBJECT

public:
    QString fileURL() const { return m_settings.url(); }
    const QString& folder() const { return m_programmes->storage().folder(); }

    const std::optional<ProgrammeDocument>& programme() const { return m_programme; }
    void setProgramme(const std::optional<ProgrammeDocument>& programme);
    const std::optional<QString>& programmeName() const { return m_programmeName; }
    void setProgrammeName(const std::optional<QString>& name);

    // Reads "programme.json", then re-reads the stored source copy, when there is one, on the
    // programme worker; each reading becomes the programme when it arrives (its source name the
    // programme's name unless the settings file gave one). A second call while the reading is under
    // way adds none.
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

    // Writes the settings file; failures show nothing (the next save writes the state).
    virtual void persist() = 0;

    // The folder a bookmark designates, or absent; a stale bookmark is refreshed in a queued call.
    std::optional<QString> resolve(const std::optional<QByteArray>& bookmark);
    // There is no sandbox: access to a folder is always granted. The folders opened so far are kept, in
    // opening order, each once by its PathKey (one key for a decomposed and a composed spelling, and
    // the bytes of a name that is not UTF-8 kept as they are).
    void retainAccess(const QString& folder);
    const QStringList& accessedPaths() const { return m_accessedPaths; }

signals:
    void programmeChanged();
    // isLoadingProgramme() or isImportingProgramme() changed.
    void programmeLoadingChanged();
    void programmeNameChanged();

protected:
    // The programme files in `folder`, the settings file `settingsName` there; an empty parser means
    // ProgrammeFileParser::parse.
    ProgrammeHoldingStore(
        const QString& folder, const QString& settingsName, ProgrammeParser parser, QObject* parent);

    // Hands the settings file's bytes to `decode`, which returns false (or throws
    // QuavelJSON::DecodingError) when they do not read; a file that is missing or does not read is
    // marked, so that the first save sets whatever stands there aside.
    void readSettings(const std::function<bool(const QByteArray&)>& decode);
    // Writes the settings file, unless a file that did not read still stands there.
    void writeSettings(const QByteArray& bytes);
    // Where `stale`, resolved to `folder`, is kept, a fresh bookmark of the folder replaces it.
    virtual void refreshStaleBookmark(const QByteArray& stale, const QString& folder) = 0;

private:
    ProgrammeLoader* m_programmes;
    std::optional<ProgrammeDocument> m_programme;
    std::optional<QString> m_programmeName;
    SettingsFile m_settings;
    QStringList m_accessedPaths;
    QSet<QString> m_accessedPathSet;
    bool m_loadPending = false;
};

} // namespace quavel
