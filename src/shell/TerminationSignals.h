#pragma once

#include <QObject>

class QSocketNotifier;

namespace quavel {

// Turns SIGTERM and SIGINT (a desktop session ending, Ctrl+C in a terminal) into a Qt signal on the GUI
// thread, so the stores are saved before the process ends. One instance per process.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace quavel
