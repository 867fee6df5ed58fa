#include "NoteWindowTest.h"

#include "app/Forms.h"
#include "common/IniFile.h"
#include "menus/BcBarPopupMenu.h"
#include "notes/NoteCommands.h"
#include "notes/SheetActivation.h"
#include "notes/TitleChange.h"
#include "notes/Unitdateselect.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

class NoteCommandsTest : public NoteWindowTest {
protected:
    TFormKartka* Active(const QByteArray& text, const QString& name = "a.sheet") {
        TFormKartka* w = Open(text, name);
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([w] { return w->IsActive; }, 2000));
        return w;
    }
    static QAction* Action(TNoteCommand c) { return TNoteCommands::Instance().Action(c); }
    static void Key(QWidget* w, TNoteCommand c) {
        const QKeyCombination k = Action(c)->shortcut()[0];
        QTest::keyClick(w, k.key(), k.keyboardModifiers());
    }
    static QString Numbered(int count) {
        QStringList lines;
        for (int i = 0; i < count; ++i)
            lines << QString("linia %1").arg(i);
        return lines.join('\n');
    }
    static void Paste(TFormKartka* w, const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        w->RunCommand(TNoteCommand::Paste);
    }
    static QByteArray FileOf(const QString& text) {
        QByteArray file = "[Sheet]\r\n";
        const QStringList lines = text.split('\n');
        for (int i = 0; i < lines.size(); ++i)
            file += "Text" + QByteArray::number(i) + "=" + lines[i].toUtf8() + "\r\n";
        return file;
    }
    void TearDown() override {
        if (QMenu* menu = TNoteCommands::Instance().Menu())
            menu->hide();
        NoteWindowTest::TearDown();
    }
};

} // namespace

TEST_F(NoteCommandsTest, TheMenuShowsTheTextItemsOnlyOverTheTextAndWhatApplies) {
    TFormKartka* w = Active("[Sheet]\r\nText0=abc\r\n");
    QContextMenuEvent onTitle(QContextMenuEvent::Mouse, {20, 5}, w->mapToGlobal(QPoint(20, 5)));
    QCoreApplication::sendEvent(w, &onTitle);
    QMenu* menu = TNoteCommands::Instance().Menu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(menu->isVisible());
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 19);
    for (int i = 0; i < 9; ++i)
        EXPECT_FALSE(items[i]->isVisible()) << i;
    EXPECT_TRUE(Action(TNoteCommand::Discard)->isVisible());
    QStringList table;
    for (const QAction* a : items)
        table << (a->isSeparator() ? QString("-") : a->text() + '|' + a->shortcut().toString());
    EXPECT_EQ(table.join('\n'), QString::fromUtf8("Cofnij|\n-\nWytnij|\nKopiuj|\nWklej|\nUsuń|\n-\n"
                                                  "Zaznacz wszystko|Ctrl+A\n-\n"
                                                  "Wybierz czas aktywacji|F2\n"
                                                  "Zwiń karteczkę|F4\nWstaw datę|F5\n"
                                                  "Zmień tytuł karteczki|F6\n"
                                                  "Zabloku pozycję i zawartość karteczki|F8\n"
                                                  "Wysoki priorytet karteczki|F9\n"
                                                  "Wyślij zawartość e-mail'em|Ctrl+E\n"
                                                  "Drukuj zawartość karteczki|Ctrl+P\n-\n"
                                                  "Wyrzuć kartkę|Ctrl+F4"));
    menu->hide();

    // Over the text: the editor's own menu never shows, the note's does, with the nine items.
    const QPoint inText = w->Editor()->viewport()->mapToGlobal(QPoint(5, 5));
    QContextMenuEvent onText(QContextMenuEvent::Mouse, {5, 5}, inText);
    QCoreApplication::sendEvent(w->Editor()->viewport(), &onText);
    ASSERT_TRUE(menu->isVisible());
    int menus = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        menus += qobject_cast<QMenu*>(top) && top->isVisible();
    EXPECT_EQ(menus, 1);
    for (int i = 0; i < 9; ++i)
        EXPECT_TRUE(items[i]->isVisible()) << i;
    EXPECT_FALSE(Action(TNoteCommand::Undo)->isEnabled());
    EXPECT_FALSE(Action(TNoteCommand::Cut)->isEnabled());
    EXPECT_TRUE(Action(TNoteCommand::Paste)->isEnabled());
    EXPECT_TRUE(Action(TNoteCommand::InsertDate)->isEnabled());
    menu->hide();

    QTest::keyClicks(w->Editor(), "x");
    w->Editor()->selectAll();
    w->OpenPopupMenu(inText);
    EXPECT_TRUE(Action(TNoteCommand::Undo)->isEnabled());
    EXPECT_TRUE(Action(TNoteCommand::Cut)->isEnabled());
    EXPECT_TRUE(Action(TNoteCommand::Delete)->isEnabled());
    menu->hide();
    w->SetLocked(true);
    w->OpenPopupMenu(inText);
    EXPECT_FALSE(Action(TNoteCommand::Undo)->isEnabled()) << "a locked note takes no undo";
    EXPECT_TRUE(Action(TNoteCommand::Copy)->isEnabled());
    EXPECT_FALSE(Action(TNoteCommand::InsertDate)->isEnabled());
    EXPECT_FALSE(Action(TNoteCommand::ChangeTitle)->isEnabled());
    EXPECT_TRUE(Action(TNoteCommand::Lock)->isChecked());
    menu->hide();
    QTest::qWait(1);
    EXPECT_TRUE(Action(TNoteCommand::InsertDate)->isEnabled()) << "the keys of other notes work";
}

