#pragma once

// Fakes of the network layer's interfaces, driven by the tests: each call a real object would make
// on its own (a state change, incoming bytes, browse results) is made by a test method here.
#include "library/SyncEnvelope.h"
#include "platform/net/NetworkFactory.h"

#include <QList>
#include <QPointer>

namespace quavel::test {

class FakeConnection : public NetConnection
{
public:
    explicit FakeConnection(NetEndpoint endpoint = {})
        : m_endpoint(std::move(endpoint))
    { }

    NetEndpoint endpoint() const override { return m_endpoint; }
    void start() override { started = true; }
    void cancel() override
    {
        cancelled = true;
        m_pending = nullptr;
    }
    void send(const QByteArray& bytes) override { sent.append(bytes); }
    void receive(qint64 maximumLength, ReceiveHandler handler) override
    {
        requestedLength = maximumLength;
        m_pending = std::move(handler);
    }

    void report(NetState state, const std::optional<NetError>& error = std::nullopt)
    {
        reportState(state, error);
    }
    // Hands bytes to the pending receive; false when none was pending.
    bool deliver(
        const QByteArray& data, bool isComplete = false, const std::optional<NetError>& error = std::nullopt);
    bool isReceiving() const { return bool(m_pending); }
    // The envelopes of every frame sent, in order.
    QList<SyncEnvelope> sentEnvelopes() const;

    bool started = false;
    bool cancelled = false;
    qint64 requestedLength = 0;
    QList<QByteArray> sent;

private:
    NetEndpoint m_endpoint;
    ReceiveHandler m_pending;
};

class FakeListener : public NetListener
{
public:
    explicit FakeListener(ServiceRecord record)
        : service(std::move(record))
    { }
    void start() override { started = true; }
    void cancel() override
    {
        cancelled = true;
        m_state = NetState::cancelled;
    }
    NetState state() const override { return m_state; }

    void report(NetState state, const std::optional<NetError>& error = std::nullopt);
    // A phone dialled in; returns the connection handed to the service.
    FakeConnection* incoming();

    ServiceRecord service;
    bool started = false;
    bool cancelled = false;

private:
    NetState m_state = NetState::setup;
};

class FakeBrowser : public NetBrowser
{
public:
    void start() override { started = true; }
    void cancel() override { cancelled = true; }
    void report(NetState state, const std::optional<NetError>& error = std::nullopt)
    {
        if (stateHandler)
            stateHandler(state, error);
    }
    void deliver(const QList<BrowseResult>& results)
    {
        if (resultsHandler)
            resultsHandler(results);
    }

    bool started = false;
    bool cancelled = false;
};

class FakePathMonitor : public NetPathMonitor
{
public:
    void start() override { started = true; }
    void cancel() override { }
    void report(NetPathStatus status)
    {
        if (updateHandler)
            updateHandler(status);
    }
    bool started = false;
};

class FakeNetwork : public NetworkFactory
{
public:
    NetListenerPtr makeListener(const ServiceRecord& service, const TcpOptions& options) override;
    NetBrowserPtr makeBrowser(const QString& type, const QString& domain) override;
    NetConnectionPtr makeConnection(const NetEndpoint& endpoint, const TcpOptions& options) override;
    NetPathMonitorPtr makePathMonitor() override;

    FakeListener* listener() const { return listeners.isEmpty() ? nullptr : listeners.last().data(); }
    FakeBrowser* browser() const { return browsers.isEmpty() ? nullptr : browsers.last().data(); }
    FakePathMonitor* pathMonitor() const { return monitors.isEmpty() ? nullptr : monitors.last().data(); }
    FakeConnection* dialled() const { return dials.isEmpty() ? nullptr : dials.last().data(); }

    // When set, makeListener answers that no socket can be opened.
    bool refuseListener = false;
    QList<QPointer<FakeListener>> listeners;
    QList<QPointer<FakeBrowser>> browsers;
    QList<QPointer<FakePathMonitor>> monitors;
    QList<QPointer<FakeConnection>> dials;
    QList<NetEndpoint> dialledEndpoints;
    QList<TcpOptions> dialOptions;
};

// A browse result of a DNS-SD service instance.
BrowseResult serviceResult(const QString& name,
    const std::optional<QMap<QString, QString>>& txt = std::nullopt, std::optional<int> interfaceIndex = 1,
    InterfaceType type = InterfaceType::wifi);
// The frame of an envelope built here, independently of the service's encoder.
QByteArray frameOf(const QByteArray& payload);
QByteArray envelopeFrame(SyncEnvelopeKind kind, const std::optional<QString>& peerName,
    const std::optional<LibrarySnapshot>& snapshot = std::nullopt);
// A small library with one day and one spreadsheet of one row.
LibrarySnapshot sampleLibrary(const QString& dayName = QStringLiteral("Jeudi"));

} // namespace quavel::test
