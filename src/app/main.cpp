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
    InstallPolishTranslation(app);
    InstallGuiServices();
    TSignalWatcher signalWatcher;
    try {
        auto* form = new TFormMain;
        if (!form->InstanceGranted()) {
            // Refused: nothing was started, nothing is saved.
            delete form;
            return 0;
        }
        form->FormCreate();
        QObject::connect(&signalWatcher, &TSignalWatcher::TerminationRequested, form,
                         &TFormMain::Terminate);
        QObject::connect(&app, &QCoreApplication::aboutToQuit, form, [form] {
            SetShuttingDown(true);
            form->FormDestroy();
        });
        app.exec();
        delete form;
    } catch (const std::exception& e) {
        ShowException(e.what());
    }
    return 0;
}
