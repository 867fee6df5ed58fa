#include "app/Unitmain.h"
#include "common/Formats.h"
#include "common/IniFile.h"
#include "common/TextFile.h"
#include "notes/SheetActivation.h"
#include "notes/Unitsheetslist.h"
#include "support/FakePlatform.h"
#include "support/OffscreenScreens.h"

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class NoteCollectionTest : public ::testing::Test {
protected:
    void SetUp() override { QDir().mkpath(Sheets()); }
    void TearDown() override {
        SetStartFormats();
        // The notes point into their main window, which is gone by now.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<TFormKartka*>(w))
                delete w;
        ClearQuitRequest();
    }
    QString Sheets() const { return Fake.Directory.Dir() + "/sheets"; }
    void Note(const QString& name, int left, int top) {
        WriteBytes(Sheets() + '/' + name, QString("[Position]\r\nLeft=%1\r\nTop=%2\r\n"
                                                  "[Sheet]\r\nText0=%3\r\n")
                                              .arg(left)
                                              .arg(top)
                                              .arg(name)
                                              .toUtf8());
    }
    static TFormKartka* At(TFormMain& f, int left, int top) {
        for (TFormKartka* s : f.Sheets)
            if (s->pos() == QPoint(left, top))
                return s;
        return nullptr;
    }
    TFakePlatform Fake;
};

} // namespace

TEST_F(NoteCollectionTest, StartOpensRegularNoteFilesOnly) {
    Note("a.sheet", 10, 10);
    Note(".hidden.sheet", 20, 20);
    Note("b.bak", 30, 30);
    QDir().mkpath(Sheets() + "/dir.sheet");
    // Reading a pipe would wait for ever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(Sheets() + "/pipe").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(Sheets() + "/pipe", Sheets() + "/link.sheet"));
    TFormMain form;
    ASSERT_EQ(form.Sheets.size(), 1);
    EXPECT_EQ(form.Sheets[0]->pos(), QPoint(10, 10));
    EXPECT_EQ(form.Sheets[0]->SoundFile, "eGem.wav");
}

TEST_F(NoteCollectionTest, CyclingGoesTopToBottomThenLeftToRight) {
    Note("a.sheet", 300, 10);
    Note("b.sheet", 10, 10);
    Note("c.sheet", 50, 200);
    TFormMain form;
    form.FormCreate();
    ASSERT_EQ(form.Sheets.size(), 3);
    TFormKartka* right = At(form, 300, 10);
    TFormKartka* left = At(form, 10, 10);
    TFormKartka* low = At(form, 50, 200);
    ASSERT_TRUE(right && left && low);
    auto focus = [](TFormKartka* s) {
        s->activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(s->IsActive, 2000);
    };
    focus(right);
    form.CycleSheets(true);
    QTRY_VERIFY_WITH_TIMEOUT(low->IsActive, 2000);
    form.CycleSheets(false);
    QTRY_VERIFY_WITH_TIMEOUT(right->IsActive, 2000);
    focus(low);
    form.CycleSheets(true);
    QTRY_VERIFY_WITH_TIMEOUT(left->IsActive, 2000);
}

TEST_F(NoteCollectionTest, AThrownAwayNoteIsNeverReachedAgain) {
    Note("a.sheet", 10, 10);
    Note("b.sheet", 200, 10);
    TFormMain form;
    form.FormCreate();
    TFormKartka* gone = At(form, 10, 10);
    gone->activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(form.LastActiveSheet == gone, 2000);
    gone->Discard();
    EXPECT_EQ(form.Sheets.size(), 1);
    QTest::qWait(1); // let the window go
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    form.BringToFront();
    form.AppDeactivate();
    form.WMDisplayChange();
    form.CycleSheets(true);
    EXPECT_EQ(form.Sheets[0]->AlphaCurrent, 140);
    EXPECT_TRUE(QFile::exists(Sheets() + "/deleted/a.sheet"));
}

