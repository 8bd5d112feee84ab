#include "photo/PhotoWork.h"

#include "photo/PhotoWriteQueue.h"
#include "platform/imaging/JobPool.h"

#include <QThreadPool>

#include <atomic>

namespace quavel::PhotoWork {

namespace {

std::atomic<bool> g_stopping { false };

} // namespace

void finishBeforeExit()
{
    g_stopping = true;
    // Nobody is left to show a thumbnail; one being made finishes below.
    JobPool::thumbnails().threadPool().clear();
    // Batches end after their current photo; the editor's loads and previews end by themselves. Writes
    // queue behind one another, so wait for the queue as well as for the pools that run them.
    // A job that finished last may have asked for one more write: go round until all is quiet.
    do {
        PhotoWriteQueue::shared().waitForAll();
        JobPool::batch().threadPool().waitForDone();
        JobPool::interactive().threadPool().waitForDone();
        JobPool::thumbnails().threadPool().waitForDone();
        QThreadPool::globalInstance()->waitForDone();
    } while (!PhotoWriteQueue::shared().idle());
}

bool stopping()
{
    return g_stopping;
}

} // namespace quavel::PhotoWork
