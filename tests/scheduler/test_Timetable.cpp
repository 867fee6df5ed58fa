#include "scheduler/Timetable.h"

#include "common/Formats.h"
#include "common/IniFile.h"
#include "common/TextFile.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cmath>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, 0);
}

TTimetableEntry Entry(int kind, TDateTime date = 0, TDateTime time = 0) {
    TTimetableEntry e;
    e.kind = kind;
    e.date = date;
    e.time = time;
    return e;
}

TTimetableEntry Weekly(int day, int h, int mi) {
    TTimetableEntry e = Entry(KindWeekly, 0, EncodeTime(h, mi, 0, 0));
    e.dayofweek = day;
    return e;
}

TTimetableEntry Yearly(int month, int day, int h = 0) {
    TTimetableEntry e = Entry(KindYearly, 0, EncodeTime(h, 0, 0, 0));
    e.month = month;
    e.dayofmonth = day;
    return e;
}

class TimetableTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStartFormats();
        P.Clock.Value = At(2026, 3, 10, 8, 0, 0);
    }
    void TearDown() override { SetStartFormats(); }

    static QString File(const QString& name) { return TTimetable::Directory() + '/' + name; }
    static QString Bak(int n) { return File(QString("timetable%1.bak").arg(n, 2, 10, QChar('0'))); }
    static QString ArchiveBak(int n) {
        return File(QString("timetable_deleted%1.bak").arg(n, 2, 10, QChar('0')));
    }
    static void WriteTimetable(const QByteArray& bytes) {
        QDir().mkpath(TTimetable::Directory());
        WriteBytes(TTimetable::FileName(), bytes);
    }
    // What each entry of the list is, in order, by its note.
    static QStringList Notes(const TTimetable& t) {
        QStringList out;
        for (const TTimetableEntry& e : t.entries())
            out << e.notka;
        return out;
    }
    static TTimetableEntry Named(TTimetableEntry e, const QString& note) {
        e.notka = note;
        return e;
    }

    TFakePlatform P;
    TTimetable T;
};

} // namespace

TEST_F(TimetableTest, InsertGroupsByKindAndSortsByEachKindsKey) {
    const TDateTime d = EncodeDate(2026, 5, 1);
    const TDateTime t = EncodeTime(14, 30, 0, 0);
    EXPECT_EQ(T.Insert(Named(Entry(KindOnce, d, t), "o1")), 0);
    EXPECT_EQ(T.Insert(Named(Entry(KindOnce, d, t), "o2")), 1) << "equal keys go behind";
    EXPECT_EQ(T.Insert(Named(Entry(KindOnce, d, t - 0.01), "o0")), 0);
    EXPECT_EQ(T.Insert(Named(Entry(KindOnce, d - 1, EncodeTime(23, 0, 0, 0)), "o-1")), 0);
    EXPECT_EQ(T.Insert(Named(Weekly(3, 9, 0), "w3")), 4);
    EXPECT_EQ(T.Insert(Named(Weekly(1, 18, 0), "w1")), 4);
    EXPECT_EQ(T.Insert(Named(Weekly(3, 8, 0), "w3a")), 5);
    // Daily entries go after every one-time entry and before every weekly one.
    EXPECT_EQ(T.Insert(Named(Entry(KindDaily, 0, EncodeTime(7, 0, 0, 0)), "d7")), 4);
    EXPECT_EQ(T.Insert(Named(Entry(KindDaily, 0, EncodeTime(6, 0, 0, 0)), "d6")), 4);
    TTimetableEntry every = Entry(KindEveryMinutes);
    every.minute = 30;
    EXPECT_EQ(T.Insert(Named(every, "m30")), 4);
    every.minute = 15;
    EXPECT_EQ(T.Insert(Named(every, "m15")), 4);
    EXPECT_EQ(T.Insert(Named(Yearly(5, 3), "y5.3")), 11);
    EXPECT_EQ(T.Insert(Named(Yearly(5, 1), "y5.1")), 11);
    EXPECT_EQ(T.Insert(Named(Yearly(2, 28, 10), "y2.28")), 11);
    TTimetableEntry monthly = Entry(KindMonthly, 0, EncodeTime(12, 0, 0, 0));
    monthly.dayofmonth = 15;
    EXPECT_EQ(T.Insert(Named(monthly, "mo15")), 11);
    monthly.time = EncodeTime(11, 0, 0, 0);
    EXPECT_EQ(T.Insert(Named(monthly, "mo15a")), 11);
    EXPECT_EQ(T.Insert(Named(Entry(0), "zero")), 0) << "kind 0 sorts before kind 1";
    EXPECT_EQ(T.Insert(Named(Entry(9), "nine")), 17);
    EXPECT_EQ(T.Insert(Named(Entry(9), "nine2")), 18) << "unknown kinds keep arrival order";
    EXPECT_EQ(Notes(T),
              (QStringList{"zero", "o-1", "o0", "o1", "o2", "m15", "m30", "d6", "d7", "w1", "w3a",
                           "w3", "mo15a", "mo15", "y2.28", "y5.1", "y5.3", "nine", "nine2"}));
}

