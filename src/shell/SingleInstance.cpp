#include "shell/SingleInstance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel {

namespace {
// A frame is the protocol tag and the list of paths, in QDataStream's form.
const QByteArray kTag = QByteArrayLiteral("QUAVEL-OPEN-1");
constexpr qint64 kMaximumFrame = 1 << 20;
const QString kSocketName = QStringLiteral("quavel.socket");

// A real folder (not a link to one) that this user owns and nobody else may enter or write into: only
// the user can then make or replace a socket in it.
bool isPrivateFolder(const QString& path)
{
    struct stat st = {};
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode)
        && st.st_uid == ::geteuid() && (st.st_mode & 07777) == 0700;
}

// The user id behind the other end of a connected local socket is this process's own. The kernel
// records it when that end connected or started listening, so a socket handed on to another process
// still names the one that made it.
bool peerIsThisUser(qintptr descriptor)
{
    ucred peer {};
    socklen_t size = sizeof peer;
    return descriptor >= 0 && ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
        && size == sizeof peer && peer.uid == ::geteuid();
}
} // namespace

SingleInstance::SingleInstance(const QStringList& socketPaths, QObject* parent)
    : QObject(parent)
    , m_paths(socketPaths)
{ }

SingleInstance::~SingleInstance() = default;

QStringList SingleInstance::socketPaths(const QString& runtimeDir, const QString& tempDir)
{
    QStringList paths;
    if (isPrivateFolder(runtimeDir))
        paths << QDir(runtimeDir).filePath(kSocketName);
    // Named per user, as the temporary folder is shared; another account may have taken the name first,
    // with a folder, a link or a file of its own: the check below refuses all of them.
    const QString own = QDir(tempDir).filePath(QStringLiteral("quavel-runtime-%1").arg(::geteuid()));
    if (paths.isEmpty())
        ::mkdir(QFile::encodeName(own).constData(), 0700);
    if (isPrivateFolder(own))
        paths << QDir(own).filePath(kSocketName);
    return paths;
}

QStringList SingleInstance::userSocketPaths()
{
    // A relative value is no runtime folder (as if unset).
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!QDir::isAbsolutePath(runtime))
        runtime = QStringLiteral("/run/user/%1").arg(::geteuid());
    return socketPaths(runtime, QDir::tempPath());
}

bool SingleInstance::handOff(const QStringList& paths, int timeoutMs)
{
    QStringList absolute;
    for (const QString& p : paths)
        absolute.append(QFileInfo(p).absoluteFilePath());
    QByteArray frame;
    {
        QDataStream out(&frame, QIODevice::WriteOnly);
        out << kTag << absolute;
    }
    const QDeadlineTimer deadline(timeoutMs);
    for (const QString& path : m_paths) {
        QLocalSocket socket;
        socket.connectToServer(path);
        if (!socket.waitForConnected(int(deadline.remainingTime())))
            continue;
        // Whoever listens there must be this user's own instance before it learns a single path.
        if (!peerIsThisUser(socket.socketDescriptor())) {
            socket.abort();
            continue;
        }
        QDataStream sizeOut(&socket);
        sizeOut << qint64(frame.size());
        socket.write(frame);
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            continue;
        // The running instance answers one byte once it took the paths.
        if (socket.waitForReadyRead(int(deadline.remainingTime())) && socket.read(1) == "1")
            return true;
    }
    return false;
}

bool SingleInstance::listen()
{
    if (m_server)
        return m_server->isListening();
    if (m_paths.isEmpty())
        return false;
    const QString path = m_paths.first();
    m_server = new QLocalServer(this);
    // No access options: with them Qt binds in a folder of its own and renames the socket into place,
    // over whatever holds the name. A plain bind fails on a taken name instead, and the private
    // folder already keeps everyone else out.
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
    if (m_server->listen(path))
        return true;
    // Nobody answered on it (handOff failed first), so a socket of this user's is a leftover. What
    // belongs to anyone else is not ours to remove.
    struct stat st = {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISSOCK(st.st_mode)
        || st.st_uid != ::geteuid())
        return false;
    QLocalServer::removeServer(path);
    return m_server->listen(path);
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void SingleInstance::onConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // A peer of another user is dropped before anything it sent is read.
        if (!peerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
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
