#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace quavel::test {

// A small HTTP/1.1 server on 127.0.0.1 for tests: answers GETs from a table of canned responses, one
// request per connection, and records what it was asked. Runs on the test's event loop.
class TestHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/html";
        // Answer this long after the request arrived, to make answers finish out of order.
        int delayMs = 0;
        // Never answer (the connection stays open until the client gives up).
        bool hang = false;
        // No Content-Length: the body ends when the connection closes.
        bool omitLength = false;
        QList<std::pair<QByteArray, QByteArray>> headers;
    };

    struct Request
    {
        QByteArray method;
        QByteArray path;
        // Header names lower-cased.
        QHash<QByteArray, QByteArray> headers;
    };

    TestHttpServer();
    ~TestHttpServer() override;

    quint16 port() const { return m_server.serverPort(); }
    // http://127.0.0.1:<port><path>
    QUrl url(const QString& path) const;

    // Unrouted paths answer 404.
    void route(const QString& path, const Response& response);
    void route(const QString& path, const QByteArray& html);

    const QList<Request>& requests() const { return m_requests; }
    int requestCount(const QString& path) const;

private:
    void accept();
    void readRequest(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const Response& response);

    QTcpServer m_server;
    QHash<QString, Response> m_routes;
    QList<Request> m_requests;
};

} // namespace quavel::test