TEST_F(TimetableTest, InsertCutsDateAndTimeStampsNowAndStopsAtCapacity) {
    TTimetableEntry e = Entry(KindOnce, At(2026, 5, 1, 18, 0), At(2026, 3, 10, 14, 30));
    e.lastshowdate = At(2020, 1, 1);
    e.remindafter = At(2026, 3, 9, 10, 0);
    const int i = T.Insert(e);
    ASSERT_EQ(i, 0);
    EXPECT_EQ(T.entries()[0].date, EncodeDate(2026, 5, 1));
    EXPECT_EQ(std::trunc(T.entries()[0].time), 0.0);
    EXPECT_NEAR(T.entries()[0].time, EncodeTime(14, 30, 0, 0), 1e-9);
    EXPECT_EQ(T.entries()[0].lastshowdate, P.Clock.Value);
    EXPECT_EQ(T.entries()[0].remindafter, e.remindafter) << "kept as given";

    for (int n = 1; n < TTimetable::capacity; ++n)
        ASSERT_GE(T.Insert(Entry(KindDaily)), 0);
    EXPECT_EQ(T.count(), 5000);
    EXPECT_EQ(T.Insert(Entry(KindOnce)), -1);
    EXPECT_EQ(T.count(), 5000);
    EXPECT_EQ(T.entries()[0].date, EncodeDate(2026, 5, 1)) << "a refused insert moves nothing";
}

TEST_F(TimetableTest, ReplaceMovesTheEntryStampsItAndLeavesTheArchiveAlone) {
    T.Insert(Named(Entry(KindDaily, 0, EncodeTime(8, 0, 0, 0)), "a"));
    T.Insert(Named(Entry(KindDaily, 0, EncodeTime(9, 0, 0, 0)), "b"));
    T.Insert(Named(Entry(KindDaily, 0, EncodeTime(10, 0, 0, 0)), "c"));
    P.Clock.Value += 1.0;
    TTimetableEntry edited = T.entries()[0];
    edited.time = EncodeTime(11, 0, 0, 0);
    edited.remindafter = 0;
    EXPECT_EQ(T.Replace(0, edited), 2);
    EXPECT_EQ(Notes(T), (QStringList{"b", "c", "a"}));
    EXPECT_EQ(T.entries()[2].lastshowdate, P.Clock.Value);
    EXPECT_EQ(T.entries()[0].lastshowdate, P.Clock.Value - 1.0) << "others keep theirs";
    EXPECT_FALSE(QFile::exists(TTimetable::ArchiveFileName()));
    EXPECT_EQ(T.Replace(3, edited), -1);
    EXPECT_EQ(T.Replace(-1, edited), -1);
    EXPECT_EQ(T.count(), 3);
}

