#pragma once

// A phone of our own for the integration tests: it advertises itself over the real DNS-SD daemon
// like the phone apps ("QUAVEL iOS 1F3A", TXT app=QUAVEL role=ios), listens on 127.0.0.1, can dial
// the desktop it finds by browsing, and answers like a phone: a "hello" and its library when a link
// starts, its library for every "hello" and "requestLibrary". It can also misbehave.
#include "library/LibrarySnapshot.h"
#include "library/SyncEnvelope.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QTcpServer;
class QTcpSocket;

namespace quavel {
class ServiceAdvertiser;
class ServiceBrowser;
} // namespace quavel

namespace quavel::test {

class FakePhone : public QObject
{
public:
    // role "ios" or "android"; name is the full service name.
    FakePhone(QString role, QString name, LibrarySnapshot library);
    ~FakePhone() override;

    // Listens and advertises; false when the socket could not be opened.
    bool start();
    bool isAdvertised() const;
    void stopAdvertising();
    // Browses for a service named desktopName and dials it once found.
    void dialDesktop(const QString& desktopName);

    // Misbehaviours.
    bool sendsHello = true;
    bool namelessLibrary = false;
    bool answers = true;
    void sendOversizedHeader();
    void sendGarbage();
    void sendLibrary();
    // Closes every link (the desktop sees the end of the stream).
    void disconnectAll();

    // Observations.
    const QString& name() const { return m_name; }
    int acceptedCount() const { return m_accepted; }
    int dialledCount() const { return m_dialled; }
    int closedByDesktopCount() const { return m_closedByPeer; }
    int openLinkCount() const;
    // Envelopes received on all links, in order of arrival.
    const QList<SyncEnvelope>& received() const { return m_received; }

private:
    struct Link;
    void adopt(QTcpSocket* socket);
    void onReadable(Link& link);
    void onReady(Link& link);
    void send(QTcpSocket* socket, const SyncEnvelope& envelope);
    SyncEnvelope libraryEnvelope() const;

    QString m_role;
    QString m_name;
    LibrarySnapshot m_library;
    QTcpServer* m_server;
    std::unique_ptr<ServiceAdvertiser> m_advertiser;
    std::unique_ptr<ServiceBrowser> m_browser;
    QList<std::shared_ptr<Link>> m_links;
    QList<SyncEnvelope> m_received;
    int m_accepted = 0;
    int m_dialled = 0;
    int m_closedByPeer = 0;
    bool m_dialledDesktop = false;
};

} // namespace quavel::test
