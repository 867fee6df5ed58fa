#include "platform/PortalHotKeys.h"

#include "platform/AppId.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>

namespace {

const QString Service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString DesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString RegistryInterface = QStringLiteral("org.freedesktop.host.portal.Registry");

// The desktop's answers are read defensively: a value of another type counts as missing.
QVariantMap ToMap(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QVariantMap>())
        return value.toMap();
    if (value.metaType() != QMetaType::fromType<QDBusArgument>())
        return {};
    const QDBusArgument arg = value.value<QDBusArgument>();
    QVariantMap map;
    if (arg.currentSignature() == QLatin1String("a{sv}"))
        arg >> map;
    return map;
}

// An object path, also when sent as a string (the session handle is one).
QString ToPath(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    if (value.metaType() == QMetaType::fromType<QString>())
        return value.toString();
    return {};
}

TPortalShortcuts ToShortcuts(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<TPortalShortcuts>())
        return value.value<TPortalShortcuts>();
    if (value.metaType() != QMetaType::fromType<QDBusArgument>())
        return {};
    const QDBusArgument arg = value.value<QDBusArgument>();
    TPortalShortcuts shortcuts;
    if (arg.currentSignature() == QLatin1String("a(sa{sv})"))
        arg >> shortcuts;
    return shortcuts;
}

} // namespace

QDBusArgument& operator<<(QDBusArgument& arg, const TPortalShortcut& shortcut) {
    arg.beginStructure();
    arg << shortcut.Id << shortcut.Properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, TPortalShortcut& shortcut) {
    arg.beginStructure();
    arg >> shortcut.Id >> shortcut.Properties;
    arg.endStructure();
    return arg;
}

QString PortalTrigger(bool ctrl, QChar key) {
    // Key names are the keyboard map's symbol names: the lower-case letter, Shift or not.
    return QLatin1String(ctrl ? "CTRL+LOGO+SHIFT+" : "LOGO+SHIFT+") + key.toLower();
}

TPortalHotKeys::TPortalHotKeys(const QDBusConnection& bus, IHotKeys* fallback, QObject* parent)
    : QObject(parent), Bus(bus), Fallback(fallback) {
    qDBusRegisterMetaType<TPortalShortcut>();
    qDBusRegisterMetaType<TPortalShortcuts>();
    Deadline.setSingleShot(true);
    Deadline.setInterval(3000);
    connect(&Deadline, &QTimer::timeout, this, [this] { Finish({}); });
    if (Fallback)
        Fallback->OnHotKey = [this](int id) {
            if (OnHotKey)
                OnHotKey(id);
        };
}

THotKeyResult TPortalHotKeys::Register(int id, bool ctrl, QChar key, const QString& description) {
    Waiting.append({id, ctrl, key, description});
    // The keys registered one after the other go to the desktop in one request.
    if (!SendQueued && Stage == TStage::Idle) {
        SendQueued = true;
        QTimer::singleShot(0, this, &TPortalHotKeys::Send);
    }
    return THotKeyResult::Pending;
}

void TPortalHotKeys::Send() {
    SendQueued = false;
    if (Stage != TStage::Idle || Waiting.isEmpty())
        return;
    Batch = Waiting;
    Waiting.clear();
    Stage = TStage::Creating;
    Deadline.start();
    if (!Bus.isConnected()) {
        Finish({});
        return;
    }
    if (!Listening)
        Listening = Bus.connect(Service, DesktopPath, ShortcutsInterface,
                                QStringLiteral("Activated"), this, SLOT(Activated(QDBusMessage)));
    if (AppRegistered) {
        CreateSession();
        return;
    }
    // Newer portals know a program outside a sandbox by the id it gives before any other
    // call; older ones lack the call, and the keys are asked for all the same.
    AppRegistered = true;
    Call(RegistryInterface, QStringLiteral("Register"),
         {QString::fromLatin1(ApplicationId), QVariantMap()},
         [this](const QDBusMessage&) { CreateSession(); });
}

void TPortalHotKeys::CreateSession() {
    Stage = TStage::Creating;
    const QString token = NextToken();
    Expect(token);
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("session_handle_token"), NextToken()}};
    Call(ShortcutsInterface, QStringLiteral("CreateSession"), {options},
         [this](const QDBusMessage& reply) { Answered(reply); });
}

