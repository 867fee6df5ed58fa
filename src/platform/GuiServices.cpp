#include "platform/GuiServices.h"

#include "platform/Platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <QUrl>

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
        box.exec();
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
    Platform().Keyboard = &keyboard;
    Platform().Beeper = &beeper;
    Platform().MessageBoxes = &boxes;
}

void ShellOpenFolder(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