TEST_F(NoteCommandsTest, EveryKeyFiresItsCommandOnceFromTheTextAndFromTheTitleEditor) {
    TFormKartka* w = Active("[Sheet]\r\nText0=abc\r\n");
    QList<QKeySequence> keys;
    for (const QAction* a : w->actions())
        keys << a->shortcut();
    EXPECT_EQ(QSet<QKeySequence>(keys.begin(), keys.end()).size(), keys.size()) << "no key twice";
    EXPECT_GE(keys.size(), 10);

    Fake.Printing.Cancel = true;
    const TNoteCommand commands[] = {TNoteCommand::Collapse, TNoteCommand::Priority,
                                     TNoteCommand::Lock,     TNoteCommand::Mail,
                                     TNoteCommand::Print,    TNoteCommand::InsertDate};
    auto pressAll = [&](const std::function<QWidget*()>& target, const char* where) {
        for (TNoteCommand c : commands) {
            QWidget* to = target();
            ASSERT_NE(to, nullptr) << where;
            QSignalSpy fired(Action(c), &QAction::triggered);
            Key(to, c);
            EXPECT_EQ(fired.count(), 1) << where << ' ' << qPrintable(Action(c)->text());
        }
    };
    pressAll([&] { return w->Editor(); }, "memo");
    EXPECT_EQ(Fake.Url.Opened.size(), 1);
    EXPECT_EQ(Fake.Printing.Parents.size(), 1);
    // Some keys take the title and close its editor: each key gets an open one.
    pressAll(
        [&]() -> QWidget* {
            w->SetLocked(false);
            if (w->IsCollapsed())
                w->Expand();
            if (!w->TitleEditor)
                w->StartTitleEdit();
            return w->TitleEditor;
        },
        "title editor");
    EXPECT_EQ(Fake.Url.Opened.size(), 2);

    QSignalSpy thrown(Action(TNoteCommand::Discard), &QAction::triggered);
    Key(w->Editor(), TNoteCommand::Discard);
    EXPECT_EQ(thrown.count(), 1);
    EXPECT_EQ(Closed, 1);
}

TEST_F(NoteCommandsTest, TheLineLimitKeepsWhatWasThereAndSaysSoOncePerEdit) {
    TFormKartka* empty = Active("");
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    Paste(empty, Numbered(302));
    EXPECT_EQ(empty->Editor()->toPlainText(), Numbered(300));
    QTest::qWait(1);
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Text, "Maksymalna liczba linii wynosi 300 !");
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, QString::fromUtf8("Ostrzeżenie"));
    empty->Editor()->undo();
    EXPECT_TRUE(empty->Editor()->toPlainText().isEmpty()) << "undo takes the whole paste back";

    TFormKartka* full = Active(FileOf(Numbered(300)), "b.sheet");
    const QString before = full->Editor()->toPlainText();
    QTextCursor middle(full->Editor()->document());
    middle.setPosition(100);
    full->Editor()->setTextCursor(middle);
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    Paste(full, "a\nb\nc\nd\ne");
    QTest::keyClick(full->Editor(), Qt::Key_Return);
    EXPECT_EQ(full->Editor()->toPlainText(), before);
    QTest::keyClicks(full->Editor(), "xy");
    EXPECT_EQ(full->Editor()->toPlainText(), before.left(100) + "xy" + before.mid(100))
        << "a full note still takes characters";
    QTest::qWait(1);
    EXPECT_EQ(Fake.MessageBoxes.Shown.size(), 2u) << "one message for the edits that hit it";

    // A note from its file with more lines keeps them all.
    TFormKartka* longer = Active(FileOf(Numbered(320)), "c.sheet");
    EXPECT_EQ(longer->Editor()->toPlainText(), Numbered(320));

    TFormKartka* flood = Active("", "d.sheet");
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    QElapsedTimer clock;
    clock.start();
    Paste(flood, QString(20000, '\n'));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(flood->Editor()->blockCount(), 300);
    QTest::qWait(1);
}

