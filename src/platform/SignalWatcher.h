#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a queued Qt signal: the handler only writes the
// signal number into a pipe, and the event loop reads it.
class TSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit TSignalWatcher(QObject* parent = nullptr);
    ~TSignalWatcher() override;

signals:
    void TerminationRequested(int signalNumber);

private:
    void ReadPipe();
    QSocketNotifier* Notifier = nullptr;
};
