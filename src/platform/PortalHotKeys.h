#pragma once

#include "platform/Platform.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QVariantMap>

#include <functional>

// One shortcut as the global-shortcuts portal passes it (D-Bus "(sa{sv})").
struct TPortalShortcut {
    QString Id;
    QVariantMap Properties;
};
using TPortalShortcuts = QList<TPortalShortcut>;
Q_DECLARE_METATYPE(TPortalShortcut)

QDBusArgument& operator<<(QDBusArgument& arg, const TPortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& arg, TPortalShortcut& shortcut);

// The keys in the desktop's shortcut notation: "LOGO+SHIFT+n", "CTRL+LOGO+SHIFT+n".
QString PortalTrigger(bool ctrl, QChar key);

// System-wide keys on a Wayland session, bound by the desktop's global-shortcuts portal.
// The keys registered in one turn of the event loop go to the desktop together, in one
// session; nothing waits for its answers. Keys the desktop does not bind in time go to
// `fallback` (the X11 grab, which works while a window of the program has the focus) and
// are told through OnRefused.
class TPortalHotKeys final : public QObject, public IHotKeys {
    Q_OBJECT

public:
    TPortalHotKeys(const QDBusConnection& bus, IHotKeys* fallback, QObject* parent = nullptr);

    THotKeyResult Register(int id, bool ctrl, QChar key, const QString& description) override;
    // How long the desktop has to bind the keys of one turn, from the moment they are sent.
    void SetTimeout(int ms) { Deadline.setInterval(ms); }

private slots:
    void Response(const QDBusMessage& message);
    void Activated(const QDBusMessage& message);

private:
    struct TKey {
        int Id;
        bool Ctrl;
        QChar Key;
        QString Description;
    };
    enum class TStage { Idle, Creating, Binding };

    void Send();
    void CreateSession();
    void BindShortcuts();
    void Call(const QString& interface, const QString& method, const QVariantList& args,
              std::function<void(const QDBusMessage&)> done);
    void Answered(const QDBusMessage& reply);
    QString NextToken();
    void Expect(const QString& token);
    void StopExpecting();
    void Finish(const QSet<int>& bound);

    QDBusConnection Bus;
    IHotKeys* Fallback;
    QList<TKey> Waiting; // registered, not yet sent
    QList<TKey> Batch;   // sent, not yet answered
    TStage Stage = TStage::Idle;
    bool SendQueued = false;
    bool AppRegistered = false;
    bool Listening = false;
    int Tokens = 0;
    int Generation = 0; // answers of an ended batch are ignored
    QStringList RequestPaths;
    QString Session;
    QSet<QString> Sessions;    // the sessions with keys bound
    QHash<QString, int> Bound; // shortcut id -> key id
    QTimer Deadline;
};
