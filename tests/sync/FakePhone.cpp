#include "FakePhone.h"

#include "library/QuavelJSON.h"
#include "platform/net/ServiceAdvertiser.h"
#include "platform/net/ServiceBrowser.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

namespace quavel::test {

struct FakePhone::Link
{
    QTcpSocket* socket = nullptr;
    QByteArray buffer;
    bool closing = false;
};

FakePhone::FakePhone(QString role, QString name, LibrarySnapshot library)
    : m_role(std::move(role))
    , m_name(std::move(name))
    , m_library(std::move(library))
    , m_server(new QTcpServer(this))
{
    QObject::connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = m_server->nextPendingConnection()) {
            ++m_accepted;
            adopt(s);
            onReady(*m_links.last());
        }
    });
}

FakePhone::~FakePhone()
{
    for (const auto& link : std::as_const(m_links))
        link->socket->disconnect(this);
}

bool FakePhone::start()
{
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        return false;
    ServiceRecord record { m_name, QStringLiteral("_quavel-sync._tcp"), QStringLiteral("local."),
        { { QStringLiteral("app"), QStringLiteral("QUAVEL") }, { QStringLiteral("role"), m_role } } };
    m_advertiser = std::make_unique<ServiceAdvertiser>(record, m_server->serverPort());
    m_advertiser->start();
    return true;
}

bool FakePhone::isAdvertised() const
{
    return m_advertiser && m_advertiser->isEstablished();
}

void FakePhone::stopAdvertising()
{
    if (m_advertiser)
        m_advertiser->cancel();
}

void FakePhone::dialDesktop(const QString& desktopName)
{
    m_browser
        = std::make_unique<ServiceBrowser>(QStringLiteral("_quavel-sync._tcp"), QStringLiteral("local."));
    m_browser->resultsHandler = [this, desktopName](const QList<BrowseResult>& results) {
        for (const BrowseResult& r : results) {
            if (r.endpoint.serviceName != desktopName || m_dialledDesktop)
                continue;
            m_dialledDesktop = true;
            auto* socket = new QTcpSocket(this);
            ++m_dialled;
            adopt(socket);
            Link* link = m_links.last().get();
            QObject::connect(socket, &QTcpSocket::connected, this, [this, link] { onReady(*link); });
            socket->connectToHost(QHostAddress::LocalHost, r.endpoint.port);
        }
    };
    m_browser->start();
}

void FakePhone::adopt(QTcpSocket* socket)
{
    socket->setParent(this);
    auto link = std::make_shared<Link>();
    link->socket = socket;
    m_links.append(link);
    Link* raw = link.get();
    QObject::connect(socket, &QTcpSocket::readyRead, this, [this, raw] { onReadable(*raw); });
    QObject::connect(socket, &QTcpSocket::disconnected, this, [this, raw] {
        if (!raw->closing)
            ++m_closedByPeer;
        raw->closing = true;
    });
}

int FakePhone::openLinkCount() const
{
    int n = 0;
    for (const auto& link : m_links) {
        if (!link->closing && link->socket->state() == QAbstractSocket::ConnectedState)
            ++n;
    }
    return n;
}

SyncEnvelope FakePhone::libraryEnvelope() const
{
    SyncEnvelope e;
    e.kind = SyncEnvelopeKind::library;
    e.platform = m_role;
    e.snapshot = m_library;
    if (!namelessLibrary)
        e.peerName = m_name;
    return e;
}

void FakePhone::send(QTcpSocket* socket, const SyncEnvelope& envelope)
{
    const QByteArray json = QuavelJSON::encode(envelope.toJson());
    QByteArray header(4, Qt::Uninitialized);
    qToBigEndian(quint32(json.size()), header.data());
    socket->write(header + json);
}

void FakePhone::onReady(Link& link)
{
    if (sendsHello) {
        SyncEnvelope hello;
        hello.kind = SyncEnvelopeKind::hello;
        hello.platform = m_role;
        hello.peerName = m_name;
        send(link.socket, hello);
    }
    if (answers)
        send(link.socket, libraryEnvelope());
}

void FakePhone::onReadable(Link& link)
{
    link.buffer += link.socket->readAll();
    while (link.buffer.size() >= 4) {
        const quint32 length = qFromBigEndian<quint32>(link.buffer.constData());
        if (qsizetype(length) + 4 > link.buffer.size())
            break;
        const QByteArray payload = link.buffer.mid(4, length);
        link.buffer.remove(0, qsizetype(length) + 4);
        try {
            SyncEnvelope e = SyncEnvelope::fromJson(QuavelJSON::parse(payload));
            m_received.append(e);
            if (answers && (e.kind == SyncEnvelopeKind::hello || e.kind == SyncEnvelopeKind::requestLibrary))
                send(link.socket, libraryEnvelope());
        } catch (const std::exception&) { }
    }
}

void FakePhone::sendOversizedHeader()
{
    QByteArray header(4, Qt::Uninitialized);
    qToBigEndian(quint32(8000000), header.data());
    for (const auto& link : std::as_const(m_links)) {
        if (!link->closing)
            link->socket->write(header + QByteArray(64 * 1024, 'x'));
    }
}

void FakePhone::sendGarbage()
{
    for (const auto& link : std::as_const(m_links)) {
        if (!link->closing) {
            QByteArray frame(4, Qt::Uninitialized);
            qToBigEndian(quint32(9), frame.data());
            link->socket->write(frame + "{garbage!");
        }
    }
}

void FakePhone::sendLibrary()
{
    for (const auto& link : std::as_const(m_links)) {
        if (!link->closing)
            send(link->socket, libraryEnvelope());
    }
}

void FakePhone::disconnectAll()
{
    for (const auto& link : std::as_const(m_links)) {
        if (!link->closing) {
            link->closing = true;
            link->socket->disconnectFromHost();
        }
    }
}

} // namespace quavel::test
