// A note paints its text until it is worked with, and the editor that then takes over must be
// indistinguishable from it.
#include "NoteWindowTest.h"

#include "menus/BcBarPopupMenu.h"
#include "notes/NoteCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>

namespace {

QByteArray Lines(int count) {
    QByteArray file =
        "[Size]\r\nWidth=200\r\nMinHeight=100\r\nHeight=100\r\n[Sheet]\r\nTitle=Lista\r\n";
    for (int i = 0; i < count; ++i)
        file += "Text" + QByteArray::number(i) + "=wiersz numer " + QByteArray::number(i) +
                " z tekstem, który się zawija\r\n";
    return file;
}

// A second window to take the activation away from a note.
struct TOtherWindow {
    QWidget Window;
    void Activate() {
        Window.show();
        Window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&Window));
    }
};

} // namespace

TEST_F(NoteWindowTest, TheEditorComesAndGoesWithoutChangingTextCaretSelectionScrollOrLook) {
    TFormKartka* w = Open(Lines(30));
    EXPECT_EQ(w->Memo, nullptr) << "a note that nobody touched has no editor";
    const QString text = w->NoteText();
    const QImage neverEdited = w->grab().toImage();
    ASSERT_EQ(w->Editor()->toPlainText(), text);
    EXPECT_EQ(w->grab().toImage(), neverEdited) << "the editor looks as the painted text did";

    w->EditorKeepMs = 10;
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    ASSERT_EQ(QApplication::focusWidget(), w->Memo);
    QTextCursor c(w->Memo->document());
    c.setPosition(40);
    c.setPosition(300, QTextCursor::KeepAnchor);
    w->Memo->setTextCursor(c);
    w->Memo->verticalScrollBar()->setValue(12);
    const QImage edited = w->Memo->viewport()->grab().toImage();

    TOtherWindow other;
    other.Activate();
    QTRY_COMPARE_WITH_TIMEOUT(w->Memo, nullptr, 2000); // no editor outlives a left note
    EXPECT_EQ(w->NoteText(), text);
    const QImage painted = w->grab().toImage();
    ASSERT_NE(painted, neverEdited) << "scrolled and selected";

    QPlainTextEdit* editor = w->Editor();
    EXPECT_EQ(editor->textCursor().anchor(), 40);
    EXPECT_EQ(editor->textCursor().position(), 300);
    EXPECT_EQ(editor->verticalScrollBar()->value(), 12);
    EXPECT_EQ(w->grab().toImage(), painted);

    // Breaks of every kind are one line end, painted or edited.
    w->SetText(QString::fromUtf8("a\rb\u2028c\u2029d"));
    const QString edited2 = w->NoteText();
    other.Activate();
    QTRY_COMPARE_WITH_TIMEOUT(w->Memo, nullptr, 2000);
    EXPECT_EQ(w->NoteText(), edited2);
    EXPECT_EQ(edited2, "a\nb\nc\nd");
    Q_UNUSED(edited);

    // Typing leaves something to undo: the editor stays to take it back later.
    QTest::keyClick(w->Editor(), Qt::Key_X);
    other.Activate();
    QTest::qWait(100);
    ASSERT_NE(w->Memo, nullptr);
    w->Memo->undo();
    EXPECT_EQ(w->NoteText(), edited2);
}

TEST_F(NoteWindowTest, TheFirstFocusChangesNothingButTheCaretAndTheClickPlacesIt) {
    TFormKartka* w = Open("[Sheet]\r\nText0=abcdef\r\nText1=drugi wiersz\r\n");
    const QRect text = w->TextRect();
    // Whole windows, as the screen shows them.
    const QImage before = w->grab().toImage().copy(text);
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    ASSERT_NE(w->Memo, nullptr);
    ASSERT_TRUE(w->Memo->hasFocus());
    QTextCursor start(w->Memo->document());
    w->Memo->setTextCursor(start);
    QApplication::processEvents();
    const QImage after = w->grab().toImage().copy(text);
    const QRect caret =
        w->Memo->cursorRect().translated(w->Memo->viewport()->pos()).adjusted(-1, -1, 1, 1);
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x) {
            if (!caret.contains(x, y)) {
                ASSERT_EQ(before.pixel(x, y), after.pixel(x, y)) << x << ',' << y;
            }
        }
    }

    // A click into painted text: the caret goes to the character under the pointer.
    TFormKartka* other = Open("[Sheet]\r\nText0=abcdef\r\nText1=drugi wiersz\r\n", "b.sheet");
    ASSERT_EQ(other->Memo, nullptr);
    const QFontMetrics metrics(other->TextFont());
    const QPoint onD(other->TextRect().left() + metrics.horizontalAdvance("abc") + 1,
                     other->TextRect().top() + metrics.height() / 2);
    QTest::mouseClick(other, Qt::LeftButton, {}, onD);
    ASSERT_NE(other->Memo, nullptr);
    EXPECT_EQ(other->Memo->textCursor().position(), 3);
    const QPoint secondLine(other->TextRect().left() + metrics.horizontalAdvance("dr") + 1,
                            other->TextRect().top() + metrics.lineSpacing() * 3 / 2);
    QTest::mouseClick(other, Qt::LeftButton, {}, secondLine);
    EXPECT_EQ(other->Memo->textCursor().position(), 7 + 2);
}