TEST_F(TimetableTest, RemoveAppendsToTheArchiveWithFourDigitYearsAndDisplayTimes) {
    TTimetableEntry once = Entry(KindOnce, EncodeDate(2010, 5, 12), EncodeTime(14, 30, 15, 0));
    once.notka = "pierwsza\r\ndruga";
    once.remindbefore = 90;
    T.Insert(Named(Entry(KindDaily), "zostaje"));
    T.Insert(once);
    T.entries()[0].remindafter = At(2010, 5, 12, 14, 45);
    T.Remove(0);
    EXPECT_EQ(Notes(T), QStringList{"zostaje"});

    const TMemIniFile archive(TTimetable::ArchiveFileName());
    EXPECT_EQ(archive.ReadInteger("TimeTable", "Count", -1), 1);
    EXPECT_EQ(archive.ReadString("TimeTable", "ModifyDate"), "2026-03-10 08:00");
    EXPECT_FALSE(archive.ValueExists("TimeTable", "Info"));
    EXPECT_EQ(archive.ReadSection("TT0"),
              (QStringList{"kind", "date", "time", "dayofweek", "dayofmonth", "month", "minute",
                           "notka", "remindafter", "remindbefore", "lastshowdate"}));
    EXPECT_EQ(archive.ReadString("TT0", "date"), "2010-05-12");
    EXPECT_EQ(archive.ReadString("TT0", "time"), "14:30") << "the display time format";
    EXPECT_EQ(archive.ReadString("TT0", "remindafter"), "2010-05-12 14:45");
    EXPECT_EQ(archive.ReadString("TT0", "notka"), "\"pierwsza</NL/>druga\"");
    EXPECT_EQ(archive.ReadString("TT0", "remindbefore"), "90");

    // After the first new note the display has two-digit years and seconds; the archive
    // keeps four-digit years, so that "not set" never comes back as 2099.
    SetAfterNamingFormats();
    T.Remove(0);
    EXPECT_EQ(T.count(), 0);
    const TMemIniFile second(TTimetable::ArchiveFileName());
    EXPECT_EQ(second.ReadInteger("TimeTable", "Count", -1), 2);
    EXPECT_EQ(second.ReadString("TT1", "notka"), "\"zostaje\"");
    EXPECT_EQ(second.ReadString("TT1", "date"), "1899-12-30");
    EXPECT_EQ(second.ReadString("TT1", "time"), "00:00:00");
    EXPECT_EQ(second.ReadString("TT1", "remindafter"), "1899-12-30");
    EXPECT_EQ(second.ReadDateTime("TT1", "remindafter", -1), 0.0);
    EXPECT_EQ(second.ReadString("TT0", "time"), "14:30") << "earlier entries are kept as written";
    EXPECT_EQ(TMemIniFile(ArchiveBak(0)).ReadInteger("TimeTable", "Count", -1), 1);

    T.Remove(0);
    EXPECT_EQ(TMemIniFile(TTimetable::ArchiveFileName()).ReadInteger("TimeTable", "Count", -1), 2)
        << "an index out of range archives nothing";
}

TEST_F(TimetableTest, ArchiveKeepsSixBackupsAndNeverOverwritesArchivedEntries) {
    for (int i = 0; i < 8; ++i)
        T.Insert(Named(Entry(KindDaily), QString::number(i)));
    for (int i = 0; i < 8; ++i)
        T.Remove(0);
    EXPECT_EQ(TMemIniFile(TTimetable::ArchiveFileName()).ReadInteger("TimeTable", "Count", -1), 8);
    for (int n = 0; n < 6; ++n)
        EXPECT_EQ(TMemIniFile(ArchiveBak(n)).ReadInteger("TimeTable", "Count", -1), 7 - n)
            << "backup " << n;
    EXPECT_FALSE(QFile::exists(ArchiveBak(6)));

    // A hand-edited count must not let a new deletion take an archived entry's place.
    for (const QByteArray count : {"Count=0", "Count=-7", "Count=x"}) {
        WriteBytes(TTimetable::ArchiveFileName(),
                   "[TimeTable]\r\n" + count + "\r\n[TT0]\r\nnotka=\"stary\"\r\n");
        T.Insert(Named(Entry(KindDaily), "nowy"));
        T.Remove(0);
        const TMemIniFile archive(TTimetable::ArchiveFileName());
        EXPECT_EQ(archive.ReadString("TT0", "notka"), "\"stary\"") << count.constData();
        EXPECT_EQ(archive.ReadString("TT1", "notka"), "\"nowy\"") << count.constData();
        EXPECT_EQ(archive.ReadInteger("TimeTable", "Count", -1), 2) << count.constData();
    }
}