TEST_F(NoteCommandsTest, TheDateGoesInAtTheCaretInTheFormatsInForce) {
    Fake.Clock.Value = EncodeDate(2026, 12, 8) + EncodeTime(9, 5, 7, 0);
    TFormKartka* w = Active("[Sheet]\r\nText0=abcdef\r\n");
    QTextCursor c(w->Editor()->document());
    c.setPosition(1);
    c.setPosition(3, QTextCursor::KeepAnchor); // "bc" selected left to right
    w->Editor()->setTextCursor(c);
    Key(w->Editor(), TNoteCommand::InsertDate);
    const QString stamp = "2026-12-08  09:05";
    EXPECT_EQ(w->Editor()->toPlainText(), "abc" + stamp + "def");
    EXPECT_EQ(w->Editor()->textCursor().position(), 3 + stamp.size());
    EXPECT_FALSE(w->Editor()->textCursor().hasSelection());

    SetAfterNamingFormats();
    w->Editor()->moveCursor(QTextCursor::End);
    Key(w->Editor(), TNoteCommand::InsertDate);
    EXPECT_TRUE(w->Editor()->toPlainText().endsWith("def26-12-08  09:05:07"));

    const QString before = w->Editor()->toPlainText();
    w->Collapse();
    Key(w->Editor(), TNoteCommand::InsertDate);
    w->Expand();
    w->SetLocked(true);
    Key(w->Editor(), TNoteCommand::InsertDate);
    EXPECT_EQ(w->Editor()->toPlainText(), before) << "not into a collapsed or a locked note";
}

TEST_F(NoteCommandsTest, ALockedNoteTakesNoEditFromAnyRoute) {
    TFormKartka* w = Active("[Sheet]\r\nTitle=Stały\r\nText0=stałe\r\n");
    w->Editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(w->Editor(), "!");
    Key(w->Editor(), TNoteCommand::Lock);
    ASSERT_TRUE(w->Locked);
    const QString before = w->Editor()->toPlainText();
    QTest::keyClicks(w->Editor(), "x");
    Paste(w, "wklejone");
    w->Editor()->selectAll();
    for (auto c : {TNoteCommand::Cut, TNoteCommand::Delete, TNoteCommand::Undo,
                   TNoteCommand::InsertDate, TNoteCommand::ChangeTitle})
        w->RunCommand(c);
    Key(w->Editor(), TNoteCommand::InsertDate);
    EXPECT_EQ(w->Editor()->toPlainText(), before);
    EXPECT_FALSE(w->TitleEditor);
    EXPECT_EQ(w->Title(), QString::fromUtf8("Stały"));
}

