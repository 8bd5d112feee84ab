#pragma once

#include "workspace/OrganizerHistoryEntry.h"
#include "workspace/OrganizerHistorySection.h"

#include <QList>
#include <QObject>
#include <QUuid>

namespace quavel {

struct ProgrammeDocument;

// What the window needs of a store that keeps a programme (the spreadsheet workspace's and the
// rider-folders screen's): storing one read from a web page.
class ProgrammeStore
{
public:
    virtual ~ProgrammeStore() = default;
    // Writes the document as the store's "programme.json"; throws a quavel::Error (nothing written).
    virtual void persistProgrammeIndex(const ProgrammeDocument& document) = 0;
    // Deletes the stored copy of the imported programme file ("programme.pdf", ".xlsx", ".xlsm") from
    // the store's own folder; failures ignored.
    virtual void removeProgrammeCopies() = 0;
    // programme = document, programmeName = its source name.
    virtual void adoptProgramme(const ProgrammeDocument& document) = 0;
    // Saves the store's settings file; failures are not reported.
    virtual void persist() = 0;
};

// What the sidebar, the history panel and the start-up read and change of the spreadsheet workspace's
// store: the done marks, the organiser history, its programme and its saving.
class WorkspaceSource : public QObject, public ProgrammeStore
{
    Q_OBJECT

public:
    using HistoryEntry = OrganizerHistoryEntry;
    using HistorySection = OrganizerHistorySection;

    using QObject::QObject;

    // The spreadsheet's done mark; false when it has no settings.
    virtual bool isCompleted(const QUuid& spreadsheetID) const = 0;
    // Stores the mark (creating the settings) and saves the store's file.
    virtual void setCompleted(bool completed, const QUuid& spreadsheetID) = 0;
    // The runs grouped by spreadsheet, in the order the store gives.
    virtual QList<HistorySection> historySections() const = 0;

signals:
    void settingsChanged();
    void historyChanged();
};

// The rider-folders screen's store, as far as the window and the start-up use it.
class RiderFoldersSource : public QObject, public ProgrammeStore
{
    Q_OBJECT

public:
    using QObject::QObject;
};

} // namespace quavel