TEST_F(TimetableTest, SaveWritesTheFileLayoutInWindows1250) {
    ASSERT_TRUE(T.Save());
    const QString head = "[TimeTable]\r\n"
                         "Info=Notella - Timetable info file. https://notella.example.org/\r\n"
                         "Count=0\r\n"
                         "ModifyDate=2026-03-10 08:00:00\r\n"
                         "\r\n";
    EXPECT_EQ(ReadText(TTimetable::FileName()), head);

    TTimetableEntry e = Entry(KindOnce, EncodeDate(2026, 3, 12), EncodeTime(14, 30, 0, 0));
    e.notka = "Zażółć gęślą\r\njaźń";
    e.remindbefore = 60;
    T.Insert(e);
    P.Clock.Value = At(2026, 3, 10, 9, 15, 42);
    SetAfterNamingFormats(); // two-digit years on screen must not reach the file
    ASSERT_TRUE(T.Save());
    QByteArray bytes;
    ASSERT_TRUE(ReadWholeFile(TTimetable::FileName(), bytes));
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF")) << "Polish text fits Windows-1250";
    EXPECT_TRUE(bytes.contains("Za\xBF\xF3\xB3\xE6")) << "Windows-1250 bytes";
    EXPECT_EQ(DecodeText(bytes),
              "[TimeTable]\r\n"
              "Info=Notella - Timetable info file. https://notella.example.org/\r\n"
              "Count=1\r\n"
              "ModifyDate=2026-03-10 09:15:42\r\n"
              "\r\n"
              "[TT0]\r\n"
              "kind=1\r\n"
              "date=2026-03-12\r\n"
              "time=14:30:00\r\n"
              "dayofweek=0\r\n"
              "dayofmonth=0\r\n"
              "month=0\r\n"
              "minute=0\r\n"
              "notka=\"Zażółć gęślą</NL/>jaźń\"\r\n"
              "remindafter=1899-12-30\r\n"
              "remindbefore=60\r\n"
              "lastshowdate=2026-03-10 08:00:00\r\n"
              "\r\n");
    EXPECT_EQ(FormatSettings().LongTimeFormat, "hh:mm:ss") << "the display format is put back";
    SetStartFormats();
    ASSERT_TRUE(T.Save());
    EXPECT_EQ(FormatSettings().LongTimeFormat, "hh:mm");
    EXPECT_TRUE(ReadText(TTimetable::FileName()).contains("time=14:30:00\r\n"));
}

TEST_F(TimetableTest, SaveAndLoadRoundTripEveryField) {
    TTimetableEntry a = Entry(KindOnce, EncodeDate(2030, 1, 2), EncodeTime(3, 4, 5, 0));
    a.notka = "\"cytat\"\r\n\r\nkoniec ";
    a.remindbefore = 4320;
    TTimetableEntry b = Weekly(5, 14, 30);
    b.minute = -3;
    b.dayofmonth = 31;
    b.month = 12;
    b.notka = "日本 ☺"; // beyond Windows-1250: the file becomes UTF-8
    T.Insert(a);
    T.Insert(b);
    T.entries()[1].remindafter = At(2026, 3, 10, 14, 45, 30);
    T.entries()[0].shown = true;
    ASSERT_TRUE(T.Save());

    TTimetable loaded;
    loaded.Load();
    ASSERT_EQ(loaded.count(), 2);
    for (int i = 0; i < 2; ++i) {
        TTimetableEntry expected = T.entries()[i];
        expected.shown = false;
        EXPECT_EQ(loaded.entries()[i], expected) << "entry " << i;
    }
}

TEST_F(TimetableTest, TwelveSavesKeepElevenBackupsWithoutEverMovingTheLiveFile) {
    for (int save = 1; save <= 12; ++save) {
        T.Insert(Entry(KindDaily));
        ASSERT_TRUE(T.Save());
        // The backup is a second name of the previous version, never the live file itself.
        if (save > 1) {
            EXPECT_EQ(TMemIniFile(Bak(0)).ReadInteger("TimeTable", "Count", -1), save - 1);
        }
    }
    EXPECT_EQ(TMemIniFile(TTimetable::FileName()).ReadInteger("TimeTable", "Count", -1), 12);
    for (int n = 0; n <= 10; ++n)
        EXPECT_EQ(TMemIniFile(Bak(n)).ReadInteger("TimeTable", "Count", -1), 11 - n) << n;
    EXPECT_FALSE(QFile::exists(Bak(11)));
    const QStringList left = QDir(TTimetable::Directory()).entryList(QDir::Files);
    EXPECT_EQ(left.size(), 12) << left.join(' ').toStdString() << ": no temporary file stays";
}

