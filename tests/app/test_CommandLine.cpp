#include "app/CommandLine.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

using A = TCommandLine::TAction;

TCommandLine Parse(const QStringList& args) {
    return ParseCommandLine(args);
}

} // namespace

TEST(CommandLine, OptionsBecomeCommandsAndAnythingElseIsRefused) {
    const TCommandLine all = Parse({"--to-front", "--new-entry", "--calendar", "--scheduler",
                                    "--trash", "--settings", "--new-note"});
    EXPECT_EQ(all.Action, A::Run);
    EXPECT_EQ(all.Request.Commands,
              (QList<TCommand>{TCommand::ToFront, TCommand::NewEntry, TCommand::Calendar,
                               TCommand::Scheduler, TCommand::Trash, TCommand::Settings,
                               TCommand::NewNote}));
    EXPECT_TRUE(Parse({}).Request.Commands.isEmpty());
    EXPECT_EQ(Parse({"--calendar", "--help"}).Action, A::Help);
    EXPECT_EQ(Parse({"--version"}).Action, A::Version);

    EXPECT_EQ(Parse({"--new-note", "Zakupy: chleb"}).Request.NoteText, "Zakupy: chleb");
    EXPECT_EQ(Parse({"--new-note=--nie opcja"}).Request.NoteText, "--nie opcja");
    EXPECT_EQ(Parse({"--new-note", "-5 stopni"}).Request.NoteText, "-5 stopni");
    const TCommandLine next = Parse({"--new-note", "--calendar"});
    EXPECT_TRUE(next.Request.NoteText.isEmpty()) << "an option is not the note's text";
    EXPECT_EQ(next.Request.Commands.size(), 2);
    const TCommandLine files = Parse({"--export-ical", "out.ics", "--import-ical=/tmp/in.ics"});
    EXPECT_EQ(files.Request.ExportPath, QDir::current().absoluteFilePath("out.ics"));
    EXPECT_EQ(files.Request.ImportPath, "/tmp/in.ics");
    const TCommandLine stdinText = Parse({"--new-note", "-"});
    EXPECT_TRUE(stdinText.NoteTextFromStdin);
    EXPECT_TRUE(stdinText.Request.NoteText.isEmpty());

    for (const QStringList& bad : {QStringList{"--nowa"}, QStringList{"plik.txt"},
                                   QStringList{"-x"}, QStringList{"--trash", "--trash"},
                                   QStringList{"--calendar=1"}, QStringList{"--new-note", "a", "b"},
                                   QStringList{"--export-ical"}, QStringList{"--import-ical="}}) {
        const TCommandLine line = Parse(bad);
        EXPECT_EQ(line.Action, A::Usage) << bad.join(' ').toStdString();
        EXPECT_FALSE(line.Error.isEmpty());
    }
    EXPECT_TRUE(UsageText().startsWith(QString::fromUtf8("Użycie: notella")));
}

TEST(CommandLine, OutsideTextIsCleanedAndBounded) {
    EXPECT_EQ(NoteTextFromInput("a\r\nb\rc\nd\te"), "a\nb\nc\nd\te");
    EXPECT_EQ(NoteTextFromInput(QByteArray("x\0y\x1b[31mz\x7f", 11)), "xy[31mz");
    EXPECT_EQ(NoteTextFromInput("\xff\xfe"
                                "ok"),
              QString::fromUtf8("\xef\xbf\xbd\xef\xbf\xbd"
                                "ok"));
    EXPECT_EQ(NoteTextFromInput(QByteArray(1 << 20, 'a')).size(), 4 * 20480);
}

TEST(CommandLine, MessagesCarryTheRequestAndNothingElse) {
    TCommandRequest request;
    request.Commands = {TCommand::Calendar, TCommand::NewNote};
    request.Commands << TCommand::ImportICal;
    request.NoteText = QString::fromUtf8("Zażółć\ngęślą jaźń");
    request.ImportPath = QString::fromUtf8("/home/ela/Pobrane/spotkania ważne.ics");
    EXPECT_EQ(ReadCommandMessage(CommandMessage(request)), request);
    EXPECT_EQ(ReadCommandMessage(CommandMessage({})), TCommandRequest{});

    const QByteArray whole = CommandMessage(request);
    EXPECT_FALSE(ReadCommandMessage(whole.left(whole.size() - 1))) << "not whole";
    EXPECT_FALSE(ReadCommandMessage("HELLO\n" + whole));
    EXPECT_FALSE(ReadCommandMessage(QByteArray()));

    const auto odd = ReadCommandMessage("NOTELLA 1\n"
                                        "rm -rf /\n"
                                        "trash\n"
                                        "trash\n"
                                        "calendar eA==\n"
                                        "new-note !!not base64!!\n"
                                        "to-front\n"
                                        "import-ical\n"
                                        "export-ical " +
                                        QByteArray("wzgledna.ics").toBase64() +
                                        "\n"
                                        "END\n");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->Commands, (QList<TCommand>{TCommand::Trash, TCommand::ToFront}))
        << "unknown lines, repeats, values where none belong, bad text, file commands without "
           "a file or with a relative one are left out";
}
