#pragma once

#include "platform/SetAside.h"
#include "programme/ImportedPerson.h"
#include "programme/ProgrammeDocument.h"
#include "workspace/ProgrammeLoader.h"
#include "workspace/ProgrammeParser.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace quavel {

// The rider-folders tool's state: its own programme (independent of the workspace's), the name shown
// for it and the destination folder for the empty rider folders. "settings.json", "programme.json"
// and the stored source copy live in AppSupport::riderFoldersFolder(). GUI thread only; one change
// signal per field.
class RiderFoldersStore : public QObject
{
    Q_OBJECT

public:
    // Files in AppSupport::riderFoldersFolder(), programmes read by ProgrammeFileParser::parse.
    explicit RiderFoldersStore(QObject* parent = nullptr);
    // Files in `folder`; an empty parser means ProgrammeFileParser::parse.
    explicit RiderFoldersStore(const QString& folder, ProgrammeParser parser = {}, QObject* parent = nullptr);

    QString fileURL() const { return m_fileURL; }
    const QString& folder() const { return m_programmes->storage().folder(); }

    const std::optional<ProgrammeDocument>& programme() const { return m_programme; }
    void setProgramme(const std::optional<ProgrammeDocument>& programme);
    const std::optional<QString>& programmeName() const { return m_programmeName; }
    void setProgrammeName(const std::optional<QString>& name);
    const std::optional<QString>& destinationName() const { return m_destinationName; }
    const std::optional<QByteArray>& destinationBookmark() const { return m_destinationBookmark; }

    // Every rider of the programme once (first met wins), ordered by last name, first name, then bib.
    QList<ImportedPerson> people() const;
    // The riders of people() that have a name, same order: the ones folders are made for.
    QList<ImportedPerson> namedPeople() const;

    // Reads "programme.json", then re-reads the stored source copy, when there is one, on the
    // programme worker; each reading becomes the programme when it arrives. The constructor calls it;
    // a second call while the reading is under way adds none.
    void loadProgrammeFromDisk();
    // Imports a picked programme file on the programme worker; when it is done the programme and its
    // name are set and the settings saved, then `done` runs (on this thread) with the result. A failed
    // import carries the French message, and nothing changed.
    void ingestProgramme(const QString& path, ProgrammeLoader::ImportDone done = {});
    // A reading or an import of the programme is under way; an import.
    bool isLoadingProgramme() const { return m_programmes->isBusy(); }
    bool isImportingProgramme() const { return m_programmes->isImporting(); }
    void storeDestination(const QString& folder);
    // The folder a bookmark designates, or absent; a stale bookmark is refreshed in a queued call.
    std::optional<QString> resolve(const std::optional<QByteArray>& bookmark);
    void retainAccess(const QString& folder);
    const QStringList& accessedPaths() const { return m_accessedPaths; }
    // Writes "settings.json"; failures show nothing.
    void persist();
    // Writes "programme.json" (a web page's programme), winning over any reading or import under way;
    // throws FileError.
    void persistProgrammeIndex(const ProgrammeDocument& document);
    // Deletes the stored source copies (winning likewise); failures ignored.
    void removeProgrammeCopies();

signals:
    void programmeChanged();
    // isLoadingProgramme() or isImportingProgramme() changed.
    void programmeLoadingChanged();
    void programmeNameChanged();
    void destinationNameChanged();
    void destinationBookmarkChanged();

private:
    void load();
    void setDestinationBookmark(const std::optional<QByteArray>& bookmark);
    void setDestinationName(const std::optional<QString>& name);

    ProgrammeLoader* m_programmes;
    std::optional<ProgrammeDocument> m_programme;
    // people() of the current programme, made at the first call after it changed.
    mutable std::optional<QList<ImportedPerson>> m_people;
    std::optional<QString> m_programmeName;
    std::optional<QString> m_destinationName;
    std::optional<QByteArray> m_destinationBookmark;
    QString m_fileURL;
    // "settings.json" existed but did not read: moved aside before the first save replaces it.
    SetAside m_file { m_fileURL };
    QStringList m_accessedPaths;
    QSet<QString> m_accessedPathSet;
    bool m_loadPending = false;
};

} // namespace quavel