TEST_F(TimetableTest, ReadersAndCrashesSeeTheOldOrTheNewTimetableWhole) {
    TTimetable a, b;
    for (int i = 0; i < 400; ++i) {
        a.Insert(Named(Entry(KindDaily), QString("wersja A %1").arg(i).repeated(5)));
        b.Insert(Named(Entry(KindDaily), QString("wersja B %1").arg(i).repeated(6)));
    }
    ASSERT_TRUE(b.Save());
    const QString textB = ReadText(TTimetable::FileName());
    ASSERT_TRUE(a.Save());
    const QString textA = ReadText(TTimetable::FileName());
    for (int round = 0; round < 8; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                (i % 2 ? a : b).Save();
        }
        // Read while the child saves: the timetable is never missing, torn or empty.
        int torn = 0, reads = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30 + round * 9) {
            QByteArray bytes;
            ++reads;
            if (!ReadWholeFile(TTimetable::FileName(), bytes)) {
                ++torn;
                continue;
            }
            const QString text = DecodeText(bytes);
            if (text != textA && text != textB)
                ++torn;
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        EXPECT_EQ(torn, 0) << "round " << round << " of " << reads << " reads";
        const QString after = ReadText(TTimetable::FileName());
        EXPECT_TRUE(after == textA || after == textB) << "after a kill in round " << round;
        const QString newest = ReadText(Bak(0));
        EXPECT_TRUE(newest == textA || newest == textB) << "backup after a kill in round " << round;
    }
}

