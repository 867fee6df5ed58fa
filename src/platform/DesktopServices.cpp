#include "platform/DesktopServices.h"

#include "platform/Modules.h"
#include "platform/PortalHotKeys.h"
#include "platform/TrayClicks.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Read as PNG without guessing: a guess would load every image format plugin to ask it.
QImage ProgramIcon() {
    QImageReader reader(QStringLiteral(":/icons/notella.png"), "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

class TQtTrayIcon final : public ITrayIcon {
public:
    void Add(const QString& tip) override {
        if (Icon)
            return;
        Icon = new QSystemTrayIcon(QIcon(QPixmap::fromImage(ProgramIcon())), qApp);
        Icon->setToolTip(tip);
        Clock.start();
        QObject::connect(Icon, &QSystemTrayIcon::activated, Icon,
                         [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); });
        // Shown even without a tray: the icon docks once a tray host starts.
        Icon->show();
    }

    void Remove() override {
        // It may be ending the run from inside its own signal.
        if (Icon)
            Icon->deleteLater();
        Icon = nullptr;
    }

    bool TrayExists() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

private:
    void Activated(QSystemTrayIcon::ActivationReason reason) {
        using TAction = TTrayClicks::TAction;
        TAction action = TAction::None;
        if (reason == QSystemTrayIcon::Trigger)
            action = Clicks.Trigger(Clock.elapsed());
        else if (reason == QSystemTrayIcon::DoubleClick)
            action = Clicks.DoubleClick(Clock.elapsed());
        else if (reason == QSystemTrayIcon::Context) {
            const QPoint cursor = QCursor::pos();
            QTimer::singleShot(0, qApp, [this, cursor] {
                if (OnContextMenu)
                    OnContextMenu(cursor);
            });
        }
        // Commands may open modal windows: never inside the tray's own signal (on the
        // StatusNotifierItem path that is a D-Bus call waiting for its answer).
        if (action == TAction::ButtonDown)
            Later(&ITrayIcon::OnButtonDown);
        if (action == TAction::DoubleClick)
            Later(&ITrayIcon::OnDoubleClick);
    }

    // The callback as it stands when the call runs: the main window may be gone by then.
    void Later(std::function<void()> ITrayIcon::*callback) {
        QTimer::singleShot(0, qApp, [this, callback] {
            if (this->*callback)
                (this->*callback)();
        });
    }

    QPointer<QSystemTrayIcon> Icon;
    QElapsedTimer Clock;
    TTrayClicks Clicks{QApplication::doubleClickInterval()};
};

// Keysyms of the letters used (lower case, as the keyboard map lists them) and of NumLock.
constexpr xcb_keysym_t KeysymNumLock = 0xff7f;
constexpr int BadAccess = 10;

// Passive grabs on the root window; the key presses come through a native event filter.
class TX11HotKeys final : public IHotKeys, public QAbstractNativeEventFilter {
public:
    THotKeyResult Register(int id, bool ctrl, QChar key, const QString&) override {
        xcb_connection_t* c = Connection();
        if (!c)
            return THotKeyResult::Unavailable;
        if (!Filtering) {
            qApp->installNativeEventFilter(this);
            Filtering = true;
        }
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
        if (!symbols)
            return THotKeyResult::Unavailable;
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, key.toLower().unicode());
        const xcb_keycode_t code = codes ? codes[0] : XCB_NO_SYMBOL;
        std::free(codes);
        const std::uint16_t numLock = NumLockMask(c, symbols);
        xcb_key_symbols_free(symbols);
        if (code == XCB_NO_SYMBOL)
            return THotKeyResult::Unavailable;

        const std::uint16_t mods =
            XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT | (ctrl ? XCB_MOD_MASK_CONTROL : 0);
        // Every NumLock and CapsLock state, each once.
        std::vector<std::uint16_t> variants;
        for (std::uint16_t extra : {std::uint16_t(0), std::uint16_t(XCB_MOD_MASK_LOCK), numLock,
                                    std::uint16_t(numLock | XCB_MOD_MASK_LOCK)})
            if (std::find(variants.begin(), variants.end(), mods | extra) == variants.end())
                variants.push_back(mods | extra);
        std::vector<std::uint16_t> grabbed;
        bool taken = false;
        for (std::uint16_t m : variants) {
            xcb_generic_error_t* e =
                xcb_request_check(c, xcb_grab_key_checked(c, 1, root, m, code, XCB_GRAB_MODE_ASYNC,
                                                          XCB_GRAB_MODE_ASYNC));
            if (e) {
                taken = taken || e->error_code == BadAccess;
                std::free(e);
            } else {
                grabbed.push_back(m);
            }
        }
        if (taken || grabbed.empty()) {
            for (std::uint16_t m : grabbed)
                xcb_ungrab_key(c, code, root, m);
            xcb_flush(c);
            return taken ? THotKeyResult::Taken : THotKeyResult::Unavailable;
        }
        Keys.push_back({id, code, mods});
        xcb_flush(c);
        return THotKeyResult::Registered;
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t")
            return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
            return false;
        auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
        const std::uint16_t relevant =
            XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
        for (const TKey& k : Keys) {
            if (press->detail == k.Code && (press->state & relevant) == k.Mods) {
                const int id = k.Id;
                // Commands open modal windows: never inside the event filter.
                QTimer::singleShot(0, qApp, [this, id] {
                    if (OnHotKey)
                        OnHotKey(id);
                });
                return true;
            }
        }
        return false;
    }

private:
    struct TKey {
        int Id;
        xcb_keycode_t Code;
        std::uint16_t Mods;
    };

    static xcb_connection_t* Connection() {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            return nullptr;
        auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
        return x11 ? x11->connection() : nullptr;
    }

    // The modifier bit the keyboard map gives NumLock; 0 when it has none.
    static std::uint16_t NumLockMask(xcb_connection_t* c, xcb_key_symbols_t* symbols) {
        xcb_keycode_t* numCodes = xcb_key_symbols_get_keycode(symbols, KeysymNumLock);
        if (!numCodes)
            return 0;
        std::uint16_t mask = 0;
        xcb_get_modifier_mapping_reply_t* map =
            xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
        if (map) {
            const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map);
            const int perMod = map->keycodes_per_modifier;
            for (int mod = 0; mod < 8 && !mask; ++mod)
                for (int i = 0; i < perMod && !mask; ++i)
                    for (const xcb_keycode_t* n = numCodes; *n != XCB_NO_SYMBOL; ++n)
                        if (codes[mod * perMod + i] == *n)
                            mask = std::uint16_t(1u << mod);
            std::free(map);
        }
        std::free(numCodes);
        return mask;
    }

    std::vector<TKey> Keys;
    bool Filtering = false;
};

