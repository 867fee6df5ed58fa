#include "app/CommandLine.h"

#include "notes/NoteText.h"

#include <QFileInfo>

namespace {

struct TOption {
    TCommand Command;
    const char* Name; // on the command line after "--", and in a message
};

const TOption Options[] = {
    {TCommand::NewNote, "new-note"},       {TCommand::NewEntry, "new-entry"},
    {TCommand::ToFront, "to-front"},       {TCommand::Calendar, "calendar"},
    {TCommand::Scheduler, "scheduler"},    {TCommand::Trash, "trash"},
    {TCommand::Settings, "settings"},      {TCommand::ExportICal, "export-ical"},
    {TCommand::ImportICal, "import-ical"},
};

bool TakesFile(TCommand c) {
    return c == TCommand::ExportICal || c == TCommand::ImportICal;
}

QString* FileOf(TCommandRequest& r, TCommand c) {
    return c == TCommand::ExportICal ? &r.ExportPath : &r.ImportPath;
}

std::optional<TCommand> CommandNamed(QStringView name) {
    for (const TOption& o : Options)
        if (name == QLatin1String(o.Name))
            return o.Command;
    return std::nullopt;
}

const char* NameOf(TCommand c) {
    for (const TOption& o : Options)
        if (o.Command == c)
            return o.Name;
    return "";
}

const QByteArray MessageHead = "NOTELLA 1\n";
const QByteArray MessageEnd = "END\n";

TCommandLine Refused(const QString& why) {
    TCommandLine line;
    line.Action = TCommandLine::TAction::Usage;
    line.Error = why;
    return line;
}

} // namespace

TCommandLine ParseCommandLine(const QStringList& args) {
    TCommandLine line;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.Action = TCommandLine::TAction::Help;
            return line;
        }
        if (arg == QLatin1String("--version")) {
            line.Action = TCommandLine::TAction::Version;
            return line;
        }
        if (!arg.startsWith(QLatin1String("--")))
            return Refused(QString::fromUtf8("nieznany argument \"%1\"").arg(arg));
        const qsizetype eq = arg.indexOf('=');
        const QString name = arg.mid(2, eq < 0 ? -1 : eq - 2);
        const auto command = CommandNamed(name);
        if (!command)
            return Refused(QString::fromUtf8("nieznana opcja \"%1\"").arg(arg));
        if (line.Request.Commands.contains(*command))
            return Refused(QString::fromUtf8("opcja \"--%1\" podana dwa razy").arg(name));
        if (eq >= 0 && *command != TCommand::NewNote && !TakesFile(*command))
            return Refused(QString::fromUtf8("opcja \"--%1\" nie ma wartości").arg(name));
        line.Request.Commands << *command;
        if (TakesFile(*command)) {
            // Relative to where the command was given, not to where the program runs.
            const QString file = eq >= 0               ? arg.mid(eq + 1)
                                 : i + 1 < args.size() ? args[++i]
                                                       : QString();
            if (file.isEmpty())
                return Refused(QString::fromUtf8("opcja \"--%1\" wymaga nazwy pliku").arg(name));
            *FileOf(line.Request, *command) = QFileInfo(file).absoluteFilePath();
            continue;
        }
        if (*command != TCommand::NewNote)
            continue;
        // The text is the value after "=", or the next argument unless it is an option.
        QString text;
        if (eq >= 0)
            text = arg.mid(eq + 1);
        else if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--")))
            text = args[++i];
        else
            continue;
        if (text == QLatin1String("-"))
            line.NoteTextFromStdin = true;
        else
            line.Request.NoteText = NoteTextFromInput(text.toUtf8());
    }
    return line;
}

QString UsageText() {
    return QString::fromUtf8(
        "Użycie: notella [OPCJA...]\n"
        "\n"
        "Karteczki na pulpicie i terminarz. Bez opcji uruchamia program.\n"
        "Gdy program już działa, polecenie trafia do niego.\n"
        "\n"
        "  --new-note [TEKST]  nowa karteczka (z tekstem; \"-\" czyta go ze standardowego "
        "wejścia)\n"
        "  --new-entry         nowy wpis terminarza\n"
        "  --to-front          karteczki na wierzch\n"
        "  --calendar          kalendarz\n"
        "  --scheduler         terminarz\n"
        "  --trash             wyrzucone karteczki\n"
        "  --settings          ustawienia\n"
        "  --export-ical PLIK  zapisuje terminarz do pliku iCalendar\n"
        "  --import-ical PLIK  dodaje do terminarza wydarzenia z pliku iCalendar\n"
        "  --help              ten tekst\n"
        "  --version           wersja programu\n");
}

QString VersionText() {
#ifdef NOTELLA_VERSION
    return QStringLiteral("Notella " NOTELLA_VERSION);
#else
    return QStringLiteral("Notella");
#endif
}

QString NoteTextFromInput(const QByteArray& bytes) {
    const qsizetype most = 4 * TNoteLimits{}.Characters;
    QString text = QString::fromUtf8(bytes.left(4 * most));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\r', '\n');
    QString out;
    out.reserve(std::min(text.size(), most));
    for (QChar c : text) {
        if (out.size() == most)
            break;
        const bool control = c.unicode() < 0x20 || c.unicode() == 0x7f;
        if (!control || c == '\n' || c == '\t')
            out += c;
    }
    return out;
}

QString TCommandRequest::Argument(TCommand command) const {
    switch (command) {
    case TCommand::NewNote:
        return NoteText;
    case TCommand::ExportICal:
        return ExportPath;
    case TCommand::ImportICal:
        return ImportPath;
    default:
        return {};
    }
}

QByteArray CommandMessage(const TCommandRequest& request) {
    QByteArray message = MessageHead;
    for (TCommand c : request.Commands) {
        message += NameOf(c);
        if (const QString argument = request.Argument(c); !argument.isEmpty())
            message += ' ' + argument.toUtf8().toBase64();
        message += '\n';
    }
    return message + MessageEnd;
}

std::optional<TCommandRequest> ReadCommandMessage(const QByteArray& message) {
    if (!message.startsWith(MessageHead) || !message.endsWith(MessageEnd))
        return std::nullopt;
    const QByteArray body =
        message.mid(MessageHead.size(), message.size() - MessageHead.size() - MessageEnd.size());
    TCommandRequest request;
    for (const QByteArray& line : body.split('\n')) {
        const qsizetype space = line.indexOf(' ');
        const auto command = CommandNamed(QString::fromLatin1(space < 0 ? line : line.left(space)));
        if (!command || request.Commands.contains(*command))
            continue;
        if (space >= 0) {
            if (*command != TCommand::NewNote && !TakesFile(*command))
                continue;
            const auto decoded = QByteArray::fromBase64Encoding(
                line.mid(space + 1), QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded)
                continue;
            if (*command == TCommand::NewNote)
                request.NoteText = NoteTextFromInput(*decoded);
            else if (const QString file = QString::fromUtf8(*decoded);
                     QFileInfo(file).isAbsolute() && !file.contains(QChar(0)))
                *FileOf(request, *command) = file;
            else
                continue;
        } else if (TakesFile(*command)) {
            continue; // a file command without its file
        }
        request.Commands << *command;
    }
    return request;
}
