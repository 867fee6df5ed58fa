#include "notes/SheetFile.h"

#include "common/Formats.h"
#include "common/IniFile.h"
#include "common/TextFile.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class SheetFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStartFormats();
        ASSERT_TRUE(Dir.isValid());
    }
    void TearDown() override { SetStartFormats(); }
    QString Sheet(const QString& name = "n.sheet") const { return Dir.path() + '/' + name; }
    static TSheetRecord Load(const QString& path) {
        return ReadSheetRecord(TMemIniFile(path), EncodeDate(2026, 12, 7));
    }
    static TSheetRecord FromText(const QString& text, TDateTime now = 0) {
        TMemIniFile ini;
        ini.LoadFromText(text);
        return ReadSheetRecord(ini, now);
    }
    static TSheetRecord Note(QStringList lines) {
        TSheetRecord r;
        r.Left = 10;
        r.Top = 20;
        r.Title = "Zakupy";
        r.Lines = std::move(lines);
        return r;
    }
    QTemporaryDir Dir;
};

} // namespace

TEST_F(SheetFileTest, TextWalkKeepsBlanksAndStopsAtTheFirstGap) {
    EXPECT_EQ(FromText("[Sheet]\nText0=a\nText1=\nText2=b\n").Lines, (QStringList{"a", "", "b"}));
    EXPECT_EQ(FromText("[Sheet]\nText0=a\nText1=b\nText3=c\n").Lines, (QStringList{"a", "b"}));
    EXPECT_EQ(FromText("[Sheet]\nText0=a\nText1=\nText2=\n").Lines, QStringList{"a"});
    EXPECT_EQ(FromText("[Sheet]\nText0=\nText1=\n").Lines, QStringList{});
    EXPECT_EQ(FromText("[Sheet]\nText0=   wcięcie\t\nText1=   \n").Lines,
              (QStringList{"   wcięcie\t", "   "}))
        << "indentation and a line of blanks survive a reload";

    QString many = "[Sheet]\n";
    for (int i = 0; i < 400; ++i)
        many += QString("Text%1=l%1\n").arg(i);
    // More lines than typing may reach are all kept, read and written back.
    const TSheetRecord r = FromText(many);
    ASSERT_EQ(r.Lines.size(), 400);
    EXPECT_EQ(r.Lines.last(), "l399");
    TMemIniFile out;
    WriteSheetRecord(out, r);
    EXPECT_EQ(out.ReadRawString("Sheet", "Text399"), "l399");
    WriteSheetRecord(out, Note({"jedna"}));
    EXPECT_FALSE(out.ValueExists("Sheet", "Text1"));
    EXPECT_FALSE(out.ValueExists("Sheet", "Text399"));
}

TEST_F(SheetFileTest, MissingOrBadValuesTakeDefaults) {
    const TDateTime now = EncodeDate(2026, 12, 7) + EncodeTime(9, 30, 0, 0);
    const TSheetRecord empty = FromText("", now);
    EXPECT_EQ(empty.Width, 350);
    EXPECT_EQ(empty.MinHeight, 80);
    EXPECT_EQ(empty.Height, 80);
    EXPECT_FALSE(empty.Left.has_value());
    EXPECT_FALSE(empty.Top.has_value());
    EXPECT_EQ(empty.Title, "2026-12-07  09:30");
    EXPECT_FALSE(empty.HiPrior || empty.Blocked || empty.ActivationEnabled);
    EXPECT_EQ(empty.ActivationTime, now);

    const TSheetRecord bad =
        FromText("[Size]\nWidth=szeroka\nHeight=-5\n[Position]\nLeft=-1000\nTop=x\n"
                 "[Sheet]\nHiPrior=2\nBlocked=tak\n[Activation]\nEnabled=1\nDateTime=jutro\n",
                 now);
    EXPECT_EQ(bad.Width, 350);
    EXPECT_EQ(bad.Height, -5) << "numbers are taken as they are; the window clamps";
    EXPECT_EQ(bad.Left, -1000);
    EXPECT_FALSE(bad.Top.has_value());
    EXPECT_TRUE(bad.HiPrior);
    EXPECT_FALSE(bad.Blocked);
    EXPECT_TRUE(bad.ActivationEnabled);
    EXPECT_EQ(bad.ActivationTime, now);
    EXPECT_EQ(FromText("[Position]\nLeft=0\n").Left, 0);
}