TEST_F(NoteWindowTest, ANeverFocusedNoteTakesKeysPasteUndoAndItsMenu) {
    TFormKartka* w = Open("[Sheet]\r\nText0=abc\r\n");
    ASSERT_EQ(w->Memo, nullptr);
    // The menu over painted text offers what applies to it, and its text items work.
    QContextMenuEvent onText(QContextMenuEvent::Mouse, {20, 30}, w->mapToGlobal(QPoint(20, 30)));
    QCoreApplication::sendEvent(w, &onText);
    TBcBarPopupMenu* menu = TNoteCommands::Instance().Menu();
    ASSERT_TRUE(menu && menu->isVisible());
    EXPECT_FALSE(TNoteCommands::Instance().Action(TNoteCommand::Copy)->isEnabled());
    EXPECT_FALSE(TNoteCommands::Instance().Action(TNoteCommand::Undo)->isEnabled());
    TNoteCommands::Instance().Action(TNoteCommand::SelectAll)->trigger();
    // The painted buttons tell what they do.
    const QPoint onClose = w->ButtonRect(TTitleButton::Close).center();
    QHelpEvent help(QEvent::ToolTip, onClose, w->mapToGlobal(onClose));
    QCoreApplication::sendEvent(w, &help);
    EXPECT_EQ(QToolTip::text(), QString::fromUtf8("Wyrzuć kartkę (Ctrl+F4)"));
    menu->hide();
    ASSERT_NE(w->Memo, nullptr);
    EXPECT_EQ(w->Memo->textCursor().selectedText(), "abc");

    // Keys that reach the window before its activation are the text's too.
    TFormKartka* early = Open("[Sheet]\r\nText0=abc\r\n", "c.sheet");
    QTest::keyClick(early, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(early, "!");
    EXPECT_EQ(early->NoteText(), "abc!");

    TFormKartka* fresh = Open("[Sheet]\r\nText0=abc\r\n", "b.sheet");
    ASSERT_EQ(fresh->Memo, nullptr);
    fresh->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(fresh));
    ASSERT_EQ(QApplication::focusWidget(), fresh->Memo) << "the first focus goes to the text";
    QWidget* const focused = nullptr; // keys go where the focus is
    QTest::keyClick(focused, Qt::Key_End);
    QTest::keyClicks(focused, "d");
    QGuiApplication::clipboard()->setText("ef");
    QTest::keyClick(focused, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(fresh->NoteText(), "abcdef");
    QTest::keyClick(focused, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(fresh->NoteText(), "abc") << "the typing and the paste were one editing spell";
    QTest::keyClick(focused, Qt::Key_F9); // a note key from the text: high priority
    EXPECT_TRUE(fresh->ButtonChecked(TTitleButton::HiPrior));
    QTest::keyClick(focused, Qt::Key_Left, Qt::AltModifier);
    EXPECT_TRUE(fresh->Storage->SavePending());
}

TEST_F(NoteWindowTest, TheRightButtonOverTheTextOpensTheMenuWithOrWithoutAnEditor) {
    TFormKartka* w = Open(Lines(3));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    w->EditorKeepMs = 10;
    TOtherWindow other;
    other.Activate();
    QTRY_COMPARE_WITH_TIMEOUT(w->Memo, nullptr, 2000);
    for (int round : {0, 1}) { // the first press makes the editor
        // Through the window, as a real click comes: press, menu, release.
        QTest::mouseClick(w->windowHandle(), Qt::RightButton, {}, w->TextRect().center());
        QMenu* menu = TNoteCommands::Instance().Menu();
        ASSERT_TRUE(menu && menu->isVisible()) << round;
        EXPECT_TRUE(TNoteCommands::Instance().Action(TNoteCommand::Paste)->isVisible());
        menu->hide();
    }
}

TEST_F(NoteWindowTest, APasteWithoutTextLeavesTheNoteAsItWas) {
    TFormKartka* w = Open(Lines(2));
    const QString text = w->NoteText();
    QApplication::clipboard()->setMimeData(new QMimeData);
    w->Editor()->paste();
    auto* image = new QMimeData;
    image->setData("image/png", QByteArray("\x89PNG", 4));
    QApplication::clipboard()->setMimeData(image);
    w->Editor()->paste();
    EXPECT_EQ(w->NoteText(), text);
}
