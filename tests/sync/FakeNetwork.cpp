#include "FakeNetwork.h"

#include "library/QuavelJSON.h"

#include <QTimeZone>
#include <QtEndian>

namespace quavel::test {

bool FakeConnection::deliver(const QByteArray& data, bool isComplete, const std::optional<NetError>& error)
{
    if (!m_pending)
        return false;
    ReceiveHandler handler = std::move(m_pending);
    m_pending = nullptr;
    handler(data, isComplete, error);
    return true;
}

QList<SyncEnvelope> FakeConnection::sentEnvelopes() const
{
    QByteArray all;
    for (const QByteArray& b : sent)
        all += b;
    QList<SyncEnvelope> out;
    qsizetype at = 0;
    while (all.size() - at >= 4) {
        const quint32 length = qFromBigEndian<quint32>(all.constData() + at);
        out.append(SyncEnvelope::fromJson(QuavelJSON::parse(all.mid(at + 4, length))));
        at += 4 + length;
    }
    return out;
}

void FakeListener::report(NetState state, const std::optional<NetError>& error)
{
    m_state = state;
    if (stateHandler)
        stateHandler(state, error);
}

FakeConnection* FakeListener::incoming()
{
    auto* connection = new FakeConnection(NetEndpoint::hostPort(QHostAddress::LocalHost, 50000));
    QPointer<FakeConnection> watch(connection);
    if (newConnectionHandler)
        newConnectionHandler(NetConnectionPtr(connection));
    return watch.data();
}

NetListenerPtr FakeNetwork::makeListener(const ServiceRecord& service, const TcpOptions&)
{
    if (refuseListener)
        return nullptr;
    auto* listener = new FakeListener(service);
    listeners.append(listener);
    return NetListenerPtr(listener);
}

NetBrowserPtr FakeNetwork::makeBrowser(const QString&, const QString&)
{
    auto* browser = new FakeBrowser;
    browsers.append(browser);
    return NetBrowserPtr(browser);
}

NetConnectionPtr FakeNetwork::makeConnection(const NetEndpoint& endpoint, const TcpOptions& options)
{
    auto* connection = new FakeConnection(endpoint);
    dials.append(connection);
    dialledEndpoints.append(endpoint);
    dialOptions.append(options);
    return NetConnectionPtr(connection);
}

NetPathMonitorPtr FakeNetwork::makePathMonitor()
{
    auto* monitor = new FakePathMonitor;
    monitors.append(monitor);
    return NetPathMonitorPtr(monitor);
}

BrowseResult serviceResult(const QString& name, const std::optional<QMap<QString, QString>>& txt,
    std::optional<int> interfaceIndex, InterfaceType type)
{
    BrowseResult r;
    r.endpoint.kind = NetEndpoint::Kind::service;
    r.endpoint.serviceName = name;
    r.endpoint.serviceType = QStringLiteral("_quavel-sync._tcp");
    r.endpoint.serviceDomain = QStringLiteral("local");
    r.endpoint.interfaceIndex = interfaceIndex;
    r.endpoint.interfaceType = type;
    r.endpoint.address = QHostAddress::LocalHost;
    r.endpoint.port = 40000;
    r.txt = txt;
    return r;
}

QByteArray frameOf(const QByteArray& payload)
{
    QByteArray frame(4, Qt::Uninitialized);
    qToBigEndian(quint32(payload.size()), frame.data());
    return frame + payload;
}

QByteArray envelopeFrame(SyncEnvelopeKind kind, const std::optional<QString>& peerName,
    const std::optional<LibrarySnapshot>& snapshot)
{
    SyncEnvelope e;
    e.kind = kind;
    e.platform = QStringLiteral("ios");
    e.peerName = peerName;
    e.snapshot = snapshot;
    return frameOf(QByteArray::fromStdString(e.toJson().dump()));
}

LibrarySnapshot sampleLibrary(const QString& dayName)
{
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1717000000000, QTimeZone::utc());
    LibrarySnapshot s;
    s.version = 1;
    s.updatedAt = when;
    DayRecord day;
    day.id = QUuid::createUuid();
    day.name = dayName;
    day.createdAt = when;
    day.sortIndex = 0;
    s.days.append(day);
    SpreadsheetRecord sheet;
    sheet.id = QUuid::createUuid();
    sheet.dayID = day.id;
    sheet.title = QStringLiteral("Épreuve 1");
    sheet.createdAt = when;
    sheet.updatedAt = when;
    sheet.isOpen = true;
    RowRecord row;
    row.id = QUuid::createUuid();
    row.photoNumber = QStringLiteral("1234");
    row.assignedNumber = QStringLiteral("56");
    sheet.rows.append(row);
    s.spreadsheets.append(sheet);
    return s;
}

} // namespace quavel::test