TEST_F(SheetFileTest, WritesKeysInOrderWithFourDigitYearsAndDropsOldLines) {
    TSheetRecord r = Note({"jeden", "dwa", "trzy", "cztery", "pięć", "sześć", "siedem", "osiem"});
    r.ActivationTime = EncodeDate(2027, 1, 2) + EncodeTime(8, 15, 0, 0);
    TMemIniFile ini;
    WriteSheetRecord(ini, r);
    r.Lines = r.Lines.mid(0, 5);
    SetAfterNamingFormats();
    WriteSheetRecord(ini, r);
    EXPECT_EQ(ini.ToText(),
              QString("[Size]\r\nWidth=350\r\nMinHeight=80\r\nHeight=80\r\n\r\n"
                      "[Position]\r\nLeft=10\r\nTop=20\r\n\r\n"
                      "[Sheet]\r\nTitle=Zakupy\r\nHiPrior=0\r\nBlocked=0\r\n"
                      "Text0=jeden\r\nText1=dwa\r\nText2=trzy\r\nText3=cztery\r\n"
                      "Text4=pięć\r\n\r\n"
                      "[Activation]\r\nEnabled=0\r\nDateTime=2027-01-02 08:15:00\r\n\r\n"));
    EXPECT_EQ(ReadSheetRecord(ini, 0).ActivationTime, r.ActivationTime);
}

TEST_F(SheetFileTest, SaveKeepsABackupAndTheImageAndSurvivesUnknownKeys) {
    const QString file = Sheet();
    ASSERT_TRUE(SaveSheetFile(file, Note({"pierwsza"})));
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_TRUE(QFile::exists(file + "$"));
    EXPECT_FALSE(QFile::exists(Sheet("n.bak")));

    // Unknown keys live in the note itself, even when its image is gone.
    WriteBytes(file, ReadText(file).toUtf8() + "[Extra]\r\nX=1\r\n");
    QFile::remove(file + "$");
    ASSERT_TRUE(SaveSheetFile(file, Note({"druga", "日本 ☺"})));
    EXPECT_EQ(TMemIniFile(file).ReadString("extra", "x"), "1");
    EXPECT_EQ(Load(file).Lines, (QStringList{"druga", "日本 ☺"})) << "nothing typed is replaced";
    EXPECT_EQ(Load(Sheet("n.bak")).Lines, QStringList{"pierwsza"});
    EXPECT_EQ(ReadText(file + "$"), ReadText(file));

    // A failed write leaves the live file as it was.
    QFile::remove(file + "$");
    ASSERT_TRUE(QDir().mkdir(file + "$"));
    QString error;
    EXPECT_FALSE(SaveSheetFile(file, Note({"trzecia"}), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(Load(file).Lines, (QStringList{"druga", "日本 ☺"}));
    EXPECT_EQ(Load(Sheet("n.bak")).Lines, QStringList{"pierwsza"});
}

TEST_F(SheetFileTest, ReadersAndCrashesSeeTheOldOrTheNewNoteWhole) {
    const QString file = Sheet();
    QStringList a, b;
    for (int i = 0; i < 300; ++i) {
        a << QString("wersja A, linia %1 ").arg(i).repeated(40);
        b << QString("wersja B, linia %1 ").arg(i).repeated(41);
    }
    ASSERT_TRUE(SaveSheetFile(file, Note(a)));
    for (int round = 0; round < 10; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                SaveSheetFile(file, Note(i % 2 ? a : b));
        }
        // Read while the child saves: the note is never missing, torn or empty.
        int torn = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 20 + round * 7) {
            QByteArray bytes;
            if (!ReadWholeFile(file, bytes)) {
                ++torn;
                continue;
            }
            TMemIniFile ini;
            ini.LoadFromText(DecodeText(bytes));
            const QStringList lines = ReadSheetRecord(ini, 0).Lines;
            if (lines != a && lines != b)
                ++torn;
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        EXPECT_EQ(torn, 0) << "round " << round;
        const QStringList lines = Load(file).Lines;
        EXPECT_TRUE(lines == a || lines == b) << "after a kill in round " << round;
    }
}

TEST_F(SheetFileTest, TrashTakesTheFileAndItsCompanions) {
    const QString file = Sheet();
    ASSERT_TRUE(SaveSheetFile(file, Note({"stara"})));
    ASSERT_TRUE(MoveSheetFileToTrash(file));
    ASSERT_TRUE(SaveSheetFile(file, Note({"nowa"})));
    ASSERT_TRUE(SaveSheetFile(file, Note({"nowsza"})));
    ASSERT_TRUE(MoveSheetFileToTrash(file));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(QFile::exists(file + "$"));
    EXPECT_FALSE(QFile::exists(Sheet("n.bak")));
    EXPECT_EQ(Load(Sheet("deleted/n.sheet")).Lines, QStringList{"stara"})
        << "a trashed note of the same name stays";
    EXPECT_EQ(Load(Sheet("deleted/n1.sheet")).Lines, QStringList{"nowsza"});

    // Already gone: only the companions go.
    WriteBytes(file + "$", "x");
    EXPECT_TRUE(MoveSheetFileToTrash(file));
    EXPECT_FALSE(QFile::exists(file + "$"));
}

TEST_F(SheetFileTest, NewNamesAreUniqueInTheLiveDirectoryAndSwitchTheFormats) {
    const TDateTime now = EncodeDate(2026, 12, 7) + EncodeTime(9, 30, 5, 0);
    EXPECT_EQ(MakeSheetFileName(Dir.path(), now), "20261207093005.sheet");
    EXPECT_EQ(FormatMoment(now), "26-12-07 09:30:05") << "the after-naming formats stay";
    WriteBytes(Sheet("20261207093005.sheet"), "");
    WriteBytes(Sheet("202612070930051.sheet"), "");
    QDir().mkdir(Dir.path() + "/deleted");
    WriteBytes(Sheet("deleted/202612070930052.sheet"), "");
    EXPECT_EQ(MakeSheetFileName(Dir.path() + "/", now), "202612070930052.sheet");
}

TEST(KeepVisible, LeavesFortyPixelsInReachOnAnyDesktop) {
    const QRect screen(0, 0, 1280, 1024);
    EXPECT_EQ(KeepVisible({-1000, 5000}, 350, screen), QPoint(-310, 984));
    EXPECT_EQ(KeepVisible({2000, -5}, 350, screen), QPoint(1240, 0));
    EXPECT_EQ(KeepVisible({100, 100}, 350, screen), QPoint(100, 100));
    EXPECT_EQ(KeepVisible({INT_MAX, INT_MIN}, 350, screen), QPoint(1240, 0));
    // Two screens, the second left of the first: its notes stay where they are.
    const QRect desktop(-1920, 0, 3200, 1080);
    EXPECT_EQ(KeepVisible({-1500, 300}, 350, desktop), QPoint(-1500, 300));
    EXPECT_EQ(KeepVisible({-3000, 300}, 350, desktop), QPoint(-1920 + 40 - 350, 300));
}

TEST_F(SheetFileTest, SavingKeepsPermissionsFollowsLinksAndRespectsReadOnlyNotes) {
    const QString file = Sheet();
    ASSERT_TRUE(SaveSheetFile(file, Note({"prywatna"})));
    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(SaveSheetFile(file, Note({"wciąż prywatna"})));
    EXPECT_EQ(QFileInfo(file).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0)
        << "a private file stays private";

    QDir().mkdir(Dir.path() + "/real");
    const QString target = Dir.path() + "/real/t.sheet";
    ASSERT_TRUE(SaveSheetFile(target, Note({"cel"})));
    ASSERT_TRUE(QFile::link(target, Sheet("link.sheet")));
    ASSERT_TRUE(SaveSheetFile(Sheet("link.sheet"), Note({"przez dowiązanie"})));
    EXPECT_TRUE(QFileInfo(Sheet("link.sheet")).isSymLink());
    EXPECT_EQ(Load(target).Lines, QStringList{"przez dowiązanie"});

    // No write bit at all marks the note read-only for everyone, root included.
    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner));
    EXPECT_FALSE(SaveSheetFile(file, Note({"nadpisana"})));
    EXPECT_EQ(Load(file).Lines, QStringList{"wciąż prywatna"});
}

