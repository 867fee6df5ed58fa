#include "notes/Unitkart.h"

#include "NoteWindowTest.h"
#include "common/Formats.h"
#include "common/IniFile.h"
#include "common/TextFile.h"
#include "support/FakePlatform.h"
#include "support/OffscreenScreens.h"

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

TEST_F(NoteWindowTest, CollapsedNotesOpenCollapsedAndExpandToTheirHeight) {
    TFormKartka* a = Open("[Size]\r\nWidth=200\r\nMinHeight=16\r\nHeight=120\r\n");
    EXPECT_TRUE(a->IsCollapsed());
    EXPECT_EQ(a->height(), 16);
    EXPECT_TRUE(a->Editor()->isReadOnly()) << "a collapsed note takes no typing";
    a->ToggleCollapse();
    EXPECT_EQ(a->height(), 120);
    EXPECT_FALSE(a->Editor()->isReadOnly());

    TFormKartka* b = Open("[Size]\r\nMinHeight=29\r\nHeight=90\r\n", "b.sheet");
    EXPECT_EQ(b->height(), 16);
    b->Expand();
    EXPECT_EQ(b->height(), 90);

    TFormKartka* big = Open("[Size]\r\nWidth=9000\r\nMinHeight=9000\r\nHeight=9000\r\n", "c.sheet");
    EXPECT_EQ(big->width(), Screen().width() - 30);
    EXPECT_EQ(big->height(), Screen().height() - 30);
}

