#include "platform/GuiServices.h"

#include "platform/DesktopServices.h"

#include "platform/Modules.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <QWidget>

#include <xcb/xcb.h>

// Linked in by the tests; the program opens it in the sound module.
extern "C" __attribute__((weak)) ISoundPlayer* NotellaSoundPlayer();

namespace {

class TQtKeyboard final : public IKeyboardState {
public:
    bool ShiftDown() const override {
        return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
    }
    bool CtrlDown() const override {
        return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    }
};

class TQtBeeper final : public IBeeper {
public:
    void Beep() override { QApplication::beep(); }
};

QMessageBox::Icon ToQt(TMsgIcon icon) {
    switch (icon) {
    case TMsgIcon::Information:
        return QMessageBox::Information;
    case TMsgIcon::Warning:
        return QMessageBox::Warning;
    case TMsgIcon::Error:
        return QMessageBox::Critical;
    case TMsgIcon::Question:
        return QMessageBox::Question;
    case TMsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

class TQtMessageBoxes final : public IMessageBoxes {
public:
    TMsgResult Show(QWidget* parent, const TMessage& m) override {
        QMessageBox box(ToQt(m.Icon), m.Caption, m.Text, QMessageBox::NoButton, parent);
        // Paths and titles in the text are shown as written, never as markup.
        box.setTextFormat(Qt::PlainText);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        QAbstractButton* yes = nullptr;
        QAbstractButton* no = nullptr;
        QAbstractButton* ok = nullptr;
        switch (m.Buttons) {
        case TMsgButtons::OK:
            ok = box.addButton(QMessageBox::Ok);
            break;
        case TMsgButtons::OKCancel:
            ok = box.addButton(QMessageBox::Ok);
            box.addButton(QMessageBox::Cancel);
            break;
        case TMsgButtons::YesNo:
            yes = box.addButton(QMessageBox::Yes);
            no = box.addButton(QMessageBox::No);
            break;
        case TMsgButtons::YesNoCancel:
            yes = box.addButton(QMessageBox::Yes);
            no = box.addButton(QMessageBox::No);
            box.addButton(QMessageBox::Cancel);
            break;
        }
        QAbstractButton* preset = !m.Default                      ? nullptr
                                  : *m.Default == TMsgResult::Yes ? yes
                                  : *m.Default == TMsgResult::No  ? no
                                                                  : ok;
        if (auto* button = qobject_cast<QPushButton*>(preset))
            box.setDefaultButton(button);
        QPointer<QCheckBox> check;
        if (!m.CheckBox.isEmpty()) {
            check = new QCheckBox(m.CheckBox);
            check->setChecked(m.Checked && *m.Checked);
            box.setCheckBox(check);
        }
        box.exec();
        if (check && m.Checked)
            *m.Checked = check->isChecked();
        const QAbstractButton* clicked = box.clickedButton();
        if (clicked && clicked == yes)
            return TMsgResult::Yes;
        if (clicked && clicked == no)
            return TMsgResult::No;
        if (clicked && clicked == ok)
            return TMsgResult::OK;
        // Closed without an answer, or the run ended under the box.
        return NoAnswer(m.Buttons);
    }
};

// EWMH state hints, sent to the root window as client messages: a window manager changes a
// mapped window's state only on such a request.
class TX11WindowStyles final : public IWindowStyles {
public:
    void SetSkipSwitcher(QWidget* window, bool skip) override {
        xcb_connection_t* c = Connection();
        if (!c || !window || !window->isVisible())
            return;
        const xcb_window_t id = static_cast<xcb_window_t>(window->winId());
        Send(c, id, true, Atom(c, "_NET_WM_STATE_SKIP_TASKBAR"), 0);
        Send(c, id, skip, Atom(c, "_NET_WM_STATE_SKIP_PAGER"),
             Atom(c, "_KDE_NET_WM_STATE_SKIP_SWITCHER"));
        xcb_flush(c);
    }
    void SetStayOnTop(QWidget* window, bool onTop) override {
        xcb_connection_t* c = Connection();
        if (!c || !window || !window->isVisible())
            return;
        Send(c, static_cast<xcb_window_t>(window->winId()), onTop, Atom(c, "_NET_WM_STATE_ABOVE"),
             0);
        xcb_flush(c);
    }

private:
    static xcb_connection_t* Connection() {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            return nullptr;
        auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
        return x11 ? x11->connection() : nullptr;
    }
    static xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
        auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return atom;
    }
    static void Send(xcb_connection_t* c, xcb_window_t id, bool add, xcb_atom_t a, xcb_atom_t b) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = id;
        e.type = Atom(c, "_NET_WM_STATE");
        e.data.data32[0] = add ? 1 : 0;
        e.data.data32[1] = a;
        e.data.data32[2] = b;
        e.data.data32[3] = 1; // an ordinary application asks
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&e));
    }
};

