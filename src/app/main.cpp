#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Unitmain.h"
#include "common/Formats.h"
#include "platform/AppId.h"
#include "platform/GuiServices.h"
#include "platform/InstanceChannel.h"
#include "platform/Platform.h"
#include "platform/SignalWatcher.h"
#include "scheduler/ICalendar.h"

#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <unistd.h>

namespace {

// Standard input for "--new-note -": no more than a note could ever take, and what follows
// is left unread.
QByteArray ReadStandardInput() {
    const qsizetype most = 16 * 20480;
    QByteArray bytes;
    char buffer[65536];
    while (bytes.size() < most) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(buffer, n);
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    TCommandLine line = ParseCommandLine(args);
    switch (line.Action) {
    case TCommandLine::TAction::Help:
        std::fputs(qUtf8Printable(UsageText()), stdout);
        return 0;
    case TCommandLine::TAction::Version:
        std::printf("%s\n", qUtf8Printable(VersionText()));
        return 0;
    case TCommandLine::TAction::Usage:
        std::fprintf(stderr, "notella: %s\n\n%s", qUtf8Printable(line.Error),
                     qUtf8Printable(UsageText()));
        return 2;
    case TCommandLine::TAction::Run:
        break;
    }
    if (line.NoteTextFromStdin)
        line.Request.NoteText = NoteTextFromInput(ReadStandardInput());
    // A running instance carries the command out; this process has nothing more to do.
    if (!line.Request.Commands.isEmpty()) {
        switch (SendToInstance(InstanceChannelPath(), CommandMessage(line.Request))) {
        case TDelivery::Delivered:
            return 0;
        case TDelivery::Failed:
            std::fprintf(stderr, "Notella: uruchomiony program nie przyjął polecenia.\n");
            return 1;
        case TDelivery::NoInstance:
            break;
        }
        // Without an instance an export needs no desktop: the timetable file is read as it is.
        if (line.Request.Commands.removeAll(TCommand::ExportICal) > 0) {
            SetStartFormats();
            Timetable().Load();
            QString error;
            if (!ExportICalendarFile(Timetable(), line.Request.ExportPath, error)) {
                std::fprintf(stderr, "Notella: %s\n", qUtf8Printable(error));
                return 1;
            }
            if (line.Request.Commands.isEmpty())
                return 0;
        }
    }

    QString reason;
    if (!PrepareDisplay(reason)) {
        std::fprintf(stderr, "Notella: %s\n", qUtf8Printable(reason));
        return 1;
    }
    TApplication app(argc, argv);
    // The desktop ties the windows to the desktop entry, and its portals know the program.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(ApplicationId));
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
        // Once the start has finished, as if it had come from a running instance.
        if (!line.Request.Commands.isEmpty())
            form->RunCommands(line.Request);
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
