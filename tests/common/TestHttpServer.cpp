#include "common/TestHttpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace quavel::test {

TestHttpServer::TestHttpServer()
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::accept);
    m_server.listen(QHostAddress::LocalHost, 0);
}

TestHttpServer::~TestHttpServer()
{
    m_server.close();
}

QUrl TestHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
}

void TestHttpServer::route(const QString& path, const Response& response)
{
    m_routes.insert(path, response);
}

void TestHttpServer::route(const QString& path, const QByteArray& html)
{
    Response response;
    response.body = html;
    route(path, response);
}

int TestHttpServer::requestCount(const QString& path) const
{
    int count = 0;
    for (const Request& r : m_requests)
        count += r.path == path.toUtf8() ? 1 : 0;
    return count;
}

void TestHttpServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void TestHttpServer::readRequest(QTcpSocket* socket)
{
    if (socket->property("answered").toBool())
        return;
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("buffer", buffer);
        return;
    }
    socket->setProperty("answered", true);

    const QList<QByteArray> lines = buffer.left(end).split('\n');
    Request request;
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.path = first.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(
                lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    m_requests.append(request);

    Response response;
    const auto route = m_routes.constFind(QString::fromUtf8(request.path));
    if (route != m_routes.constEnd()) {
        response = *route;
    } else {
        response.status = 404;
        response.body = "<html><body>Not found</body></html>";
    }
    if (response.hang)
        return;
    if (response.delayMs <= 0) {
        answer(socket, response);
        return;
    }
    QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(response.delayMs, this, [this, guarded, response] {
        if (guarded)
            answer(guarded, response);
    });
}

void TestHttpServer::answer(QTcpSocket* socket, const Response& response)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Test\r\n";
    head += "Content-Type: " + response.contentType + "\r\n";
    if (!response.omitLength)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    socket->write(response.body);
    socket->disconnectFromHost();
}

} // namespace quavel::test