TEST_F(SheetFileTest, OpenNotesWithoutAFileKeepTheirNames) {
    const TDateTime now = EncodeDate(2026, 12, 7) + EncodeTime(9, 30, 5, 0);
    EXPECT_EQ(MakeSheetFileName(Dir.path(), now, {"20261207093005.sheet"}),
              "202612070930051.sheet");
}

TEST(PlaceOnScreens, BringsANoteFromAMissingScreenOntoTheNearestOne) {
    const QList<QRect> two{{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}};
    EXPECT_EQ(PlaceOnScreens({1500, 100}, {300, 200}, two), QPoint(1500, 100));
    EXPECT_EQ(PlaceOnScreens({1250, 100}, {300, 200}, two), QPoint(1250, 100)) << "across both";
    // The right-hand screen was unplugged: the note comes to the left one, whole.
    const QList<QRect> one{{0, 0, 1280, 1024}};
    EXPECT_EQ(PlaceOnScreens({1500, 100}, {300, 200}, one), QPoint(980, 100));
    EXPECT_EQ(PlaceOnScreens({-3000, 5000}, {300, 200}, one), QPoint(0, 824));
    // Below a short screen, nearer the second one.
    const QList<QRect> uneven{{0, 0, 1280, 600}, {1280, 0, 1280, 1024}};
    EXPECT_EQ(PlaceOnScreens({1000, 900}, {200, 100}, uneven), QPoint(1280, 900));
    EXPECT_EQ(PlaceOnScreens({10, 10}, {50, 50}, {}), QPoint(10, 10));
    EXPECT_EQ(PlaceOnScreens({INT_MAX, INT_MIN}, {300, 200}, one), QPoint(980, 0));
}
