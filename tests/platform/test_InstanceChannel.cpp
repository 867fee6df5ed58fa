#include "platform/InstanceChannel.h"

#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

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
    // Raw bytes on a fresh connection; the socket is given back still open.
    QLocalSocket* Connect(const QByteArray& bytes) {
        auto* s = new QLocalSocket;
        s->connectToServer(Path);
        EXPECT_TRUE(s->waitForConnected(1000));
        s->write(bytes);
        s->flush();
        return s;
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
    QList<QLocalSocket*> held{
        Connect("hello world, no length here\n"), // not a length
        Connect("-5\n"),                          // not a length either
        Connect("104857600\n"),                   // too long: dropped before it comes
        Connect("10\nabc"),                       // never finished
        Connect(""),                              // says nothing at all
    };
    for (QLocalSocket* s : held)
        EXPECT_TRUE(
            QTest::qWaitFor([s] { return s->state() == QLocalSocket::UnconnectedState; }, 2000))
            << "every odd connection is let go";
    EXPECT_EQ(Send(QByteArray(1001, 'a')), TDelivery::Failed);
    EXPECT_EQ(Send(QByteArray(1000, 'a')), TDelivery::Delivered) << "still listening";
    EXPECT_TRUE(QTest::qWaitFor([&] { return Received.size() == 1; }, 1000));

    Channel.AllowedUid = ::getuid() + 1; // the sender is now someone else
    EXPECT_EQ(Send("from another user"), TDelivery::Failed);
    QTest::qWait(20);
    EXPECT_EQ(Received.size(), 1);
    qDeleteAll(held);
}
