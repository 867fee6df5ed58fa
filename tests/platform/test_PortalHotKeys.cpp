#include "platform/PortalHotKeys.h"
#include "support/FakePlatform.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

const QString DesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");

// A session bus of the test's own: no desktop's portal answers on it.
class TPrivateBus {
public:
    TPrivateBus() {
        QFile config(Dir.filePath("bus.conf"));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write(
            QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                           "<auth>EXTERNAL</auth><policy context=\"default\">"
                           "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                .arg(Dir.path())
                .toUtf8());
        config.close();
        Daemon.start(QStringLiteral("dbus-daemon"),
                     {"--config-file=" + config.fileName(), "--nofork", "--print-address"});
        if (QTest::qWaitFor(
                [&] { return Daemon.canReadLine() || Daemon.state() == QProcess::NotRunning; },
                10000))
            Address = QString::fromUtf8(Daemon.readLine()).trimmed();
    }
    ~TPrivateBus() {
        Daemon.kill();
        Daemon.waitForFinished();
    }

    QTemporaryDir Dir;
    QProcess Daemon;
    QString Address;
};

// The desktop's portal as far as global shortcuts go, answering the way `Mode` says.
class TFakePortal final : public QDBusVirtualObject {
public:
    enum class TMode { Bind, BindSome, RefuseBind, FailCreate, OddSession, OddShortcuts, Silent };

    TFakePortal(const QDBusConnection& bus, TMode mode) : Bus(bus), Mode(mode) {
        Bus.registerVirtualObject(DesktopPath, this);
        Bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& call, const QDBusConnection&) override {
        Calls << call.member();
        if (Mode == TMode::Silent)
            return true;
        if (call.member() == "Register") {
            AppId = call.arguments().value(0).toString();
            Bus.send(call.createReply());
        } else if (call.member() == "CreateSession") {
            if (Mode == TMode::FailCreate) {
                Bus.send(call.createErrorReply(QDBusError::AccessDenied, "no"));
                return true;
            }
            const auto options = qdbus_cast<QVariantMap>(call.arguments().value(0));
            SessionHandle = Path("session", call, options.value("session_handle_token").toString());
            // The portal sends the session handle as a string.
            Answer(call, options.value("handle_token").toString(),
                   {{"session_handle",
                     Mode == TMode::OddSession ? QVariant(42) : QVariant(SessionHandle)}});
        } else if (call.member() == "BindShortcuts") {
            Signature = call.signature();
            BoundSession = call.arguments().value(0).value<QDBusObjectPath>().path();
            Requested = qdbus_cast<TPortalShortcuts>(call.arguments().value(1));
            const auto options = qdbus_cast<QVariantMap>(call.arguments().value(3));
            const TPortalShortcuts bound =
                Mode == TMode::BindSome ? Requested.mid(1, 2) : Requested;
            QVariant shortcuts = QVariant::fromValue(bound);
            if (Mode == TMode::OddShortcuts)
                shortcuts = QStringLiteral("44100");
            Answer(call, options.value("handle_token").toString(), {{"shortcuts", shortcuts}},
                   Mode == TMode::RefuseBind ? 2 : 0);
        } else {
            return false;
        }
        return true;
    }

    void Activate(const QString& session, const QString& id) {
        QDBusMessage signal = QDBusMessage::createSignal(
            DesktopPath, "org.freedesktop.portal.GlobalShortcuts", "Activated");
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1)
               << QVariantMap();
        Bus.send(signal);
    }

    QStringList Calls;
    QString AppId;
    QString SessionHandle;
    QString Signature;
    QString BoundSession;
    TPortalShortcuts Requested;

private:
    static QString Path(const QString& kind, const QDBusMessage& call, const QString& token) {
        return DesktopPath + '/' + kind + '/' + call.service().mid(1).replace('.', '_') + '/' +
               token;
    }

    void Answer(const QDBusMessage& call, const QString& token, const QVariantMap& results,
                uint code = 0) {
        const QString request = Path("request", call, token);
        Bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage response =
            QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
        response << code << results;
        Bus.send(response);
    }

    QDBusConnection Bus;
    TMode Mode;
};

struct TKeyRow {
    int Id;
    bool Ctrl;
    char Letter;
    const char* Description;
    const char* Trigger;
};
const TKeyRow Rows[] = {
    {44100, false, 'N', "Karteczki na wierzch", "LOGO+SHIFT+n"},
    {44101, false, 'K', "Kalendarz", "LOGO+SHIFT+k"},
    {44102, true, 'N', "Nowa karteczka", "CTRL+LOGO+SHIFT+n"},
    {44103, false, 'T', "Terminarz", "LOGO+SHIFT+t"},
    {44104, true, 'T', "Nowy wpis terminarza", "CTRL+LOGO+SHIFT+t"},
};
const QList<int> AllIds{44100, 44101, 44102, 44103, 44104};