// The desktop's own handler for the address, never a command line of ours.
class TQtUrlOpener final : public IUrlOpener {
public:
    void OpenUrl(const QUrl& url) override { QDesktopServices::openUrl(url); }
};

class TQtFileDialogs final : public IFileDialogs {
public:
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
    }
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filter) override {
        return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
    }
};

// The printer dialog comes from the print module, loaded at the first print.
class TModulePrinting final : public IPrinting {
public:
    std::shared_ptr<QPrinter> ChoosePrinter(QWidget* parent) override {
        QString error;
        auto get = reinterpret_cast<IPrinting* (*)()>(
            ModuleSymbol("notella-print", "NotellaPrinting", &error));
        if (!get) {
            MessageBox(parent, MissingModuleText(QStringLiteral("Drukowanie"), error),
                       QStringLiteral("Notella"), TMsgButtons::OK, TMsgIcon::Warning);
            return {};
        }
        return get()->ChoosePrinter(parent);
    }
};

} // namespace

ITrayIcon& DesktopTray() {
    static TQtTrayIcon tray;
    return tray;
}

IHotKeys& DesktopHotKeys() {
    static TX11HotKeys x11;
    // Through XWayland the grab sees the keys only while a window of the program has the
    // focus: on Wayland the desktop binds them, and the grab is kept for what it refuses.
    const bool wayland =
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
    if (!wayland)
        return x11;
    // Owned by the application: it talks to the session bus, which ends with it.
    static TPortalHotKeys* portal = new TPortalHotKeys(QDBusConnection::sessionBus(), &x11, qApp);
    return *portal;
}

IUrlOpener& DesktopUrlOpener() {
    static TQtUrlOpener opener;
    return opener;
}

IFileDialogs& DesktopFileDialogs() {
    static TQtFileDialogs dialogs;
    return dialogs;
}

IPrinting& DesktopPrinting() {
    static TModulePrinting printing;
    return printing;
}
