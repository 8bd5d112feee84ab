#pragma once

#include "programme/ImportedPerson.h"
#include "workspace/ProgrammeHoldingStore.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace quavel {

// The rider-folders tool's state: its own programme (independent of the workspace's), the name shown
// for it and the destination folder for the empty rider folders. "settings.json", "programme.json"
// and the stored source copy live in AppSupport::riderFoldersFolder(). GUI thread only; one change
// signal per field.
class RiderFoldersStore : public ProgrammeHoldingStore
{
    Q_OBJECT

public:
    // Files in AppSupport::riderFoldersFolder(), programmes read by ProgrammeFileParser::parse.
    explicit RiderFoldersStore(QObject* parent = nullptr);
    // Files in `folder`; an empty parser means ProgrammeFileParser::parse.
    explicit RiderFoldersStore(const QString& folder, ProgrammeParser parser = {}, QObject* parent = nullptr);

    const std::optional<QString>& destinationName() const { return m_destinationName; }
    const std::optional<QByteArray>& destinationBookmark() const { return m_destinationBookmark; }

    // Every rider of the programme once (first met wins), ordered by last name, first name, then bib.
    QList<ImportedPerson> people() const;
    // The riders of people() that have a name, same order: the ones folders are made for.
    QList<ImportedPerson> namedPeople() const;

    void storeDestination(const QString& folder);
    // Writes "settings.json"; failures show nothing.
    void persist() override;

signals:
    void destinationNameChanged();
    void destinationBookmarkChanged();

protected:
    void refreshStaleBookmark(const QByteArray& stale, const QString& folder) override;

private:
    void load();
    void setDestinationBookmark(const std::optional<QByteArray>& bookmark);
    void setDestinationName(const std::optional<QString>& name);

    // people() of the current programme, made at the first call after it changed.
    mutable std::optional<QList<ImportedPerson>> m_people;
    std::optional<QString> m_destinationName;
    std::optional<QByteArray> m_destinationBookmark;
};

} // namespace quavel
