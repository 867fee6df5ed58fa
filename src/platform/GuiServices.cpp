#include "platform/GuiServices.h"

#include "platform/DesktopServices.h"

#include "platform/Platform.h"

#include <QApplication>
#include <QAudioDevice>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMediaDevices>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSoundEffect>
#include <QTranslator>
#include <QUrl>
#include <QWidget>

#include <xcb/xcb.h>

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

class TQtSoundPlayer final : public ISoundPlayer {
public:
    // A file that failed to load must not count as playing for ever.
    bool IsPlaying() const override {
        return Effect && Effect->status() != QSoundEffect::Error && Effect->isPlaying();
    }

    void PlayFile(const QString& path) override {
        // Without an audio device the effect would report playing for ever and every later
        // sound would be skipped: no device is silence.
        if (QMediaDevices::audioOutputs().isEmpty())
            return;
        if (!Effect)
            Effect = new QSoundEffect(qApp);
        // Loading runs in the background; play() waits for it without blocking the caller.
        Effect->setSource(QUrl::fromLocalFile(path));
        Effect->play();
    }

private:
    QPointer<QSoundEffect> Effect;
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
    static TQtSoundPlayer sound;
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
