#include "platform/InstanceChannel.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// A message goes as its length in decimal, a line feed and its bytes; the answer to a
// message taken is "OK\n".
namespace {

const QByteArray Taken = "OK\n";
// The longest length line: the digits of any length we take, and its line feed.
constexpr qsizetype MaxHeader = 12;

bool PeerIs(int fd, uid_t uid) {
    ucred cred{};
    socklen_t size = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 && cred.uid == uid;
}

// A connection to the socket at `path`, closed with the object; Fd is -1 when nobody answers.
struct TConnection {
    explicit TConnection(const QString& path) {
        const QByteArray name = QFile::encodeName(path);
        sockaddr_un address{};
        if (name.size() >= qsizetype(sizeof address.sun_path))
            return;
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, name.constData(), name.size());
        Fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (Fd >= 0 && ::connect(Fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(Fd);
            Fd = -1;
        }
    }
    ~TConnection() {
        if (Fd >= 0)
            ::close(Fd);
    }
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;
    int Fd = -1;
};

int RemainingMs(const QElapsedTimer& clock, int timeoutMs) {
    return std::max<qint64>(0, timeoutMs - clock.elapsed());
}

// Waits for `events` on `fd` until the time is up.
bool Ready(int fd, short events, const QElapsedTimer& clock, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, RemainingMs(clock, timeoutMs));
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

QString InstanceChannelPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + QStringLiteral("/Notella.socket");
    return QStringLiteral("/tmp/Notella-%1.socket").arg(::getuid());
}

TDelivery SendToInstance(const QString& path, const QByteArray& message, int timeoutMs) {
    const TConnection connection(path);
    const int fd = connection.Fd;
    // Another user's socket where ours would be: not an instance of ours.
    if (fd < 0 || !PeerIs(fd, ::getuid()))
        return TDelivery::NoInstance;

    QElapsedTimer clock;
    clock.start();
    const QByteArray out = QByteArray::number(message.size()) + '\n' + message;
    for (qsizetype sent = 0; sent < out.size();) {
        if (!Ready(fd, POLLOUT, clock, timeoutMs))
            return TDelivery::Failed;
        const ssize_t n = ::send(fd, out.constData() + sent, out.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return TDelivery::Failed;
        sent += std::max<ssize_t>(n, 0);
    }
    QByteArray answer;
    while (answer.size() < Taken.size()) {
        if (!Ready(fd, POLLIN, clock, timeoutMs))
            return TDelivery::Failed;
        char buffer[8];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EINTR))
            return TDelivery::Failed;
        answer.append(buffer, std::max<ssize_t>(n, 0));
    }
    return answer.startsWith(Taken) ? TDelivery::Delivered : TDelivery::Failed;
}

TInstanceChannel::TInstanceChannel(QObject* parent) : QObject(parent), AllowedUid(::getuid()) {}

TInstanceChannel::~TInstanceChannel() {
    Close();
}

bool TInstanceChannel::Listen(const QString& path) {
    Close();
    // A live instance answers a connection; a socket file nobody answers is left over.
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        if (TConnection(path).Fd >= 0)
            return false;
        QLocalServer::removeServer(path);
    }
    Server = new QLocalServer(this);
    Server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(Server, &QLocalServer::newConnection, this, &TInstanceChannel::Accept);
    if (Server->listen(path))
        return true;
    delete Server;
    Server = nullptr;
    return false;
}

void TInstanceChannel::Close() {
    if (!Server)
        return;
    Server->close();
    delete Server;
    Server = nullptr;
}

void TInstanceChannel::Accept() {
    while (Server && Server->hasPendingConnections()) {
        QLocalSocket* socket = Server->nextPendingConnection();
        if (Pending.size() >= MaxConnections ||
            !PeerIs(int(socket->socketDescriptor()), AllowedUid)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        Pending.insert(socket, {});
        connect(socket, &QObject::destroyed, this, [this, socket] { Pending.remove(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        // A connection held open, or a message that never ends, is let go.
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        idle->start(IdleTimeoutMs);
        if (socket->bytesAvailable() > 0)
            Read(socket);
    }
}

void TInstanceChannel::Read(QLocalSocket* socket) {
    if (!Pending.contains(socket))
        return; // let go already
    TPending* buffer = &Pending[socket];
    QByteArray& in = buffer->Bytes;
    // Never more than the rest of one message is read in.
    const qsizetype room = buffer->Length < 0 ? MaxHeader - in.size() : buffer->Length - in.size();
    in += socket->read(std::max<qsizetype>(room, 0));
    if (buffer->Length < 0) {
        const qsizetype end = in.indexOf('\n');
        if (end < 0 && in.size() < MaxHeader)
            return;
        const QByteArray digits = in.left(std::max<qsizetype>(end, 0));
        const bool number =
            !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c));
            });
        const qsizetype length = number ? digits.toLongLong() : -1;
        if (length < 0 || length > MaxMessage) {
            Pending.remove(socket);
            socket->abort();
            socket->deleteLater();
            return;
        }
        buffer->Length = length;
        in.remove(0, end + 1);
        in += socket->read(length - in.size());
    }
    if (in.size() < buffer->Length)
        return;
    const QByteArray message = in;
    Pending.remove(socket);
    socket->write(Taken);
    socket->flush();
    socket->disconnectFromServer();
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            if (OnMessage)
                OnMessage(message);
        },
        Qt::QueuedConnection);
}
