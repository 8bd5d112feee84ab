#include "workspace/OrganizerRun.h"

#include "platform/Error.h"
#include "workspace/PhotoOrganizer.h"
#include "workspace/WorkspaceStore.h"

#include <QtConcurrent/QtConcurrentRun>

namespace quavel {

OrganizerRun::OrganizerRun(WorkspaceStore& workspace, const QUuid& spreadsheetID, const QString& title,
    const QList<PhotoGroup>& groups, FolderOpener openFolder)
    : QObject(&workspace)
    , m_workspace(workspace)
    , m_spreadsheetID(spreadsheetID)
    , m_title(title)
    , m_groups(groups)
    , m_openFolder(std::move(openFolder))
    , m_progress(std::make_shared<Progress>())
{
    int total = 0;
    for (const PhotoGroup& group : groups)
        total += int(group.files.size());
    m_progress->total = total;
}

OrganizerRun::~OrganizerRun()
{
    // The worker holds only value copies, but its copies must not be cut short half-written.
    m_watcher.waitForFinished();
}

OrganizerRun* OrganizerRun::start(WorkspaceStore& workspace, const QUuid& spreadsheetID, const QString& title,
    const QList<PhotoGroup>& groups, const QString& destination, FolderOpener openFolder)
{
    auto* run = new OrganizerRun(workspace, spreadsheetID, title, groups, std::move(openFolder));
    run->m_destination = destination;
    connect(&run->m_watcher, &QFutureWatcher<Outcome>::finished, run,
        [run] { run->complete(run->m_watcher.result()); });

    std::shared_ptr<Progress> progress = run->m_progress;
    // Runs on a worker thread: value copies only, and nothing thrown past the task.
    run->m_watcher.setFuture(QtConcurrent::run([run, progress, groups, destination]() -> Outcome {
        Outcome outcome;
        try {
            outcome.report = PhotoOrganizer::execute(groups, destination, [&](int done, int total) {
                progress->done = done;
                progress->total = total;
                if (!progress->pending.exchange(true))
                    QMetaObject::invokeMethod(
                        run,
                        [run, progress] {
                            progress->pending = false;
                            emit run->progressChanged(progress->done.load(), progress->total.load());
                        },
                        Qt::QueuedConnection);
            });
        } catch (const Error& error) {
            outcome.failed = true;
            outcome.error = error.message();
        } catch (const std::exception& error) {
            outcome.failed = true;
            outcome.error = QString::fromLocal8Bit(error.what());
        }
        return outcome;
    }));
    return run;
}

OrganizerRun* OrganizerRun::running(const WorkspaceStore& workspace, const QUuid& spreadsheetID)
{
    for (OrganizerRun* run : workspace.findChildren<OrganizerRun*>(Qt::FindDirectChildrenOnly))
        if (run->m_spreadsheetID == spreadsheetID && !run->m_finished)
            return run;
    return nullptr;
}

void OrganizerRun::complete(const Outcome& outcome)
{
    m_finished = true;
    if (!outcome.failed) {
        m_workspace.rememberTransfers(m_groups, m_spreadsheetID);
        m_workspace.recordOrganizer(outcome.report, m_spreadsheetID, m_title);
        m_workspace.setCompleted(true, m_spreadsheetID);
        if (m_openFolder)
            m_openFolder(m_destination);
    }
    emit finished(!outcome.failed, outcome.error);
    deleteLater();
}

} // namespace quavel