// Loads the sound module at the first sound; without it the program stays silent and says
// why once.
class TModuleSoundPlayer final : public ISoundPlayer {
public:
    bool IsPlaying() const override { return Player && Player->IsPlaying(); }

    void PlayFile(const QString& path) override {
        if (!Player && !Tried) {
            Tried = true;
            using TMake = ISoundPlayer* (*)();
            TMake make = NotellaSoundPlayer;
            QString error;
            if (!make)
                make = reinterpret_cast<TMake>(
                    ModuleSymbol("notella-sound", "NotellaSoundPlayer", &error));
            if (make)
                Player = make();
            else
                // Sounds come from alarms and timers: the box waits for the event loop.
                QTimer::singleShot(0, qApp, [error] {
                    MessageBox(nullptr,
                               MissingModuleText(QStringLiteral("Odtwarzanie dźwięku"), error),
                               QStringLiteral("Notella"), TMsgButtons::OK, TMsgIcon::Warning);
                });
        }
        if (Player)
            Player->PlayFile(path);
    }

private:
    ISoundPlayer* Player = nullptr;
    bool Tried = false;
};

bool SetFromEnvironment(const char* name) {
    return !qEnvironmentVariableIsEmpty(name);
}

} // namespace

bool PrepareDisplay(QString& reason) {
    QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool x11 = SetFromEnvironment("DISPLAY");
    const bool wayland = SetFromEnvironment("WAYLAND_DISPLAY");
    if (platform.isEmpty()) {
        if (x11) {
            // Through XWayland too: a Wayland client cannot place its own windows.
            platform = QStringLiteral("xcb");
            qputenv("QT_QPA_PLATFORM", "xcb");
        } else if (!wayland) {
            reason = QStringLiteral("brak ekranu: nie znaleziono sesji X11 ani Wayland "
                                    "(zmienne DISPLAY i WAYLAND_DISPLAY są puste)");
            return false;
        }
    }
    if (platform.startsWith(QStringLiteral("xcb"))) {
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        const bool ok = c && !xcb_connection_has_error(c);
        if (c)
            xcb_disconnect(c);
        if (!ok) {
            reason = QStringLiteral("nie można połączyć się z ekranem X11 \"%1\"")
                         .arg(qEnvironmentVariable("DISPLAY"));
            return false;
        }
    }
    return true;
}

void InstallPolishTranslation(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Polish, QLocale::Poland), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

void InstallGuiServices() {
    static TQtKeyboard keyboard;
    static TQtBeeper beeper;
    static TQtMessageBoxes boxes;
    static TX11WindowStyles styles;
    static TModuleSoundPlayer sound;
    Platform().WindowStyles = &styles;
    Platform().Sound = &sound;
    Platform().Keyboard = &keyboard;
    Platform().Beeper = &beeper;
    Platform().MessageBoxes = &boxes;
    Platform().Tray = &DesktopTray();
    Platform().HotKeys = &DesktopHotKeys();
    Platform().Url = &DesktopUrlOpener();
    Platform().Printing = &DesktopPrinting();
    Platform().FileDialogs = &DesktopFileDialogs();
}

void ShellOpenFolder(const QString& path) {
    Platform().Url->OpenUrl(QUrl::fromLocalFile(path));
}
