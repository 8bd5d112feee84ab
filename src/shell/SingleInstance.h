#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

namespace quavel {

// One running application per user: a second launch hands its file arguments to the first over a local
// socket and exits. The first listens and reports what it receives.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // `name` is the socket's name; the default is per user.
    explicit SingleInstance(const QString& name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString defaultName();

    // True when another instance took the paths (this one should then exit). Waits at most `timeoutMs`.
    bool handOff(const QStringList& paths, int timeoutMs = 1500);
    // Starts listening; a stale socket left by a crashed instance is removed first.
    bool listen();
    bool isListening() const;

signals:
    // Paths that a later launch handed over, absolute, in the order given.
    void pathsReceived(const QStringList& paths);

private:
    void onConnection();

    QString m_name;
    QLocalServer* m_server = nullptr;
};

} // namespace quavel
