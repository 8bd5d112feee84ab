#include "shell/SingleInstance.h"

#include <QDataStream>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace quavel {

namespace {
// A frame is the protocol tag and the list of paths, in QDataStream's form.
const QByteArray kTag = QByteArrayLiteral("QUAVEL-OPEN-1");
constexpr qint64 kMaximumFrame = 1 << 20;
} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent)
    , m_name(name)
{ }

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName()
{
    return QStringLiteral("quavel-%1").arg(::getuid());
}

bool SingleInstance::handOff(const QStringList& paths, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QStringList absolute;
    for (const QString& p : paths)
        absolute.append(QFileInfo(p).absoluteFilePath());
    QByteArray frame;
    {
        QDataStream out(&frame, QIODevice::WriteOnly);
        out << kTag << absolute;
    }
    QDataStream sizeOut(&socket);
    sizeOut << qint64(frame.size());
    socket.write(frame);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The running instance answers one byte once it took the paths.
    if (!socket.waitForReadyRead(timeoutMs))
        return false;
    return socket.read(1) == "1";
}

bool SingleInstance::listen()
{
    if (m_server)
        return m_server->isListening();
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
    if (m_server->listen(m_name))
        return true;
    // Nobody answered on it (handOff failed first), so the socket is a leftover.
    QLocalServer::removeServer(m_name);
    return m_server->listen(m_name);
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void SingleInstance::onConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() < qint64(sizeof(qint64)))
                return;
            qint64 size = 0;
            {
                QDataStream peek(socket->peek(sizeof(qint64)));
                peek >> size;
            }
            if (size < 0 || size > kMaximumFrame) {
                socket->abort();
                return;
            }
            if (socket->bytesAvailable() < qint64(sizeof(qint64)) + size)
                return;
            socket->read(sizeof(qint64));
            QDataStream in(socket->read(size));
            QByteArray tag;
            QStringList paths;
            in >> tag >> paths;
            if (in.status() != QDataStream::Ok || tag != kTag) {
                socket->abort();
                return;
            }
            socket->write("1");
            socket->flush();
            emit pathsReceived(paths);
        });
    }
}

} // namespace quavel
