#include "platform/InstanceChannel.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
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
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (name.isEmpty() || name.size() >= qsizetype(sizeof address.sun_path))
        return false;
    // A live instance answers a connection; a socket file nobody answers is left over.
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        if (TConnection(path).Fd >= 0)
            return false;
        ::unlink(name.constData());
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), name.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // Nobody can connect before listen(): the file is the user's alone by then.
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    if (::chmod(name.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 50) != 0) {
        ::close(fd);
        ::unlink(name.constData());
        return false;
    }
    ListenFd = fd;
    ListenPath = path;
    Incoming = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(Incoming, &QSocketNotifier::activated, this, &TInstanceChannel::Accept);
    return true;
}

void TInstanceChannel::Close() {
    const QList<int> open = Pending.keys();
    for (int fd : open)
        Drop(fd);
    if (ListenFd < 0)
        return;
    Incoming->setEnabled(false);
    Incoming->deleteLater();
    Incoming = nullptr;
    ::close(ListenFd);
    ListenFd = -1;
    ::unlink(QFile::encodeName(ListenPath).constData());
    ListenPath.clear();
}

void TInstanceChannel::Accept() {
    for (;;) {
        const int fd = ::accept4(ListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: none waits; anything else is tried again on the next one
        }
        if (Pending.size() >= MaxConnections || !PeerIs(fd, AllowedUid)) {
            ::close(fd);
            continue;
        }
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        Pending.insert(fd, TPending{{}, -1, notifier});
        connect(notifier, &QSocketNotifier::activated, this, [this, fd] { Read(fd); });
        // A connection held open, or a message that never ends, is let go.
        auto* idle = new QTimer(notifier);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, this, [this, fd] { Drop(fd); });
        idle->start(IdleTimeoutMs);
    }
}

void TInstanceChannel::Drop(int fd) {
    const auto it = Pending.find(fd);
    if (it == Pending.end())
        return;
    // It may be dropped from inside its own notifier's or timer's signal.
    QSocketNotifier* notifier = it->Notifier;
    notifier->setEnabled(false);
    for (QTimer* timer : notifier->findChildren<QTimer*>())
        timer->stop();
    notifier->deleteLater();
    Pending.erase(it);
    ::close(fd);
}

void TInstanceChannel::Read(int fd) {
    const auto it = Pending.find(fd);
    if (it == Pending.end())
        return; // let go already
    TPending& buffer = *it;
    QByteArray& in = buffer.Bytes;
    // Never more than the rest of one message is read in.
    const qsizetype room = (buffer.Length < 0 ? MaxHeader : buffer.Length) - in.size();
    if (room > 0) {
        char chunk[64 * 1024];
        const ssize_t n = ::recv(fd, chunk, std::min<qsizetype>(room, sizeof chunk), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) { // gone before its message was whole
            Drop(fd);
            return;
        }
        in.append(chunk, n);
    }
    if (buffer.Length < 0) {
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
            Drop(fd);
            return;
        }
        buffer.Length = length;
        in.remove(0, end + 1);
    }
    if (in.size() < buffer.Length)
        return;
    const QByteArray message = in.left(buffer.Length);
    // Three bytes always fit in a fresh connection's empty send buffer.
    (void)::send(fd, Taken.constData(), Taken.size(), MSG_NOSIGNAL);
    Drop(fd);
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            if (OnMessage)
                OnMessage(message);
        },
        Qt::QueuedConnection);
}