TEST_F(NoteCommandsTest, TheTitleIsTakenOrLeftOnEveryPath) {
    TFormKartka* w = Active("[Sheet]\r\nTitle=Stary\r\nText0=t\r\n");
    w->Storage->SaveDelayMs = 5;
    auto type = [&](const QString& text) {
        Key(w->Editor(), TNoteCommand::ChangeTitle);
        EXPECT_TRUE(w->TitleEditor);
        if (w->TitleEditor)
            w->TitleEditor->setText(text);
    };
    type("Nowy");
    // A modifier pressed alone, which the editor leaves to the note, keeps the edit open.
    QTest::keyPress(w->TitleEditor, Qt::Key_Control);
    QTest::keyRelease(w->TitleEditor, Qt::Key_Control);
    ASSERT_TRUE(w->TitleEditor);
    ASSERT_TRUE(w->TitleEditor->hasFocus());
    Key(w->TitleEditor, TNoteCommand::ChangeTitle);
    QTest::keyClick(w->TitleEditor, Qt::Key_Escape);
    EXPECT_EQ(w->Title(), "Stary");
    EXPECT_EQ(w->windowTitle(), "Stary");
    EXPECT_EQ(w->findChildren<TTitleChange*>().size(), 1) << "F6 twice opened one editor";

    type("Nowy\nopis");
    // Its right button opens the note's menu and the title stays in the making.
    QContextMenuEvent right(QContextMenuEvent::Mouse, {2, 2},
                            w->TitleEditor->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(w->TitleEditor, &right);
    ASSERT_TRUE(TNoteCommands::Instance().Menu()->isVisible());
    TNoteCommands::Instance().Menu()->hide();
    ASSERT_TRUE(w->TitleEditor);
    w->Editor()->setFocus(); // a click into the text
    EXPECT_EQ(w->Title(), "Nowy opis");
    QTRY_COMPARE_WITH_TIMEOUT(TMemIniFile(File()).ReadString("Sheet", "Title"), "Nowy opis", 2000);

    TFormKartka* long200 = Active("[Sheet]\r\nTitle=" + QByteArray(200, 'd') + "\r\n", "b.sheet");
    QTest::mouseClick(long200->windowHandle(), Qt::MiddleButton, {}, QPoint(30, 5));
    ASSERT_TRUE(long200->TitleEditor) << "the middle button on the title bar edits the title";
    QTest::keyClick(long200->TitleEditor, Qt::Key_Return);
    EXPECT_EQ(long200->Title(), QString(200, 'd'));

    // Thrown away while typing: the trash gets the typed title.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([w] { return w->IsActive; }, 2000));
    type("Ostatni");
    w->Discard();
    EXPECT_EQ(TMemIniFile(Sheets() + "/deleted/a.sheet").ReadString("Sheet", "Title"), "Ostatni");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(NoteCommandsTest, ANoteAlarmsAtItsTimeUntilF2AndAfterARestart) {
    const TDateTime t0 = EncodeDate(2026, 12, 8) + EncodeTime(12, 0, 0, 0);
    Fake.Clock.Value = t0;
    TFormKartka* w = Active("[Size]\r\nMinHeight=16\r\nHeight=120\r\n[Sheet]\r\nText0=x\r\n");
    w->Storage->SaveDelayMs = 5;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TFormDateSelect*>(FormDateSelect.data());
        ASSERT_NE(dialog, nullptr);
        dialog->SetMoment(t0 + 60 * OneMinute / 60);
        dialog->accept();
    });
    Key(w->Editor(), TNoteCommand::ActivationTime);
    ASSERT_TRUE(w->ActivationEnabled);
    ASSERT_TRUE(w->Activation && w->Activation->ActivateTimer());
    EXPECT_TRUE(w->Activation->ActivateTimer()->isActive());
    EXPECT_EQ(w->Activation->ActivateTimer()->interval(), 10000);
    EXPECT_TRUE(w->ButtonChecked(TTitleButton::ActivateAt));
    EXPECT_EQ(w->ButtonToolTip(TTitleButton::ActivateAt),
              QString::fromUtf8("Przywołaj karteczkę (F2)\n2026-12-08 o godzinie 12:01"));

    Fake.Clock.Value = t0 + 59 * OneMinute / 60;
    w->Activation->Check();
    EXPECT_FALSE(w->Activation->Alarming());
    Fake.Clock.Value = t0 + 70 * OneMinute / 60;
    w->Activation->Check();
    EXPECT_TRUE(w->Activation->Alarming());
    EXPECT_TRUE(Fake.WindowStyles.OnTop.value(w));
    EXPECT_FALSE(w->IsCollapsed()) << "an alarm opens a collapsed note";
    QTRY_COMPARE_WITH_TIMEOUT(w->TitleBarColour(), QColor(255, 0, 0), 1000);

    Key(w->Editor(), TNoteCommand::ActivationTime); // stops and disarms
    EXPECT_FALSE(w->Activation->Alarming());
    EXPECT_FALSE(w->ActivationEnabled);
    EXPECT_FALSE(Fake.WindowStyles.OnTop.value(w));
    QTRY_COMPARE_WITH_TIMEOUT(TMemIniFile(File()).ReadString("Activation", "Enabled"), "0", 2000);

    // Saved armed with its time passed: it alarms at the first check after the start, and
    // thrown away while alarming it leaves no timer behind.
    WriteBytes(File("b.sheet"), "[Activation]\r\nEnabled=1\r\nDateTime=2026-12-08 11:00\r\n");
    TFormKartka* restarted = Active(ReadText(File("b.sheet")).toUtf8(), "b.sheet");
    ASSERT_TRUE(restarted->Activation && restarted->Activation->ActivateTimer());
    restarted->Activation->Check();
    QPointer<QTimer> flashing = restarted->Activation->DingTimer();
    ASSERT_TRUE(flashing && flashing->isActive());
    restarted->Discard();
    EXPECT_TRUE(!flashing || !flashing->isActive());
}

