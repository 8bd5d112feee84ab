#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

namespace quavel {

struct ProgrammeDocument; // a parsed programme, from the programme import library

// What the window needs of a store that keeps a programme (the spreadsheet workspace's and the
// rider-folders screen's): storing one read from a web page.
class ProgrammeStore
{
public:
    virtual ~ProgrammeStore() = default;
    // Writes the document as the store's "programme.json"; throws a quavel::Error (nothing written).
    virtual void persistProgrammeIndex(const ProgrammeDocument& document) = 0;
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
    struct HistoryEntry
    {
        QUuid id;
        QUuid spreadsheetID;
        QString spreadsheetTitle;
        QDateTime date;
        QString headline;
        QStringList messages;
        bool operator==(const HistoryEntry&) const = default;
    };
    struct HistorySection
    {
        QUuid id; // the spreadsheet's
        QString title;
        QList<HistoryEntry> entries;
        bool operator==(const HistorySection&) const = default;
    };

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