TEST_F(TimetableTest, AFailedWriteKeepsTheFileAndTheBackupsAndTellsTheUser) {
    T.Insert(Named(Entry(KindDaily), "pierwsza"));
    ASSERT_TRUE(T.Save());
    T.Insert(Named(Entry(KindDaily), "druga"));
    ASSERT_TRUE(T.Save());
    const QString live = ReadText(TTimetable::FileName());
    const QString backup = ReadText(Bak(0));

    // Something in the way of the temporary file stands for a full disk.
    const QString temp = TTimetable::FileName() + QString(".%1.tmp").arg(::getpid());
    ASSERT_TRUE(QDir().mkdir(temp));
    T.Insert(Named(Entry(KindDaily), "trzecia"));
    P.MessageBoxes.Answer(TMsgResult::OK);
    EXPECT_FALSE(T.Save());
    ASSERT_EQ(P.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(P.MessageBoxes.Shown[0].Caption, "Błąd");
    EXPECT_EQ(P.MessageBoxes.Shown[0].Icon, TMsgIcon::Error);
    EXPECT_TRUE(P.MessageBoxes.Shown[0].Text.startsWith("Nie można zapisać terminarza."));
    EXPECT_EQ(ReadText(TTimetable::FileName()), live);
    EXPECT_EQ(ReadText(Bak(0)), backup) << "backups do not rotate for a save that failed";
    EXPECT_FALSE(QFile::exists(Bak(1)));
    EXPECT_EQ(T.count(), 3) << "the entries stay in memory";
    QDir().rmdir(temp);
    ASSERT_TRUE(T.Save());
    EXPECT_EQ(TMemIniFile(TTimetable::FileName()).ReadInteger("TimeTable", "Count", -1), 3);

    // The archive is written the same way; the deletion itself goes ahead.
    const QString archiveTemp = TTimetable::ArchiveFileName() + QString(".%1.tmp").arg(::getpid());
    ASSERT_TRUE(QDir().mkdir(archiveTemp));
    P.MessageBoxes.Answer(TMsgResult::OK);
    T.Remove(0);
    ASSERT_EQ(P.MessageBoxes.Shown.size(), 2u);
    EXPECT_EQ(P.MessageBoxes.Shown[1].Caption, "Błąd");
    EXPECT_FALSE(QFile::exists(TTimetable::ArchiveFileName()));
    EXPECT_EQ(T.count(), 2);
    QDir().rmdir(archiveTemp);

    // A file where the timetable directory should be.
    const QString dir = TTimetable::Directory();
    ASSERT_TRUE(QDir().rename(dir, dir + ".aside"));
    WriteBytes(dir, "x");
    P.MessageBoxes.Answer(TMsgResult::OK);
    EXPECT_FALSE(T.Save());
    ASSERT_EQ(P.MessageBoxes.Shown.size(), 3u);
    EXPECT_TRUE(P.MessageBoxes.Shown[2].Text.contains("nie można utworzyć katalogu"));
    ASSERT_TRUE(QFile::remove(dir));
    ASSERT_TRUE(QDir().rename(dir + ".aside", dir));
    EXPECT_EQ(TMemIniFile(TTimetable::FileName()).ReadInteger("TimeTable", "Count", -1), 3);
}

TEST_F(TimetableTest, ASaveThatCannotPutItsFileInPlaceLeavesEveryBackupAsItWas) {
    for (int save = 0; save < 12; ++save) {
        T.Insert(Entry(KindDaily));
        ASSERT_TRUE(T.Save());
    }
    QStringList backups;
    for (int n = 0; n <= 10; ++n)
        backups << ReadText(Bak(n));
    T.Load();
    // Not even root renames a file over a directory that holds something.
    ASSERT_TRUE(QFile::remove(TTimetable::FileName()));
    ASSERT_TRUE(QDir().mkpath(TTimetable::FileName() + "/x"));
    T.Insert(Entry(KindDaily));
    P.MessageBoxes.Answer(TMsgResult::OK);
    EXPECT_FALSE(T.Save());
    ASSERT_EQ(P.MessageBoxes.Shown.size(), 1u);
    EXPECT_TRUE(P.MessageBoxes.Shown[0].Text.startsWith("Nie można zapisać terminarza."));
    for (int n = 0; n <= 10; ++n)
        EXPECT_EQ(ReadText(Bak(n)), backups[n]) << n;
    const QStringList left = QDir(TTimetable::Directory()).entryList(QDir::Files);
    EXPECT_EQ(left.size(), 11) << left.join(' ').toStdString();
}

TEST_F(TimetableTest, AnUnreadableTimetableIsNeverWrittenOver) {
    T.Insert(Named(Entry(KindDaily), "cenna"));
    ASSERT_TRUE(T.Save());
    const QString saved = ReadText(TTimetable::FileName());
    // A directory in the file's place cannot be read, not even by root.
    const QString aside = TTimetable::FileName() + ".aside";
    ASSERT_TRUE(QFile::rename(TTimetable::FileName(), aside));
    ASSERT_TRUE(QDir().mkdir(TTimetable::FileName()));
    TTimetable later;
    later.Load();
    EXPECT_EQ(later.count(), 0);
    // The file is back, but what was loaded without it must not replace it.
    ASSERT_TRUE(QDir().rmdir(TTimetable::FileName()));
    ASSERT_TRUE(QFile::rename(aside, TTimetable::FileName()));
    later.Insert(Named(Entry(KindDaily), "nowa"));
    P.MessageBoxes.Answer(TMsgResult::OK);
    EXPECT_FALSE(later.Save());
    ASSERT_EQ(P.MessageBoxes.Shown.size(), 1u);
    EXPECT_TRUE(P.MessageBoxes.Shown[0].Text.contains("nie można było odczytać pliku"));
    EXPECT_EQ(ReadText(TTimetable::FileName()), saved);
    later.Load();
    EXPECT_EQ(Notes(later), QStringList{"cenna"});
    EXPECT_TRUE(later.Save()) << "readable again, it is written as usual";
}

TEST_F(TimetableTest, LoadTakesTheFileAsItIsAndDefaultsWhatIsMissing) {
    T.Load();
    EXPECT_EQ(T.count(), 0) << "no file: an empty timetable";

    WriteTimetable(
        EncodeText("[timetable]\r\n count = 4 \r\n"
                   "[TT0]\r\nkind=6\r\ndate=2026-02-30\r\ntime=25:00:00\r\nmonth=13\r\n"
                   "notka=bez cudzysłowów\r\nremindbefore=x\r\nlastshowdate=jutro\r\n"
                   "[tt1]\r\nKIND = 99 \r\nnotka=\"\"a\"\"\r\nremindafter=99-12-30 10:00:00\r\n"
                   "[TT3]\r\nkind=-4\r\ntime=7:05\r\ndate=1999-12-31 12:00:00\r\n"));
    T.Load();
    ASSERT_EQ(T.count(), 4);
    const auto e = T.entries();
    EXPECT_EQ(e[0].kind, 6);
    EXPECT_EQ(e[0].date, 0.0);
    EXPECT_EQ(e[0].time, 0.0);
    EXPECT_EQ(e[0].month, 13) << "values are not range-checked";
    EXPECT_EQ(e[0].notka, "bez cudzysłowów") << "a note without quotes loads as written";
    EXPECT_EQ(e[0].remindbefore, 0);
    EXPECT_EQ(e[0].lastshowdate, 0.0);
    EXPECT_EQ(e[1].kind, 99);
    EXPECT_EQ(e[1].notka, "\"a\"");
    EXPECT_EQ(e[1].remindafter, At(2099, 12, 30, 10)) << "two-digit years are 2000-2099";
    EXPECT_EQ(e[2], TTimetableEntry{}) << "a missing section gives a blank entry";
    EXPECT_EQ(e[3].kind, -4);
    EXPECT_EQ(e[3].time, EncodeTime(7, 5, 0, 0));
    EXPECT_EQ(e[3].date, At(1999, 12, 31, 12));

    // Loading again starts from an empty collection.
    WriteTimetable("[TimeTable]\r\nCount=1\r\n");
    T.Load();
    ASSERT_EQ(T.count(), 1);
    EXPECT_EQ(T.entries()[0], TTimetableEntry{});
}

TEST_F(TimetableTest, HandEditedCountsAndDamagedFilesLoadWithinTheCapacity) {
    QByteArray many = "[TimeTable]\r\nCount=2147483647\r\n";
    for (int i = 0; i <= 5001; ++i)
        many += QString("[TT%1]\r\nkind=3\r\nminute=%1\r\n").arg(i).toLatin1();
    WriteTimetable(many);
    T.Load();
    ASSERT_EQ(T.count(), 5000);
    EXPECT_EQ(T.entries()[4999].minute, 4999);
    EXPECT_EQ(T.Insert(Entry(KindDaily)), -1);
    ASSERT_TRUE(T.Save());
    EXPECT_EQ(TMemIniFile(TTimetable::FileName()).ReadInteger("TimeTable", "Count", -1), 5000);
    EXPECT_FALSE(TMemIniFile(TTimetable::FileName()).SectionExists("TT5000"));

    const QByteArray damaged[] = {
        "[TimeTable]\r\nCount=-3\r\n[TT0]\r\nkind=1\r\n",
        "[TimeTable]\r\nCount=99999999999999999999\r\n[TT0]\r\nkind=1\r\n",
        "[TimeTable]\r\nCount=\r\n",
        "",
        QByteArray("\x00\xFF\xFE[TT0\x00]\r\n=\r\n[]\r\n\xEF\xBB\xBF", 21),
        "\xEF\xBB\xBF[TimeTable]\r\nCount=1\r\n[TT0]\r\nkind=\xFF\xFF\r\nnotka=\"\xC5\x82\"",
    };
    for (const QByteArray& bytes : damaged) {
        WriteTimetable(bytes);
        T.Load();
        EXPECT_LE(T.count(), 1) << bytes.toHex().constData();
    }
    EXPECT_EQ(T.count(), 1);
    EXPECT_EQ(T.entries()[0].kind, 0);
    EXPECT_EQ(T.entries()[0].notka, "ł");
}

TEST(EntrySummary, DescribesEachKindWithItsReminder) {
    SetStartFormats();
    TTimetableEntry once = Entry(KindOnce, EncodeDate(2026, 3, 12), EncodeTime(14, 30, 15, 0));
    EXPECT_EQ(EntrySummary(once), "2026-03-12 o godz. 14:30");
    once.remindbefore = 45;
    EXPECT_EQ(EntrySummary(once), "2026-03-12 o godz. 14:30   (45 minut)");
    TTimetableEntry every = Entry(KindEveryMinutes);
    every.minute = 30;
    every.remindbefore = 60;
    EXPECT_EQ(EntrySummary(every), "Co 30 minut") << "never a reminder suffix";
    TTimetableEntry daily = Entry(KindDaily, 0, EncodeTime(9, 0, 0, 0));
    daily.remindbefore = 1500;
    EXPECT_EQ(EntrySummary(daily), "Codziennie o godzinie 09:00   (1 dni)");
    TTimetableEntry friday = Weekly(5, 14, 30);
    friday.remindbefore = 90;
    EXPECT_EQ(EntrySummary(friday), "W każdy Piątek   (1 godzin)");
    EXPECT_EQ(EntrySummary(Weekly(7, 0, 0)), "W każdy Niedziela");
    EXPECT_EQ(EntrySummary(Weekly(8, 0, 0)), "W każdy ?");
    TTimetableEntry monthly = Entry(KindMonthly);
    monthly.dayofmonth = 5;
    monthly.remindbefore = 4320;
    EXPECT_EQ(EntrySummary(monthly), "5-go dnia każdego miesiąca   (3 dni)");
    EXPECT_EQ(EntrySummary(Yearly(5, 3)), "3 Maja");
    EXPECT_EQ(EntrySummary(Yearly(13, 3)), "3 ?");
    EXPECT_EQ(EntrySummary(Entry(0)), "");
    EXPECT_EQ(EntrySummary(Entry(7)), "");
    const QStringList months{"Styczenia", "Lutego",       "Marca",     "Kwietnia",
                             "Maja",      "Czerwca",      "Lipca",     "Sierpnia",
                             "Września",  "Października", "Listopada", "Grudnia"};
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(MonthName(m), months[m - 1]);

    SetAfterNamingFormats();
    once.remindbefore = 0;
    EXPECT_EQ(EntrySummary(once), "26-03-12 o godz. 14:30:15") << "the display formats in force";
    SetStartFormats();
}

// Large archives are extended in their text; the result reads as a rewrite would.
TEST_F(TimetableTest, ArchivingGoesAboveEveryNumberAndKeepsTheRestOfTheFile) {
    QDir().mkpath(TTimetable::Directory());
    WriteBytes(TTimetable::ArchiveFileName(), "; zapisane ręcznie\r\n[TimeTable]\r\nInfo=x\r\n"
                                              "Count=5\r\n\r\n[TT0]\r\nnotka=\"a\"\r\n"
                                              "[TT9]\r\nnotka=\"b\"\r\n[Inne]\r\nk=v");
    T.Insert(Named(Entry(KindDaily), "nowy"));
    T.Remove(0);
    TMemIniFile archive(TTimetable::ArchiveFileName());
    EXPECT_EQ(archive.ReadString("TT10", "notka"), "\"nowy\"");
    EXPECT_EQ(archive.ReadInteger("TimeTable", "Count", -1), 11);
    EXPECT_EQ(archive.ReadString("TimeTable", "ModifyDate"), "2026-03-10 08:00");
    EXPECT_EQ(archive.ReadString("TT9", "notka"), "\"b\"");
    EXPECT_EQ(archive.ReadString("Inne", "k"), "v") << "a last line without a line break";
    EXPECT_EQ(archive.ReadSections(), (QStringList{"TimeTable", "TT0", "TT9", "Inne", "TT10"}));

    // A head without its values gets them; the entry reads back whole.
    WriteBytes(TTimetable::ArchiveFileName(), "[TimeTable]\r\n[TT3]\r\nnotka=\"c\"\r\n");
    TTimetableEntry e = Named(Entry(KindOnce, EncodeDate(2026, 3, 12), EncodeTime(14, 30, 0, 0)),
                              QString::fromUtf8("zażółć\r\njaźń"));
    T.Insert(e);
    T.Remove(0);
    archive = TMemIniFile(TTimetable::ArchiveFileName());
    EXPECT_EQ(archive.ReadInteger("TimeTable", "Count", -1), 5);
    EXPECT_EQ(archive.ReadString("TimeTable", "ModifyDate"), "2026-03-10 08:00");
    EXPECT_EQ(ReadTimetableEntry(archive, "TT4").notka, QString::fromUtf8("zażółć\r\njaźń"));
    EXPECT_EQ(ReadTimetableEntry(archive, "TT4").date, EncodeDate(2026, 3, 12));

    // Numbers stay within 32 bits: a count beyond gives way to the sections, and with the top
    // number taken a free one is used; no section is ever written twice.
    for (const QByteArray text :
         {"[TimeTable]\r\nCount=9223372036854775807\r\n[TT0]\r\nnotka=\"a\"\r\n",
          "[TimeTable]\r\nCount=1\r\n[TT0]\r\nnotka=\"a\"\r\n[TT9223372036854775807]\r\n",
          "[TT0]\r\nnotka=\"a\"\r\n[TT2147483646]\r\n"}) {
        WriteBytes(TTimetable::ArchiveFileName(), text);
        T.Insert(Named(Entry(KindDaily), "nowy"));
        T.Remove(0);
        archive = TMemIniFile(TTimetable::ArchiveFileName());
        EXPECT_EQ(archive.ReadString("TT0", "notka"), "\"a\"") << text.constData();
        EXPECT_EQ(archive.ReadString("TT1", "notka"), "\"nowy\"") << text.constData();
        EXPECT_EQ(archive.ReadInteger("TimeTable", "Count", -1), 2) << text.constData();
        EXPECT_EQ(ReadText(TTimetable::ArchiveFileName()).count("[TT0]"), 1) << text.constData();
    }
}
