#include "notes/SheetStorage.h"

#include "common/Formats.h"
#include "common/IniFile.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A note window reduced to what the storage sees: the memo is the window less its title
// bar and edges, and every text line is one displayed line unless told otherwise.
class TFakeSheetView : public ISheetView {
public:
    TSheetRecord CurrentRecord() const override {
        ++RecordReads;
        TSheetRecord r = State;
        r.MinHeight = Height;
        return r;
    }
    QPoint ApplyRecord(const TSheetRecord& r) override {
        State = r;
        Height = r.MinHeight;
        const QPoint loaded(r.Left.value_or(500), r.Top.value_or(400));
        State.Left = std::max(loaded.x(), 0);
        State.Top = loaded.y();
        return loaded;
    }
    bool TextEmpty() const override { return State.Lines.isEmpty(); }
    int DisplayedLineCount() const override {
        return Wrapped ? Wrapped : static_cast<int>(State.Lines.size());
    }
    int MemoHeight() const override { return Height - 17; }
    int WindowHeight() const override { return Height; }
    void SetWindowHeight(int h) override { Height = std::clamp(h, 30, MaxWindowHeight()); }
    int MaxWindowHeight() const override { return 738; }
    void SetExpandedHeight(int h) override { State.Height = h; }

    TSheetRecord State;
    int Height = 80;
    int Wrapped = 0;
    mutable int RecordReads = 0;
};

class SheetStorageTest : public ::testing::Test {
protected:
    void SetUp() override { SetStartFormats(); }
    QString Sheets() const { return Fake.Directory.Dir() + "/sheets"; }
    QString File() const { return Sheets() + "/a.sheet"; }
    std::unique_ptr<TSheetStorage> Open(const QString& file) {
        auto s = std::make_unique<TSheetStorage>(file, true, 16, true, &View, 0);
        s->SaveDelayMs = 5;
        return s;
    }
    // Lets a pending autosave fire.
    static void Settle(TSheetStorage& s) {
        for (int i = 0; i < 200 && s.SavePending(); ++i)
            QTest::qWait(5);
        QTest::qWait(1);
    }
    TFakePlatform Fake;
    TFakeSheetView View;
};

} // namespace

TEST_F(SheetStorageTest, AnEmptyNewNoteIsNeverWrittenAndABurstGivesOneWrite) {
    auto s = Open(File());
    EXPECT_EQ(TSheetStorage(File(), true, 16, true, &View, 0).SaveDelayMs, 2000);
    EXPECT_EQ(s->LastLeft, 500) << "a missing place is the window's centred one";
    s->MarkModified(true);
    Settle(*s);
    EXPECT_FALSE(QFile::exists(File()));

    View.State.Lines = {"x"};
    View.RecordReads = 0;
    for (int i = 0; i < 5; ++i)
        s->MarkModified(false);
    EXPECT_TRUE(s->SavePending());
    Settle(*s);
    EXPECT_EQ(View.RecordReads, 1) << "one write after the last of the changes";
    EXPECT_TRUE(QFile::exists(File()));
    EXPECT_TRUE(QFile::exists(File() + "$"));
    EXPECT_FALSE(QFile::exists(Sheets() + "/a.bak"));
    s->MarkModified(true);
    Settle(*s);
    EXPECT_TRUE(QFile::exists(Sheets() + "/a.bak"));
}

TEST_F(SheetStorageTest, LoadingKeepsThePlaceAsStoredForLaterRestores) {
    QDir().mkpath(Sheets());
    WriteBytes(File(), "[Position]\r\nLeft=-1000\r\nTop=5000\r\n[Sheet]\r\nText0=  a\r\n");
    auto s = Open(File());
    EXPECT_EQ(s->LastLeft, -1000);
    EXPECT_EQ(s->LastTop, 5000);
    EXPECT_EQ(View.State.Left, 0) << "the window keeps it on the screen";
    EXPECT_EQ(View.State.Lines, QStringList{"  a"});
    EXPECT_EQ(s->LastLineCount, 1);
}

