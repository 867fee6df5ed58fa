#include "app/Application.h"
#include "app/Unitmain.h"
#include "platform/GuiServices.h"
#include "platform/Platform.h"
#include "platform/SignalWatcher.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    QString reason;
    if (!PrepareDisplay(reason)) {
        std::fprintf(stderr, "Notella: %s\n", qUtf8Printable(reason));
        return 1;
    }
    TApplication app(argc, argv);
    // Taken now: an upgrade may replace the executable while the program runs.
    ExePath();
    InstallPolishTranslation(app);
    InstallGuiServices();
    // Connected before anything can ask a question, so that a signal during the start
    // ends the run too (the question then counts as unanswered).
    TSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &TSignalWatcher::TerminationRequested, &app, [] {
        if (FormMain)
            FormMain->Terminate();
    });
    try {
        auto* form = new TFormMain;
        if (!form->InstanceGranted() || form->Ended()) {
            // Refused, or ended during the start: nothing more runs, nothing more is saved.
            delete form;
            return 0;
        }
        form->FormCreate();
        QObject::connect(&app, &QCoreApplication::aboutToQuit, form, [form] {
            SetShuttingDown(true);
            form->Running = false;
            form->FlushSheets();
            form->FormDestroy();
        });
        if (!form->Ended())
            app.exec();
        // Notes go before the main window, without being closed: closing throws them away.
        // A key that reached a note after the shut-down pass is written now.
        QList<QPointer<TFormKartka>> notes;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* note = qobject_cast<TFormKartka*>(w))
                notes << note;
        for (const QPointer<TFormKartka>& note : notes) {
            if (!note)
                continue;
            note->Storage->FlushPendingSave();
            delete note.data();
        }
        delete form;
    } catch (const std::exception& e) {
        FormMain = nullptr; // a half-built main window is gone
        ShowException(e.what());
    }
    return 0;
}
