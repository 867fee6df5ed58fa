// A full note (300 lines, 20 480 characters): the time of one keystroke, of pasting one line
// and of opening the note's menu, each with the repaint it causes. Run by hand:
//   cmake --build build --target bench_note_commands && build/bench/bench_note_commands [runs]
#include "common/Formats.h"
#include "menus/BcBarPopupMenu.h"
#include "notes/NoteCommands.h"
#include "notes/SheetFile.h"
#include "notes/Unitkart.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Lines = 300;
constexpr int Characters = 20480;

// The lines of a note exactly `Lines` lines and `Characters` characters long, line ends
// counted, Polish letters included.
QStringList FullText() {
    QStringList lines;
    const int perLine = (Characters - (Lines - 1)) / Lines;
    int left = Characters - (Lines - 1);
    for (int i = 0; i < Lines; ++i) {
        QString line = QStringLiteral("%1. zażółć gęślą jaźń, ").arg(i);
        const int length = i == Lines - 1 ? left : perLine;
        while (line.size() < length)
            line += QStringLiteral("tekst notatki ");
        line.truncate(length);
        if (line.endsWith(' '))
            line[line.size() - 1] = 'x'; // the file trims blanks at the ends
        left -= length;
        lines << line;
    }
    return lines;
}

// Counts the repaints of the text, so that a figure without one is seen.
class TPaintCounter final : public QObject {
public:
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        Count += e->type() == QEvent::Paint;
        return false;
    }
};

double Ms(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-46s median %7.3f ms, max %7.3f ms (%zu runs)\n", what, ms[ms.size() / 2],
                ms.back(), ms.size());
}

// Runs `step` `runs` times, each timed together with the events it leaves (the repaint);
// `undo` puts the note back afterwards, untimed.
std::vector<double> Time(int runs, const std::function<void()>& step,
                         const std::function<void()>& undo) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        step();
        QCoreApplication::processEvents();
        ms.push_back(Ms(t));
        if (undo) {
            undo();
            QCoreApplication::processEvents();
        }
    }
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The offscreen platform tells of every raise and keyboard grab the menu asks for.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg && !text.startsWith("This plugin does not"))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    SetStartFormats();
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 200;

    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/full.sheet");
    TSheetRecord record;
    record.Width = 300;
    record.Height = record.MinHeight = 400;
    record.Left = record.Top = 50;
    record.Title = QStringLiteral("Pełna");
    record.Lines = FullText();
    if (!SaveSheetFile(file, record)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    bool altTab = false;
    QPointer<QWidget> lastActive;
    // As the program opens a note with the settings' defaults (autoresize on).
    auto* note =
        new TFormKartka(&altTab, &lastActive, nullptr, nullptr, false, 140, 240, true, true, file);
    QCoreApplication::processEvents();
    QPlainTextEdit* memo = note->Memo;
    const QString loaded = note->NoteText();
    std::printf("note: %lld characters, %d lines, window %dx%d\n",
                static_cast<long long>(loaded.size()), memo->document()->blockCount(),
                note->width(), note->height());
    if (loaded.size() != Characters || memo->document()->blockCount() != Lines) {
        std::fprintf(stderr, "the note is not full\n");
        return 1;
    }

    // The caret in the middle of the text; one character out, so that a key goes in.
    QTextCursor c(memo->document()->findBlockByNumber(Lines / 2));
    c.movePosition(QTextCursor::EndOfBlock);
    c.deletePreviousChar();
    memo->setTextCursor(c);
    QCoreApplication::processEvents();

    TPaintCounter paints;
    memo->viewport()->installEventFilter(&paints);
    // A key typed and one rubbed out: the note goes from one short of full to full and back.
    std::vector<double> keys = Time(
        runs, [memo] { QTest::keyClick(memo, Qt::Key_X); },
        [memo] { QTest::keyClick(memo, Qt::Key_Backspace); });
    QTest::keyClick(memo, Qt::Key_X);
    const std::vector<double> backspaces = Time(
        runs, [memo] { QTest::keyClick(memo, Qt::Key_Backspace); },
        [memo] { QTest::keyClick(memo, Qt::Key_X); });
    keys.insert(keys.end(), backspaces.begin(), backspaces.end());
    Report("keystroke (typed or rubbed out)", keys);
    std::printf("  %d repaints of the text, %lld characters after them\n", paints.Count,
                static_cast<long long>(note->NoteText().size()));
    Report("keystroke into the full note (refused)",
           Time(
               runs, [memo] { QTest::keyClick(memo, Qt::Key_Y); }, nullptr));

    // Room for one line, which is pasted and taken back.
    const QString line = QStringLiteral("Wklejona linia: zadzwonić do pani Żanety o 15:30");
    {
        QTextCursor room = memo->textCursor();
        room.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, line.size());
        room.removeSelectedText();
        memo->setTextCursor(room);
    }
    QGuiApplication::clipboard()->setText(line);
    Report("paste of one line (Wklej)",
           Time(
               runs, [note] { note->RunCommand(TNoteCommand::Paste); }, [memo] { memo->undo(); }));
    if (note->NoteText().size() != Characters - line.size())
        std::fprintf(stderr, "note: the paste was not taken back\n");

    const QPoint overText = note->mapToGlobal(QPoint(100, 100));
    const QPoint overTitle = note->mapToGlobal(QPoint(100, 7));
    auto hideMenu = [] { TNoteCommands::Instance().Menu()->hide(); };
    Report("first opening of the menu (builds it)",
           Time(
               1, [note, overText] { note->OpenPopupMenu(overText); }, hideMenu));
    TPaintCounter menuPaints;
    TNoteCommands::Instance().Menu()->installEventFilter(&menuPaints);
    Report("menu over the text (all items)",
           Time(
               runs, [note, overText] { note->OpenPopupMenu(overText); }, hideMenu));
    Report("menu over the title bar",
           Time(
               runs, [note, overTitle] { note->OpenPopupMenu(overTitle); }, hideMenu));

    std::printf("  %d repaints of the menu\n", menuPaints.Count);

    note->Storage->FlushPendingSave();
    delete note;
    return 0;
}
