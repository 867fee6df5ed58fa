#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <sys/types.h>

class QSocketNotifier;

// Where the running instance listens: "Notella.socket" in $XDG_RUNTIME_DIR, else
// /tmp/Notella-<uid>.socket.
QString InstanceChannelPath();

enum class TDelivery {
    Delivered,  // the running instance took the message
    NoInstance, // nobody of this user listens there
    Failed      // someone listens but did not take it in time
};

// Hands a message to the instance listening at `path` and waits, at most `timeoutMs`, until
// it is taken. Needs no event loop: a second process calls it before its application exists.
TDelivery SendToInstance(const QString& path, const QByteArray& message, int timeoutMs = 2000);

// The running instance's end of the channel. Only processes of `AllowedUid` are heard; a
// message too long, not whole in time, or from a connection that says nothing is dropped.
class TInstanceChannel final : public QObject {
    Q_OBJECT
public:
    explicit TInstanceChannel(QObject* parent = nullptr);
    ~TInstanceChannel() override;

    // A socket left at `path` by a run that ended without cleaning up is taken over; one that
    // a live instance holds is left to it (false).
    bool Listen(const QString& path);
    void Close();

    // Called from the event loop, never while the message is being read.
    std::function<void(const QByteArray& message)> OnMessage;

    uid_t AllowedUid;
    qsizetype MaxMessage = 1 << 20;
    int IdleTimeoutMs = 2000;
    int MaxConnections = 8;

private:
    void Accept();
    void Read(int fd);
    void Drop(int fd);

    // What has come of each open connection's message; the notifier owns the idle timer.
    struct TPending {
        QByteArray Bytes;
        qsizetype Length = -1; // unknown until the length line is whole
        QSocketNotifier* Notifier = nullptr;
    };
    int ListenFd = -1;
    QString ListenPath;
    QSocketNotifier* Incoming = nullptr;
    QHash<int, TPending> Pending; // by descriptor
};
