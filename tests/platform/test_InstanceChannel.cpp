#include "platform/InstanceChannel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

class InstanceChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        Channel.OnMessage = [this](const QByteArray& m) { Received << m; };
        Channel.IdleTimeoutMs = 150;
    }
    // The sender blocks: the channel answers from this thread's event loop meanwhile.
    TDelivery Send(const QByteArray& message) {
        auto result = std::async(std::launch::async,
                                 [this, message] { return SendToInstance(Path, message, 2000); });
        while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QTest::qWait(2);
        return result.get();
    }
    // Raw bytes on a fresh connection; the descriptor is given back still open.
    int Connect(const QByteArray& bytes) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strcpy(a.sun_path, QFile::encodeName(Path).constData());
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        EXPECT_EQ(::send(fd, bytes.constData(), bytes.size(), MSG_NOSIGNAL), bytes.size());
        return fd;
    }
    // The listener has closed its end: reading gives the end of the stream.
    static bool LetGo(int fd) {
        return QTest::qWaitFor(
            [fd] {
                char c;
                const ssize_t n = ::recv(fd, &c, 1, MSG_DONTWAIT);
                return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
            },
            2000);
    }
    QTemporaryDir Dir;
    QString Path = Dir.path() + "/Notella.socket";
    TInstanceChannel Channel;
    QList<QByteArray> Received;
};

} // namespace

TEST_F(InstanceChannelTest, AMessageReachesTheListenerAndANewStartTakesOverALeftSocket) {
    EXPECT_EQ(SendToInstance(Path, "x"), TDelivery::NoInstance) << "nobody listens";
    // What a killed instance leaves: a socket file that nobody answers.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strcpy(a.sun_path, QFile::encodeName(Path).constData());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    ::close(fd);
    EXPECT_EQ(SendToInstance(Path, "x"), TDelivery::NoInstance);

    ASSERT_TRUE(Channel.Listen(Path));
    const QByteArray message = "NOTELLA 1\nnew-note\nEND\n";
    EXPECT_EQ(Send(message), TDelivery::Delivered);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Received.size() == 1; }, 1000));
    EXPECT_EQ(Received.value(0), message);

    TInstanceChannel second;
    EXPECT_FALSE(second.Listen(Path)) << "a live instance keeps its socket";
    EXPECT_EQ(Send("y"), TDelivery::Delivered);
    Channel.Close();
    EXPECT_FALSE(QFile::exists(Path));
}

TEST_F(InstanceChannelTest, OnlyWholeBoundedMessagesOfThisUserAreTaken) {
    ASSERT_TRUE(Channel.Listen(Path));
    Channel.MaxMessage = 1000;
    const QList<int> held{
        Connect("hello world, no length here\n"), // not a length
        Connect("-5\n"),                          // not a length either
        Connect("104857600\n"),                   // too long: dropped before it comes
        Connect("10\nabc"),                       // never finished
        Connect(""),                              // says nothing at all
    };
    for (int fd : held)
        EXPECT_TRUE(LetGo(fd)) << "every odd connection is let go";
    EXPECT_EQ(Send(QByteArray(1001, 'a')), TDelivery::Failed);
    EXPECT_EQ(Send(QByteArray(1000, 'a')), TDelivery::Delivered) << "still listening";
    EXPECT_TRUE(QTest::qWaitFor([&] { return Received.size() == 1; }, 1000));

    Channel.AllowedUid = ::getuid() + 1; // the sender is now someone else
    EXPECT_EQ(Send("from another user"), TDelivery::Failed);
    QTest::qWait(20);
    EXPECT_EQ(Received.size(), 1);
    for (int fd : held)
        ::close(fd);
}

TEST_F(InstanceChannelTest, AtMostMaxConnectionsAreHeldAtOnce) {
    ASSERT_TRUE(Channel.Listen(Path));
    Channel.IdleTimeoutMs = 60000;
    Channel.MaxConnections = 2;
    const int first = Connect("");
    const int second = Connect("3\nab");
    QTest::qWait(20);
    const int third = Connect("");
    EXPECT_TRUE(LetGo(third)) << "one too many";
    EXPECT_EQ(Send("x"), TDelivery::Failed);
    // A sender that gives up frees its place.
    ::close(first);
    ::close(second);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Send("x") == TDelivery::Delivered; }, 1000));
    ::close(third);
}
