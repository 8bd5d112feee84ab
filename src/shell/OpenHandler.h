#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace quavel {

// Receives the files the desktop asks the application to open (command line, a second launch).
// ".quavel" files (extension compared lower-cased) go to the handler, or wait in arrival order until one
// is set; any other file is ignored without a word. GUI thread only.
class OpenHandler
{
public:
    using Handler = std::function<void(const QString& path)>;

    void open(const QStringList& paths);
    // Setting the handler drains the queue through it, in arrival order.
    void setHandler(Handler handler);
    bool hasHandler() const { return bool(m_handler); }
    const QStringList& pending() const { return m_pending; }

    static bool isTransferFile(const QString& path);

private:
    Handler m_handler;
    QStringList m_pending;
};

} // namespace quavel
