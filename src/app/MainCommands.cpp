#include "app/Unitmain.h"

#include "platform/InstanceChannel.h"
#include "platform/Platform.h"
#include "scheduler_ui/TerminarzLogic.h"

#include <QPlainTextEdit>
#include <QTimer>

#include <cstdio>

void TFormMain::OpenCommandChannel() {
    if (Channel || Ended())
        return;
    Channel = new TInstanceChannel(this);
    Channel->OnMessage = [this](const QByteArray& message) {
        if (const auto request = ReadCommandMessage(message))
            RunCommands(*request);
    };
    // Held by a first session that the user chose to run beside: the commands go there.
    if (!Channel->Listen(InstanceChannelPath()))
        std::fprintf(stderr,
                     "Notella: polecenia z wiersza poleceń trafią do innej sesji "
                     "programu (%s jest zajęte)\n",
                     qUtf8Printable(InstanceChannelPath()));
}

void TFormMain::RunCommands(const TCommandRequest& request) {
    for (TCommand command : request.Commands)
        QTimer::singleShot(0, this, [this, command, argument = request.Argument(command)] {
            RunCommand(command, argument);
        });
}

void TFormMain::RunCommand(TCommand command, const QString& argument) {
    const QString& noteText = argument;
    if (!Running || Ended())
        return;
    switch (command) {
    case TCommand::NewNote: {
        NewSheetInFront();
        TFormKartka* sheet = Sheets.isEmpty() ? nullptr : Sheets.last().data();
        // Typed in, as it were: the note's limits and autosave apply.
        if (sheet && !noteText.isEmpty())
            sheet->Editor()->textCursor().insertText(noteText);
        break;
    }
    case TCommand::NewEntry:
        WMHotKey(HotKeyNewShedulerNote);
        break;
    case TCommand::ToFront:
        WMHotKey(HotKeyToFront);
        break;
    case TCommand::Calendar:
        WMHotKey(HotKeyCalendar);
        break;
    case TCommand::Scheduler:
        WMHotKey(HotKeySheduler);
        break;
    case TCommand::Trash:
        BringToFront();
        mUsunieteKarteczkiClick();
        break;
    case TCommand::Settings:
        BringToFront();
        mSettingsClick();
        break;
    case TCommand::ExportICal:
        // Asked from a terminal or a script: only a failure is worth a box.
        ExportTimetableTo(nullptr, Timetable(), argument, false);
        break;
    case TCommand::ImportICal:
        // An open scheduler window holds entries by their places, which an import moves.
        if (ModalWindowOpen() || FormMessage) {
            RaiseModalWindow();
            MessageBox(nullptr,
                       QString::fromUtf8("Nie zaimportowano pliku \"%1\": najpierw zamknij "
                                         "otwarte okno programu i wydaj polecenie ponownie.")
                           .arg(argument),
                       QStringLiteral("Notella"), TMsgButtons::OK, TMsgIcon::Warning);
            break;
        }
        ImportTimetableFrom(nullptr, Timetable(), argument);
        break;
    }
}
