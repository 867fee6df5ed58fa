#include "notes/TitleChange.h"

#include "support/PrintQString.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A note's title bar: it opens the note's menu on the right button.
class TTitleBar : public QWidget {
public:
    using QWidget::QWidget;
    int Menus = 0;
    int RightPresses = 0;

protected:
    void contextMenuEvent(QContextMenuEvent*) override { ++Menus; }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::RightButton)
            ++RightPresses;
    }
};

class TitleChangeTest : public ::testing::Test {
protected:
    void SetUp() override { MakeWindow(); }
    void MakeWindow() {
        Window = new QWidget;
        Window->resize(162, 60);
        Bar = new TTitleBar(Window);
        Bar->setGeometry(0, 0, 162, 15);
        Memo = new QLineEdit(Window);
        Memo->setGeometry(0, 20, 162, 20);
        Window->show();
        Window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window));
    }
    void TearDown() override {
        delete Window.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    TTitleChange* Open(const QString& title = "Zakupy") {
        Editor = new TTitleChange(QColor(255, 255, 149), title, Bar);
        Editor->OnDone = [this](const QString& text, bool commit) {
            ++Calls;
            Text = text;
            Committed = commit;
        };
        return Editor;
    }
    static void TurnLoop() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QPointer<QWidget> Window;
    TTitleBar* Bar = nullptr;
    QLineEdit* Memo = nullptr;
    QPointer<TTitleChange> Editor;
    int Calls = 0;
    QString Text;
    bool Committed = false;
};

} // namespace

TEST_F(TitleChangeTest, EnterCommitsOnceAndTheEditorGoesAfterTheLoopTurns) {
    Open();
    ASSERT_TRUE(Editor->hasFocus());
    QTest::keyClicks(Editor, " 2");
    QTest::keyClick(Editor, Qt::Key_Return);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Text, "Zakupy 2");
    EXPECT_TRUE(Committed);
    ASSERT_TRUE(Editor);
    Memo->setFocus();
    Editor->Commit();
    EXPECT_EQ(Calls, 1) << "nothing after Enter";
    TurnLoop();
    EXPECT_FALSE(Editor);
}

TEST_F(TitleChangeTest, EscCancelsOnceAndNothingCommitsAfterIt) {
    Open();
    QTest::keyClicks(Editor, "x");
    QTest::keyClick(Editor, Qt::Key_Escape);
    EXPECT_EQ(Calls, 1);
    EXPECT_FALSE(Committed);
    Memo->setFocus();
    ASSERT_TRUE(Editor);
    Editor->Commit();
    EXPECT_EQ(Calls, 1);
    EXPECT_FALSE(Committed);
}

TEST_F(TitleChangeTest, FocusLossInTheNoteCommitsOnceAndLeavingTheNoteWaitsForItsCommit) {
    Open();
    QTest::keyClicks(Editor, "!");
    Memo->setFocus();
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Text, "Zakupy!");
    EXPECT_TRUE(Committed);
    Editor->Commit();
    EXPECT_EQ(Calls, 1);

    Calls = 0;
    Open("Inny");
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    EXPECT_EQ(Calls, 0);
    ASSERT_TRUE(Editor);
    Editor->Commit();
    Editor->Commit();
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Text, "Inny");
    EXPECT_TRUE(Committed);
}

TEST_F(TitleChangeTest, APopupMenuTakingTheFocusDoesNotCommit) {
    Open();
    QMenu menu;
    menu.addAction("Zwiń karteczkę");
    menu.popup(Bar->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    EXPECT_EQ(Calls, 0);
    menu.close();
    ASSERT_TRUE(Editor);
    QTest::keyClick(Editor, Qt::Key_Enter);
    EXPECT_EQ(Calls, 1);
    EXPECT_TRUE(Committed);
}

TEST_F(TitleChangeTest, ItsWindowGoingFirstIsSafe) {
    Open();
    QTest::keyClick(Editor, Qt::Key_Return);
    delete Window.data();
    TurnLoop();
    EXPECT_FALSE(Editor);

    // An open editor says nothing to a note that is being destroyed.
    Calls = 0;
    MakeWindow();
    Open();
    delete Window.data();
    EXPECT_FALSE(Editor);
    EXPECT_EQ(Calls, 0);
}

TEST_F(TitleChangeTest, ATitleLongerThanTheLimitIsKeptWhole) {
    const QString longTitle(200, QChar('t'));
    Open(longTitle);
    QTest::keyClick(Editor, Qt::Key_Return);
    EXPECT_EQ(Text, longTitle);

    Open("");
    QTest::keyClicks(Editor, QString(130, QChar('n')));
    QTest::keyClick(Editor, Qt::Key_Return);
    EXPECT_EQ(Text.size(), 128) << "typing stops at the limit";
}

TEST_F(TitleChangeTest, PastedLineBreaksCommitAsBlanks) {
    for (const QString& pasted :
         {QString("a\nb"), QString("a\rb"), QString("a\u2028b"), QString("a\u2029b")}) {
        Open("");
        Editor->insert(pasted); // as a paste puts it in
        QTest::keyClick(Editor, Qt::Key_Return);
        EXPECT_EQ(Text, "a b");
    }
}

TEST_F(TitleChangeTest, LiesOverTheTitleAndLeavesTheRightButtonToTheNote) {
    Open();
    EXPECT_EQ(Editor->geometry(), QRect(3, 0, 162 - 62, 14));
    Bar->resize(300, 15);
    EXPECT_EQ(Editor->geometry(), QRect(3, 0, 300 - 62, 14));
    EXPECT_EQ(Editor->font().family(), "Arial");
    EXPECT_EQ(Editor->font().pointSize(), 8);
    EXPECT_TRUE(Editor->font().bold());
    EXPECT_FALSE(Editor->hasFrame());
    EXPECT_EQ(Editor->palette().color(QPalette::Base), QColor(255, 255, 149));
    EXPECT_TRUE(Editor->isVisible());

    EXPECT_EQ(Editor->contextMenuPolicy(), Qt::NoContextMenu);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5),
                           Editor->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(Editor, &menu);
    EXPECT_EQ(Bar->Menus, 1);
    QTest::mousePress(Editor, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(Bar->RightPresses, 1);
    EXPECT_EQ(Calls, 0);
}