TEST_F(SheetStorageTest, FailedWritesWarnOnceThenBeepAndKeepTheNote) {
    QDir().mkpath(File() + "$"); // the image cannot be written
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    auto s = Open(File());
    View.State.Lines = {"ważne"};
    s->Save();
    s->Save();
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Text,
              QString::fromUtf8("Nie można zapisywać do pliku ") + File());
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, QString::fromUtf8("Ostrzeżenie"));
    EXPECT_EQ(Fake.Beeper.Beeps, 1);
    EXPECT_EQ(View.State.Lines, QStringList{"ważne"});

    // No sheets directory and none can be made: the error, then the write warning.
    TFakeSheetView other;
    WriteBytes(Fake.Directory.Dir() + "/plik", "");
    TSheetStorage blocked(Fake.Directory.Dir() + "/plik/sheets/b.sheet", true, 16, true, &other, 0);
    other.State.Lines = {"x"};
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    blocked.Save();
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 3u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[1].Caption, QString::fromUtf8("Błąd"));
    EXPECT_EQ(Fake.MessageBoxes.Shown[2].Caption, QString::fromUtf8("Ostrzeżenie"));
}

TEST_F(SheetStorageTest, TrashStopsEverySaveAndTheHelpNoteHasNoFile) {
    auto s = Open(File());
    View.State.Lines = {"x"};
    s->Save();
    s->MarkModified(false);
    s->MoveToTrash();
    EXPECT_FALSE(s->SavePending());
    Settle(*s);
    s->Save();
    EXPECT_FALSE(QFile::exists(File()));
    EXPECT_TRUE(QFile::exists(Sheets() + "/deleted/a.sheet"));

    TFakeSheetView help;
    TSheetStorage none(QString(), false, 16, false, &help, 0);
    help.State.Lines = {"pomoc"};
    none.Save();
    none.MoveToTrash();
    EXPECT_FALSE(QDir(Fake.Directory.Dir() + "/deleted").exists());
}

TEST_F(SheetStorageTest, TheEndOfTheRunWritesAPendingChangeWithoutResizing) {
    auto s = Open(File());
    View.State.Lines = {"1", "2", "3", "4", "5", "6", "7", "8"};
    s->MarkModified(false);
    s->FlushPendingSave();
    EXPECT_FALSE(s->SavePending());
    EXPECT_EQ(View.Height, 80) << "no height pass at the end";
    EXPECT_EQ(ReadSheetRecord(TMemIniFile(File()), 0).Lines.size(), 8);
    s->FlushPendingSave(); // nothing pending: no write
    EXPECT_FALSE(QFile::exists(Sheets() + "/a.bak"));
}

TEST_F(SheetStorageTest, HeightFollowsTheTextWithinItsLimits) {
    auto s = Open(File());
    View.State.Lines = QStringList(8, "linia");
    s->MarkModified(false);
    Settle(*s);
    // Room for the text and one spare line, to within ten pixels.
    EXPECT_GE(View.Height - 17, 9 * 14);
    EXPECT_LT(View.Height - 17, 9 * 14 + 10);
    EXPECT_EQ(View.State.Height, View.Height) << "the expanded height follows";

    const int fitted = View.Height;
    View.State.Lines = QStringList(2, "linia");
    s->MarkModified(true); // a geometry change never resizes
    Settle(*s);
    EXPECT_EQ(View.Height, fitted);

    View.Wrapped = 200; // far more than the screen holds
    s->MarkModified(false);
    Settle(*s);
    EXPECT_EQ(View.Height, View.MaxWindowHeight());

    View.Height = 16; // collapsed
    View.Wrapped = 3;
    s->MarkModified(false);
    Settle(*s);
    EXPECT_EQ(View.Height, 16);
}
