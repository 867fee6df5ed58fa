#include "platform/SignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int Pipe[2] = {-1, -1};
const int Watched[] = {SIGTERM, SIGINT, SIGHUP};

void OnSignal(int signo) {
    const int saved = errno;
    const unsigned char b = static_cast<unsigned char>(signo);
    [[maybe_unused]] const ssize_t n = ::write(Pipe[1], &b, 1);
    errno = saved;
}

} // namespace

TSignalWatcher::TSignalWatcher(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, Pipe) != 0)
        return;
    Notifier = new QSocketNotifier(Pipe[0], QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, &TSignalWatcher::ReadPipe);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : Watched)
        ::sigaction(s, &sa, nullptr);
}

TSignalWatcher::~TSignalWatcher() {
    if (!Notifier)
        return;
    for (int s : Watched)
        ::signal(s, SIG_DFL);
    ::close(Pipe[0]);
    ::close(Pipe[1]);
    Pipe[0] = Pipe[1] = -1;
}

void TSignalWatcher::ReadPipe() {
    unsigned char b = 0;
    while (::read(Pipe[0], &b, 1) == 1)
        emit TerminationRequested(b);
}
