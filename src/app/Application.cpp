#include "app/Application.h"

#include "app/Unitmain.h"
#include "notes/NoteAccessible.h"
#include "platform/Platform.h"

#include <QSessionManager>

#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Notella"));
    setQuitOnLastWindowClosed(false);
    InstallNoteAccessibility();
    // The autostart entry starts the program at login; a session manager that restored it
    // as well would start a second copy on the same notes.
    const auto neverRestart = [](QSessionManager& session) {
        session.setRestartHint(QSessionManager::RestartNever);
    };
    connect(this, &QGuiApplication::commitDataRequest, this, neverRestart, Qt::DirectConnection);
    connect(this, &QGuiApplication::saveStateRequest, this, neverRestart, Qt::DirectConnection);
}

void ShowException(const char* what) {
    MessageBox(nullptr, QString::fromUtf8(what), QStringLiteral("Notella"), TMsgButtons::OK,
               TMsgIcon::Error);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("Nieoczekiwany błąd.");
    }
    return false;
}

bool TApplication::event(QEvent* event) {
    if (event->type() == QEvent::Quit && FormMain) {
        event->accept();
        FormMain->Terminate();
        return true;
    }
    return QApplication::event(event);
}