void TPortalHotKeys::BindShortcuts() {
    Stage = TStage::Binding;
    TPortalShortcuts shortcuts;
    for (const TKey& k : Batch)
        shortcuts.append({QString::number(k.Id),
                          {{QStringLiteral("description"), k.Description},
                           {QStringLiteral("preferred_trigger"), PortalTrigger(k.Ctrl, k.Key)}}});
    const QString token = NextToken();
    Expect(token);
    Call(ShortcutsInterface, QStringLiteral("BindShortcuts"),
         {QVariant::fromValue(QDBusObjectPath(Session)), QVariant::fromValue(shortcuts), QString(),
          QVariantMap{{QStringLiteral("handle_token"), token}}},
         [this](const QDBusMessage& reply) { Answered(reply); });
}

void TPortalHotKeys::Call(const QString& interface, const QString& method, const QVariantList& args,
                          std::function<void(const QDBusMessage&)> done) {
    QDBusMessage call = QDBusMessage::createMethodCall(Service, DesktopPath, interface, method);
    call.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(Bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, done = std::move(done), generation = Generation] {
                watcher->deleteLater();
                if (generation == Generation)
                    done(watcher->reply());
            });
}

void TPortalHotKeys::Answered(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage) {
        Finish({});
        return;
    }
    // Older portals may put the request elsewhere than where it was expected.
    const QString path = reply.arguments().isEmpty() ? QString() : ToPath(reply.arguments()[0]);
    if (!path.isEmpty() && !RequestPaths.contains(path)) {
        RequestPaths << path;
        Bus.connect(Service, path, RequestInterface, QStringLiteral("Response"), this,
                    SLOT(Response(QDBusMessage)));
    }
}

QString TPortalHotKeys::NextToken() {
    return QStringLiteral("notella%1").arg(++Tokens);
}

void TPortalHotKeys::Expect(const QString& token) {
    // Listening before the call: the answer may come before the call returns.
    StopExpecting();
    QString sender = Bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString path = DesktopPath + QStringLiteral("/request/") + sender + '/' + token;
    RequestPaths << path;
    Bus.connect(Service, path, RequestInterface, QStringLiteral("Response"), this,
                SLOT(Response(QDBusMessage)));
}

void TPortalHotKeys::StopExpecting() {
    for (const QString& path : std::as_const(RequestPaths))
        Bus.disconnect(Service, path, RequestInterface, QStringLiteral("Response"), this,
                       SLOT(Response(QDBusMessage)));
    RequestPaths.clear();
}

void TPortalHotKeys::Response(const QDBusMessage& message) {
    if (Stage == TStage::Idle || !RequestPaths.contains(message.path()))
        return;
    StopExpecting();
    const QVariantList args = message.arguments();
    // 0 is success; 1 the user cancelled; 2 anything else.
    if (args.size() < 2 || args[0].metaType() != QMetaType::fromType<uint>() ||
        args[0].toUInt() != 0) {
        Finish({});
        return;
    }
    const QVariantMap results = ToMap(args[1]);
    if (Stage == TStage::Creating) {
        Session = ToPath(results.value(QStringLiteral("session_handle")));
        if (Session.isEmpty())
            Finish({});
        else
            BindShortcuts();
        return;
    }
    QSet<int> bound;
    for (const TPortalShortcut& s : ToShortcuts(results.value(QStringLiteral("shortcuts"))))
        for (const TKey& k : std::as_const(Batch))
            if (s.Id == QString::number(k.Id))
                bound.insert(k.Id);
    Finish(bound);
}

void TPortalHotKeys::Finish(const QSet<int>& bound) {
    Deadline.stop();
    StopExpecting();
    ++Generation;
    Stage = TStage::Idle;
    if (!bound.isEmpty())
        Sessions.insert(Session);
    Session.clear();
    QList<int> refused;
    for (const TKey& k : std::as_const(Batch)) {
        if (bound.contains(k.Id)) {
            Bound.insert(QString::number(k.Id), k.Id);
            continue;
        }
        refused << k.Id;
        if (Fallback)
            Fallback->Register(k.Id, k.Ctrl, k.Key, k.Description);
    }
    Batch.clear();
    if (!refused.isEmpty())
        QTimer::singleShot(0, this, [this, refused] {
            if (OnRefused)
                OnRefused(refused);
        });
    if (!Waiting.isEmpty() && !SendQueued) {
        SendQueued = true;
        QTimer::singleShot(0, this, &TPortalHotKeys::Send);
    }
}

void TPortalHotKeys::Activated(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 2 || !Sessions.contains(ToPath(args[0])) ||
        args[1].metaType() != QMetaType::fromType<QString>())
        return;
    const auto it = Bound.constFind(args[1].toString());
    if (it == Bound.constEnd())
        return;
    const int id = *it;
    // Commands open modal windows: never inside the delivery of a D-Bus signal.
    QTimer::singleShot(0, this, [this, id] {
        if (OnHotKey)
            OnHotKey(id);
    });
}
