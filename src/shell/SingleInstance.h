#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

namespace quavel {

// One running application per user: a second launch hands its file arguments to the first over a local
// socket and exits. The first listens and reports what it receives.
//
// The socket lies in a folder only the user can enter, and each side checks the other's user id before
// a path passes: another account can neither stand in for the running instance nor feed it paths. When
// no such folder can be had, the launch runs an instance of its own that neither hands off nor listens.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // `socketPaths`: where a running instance may listen, the first being where this one listens; the
    // default is the user's (userSocketPaths()). Empty: no hand-off and no listening.
    explicit SingleInstance(const QStringList& socketPaths = userSocketPaths(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // The sockets of the user's instance: in the user's runtime folder when it is private (owned by the
    // user, mode 0700, not a link), else in a private folder made under `tempDir` and checked the same
    // way. A private folder made there earlier, by a session without a runtime folder, stays a place to
    // look for the running instance. Empty when no private folder can be had.
    static QStringList socketPaths(const QString& runtimeDir, const QString& tempDir);
    // socketPaths() of $XDG_RUNTIME_DIR (the session manager's /run/user/<uid> where it is unset) and
    // the temporary folder.
    static QStringList userSocketPaths();

    // True when another instance of this user took the paths (this one should then exit). Waits at
    // most `timeoutMs` in all.
    bool handOff(const QStringList& paths, int timeoutMs = 1500);
    // Starts listening at the first socket path. A socket of this user's that nobody answered on is a
    // crashed instance's and is replaced; anything else there is left alone, and nothing listens.
    bool listen();
    bool isListening() const;

signals:
    // Paths that a later launch handed over, absolute, in the order given.
    void pathsReceived(const QStringList& paths);

private:
    void onConnection();

    QStringList m_paths;
    QLocalServer* m_server = nullptr;
};

} // namespace quavel
