#include "orders/OrderLeftoverSweep.h"

#include "photo/originals/PhotoFiles.h"
#include "platform/files/NativeName.h"
#include "platform/files/TemporarySweep.h"

#include <QThread>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace quavel {

namespace {

// The temporaries of ".quavel-originals" inside a folder already open, read here (the listing of the
// order does not read it). The folder is opened without following a link.
int sweepOriginals(int folder, std::chrono::seconds minimumAge)
{
    const int originals
        = ::openat(folder, ".quavel-originals", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (originals < 0)
        return 0;
    QList<QByteArray> names;
    // The listing gets a descriptor of its own: closedir closes it.
    const int listed = ::dup(originals);
    if (DIR* dir = listed >= 0 ? ::fdopendir(listed) : nullptr) {
        while (const dirent* d = ::readdir(dir))
            if (PhotoFiles::isOriginalsTemporary(NativeName::decode(d->d_name)))
                names.append(QByteArray(d->d_name));
        ::closedir(dir);
    } else if (listed >= 0) {
        ::close(listed);
    }
    const int removed = TemporarySweep::removeAbandoned(originals, names, minimumAge);
    ::close(originals);
    return removed;
}

} // namespace

OrderLeftoverSweep::OrderLeftoverSweep()
{
    m_pool.setMaxThreadCount(1);
    m_pool.setThreadPriority(QThread::LowPriority);
}

OrderLeftoverSweep::~OrderLeftoverSweep()
{
    {
        QMutexLocker lock(&m_mutex);
        m_waiting.reset();
    }
    m_pool.waitForDone();
}

int OrderLeftoverSweep::sweepNow(const QList<Folder>& folders, std::chrono::seconds minimumAge)
{
    int removed = 0;
    for (const Folder& f : folders) {
        if (f.leftovers.isEmpty() && !f.hasOriginals)
            continue;
        const int folder = ::open(NativeName::encode(f.path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0)
            continue;
        removed += TemporarySweep::removeAbandoned(folder, f.leftovers, minimumAge);
        if (f.hasOriginals)
            removed += sweepOriginals(folder, minimumAge);
        ::close(folder);
    }
    return removed;
}

void OrderLeftoverSweep::sweep(const QList<Folder>& folders)
{
    QList<Folder> work;
    for (const Folder& f : folders)
        if (!f.leftovers.isEmpty() || f.hasOriginals)
            work.append(f);
    if (work.isEmpty())
        return;
    QMutexLocker lock(&m_mutex);
    m_waiting = std::move(work);
    if (m_running)
        return; // the running task takes it when done
    m_running = true;
    m_pool.start([this] { runWaiting(); });
}

void OrderLeftoverSweep::runWaiting()
{
    for (;;) {
        QList<Folder> next;
        {
            QMutexLocker lock(&m_mutex);
            if (!m_waiting) {
                m_running = false;
                return;
            }
            next = std::move(*m_waiting);
            m_waiting.reset();
        }
        sweepNow(next);
    }
}

} // namespace quavel