// The program's side and, unless `mode` is none, the portal's, each on its own connection.
class TRun {
public:
    TRun(const QString& address, std::optional<TFakePortal::TMode> mode, int timeoutMs = 3000) {
        static int runs = 0;
        ++runs;
        PortalName = QStringLiteral("portal%1").arg(runs);
        ProgramName = QStringLiteral("program%1").arg(runs);
        if (mode)
            Portal = std::make_unique<TFakePortal>(
                QDBusConnection::connectToBus(address, PortalName), *mode);
        Keys = std::make_unique<TPortalHotKeys>(QDBusConnection::connectToBus(address, ProgramName),
                                                &Fallback);
        Keys->SetTimeout(timeoutMs);
        Keys->OnHotKey = [this](int id) { Pressed << id; };
        Keys->OnRefused = [this](const QList<int>& ids) { Refused << ids; };
    }
    ~TRun() {
        Keys.reset();
        Portal.reset();
        QDBusConnection::disconnectFromBus(ProgramName);
        QDBusConnection::disconnectFromBus(PortalName);
    }

    void RegisterAll() {
        for (const TKeyRow& row : Rows)
            EXPECT_EQ(Keys->Register(row.Id, row.Ctrl, QChar(row.Letter), row.Description),
                      THotKeyResult::Pending);
    }

    QString PortalName;
    QString ProgramName;
    std::unique_ptr<TFakePortal> Portal;
    TFakeHotKeys Fallback;
    std::unique_ptr<TPortalHotKeys> Keys;
    QList<int> Pressed;
    QList<QList<int>> Refused;
};

class PortalHotKeys : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(Bus.Address.isEmpty()) << "dbus-daemon did not start"; }
    TPrivateBus Bus;
};

} // namespace

TEST_F(PortalHotKeys, BindsAllKeysInOneSessionAndTellsWhichOneWasPressed) {
    TRun run(Bus.Address, TFakePortal::TMode::Bind);
    run.RegisterAll();
    TFakePortal& portal = *run.Portal;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !portal.Requested.isEmpty(); }, 5000));
    EXPECT_EQ(portal.Calls, (QStringList{"Register", "CreateSession", "BindShortcuts"}));
    EXPECT_EQ(portal.AppId, "pl.quorvel.Notella");
    EXPECT_EQ(portal.Signature, "oa(sa{sv})sa{sv}");
    EXPECT_EQ(portal.BoundSession, portal.SessionHandle);
    ASSERT_EQ(portal.Requested.size(), 5);
    for (int i = 0; i < 5; ++i) {
        const TPortalShortcut& s = portal.Requested[i];
        EXPECT_EQ(s.Id, QString::number(Rows[i].Id));
        EXPECT_EQ(s.Properties.value("description").toString(), Rows[i].Description);
        EXPECT_EQ(s.Properties.value("preferred_trigger").toString(), Rows[i].Trigger);
    }

    // Another session's key is not ours; signals arrive in the order sent.
    portal.Activate(DesktopPath + "/session/other/x", "44100");
    portal.Activate(portal.SessionHandle, "44102");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !run.Pressed.isEmpty(); }, 5000));
    EXPECT_EQ(run.Pressed, QList<int>{44102});
    EXPECT_TRUE(run.Refused.isEmpty());
    EXPECT_TRUE(run.Fallback.Registered.isEmpty());
}

TEST_F(PortalHotKeys, KeysTheDesktopLeavesOutAreRefusedAndGrabbedInstead) {
    TRun run(Bus.Address, TFakePortal::TMode::BindSome);
    run.RegisterAll();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !run.Refused.isEmpty(); }, 5000));
    EXPECT_EQ(run.Refused, (QList<QList<int>>{{44100, 44103, 44104}}));
    EXPECT_EQ(run.Fallback.Registered, (QList<int>{44100, 44103, 44104}));
    run.Fallback.OnHotKey(44103);
    EXPECT_EQ(run.Pressed, QList<int>{44103});
}

TEST_F(PortalHotKeys, EveryKeyIsRefusedOnceWhenTheDesktopBindsNone) {
    using TMode = TFakePortal::TMode;
    const std::optional<TMode> cases[] = {TMode::RefuseBind,   TMode::FailCreate, TMode::OddSession,
                                          TMode::OddShortcuts, TMode::Silent,     std::nullopt};
    for (const auto& mode : cases) {
        SCOPED_TRACE(mode ? int(*mode) : -1);
        TRun run(Bus.Address, mode, 100);
        run.RegisterAll();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !run.Refused.isEmpty(); }, 5000));
        QTest::qWait(150); // past the time limit: no second refusal
        EXPECT_EQ(run.Refused, QList<QList<int>>{AllIds});
        EXPECT_EQ(run.Fallback.Registered, AllIds);
        if (mode == TMode::Silent) {
            EXPECT_EQ(run.Portal->Calls, QStringList{"Register"});
        }
    }
}
