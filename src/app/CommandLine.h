#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What a command line, or a message from a second process, asks the running program to do.
// Each does what its tray item or system-wide key does.
enum class TCommand {
    NewNote,
    NewEntry,
    ToFront,
    Calendar,
    Scheduler,
    Trash,
    Settings,
    ExportICal,
    ImportICal
};

struct TCommandRequest {
    // In the order given, each at most once.
    QList<TCommand> Commands;
    // The new note's text, when given.
    QString NoteText;
    // Absolute paths of the iCalendar files.
    QString ExportPath;
    QString ImportPath;

    // What the command works on: the note's text or its file.
    QString Argument(TCommand command) const;

    bool operator==(const TCommandRequest&) const = default;
};

struct TCommandLine {
    enum class TAction { Run, Help, Version, Usage };
    TAction Action = TAction::Run;
    TCommandRequest Request;
    // The new note's text is to be read from standard input ("-").
    bool NoteTextFromStdin = false;
    // Why the line was refused (Usage).
    QString Error;
};

// Parses the arguments after the program's name.
TCommandLine ParseCommandLine(const QStringList& args);

// "Użycie: ..." with every option, for --help and for a refused line.
QString UsageText();
QString VersionText();

// Text from outside (an argument, standard input) as a note may hold it: UTF-8 with invalid
// sequences replaced, any line end as a line feed, no control characters but the tab, and no
// more than four times a note's characters, so that the message stays small. The note's own
// limits apply when it takes the text.
QString NoteTextFromInput(const QByteArray& bytes);

// The message a second process sends, and its reading by the running one. A message that is
// not whole, or not one of ours, reads as nothing; unknown lines and repeats are left out.
QByteArray CommandMessage(const TCommandRequest& request);
std::optional<TCommandRequest> ReadCommandMessage(const QByteArray& message);