TEST_F(NoteCommandsTest, ANewNoteArmedOrNamedWithoutTextIsKept) {
    auto fresh = [&](const QString& name) {
        auto* w = new TFormKartka(&AltTab, &LastActive, {}, nullptr, false, 140, 240, true, true,
                                  File(name));
        Windows.emplace_back(w);
        return w;
    };
    TFormKartka* armed = fresh("armed.sheet");
    armed->ActivationTime = 1.0;
    armed->SetActivation(true);
    armed->Storage->MarkModified(true);
    armed->Storage->FlushPendingSave();
    EXPECT_TRUE(QFile::exists(File("armed.sheet")));

    TFormKartka* named = fresh("named.sheet");
    named->TitleEdited("Dentysta 15:00", true);
    named->Storage->FlushPendingSave();
    EXPECT_EQ(TMemIniFile(File("named.sheet")).ReadString("Sheet", "Title"), "Dentysta 15:00");

    TFormKartka* blank = fresh("blank.sheet");
    blank->TitleEdited(blank->Title(), true); // the title it opened with, taken as it was
    blank->Storage->MarkModified(true);
    blank->Storage->FlushPendingSave();
    EXPECT_FALSE(QFile::exists(File("blank.sheet"))) << "an untouched new note still has none";
}

TEST_F(NoteCommandsTest, HugeOrDamagedInputNeitherHangsNorCostsText) {
    TFormKartka* w = Active("[Sheet]\r\nText0=zostaje\r\n");
    w->Editor()->moveCursor(QTextCursor::End);
    QElapsedTimer clock;
    clock.start();
    Paste(w, QString(10 * 1024 * 1024, 'x'));
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    Paste(w, QString("y\n").repeated(100000));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(w->Editor()->toPlainText().startsWith("zostaje"));
    EXPECT_EQ(w->Editor()->toPlainText().size(), 20480);
    QTest::qWait(1);
    EXPECT_LE(Fake.MessageBoxes.Shown.size(), 1u);

    // A huge title, a damaged time and the ends of the calendar open and arm as usual.
    const QByteArray title(100 * 1024, 't');
    TFormKartka* titled = Active("[Sheet]\r\nTitle=" + title +
                                     "\r\n[Activation]\r\nEnabled=1\r\n"
                                     "DateTime=0100-01-01 00:00\r\n",
                                 "b.sheet");
    EXPECT_EQ(titled->Title().size(), title.size());
    titled->Activation->Check();
    EXPECT_TRUE(titled->Activation->Alarming()) << "a time long past alarms";
    TFormKartka* far =
        Active("[Activation]\r\nEnabled=1\r\nDateTime=9999-12-31 23:59\r\n", "c.sheet");
    far->Activation->Check();
    EXPECT_FALSE(far->Activation->Alarming());
    EXPECT_TRUE(far->ButtonToolTip(TTitleButton::ActivateAt).contains("9999-12-31"));
    TFormKartka* garbage = Active("[Activation]\r\nEnabled=1\r\nDateTime=zła data\r\n", "d.sheet");
    EXPECT_TRUE(garbage->ActivationEnabled);
}

TEST_F(NoteCommandsTest, OnlyANewNoteOpensWithItsTitleBeingTyped) {
    auto open = [&](const QString& name) {
        auto* w = new TFormKartka(&AltTab, &LastActive, {}, nullptr, true, 140, 240, true, true,
                                  File(name));
        Windows.emplace_back(w);
        return w;
    };
    WriteBytes(File("old.sheet"), "[Sheet]\r\nText0=stara\r\n");
    TFormKartka* old = open("old.sheet");
    TFormKartka* fresh = open("new.sheet");
    QTRY_VERIFY_WITH_TIMEOUT(fresh->TitleEditor, 2000);
    EXPECT_FALSE(old->TitleEditor);
}