TEST_F(NoteCollectionTest, EndingTheRunWritesPendingChangesAndThrowsNothingAway) {
    Note("a.sheet", 10, 10);
    TFormMain form;
    form.FormCreate();
    TFormKartka* note = form.Sheets[0];
    note->Editor()->setPlainText("ostatnie słowo");
    EXPECT_TRUE(note->Storage->SavePending());
    form.Terminate();
    EXPECT_FALSE(note->Storage->SavePending());
    EXPECT_TRUE(ReadText(Sheets() + "/a.sheet").contains(QString::fromUtf8("ostatnie słowo")));
    EXPECT_FALSE(QDir(Sheets() + "/deleted").exists());
    EXPECT_TRUE(note->isVisible());
}

TEST_F(NoteCollectionTest, NewNotesAndTheHelpNote) {
    TFormMain form;
    form.FormCreate();
    form.mNowaKarteczkaClick();
    ASSERT_EQ(form.Sheets.size(), 1);
    EXPECT_TRUE(form.Sheets[0]->Storage->FileName.endsWith(".sheet"));
    EXPECT_FALSE(QFile::exists(form.Sheets[0]->Storage->FileName)) << "an empty note has no file";
    TFormKartka* help = form.ShowHelpSheet();
    EXPECT_EQ(form.Sheets.size(), 2);
    EXPECT_TRUE(help->Editor()->isReadOnly());
    EXPECT_EQ(help->size(), QSize(450, 300));
    EXPECT_TRUE(help->Editor()->toPlainText().startsWith(QString::fromUtf8("Podwójne kliknięcie")));
    help->close();
    EXPECT_EQ(form.Sheets.size(), 1);
    EXPECT_FALSE(QDir(Sheets() + "/deleted").exists()) << "the help note has no file to trash";
}

TEST_F(NoteCollectionTest, ANoteComesOntoTheScreensLeftAndGoesBackWhenItsScreenReturns) {
    TScopedScreens screens({{0, 0, 1024, 768}, {1024, 0, 1024, 768}});
    Note("a.sheet", 1500, 50);
    TFormMain form;
    form.FormCreate();
    TFormKartka* note = form.Sheets[0];
    ASSERT_EQ(note->pos(), QPoint(1500, 50));
    auto stored = [&] {
        const TMemIniFile file(Sheets() + "/a.sheet");
        return QPoint(file.ReadInteger("Position", "Left", 0),
                      file.ReadInteger("Position", "Top", 0));
    };
    auto onLeftScreen = [&] {
        return note->x() >= 0 && note->x() + note->width() <= 1024 && note->y() == 50;
    };

    screens.Set({{0, 0, 1024, 768}}); // the right-hand monitor is unplugged
    EXPECT_TRUE(onLeftScreen()) << note->x();
    note->Editor()->setPlainText("pisane na laptopie");
    note->Storage->FlushPendingSave();
    EXPECT_EQ(stored(), QPoint(1500, 50)) << "the file keeps the note's own place";
    screens.Set({{0, 0, 1024, 768}, {1024, 0, 1024, 768}});
    EXPECT_EQ(note->pos(), QPoint(1500, 50));

    screens.Set({{0, 0, 2048, 768}}); // one wide desktop that shrinks
    EXPECT_EQ(note->pos(), QPoint(1500, 50));
    screens.Set({{0, 0, 1024, 768}});
    EXPECT_TRUE(onLeftScreen()) << note->x();
    screens.Set({{0, 0, 2048, 768}});
    EXPECT_EQ(note->pos(), QPoint(1500, 50));

    // Moved by the user, the note's place is where it now stands.
    screens.Set({{0, 0, 1024, 768}});
    note->move(100, 100);
    note->Storage->MarkModified(true);
    note->Storage->FlushPendingSave();
    EXPECT_EQ(stored(), QPoint(100, 100));
}

