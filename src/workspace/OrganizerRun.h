#pragma once

#include "workspace/FolderOpener.h"
#include "workspace/OrganizerReport.h"
#include "workspace/PhotoGroup.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <atomic>
#include <functional>
#include <memory>

namespace quavel {

class WorkspaceStore;

// One sorting run of a spreadsheet. The copies run on a worker thread with value copies of the plan;
// when they are done, the run records them on the GUI thread, in this order: the transfers of each
// row, the history entry, the done mark, and the destination folder is opened. A run belongs to the
// workspace store, not to the screen that started it: it completes and records also when the screen
// is gone, and a new screen of the same spreadsheet finds it with running().
class OrganizerRun : public QObject
{
    Q_OBJECT

public:
    // Starts copying `groups` into `destination`. `title` is recorded in the history entry.
    static OrganizerRun* start(WorkspaceStore& workspace, const QUuid& spreadsheetID, const QString& title,
        const QList<PhotoGroup>& groups, const QString& destination, FolderOpener openFolder);
    // The run of that spreadsheet that has not finished yet, or null.
    static OrganizerRun* running(const WorkspaceStore& workspace, const QUuid& spreadsheetID);

    // Waits for the copies; nothing is recorded when the store goes before the run has finished.
    ~OrganizerRun() override;

    const QUuid& spreadsheetID() const { return m_spreadsheetID; }
    // Files handled so far (copied or not) and files of the whole plan.
    int done() const { return m_progress->done.load(); }
    int total() const { return m_progress->total.load(); }

signals:
    // Queued from the copies, at most one pending at a time.
    void progressChanged(int done, int total);
    // After the recording; `error` is the French message of a run that failed (then nothing was
    // recorded). The run deletes itself afterwards.
    void finished(bool succeeded, const QString& error);

private:
    struct Progress
    {
        std::atomic<int> done { 0 };
        std::atomic<int> total { 0 };
        std::atomic<bool> pending { false };
    };
    struct Outcome
    {
        OrganizerReport report;
        QString error;
        bool failed = false;
    };

    OrganizerRun(WorkspaceStore& workspace, const QUuid& spreadsheetID, const QString& title,
        const QList<PhotoGroup>& groups, FolderOpener openFolder);
    void complete(const Outcome& outcome);

    WorkspaceStore& m_workspace;
    QUuid m_spreadsheetID;
    QString m_title;
    QList<PhotoGroup> m_groups;
    FolderOpener m_openFolder;
    QString m_destination;
    std::shared_ptr<Progress> m_progress;
    QFutureWatcher<Outcome> m_watcher;
    bool m_finished = false;
};

} // namespace quavel