TEST_F(NoteWindowTest, KeyboardMovesKeepFortyPixelsOnTheDesktopEvenWhenLocked) {
    TFormKartka* w =
        Open("[Size]\r\nWidth=350\r\nMinHeight=100\r\n[Position]\r\nLeft=-300\r\nTop=50\r\n"
             "[Sheet]\r\nBlocked=1\r\n");
    w->move(-300, 50); // the show rule pulled it in; put it back where the edge case starts
    QTest::keyClick(w->Editor(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(w->pos(), QPoint(-310, 50));
    QTest::keyClick(w->Editor(), Qt::Key_Up, Qt::AltModifier);
    QTest::keyClick(w->Editor(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(w->y(), 0);
    QTest::keyClick(w->Editor(), Qt::Key_Right, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(w->x(), -310) << "only Alt alone moves";
    EXPECT_TRUE(w->Storage->SavePending());

    // Any other key with Alt leaves the place but still pulls the note into reach.
    w->Storage->FlushPendingSave();
    w->move(-400, 50);
    QTest::keyClick(w->Editor(), Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(w->pos(), QPoint(-310, 50));
    EXPECT_TRUE(w->Storage->SavePending());
}

TEST_F(NoteWindowTest, DraggingMovesUnlessLockedAndGripsResize) {
    TFormKartka* w = Open("[Size]\r\nWidth=200\r\nMinHeight=100\r\nHeight=100\r\n"
                          "[Position]\r\nLeft=100\r\nTop=100\r\n");
    const QPoint grab = w->mapToGlobal(QPoint(20, 5));
    Send(w, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    Send(w, QEvent::MouseMove, grab + QPoint(30, 40), Qt::LeftButton);
    EXPECT_EQ(w->pos(), QPoint(130, 140));

    w->SetLocked(true);
    const QPoint grab2 = w->mapToGlobal(QPoint(20, 5));
    Send(w, QEvent::MouseButtonPress, grab2, Qt::LeftButton);
    Send(w, QEvent::MouseMove, grab2 + QPoint(30, 40), Qt::LeftButton);
    EXPECT_EQ(w->pos(), QPoint(130, 140)) << "a locked note stays";

    QWidget* corner = w;
    const QPoint c = w->mapToGlobal(QPoint(w->width() - 4, w->height() - 4));
    Send(corner, QEvent::MouseButtonPress, c, Qt::LeftButton);
    Send(corner, QEvent::MouseMove, c + QPoint(50, 60), Qt::LeftButton);
    EXPECT_EQ(w->size(), QSize(250, 160)) << "resizing works on a locked note";
    EXPECT_EQ(w->ExpandedHeight, 160);
    Send(corner, QEvent::MouseMove, c + QPoint(-500, -500), Qt::LeftButton);
    EXPECT_EQ(w->size(), QSize(50, 30)) << "down to the smallest note";
    Send(w, QEvent::MouseButtonRelease, c, Qt::NoButton);

    // The pointer shows what an edge does; a collapsed note has no grips.
    const auto shapeAt = [w](QPoint at) {
        Send(w, QEvent::MouseMove, w->mapToGlobal(at), Qt::NoButton);
        return w->cursor().shape();
    };
    EXPECT_EQ(shapeAt({w->width() - 2, w->height() - 2}), Qt::SizeFDiagCursor);
    EXPECT_EQ(shapeAt({w->width() - 1, 5}), Qt::SizeHorCursor);
    EXPECT_EQ(shapeAt({10, w->height() - 1}), Qt::SizeVerCursor);
    EXPECT_EQ(shapeAt({10, 5}), Qt::ArrowCursor);
    w->Collapse();
    EXPECT_EQ(shapeAt({w->width() - 1, 5}), Qt::ArrowCursor);
}

TEST_F(NoteWindowTest, ThrowingAwayAsksWhereItMustAndTrashesOtherwise) {
    // A plain close from the window manager: to the trash, no question.
    TFormKartka* plain = Open("[Sheet]\r\nText0=zwykła\r\n");
    plain->close();
    EXPECT_EQ(Closed, 1);
    EXPECT_TRUE(QFile::exists(File("deleted/a.sheet")));

    // High priority: asked once; No keeps the note.
    TFormKartka* hi = Open("[Sheet]\r\nHiPrior=1\r\nText0=ważna\r\n", "b.sheet");
    Fake.MessageBoxes.Answer(TMsgResult::No);
    hi->Discard();
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_TRUE(Fake.MessageBoxes.Shown[0].Text.startsWith("Karteczka z wysokim priorytetem."));
    EXPECT_FALSE(hi->Discarding);
    EXPECT_TRUE(QFile::exists(File("b.sheet")));

    // With Shift only the Shift question is asked; Yes deletes past the trash.
    Fake.Keyboard.Shift = true;
    Fake.MessageBoxes.Answer(TMsgResult::Yes);
    hi->Discard();
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 2u);
    EXPECT_TRUE(Fake.MessageBoxes.Shown[1].Text.startsWith(
        QString::fromUtf8("Wyrzucasz karteczkę przytrzymując klawisz SHIFT!")));
    EXPECT_EQ(Fake.MessageBoxes.Shown[1].Default, TMsgResult::No) << "Enter must not delete";
    EXPECT_FALSE(QFile::exists(File("b.sheet")));
    EXPECT_FALSE(QFile::exists(File("deleted/b.sheet")));
    EXPECT_EQ(Closed, 2);

    TFormKartka* kept = Open("[Sheet]\r\nText0=zostaje\r\n", "c.sheet");
    Fake.MessageBoxes.Answer(TMsgResult::No);
    kept->Discard();
    EXPECT_TRUE(QFile::exists(File("c.sheet")));
    EXPECT_EQ(Closed, 2);
    Fake.Keyboard.Shift = false;

    // Typed a moment before the throw-away: the trash holds it.
    TFormKartka* fresh = Open("[Sheet]\r\nText0=stare\r\n", "d.sheet");
    QTest::keyClicks(fresh->Editor(), " nowe");
    ASSERT_TRUE(fresh->Storage->SavePending());
    fresh->Discard();
    EXPECT_TRUE(ReadText(File("deleted/d.sheet")).contains("nowe"));
}

// Nothing a file holds is cut by the editor's limit; only typing stops at it.
TEST_F(NoteWindowTest, ALongNoteKeepsItsTextAndTypingStopsAtTheLimit) {
    QByteArray file = "[Sheet]\r\n";
    for (int i = 0; i < 250; ++i)
        file += "Text" + QByteArray::number(i) + "=" + QByteArray(100, 'x') + "\r\n";
    TFormKartka* w = Open(file);
    const int loaded = w->Editor()->document()->characterCount() - 1;
    EXPECT_EQ(loaded, 250 * 101 - 1);
    w->Editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(w->Editor(), "abc");
    EXPECT_EQ(w->Editor()->document()->characterCount() - 1, loaded) << "no growth past the text";
    w->Storage->FlushPendingSave();
    EXPECT_EQ(TMemIniFile(File()).ReadRawString("Sheet", "Text249"), QString(100, 'x'));

    QTest::keyClick(w->Editor(), Qt::Key_Backspace);
    QTest::keyClicks(w->Editor(), "yz");
    EXPECT_EQ(w->Editor()->document()->characterCount() - 1, loaded) << "room freed is room again";
    EXPECT_TRUE(w->Editor()->toPlainText().endsWith("xxy"));
}

// What is typed or pasted into a full note is cut; what the note held stays byte for byte.
TEST_F(NoteWindowTest, AnInsertionIntoAFullNoteIsCutAndNothingElse) {
    QByteArray file = "[Sheet]\r\n";
    for (int i = 0; i < 200; ++i)
        file += "Text" + QByteArray::number(i) + "=" + QByteArray(101, 'a' + i % 26) + "\r\n";
    file += "Text200=" + QByteArray(20480 - 200 * 102 - 10, 'z') + "\r\n"; // room for 10
    TFormKartka* w = Open(file);
    const QString before = w->Editor()->toPlainText();
    ASSERT_EQ(before.size(), 20470);

    QTextCursor middle(w->Editor()->document());
    middle.setPosition(5000);
    w->Editor()->setTextCursor(middle);
    QGuiApplication::clipboard()->setText("0123456789ABCDEF");
    w->Editor()->paste();
    const QString after = w->Editor()->toPlainText();
    EXPECT_EQ(after.size(), 20480);
    EXPECT_EQ(after, before.left(5000) + "0123456789" + before.mid(5000));
    QTest::keyClick(w->Editor(), Qt::Key_Q);
    EXPECT_EQ(w->Editor()->toPlainText(), after) << "a key typed into a full note does nothing";
    w->Editor()->undo();
    EXPECT_EQ(w->Editor()->toPlainText(), before) << "one undo takes the cut insertion back";
    w->Editor()->redo();
    EXPECT_EQ(w->Editor()->toPlainText(), after);
}

TEST_F(NoteWindowTest, TitleAndOpacityFollowActivation) {
    TFormKartka* w = Open("[Sheet]\r\nTitle=Tytuł\r\nHiPrior=1\r\n");
    EXPECT_EQ(w->Title(), QString::fromUtf8("Tytuł"));
    EXPECT_EQ(w->AlphaCurrent, 240);
    EXPECT_EQ(w->TitleBarColour(), QColor(244, 216, 11));
    w->activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(w->IsActive, 2000);
    EXPECT_EQ(LastActive.data(), w);
    EXPECT_EQ(w->TitleBarColour(), QColor(157, 157, 255));
    EXPECT_EQ(w->TitleColour(), QColor(Qt::black));
    w->ApplyInactiveAlpha();
    EXPECT_EQ(w->AlphaCurrent, 140);
}

TEST_F(NoteWindowTest, TypingSavesTwoSecondsLaterAndTheTextRoundTrips) {
    TFormKartka* w = Open("");
    QFile::remove(File());
    w->Storage->SaveDelayMs = 5;
    w->Editor()->setPlainText(QString::fromUtf8("  wcięcie\nzażółć\n\n"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(File()), 2000);
    const TMemIniFile saved(File());
    EXPECT_EQ(saved.ReadRawString("Sheet", "Text0"), QString::fromUtf8("  wcięcie"));
    EXPECT_EQ(saved.ReadRawString("Sheet", "Text1"), QString::fromUtf8("zażółć"));
    EXPECT_EQ(saved.ReadRawString("Sheet", "Text3"), "");
    EXPECT_GT(w->DisplayedLineCount(), 1);
    w->Editor()->setPlainText(QString::fromUtf8("w\u00a0domu"));
    EXPECT_EQ(w->CurrentRecord().Lines, QStringList{QString::fromUtf8("w\u00a0domu")})
        << "a non-breaking space stays one";
}

// Every gesture is a burst of changes; the note is written once, a delay after the last one.
TEST_F(NoteWindowTest, EachGestureGivesOneWriteAfterItsLastEvent) {
    TFormKartka* w = Open("[Size]\r\nWidth=200\r\nMinHeight=100\r\nHeight=100\r\n"
                          "[Position]\r\nLeft=100\r\nTop=100\r\n[Sheet]\r\nText0=a\r\n");
    w->Storage->SaveDelayMs = 150;
    QElapsedTimer sinceLast;
    auto writesAfter = [&](const char* gesture) {
        const int before = w->Storage->Writes;
        QTRY_VERIFY_WITH_TIMEOUT(w->Storage->Writes > before, 2000);
        EXPECT_GE(sinceLast.elapsed(), 150) << gesture << " written before the delay ran out";
        QTest::qWait(400);
        EXPECT_EQ(w->Storage->Writes, before + 1) << gesture;
    };
    auto burst = [&](auto&& step) {
        for (int i = 1; i <= 8; ++i) {
            step(i);
            QTest::qWait(10);
        }
        sinceLast.start();
    };
    const int initial = w->Storage->Writes;

    burst([&](int) { QTest::keyClicks(w->Editor(), "xyz"); });
    writesAfter("typing");

    const QPoint grab = w->mapToGlobal(QPoint(20, 5));
    Send(w, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    burst([&](int i) { Send(w, QEvent::MouseMove, grab + QPoint(i * 3, i * 2), Qt::LeftButton); });
    Send(w, QEvent::MouseButtonRelease, grab + QPoint(24, 16), Qt::NoButton);
    writesAfter("dragging");
    EXPECT_EQ(TMemIniFile(File()).ReadInteger("Position", "Left", 0), 124);

    QWidget* corner = w;
    const QPoint c = w->mapToGlobal(QPoint(w->width() - 4, w->height() - 4));
    Send(corner, QEvent::MouseButtonPress, c, Qt::LeftButton);
    burst([&](int i) { Send(corner, QEvent::MouseMove, c + QPoint(i, i * 4), Qt::LeftButton); });
    Send(corner, QEvent::MouseButtonRelease, c + QPoint(8, 32), Qt::NoButton);
    writesAfter("resizing");
    EXPECT_EQ(TMemIniFile(File()).ReadInteger("Size", "Width", 0), 208);

    sinceLast.start();
    QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(20, 5));
    ASSERT_TRUE(w->IsCollapsed());
    writesAfter("collapsing");
    EXPECT_EQ(TMemIniFile(File()).ReadInteger("Size", "MinHeight", 0), 16);
    EXPECT_EQ(w->Storage->Writes, initial + 4);
}

TEST_F(NoteWindowTest, OnlyTheActiveNoteIsListedInTheSwitcher) {
    TFormKartka* a = Open("[Position]\r\nLeft=10\r\nTop=10\r\n");
    TFormKartka* b = Open("[Position]\r\nLeft=300\r\nTop=10\r\n", "b.sheet");
    EXPECT_TRUE(Fake.WindowStyles.Skip.value(a)) << "shown out of the switcher";
    a->activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(a->IsActive, 2000);
    EXPECT_FALSE(Fake.WindowStyles.Skip.value(a));
    EXPECT_EQ(a->windowOpacity(), 1.0) << "opaque while active";
    b->activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(b->IsActive, 2000);
    EXPECT_TRUE(Fake.WindowStyles.Skip.value(a));
    EXPECT_FALSE(Fake.WindowStyles.Skip.value(b));

    AltTab = true; // every note listed: the hints are left alone
    Fake.WindowStyles.Skip.clear();
    a->activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(a->IsActive, 2000);
    EXPECT_TRUE(Fake.WindowStyles.Skip.isEmpty());
}

TEST_F(NoteWindowTest, BadNoteFilesOpenWithDefaultsOrClamps) {
    QByteArray binary(8192, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 7919) % 256);
    QByteArray huge = "[Sheet]\r\nText0=";
    huge += QByteArray(10 * 1024 * 1024, 'x');
    const QList<QByteArray> files{
        "",
        binary,
        "[Size]\r\nWidth=-500\r\nMinHeight=-9\r\nHeight=-1\r\n[Position]\r\nLeft=2147483647\r\n",
        EncodeText(QString::fromUtf8("[Sheet]\r\nText0=urwany w poło")), // cut mid-line
        "[Activation]\r\nEnabled=1\r\nDateTime=2026-13-45 "
        "99:99\r\n[Sheet]\r\n[Sheet]\r\nText0=b\r\n",
        huge,
    };
    for (qsizetype i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        WriteBytes(File(QString("bad%1.sheet").arg(i)), files[i]);
        auto* w = new TFormKartka(&AltTab, &LastActive, {}, nullptr, false, 140, 240, true, true,
                                  File(QString("bad%1.sheet").arg(i)));
        Windows.emplace_back(w);
        EXPECT_TRUE(w->isVisible());
        EXPECT_GE(w->width(), 50);
        EXPECT_LE(w->width(), Screen().width() - 30);
        EXPECT_GE(w->height(), 16);
        EXPECT_LE(w->x(), Screen().width() - 40) << "within reach";
    }
    EXPECT_EQ(Windows[3]->Editor()->toPlainText(), QString::fromUtf8("urwany w poło"));
    TFormKartka* huge10 = Windows[5].data();
    EXPECT_EQ(huge10->Editor()->toPlainText().size(), 65536) << "shown cut";
    huge10->Editor()->moveCursor(QTextCursor::Start);
    QTest::keyClick(huge10->Editor(), Qt::Key_Delete);
    huge10->Storage->FlushPendingSave();
    EXPECT_EQ(TMemIniFile(File("bad5.sheet")).ReadString("Sheet", "Text0").size(),
              10 * 1024 * 1024 - 1)
        << "an edit keeps what was not shown";
}

TEST_F(NoteWindowTest, TheFirstKeyKeepsTheHeightTheUserGave) {
    // Long lines wrap less at the note's width than in a narrow editor.
    TFormKartka* w = Open("[Size]\r\nWidth=300\r\nMinHeight=200\r\nHeight=200\r\n"
                          "[Sheet]\r\nText0=" +
                          QByteArray(60, 'w') + "\r\nText1=" + QByteArray(60, 'm') + "\r\n");
    w->Storage->SaveDelayMs = 5;
    const int lines = w->DisplayedLineCount();
    w->Editor()->moveCursor(QTextCursor::Start);
    QTest::keyClick(w->Editor(), Qt::Key_Delete);
    ASSERT_EQ(w->DisplayedLineCount(), lines);
    QTRY_VERIFY_WITH_TIMEOUT(w->Storage->Writes == 1, 2000);
    EXPECT_EQ(w->height(), 200);
}

TEST_F(NoteWindowTest, TitlesAreTextNotMarkup) {
    // As markup the empty tags would vanish and both titles would look alike.
    TFormKartka* w = Open("[Sheet]\r\nTitle=<i></i>x\r\n");
    EXPECT_EQ(w->Title(), "<i></i>x");
    const QImage tagged = w->grab(w->TitleBarRect()).toImage();
    w->SetTitle("x");
    EXPECT_NE(w->grab(w->TitleBarRect()).toImage(), tagged);
}

TEST_F(NoteWindowTest, AnOpaqueNoteIsListedInTheSwitcher) {
    WriteBytes(File(), "[Position]\r\nLeft=10\r\nTop=10\r\n");
    auto* w =
        new TFormKartka(&AltTab, &LastActive, {}, nullptr, false, 200, 255, false, true, File());
    Windows.emplace_back(w);
    w->SetSwitcherStyle(false); // as when it loses the focus
    EXPECT_TRUE(Fake.WindowStyles.Skip.value(w));
    w->ApplyActiveAlpha();
    EXPECT_FALSE(Fake.WindowStyles.Skip.value(w));
    EXPECT_EQ(w->windowOpacity(), 1.0);
}

// The limits of a note's size come from the screen that holds it.
TEST_F(NoteWindowTest, SizeLimitsComeFromTheScreenThatHoldsTheNote) {
    TScopedScreens screens({{0, 0, 800, 600}, {800, 0, 1024, 1000}});
    TFormKartka* w = Open("[Size]\r\nWidth=300\r\nMinHeight=900\r\nHeight=900\r\n"
                          "[Position]\r\nLeft=900\r\nTop=20\r\n");
    EXPECT_EQ(w->height(), 900);
    EXPECT_EQ(w->maximumHeight(), 970);
    EXPECT_EQ(w->pos(), QPoint(900, 20));

    // Moved to the other screen by the pointer or by the keys, it takes that one's limits.
    const QPoint grab = w->mapToGlobal(QPoint(20, 5));
    Send(w, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    Send(w, QEvent::MouseMove, grab - QPoint(800, 0), Qt::LeftButton);
    Send(w, QEvent::MouseButtonRelease, grab - QPoint(800, 0), Qt::NoButton);
    EXPECT_EQ(w->maximumHeight(), 570);
    EXPECT_EQ(w->height(), 570);
    for (int i = 0; i < 30; ++i)
        QTest::keyClick(w, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(w->maximumHeight(), 970);
}