TEST_F(NoteCollectionTest, ANoteOpenedDuringTheRunPlaysItsSound) {
    WriteBytes(Fake.Directory.Dir() + "/notella.ini", "[Sound]\r\nActivateSheetPlaySound=1\r\n");
    QDir().mkpath(Fake.Directory.Dir() + "/sound");
    WriteBytes(Fake.Directory.Dir() + "/sound/eGem.wav", "RIFF");
    Fake.Clock.Value = EncodeDate(2026, 12, 7);
    TFormMain form;
    form.FormCreate();
    WriteBytes(Sheets() + "/a.sheet", "[Activation]\r\nEnabled=1\r\nDateTime=2000-01-01\r\n");
    TFormKartka* note = form.OpenSheet("a.sheet");
    ASSERT_TRUE(note->Activation);
    note->Activation->Check();
    EXPECT_EQ(Fake.Sound.Played, QStringList{Fake.Directory.Dir() + "/sound/eGem.wav"});
}

TEST_F(NoteCollectionTest, TheTrashRestoresBesideALiveAndAnOpenNoteOfTheSameName) {
    Fake.Clock.Value = EncodeDate(2026, 12, 7) + EncodeTime(9, 30, 5, 0);
    const QString stamp = "20261207093005.sheet";
    Note("n.sheet", 10, 10);
    TFormMain form;
    form.FormCreate();
    form.mNowaKarteczkaClick(); // open, no file yet
    ASSERT_EQ(form.Sheets.size(), 2);
    QDir().mkpath(Sheets() + "/deleted");
    const QByteArray trashed =
        "[Position]\r\nLeft=300\r\nTop=200\r\n[Sheet]\r\nTitle=Wyrzucona\r\n";
    WriteBytes(Sheets() + "/deleted/n.sheet", trashed);
    WriteBytes(Sheets() + "/deleted/" + stamp, trashed);
    const QByteArray live = ReadText(Sheets() + "/n.sheet").toUtf8();

    QWidget about;
    FormAbout = &about;
    form.mUsunieteKarteczkiClick();
    EXPECT_FALSE(FormSheetsList) << "not while another window is open";
    FormAbout = nullptr;

    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        auto* w = qobject_cast<TFormSheetsList*>(FormSheetsList.data());
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(ModalWindowOpen());
        EXPECT_EQ(w->LabelCount->text(), "  Lista wyrzuconych karteczek (2)");
        for (const QString& name : {QString("n.sheet"), stamp}) {
            w->ListView1->setCurrentItem(
                w->ListView1->findItems(Sheets() + "/deleted/" + name, Qt::MatchExactly, 2)[0]);
            Fake.MessageBoxes.Answer(TMsgResult::Yes);
            w->ActionRestoreExecute();
        }
        EXPECT_EQ(w->LabelCount->text(), "  Lista wyrzuconych karteczek (0)");
        w->ButtonOk->click();
    });
    form.mUsunieteKarteczkiClick();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(FormSheetsList);
    ASSERT_EQ(form.Sheets.size(), 4);
    EXPECT_EQ(ReadText(Sheets() + "/n.sheet").toUtf8(), live);
    QByteArray restored;
    ASSERT_TRUE(ReadWholeFile(Sheets() + "/n1.sheet", restored));
    EXPECT_EQ(restored, trashed);
    EXPECT_TRUE(QFile::exists(Sheets() + "/202612070930051.sheet"));
    EXPECT_EQ(form.Sheets[2]->pos(), QPoint(300, 200)) << "back at its place";
    EXPECT_EQ(form.Sheets[2]->Storage->FileName, Sheets() + "/n1.sheet");
    EXPECT_TRUE(QDir(Sheets() + "/deleted").isEmpty());
}

TEST_F(NoteCollectionTest, TheRunEndingUnderTheTrashWindowEndsIt) {
    TFormMain form;
    form.FormCreate();
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = FormSheetsList != nullptr;
        form.Terminate();
    });
    form.mUsunieteKarteczkiClick();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(FormSheetsList);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TFormSheetsList*>(w), nullptr);
}
