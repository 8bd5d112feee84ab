#include "platform/net/PathMonitor.h"

#include <QNetworkInformation>
#include <QNetworkInterface>

namespace quavel {

namespace {

constexpr int kPollMs = 2000;

} // namespace

PathMonitor::PathMonitor()
{
    m_pollTimer.setInterval(kPollMs);
    QObject::connect(&m_pollTimer, &QTimer::timeout, this, [this] { evaluate(); });
}

PathMonitor::~PathMonitor() = default;

NetPathStatus PathMonitor::statusFromInterfaces()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : interfaces) {
        const auto flags = i.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning)
            || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        if (!i.addressEntries().isEmpty())
            return NetPathStatus::satisfied;
    }
    return NetPathStatus::unsatisfied;
}

void PathMonitor::start()
{
    if (m_started)
        return;
    m_started = true;
    m_hasBackend = QNetworkInformation::instance()
        || QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    if (m_hasBackend) {
        QObject::connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged, this,
            [this] { evaluate(); });
    }
    // Also polled with a backend: it may answer "unknown" for as long as it runs.
    m_pollTimer.start();
    QMetaObject::invokeMethod(
        this, [this] { evaluate(); }, Qt::QueuedConnection);
}

void PathMonitor::cancel()
{
    m_cancelled = true;
    updateHandler = nullptr;
    m_pollTimer.stop();
}

void PathMonitor::evaluate()
{
    if (m_cancelled)
        return;
    NetPathStatus status = statusFromInterfaces();
    if (m_hasBackend && QNetworkInformation::instance()) {
        switch (QNetworkInformation::instance()->reachability()) {
        case QNetworkInformation::Reachability::Online:
        case QNetworkInformation::Reachability::Site:
        case QNetworkInformation::Reachability::Local:
            status = NetPathStatus::satisfied;
            break;
        case QNetworkInformation::Reachability::Disconnected:
            status = NetPathStatus::unsatisfied;
            break;
        case QNetworkInformation::Reachability::Unknown:
            break;
        }
    }
    if (m_last == status)
        return;
    m_last = status;
    if (updateHandler)
        updateHandler(status);
}

} // namespace quavel
