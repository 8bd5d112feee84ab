#include "PhotoFixtures.h"

#include "platform/imaging/JobPool.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <algorithm>

namespace quavel::test {

bool waitForPhotoWork(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // A result delivered may start the next round of work (a load its preview, a write its reload):
    // quiet means two rounds in a row that found the pools idle before and after delivering.
    int quietRounds = 0;
    while (quietRounds < 2) {
        if (!JobPool::idleWithin(int(std::max<qint64>(deadline.remainingTime(), 0))))
            return false;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        quietRounds = JobPool::idleWithin(0) ? quietRounds + 1 : 0;
        if (deadline.hasExpired())
            return quietRounds > 0;
    }
    return true;
}

} // namespace quavel::test
