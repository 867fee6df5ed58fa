// Runs with libfailio preloaded: each test makes the disk fail while it saves.
#include "app/Unitmain.h"
#include "common/Formats.h"
#include "common/IniFile.h"
#include "common/TextFile.h"
#include "notes/SheetFile.h"
#include "notes/SheetStorage.h"
#include "notes/Trash.h"
#include "platform/Autostart.h"
#include "platform/Platform.h"
#include "scheduler/Timetable.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The disk under `dir` fails as `plan` says until the end of the scope.
class TFullDisk {
public:
    TFullDisk(const QString& dir, const char* plan) {
        ::setenv("NOTELLA_FAIL_DIR", QFile::encodeName(dir).constData(), 1);
        ::setenv("NOTELLA_FAIL", plan, 1);
    }
    ~TFullDisk() { ::unsetenv("NOTELLA_FAIL"); }
    TFullDisk(const TFullDisk&) = delete;
    TFullDisk& operator=(const TFullDisk&) = delete;
};

// The ways a save meets a full or failing disk: at once, half way, at the flush, at the swap.
const char* const Failures[] = {"write:ENOSPC:call=1", "write:ENOSPC:after_bytes=20",
                                "fsync:EIO:call=1", "rename:ENOSPC:call=1"};

QStringList Leftovers(const QString& dir) {
    return QDir(dir).entryList({"*.tmp", ".*.tmp"}, QDir::Files | QDir::Hidden);
}

class SheetViewStub : public ISheetView {
public:
    TSheetRecord CurrentRecord() const override { return State; }
    QPoint ApplyRecord(const TSheetRecord& r) override {
        State = r;
        return {0, 0};
    }
    bool TextEmpty() const override { return State.Lines.isEmpty(); }
    int DisplayedLineCount() const override { return static_cast<int>(State.Lines.size()); }
    int MemoHeight() const override { return 500; }
    int WindowHeight() const override { return 520; }
    void SetWindowHeight(int) override {}
    int MaxWindowHeight() const override { return 738; }
    void SetExpandedHeight(int) override {}
    TSheetRecord State;
};

class FullDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStartFormats();
        Fake.MessageBoxes.FailUnscripted = false; // every box is counted and read instead
    }
    void TearDown() override { SetStartFormats(); }
    QString Dir() const { return Fake.Directory.Dir(); }
    TFakePlatform Fake;
};

} // namespace

TEST(FailIo, FailsOnlyUnderItsDirectoryAndOnlyWhileSwitchedOn) {
    QTemporaryDir hit, spared;
    const QByteArray a = QFile::encodeName(hit.path() + "/f"),
                     b = QFile::encodeName(spared.path() + "/f");
    const int fa = ::open(a.constData(), O_WRONLY | O_CREAT, 0644);
    const int fb = ::open(b.constData(), O_WRONLY | O_CREAT, 0644);
    {
        TFullDisk full(hit.path(), "write:ENOSPC:after_bytes=3");
        EXPECT_EQ(::write(fa, "abcde", 5), 3);
        errno = 0;
        EXPECT_EQ(::write(fa, "de", 2), -1);
        EXPECT_EQ(errno, ENOSPC);
        EXPECT_EQ(::write(fb, "abcde", 5), 5);
    }
    EXPECT_EQ(::write(fa, "de", 2), 2);
    ::close(fa);
    ::close(fb);
}

TEST_F(FullDiskTest, ANoteKeepsItsFileTellsOnceAndIsWrittenWhenThereIsRoomAgain) {
    for (const char* failure : Failures) {
        SCOPED_TRACE(failure);
        const QString file = Dir() + "/sheets/" + QString::fromLatin1(failure).section(':', 0, 0) +
                             QString::number(Fake.MessageBoxes.Shown.size()) + ".sheet";
        SheetViewStub view;
        TSheetStorage s(file, true, 16, false, &view, 0);
        view.State.Lines = {"przed"};
        s.MarkModified(false);
        s.FlushPendingSave();
        ASSERT_TRUE(QFile::exists(file));
        const size_t boxes = Fake.MessageBoxes.Shown.size();
        {
            TFullDisk full(Dir(), failure);
            view.State.Lines = {"po zmianie", "druga linia"};
            s.MarkModified(false);
            s.FlushPendingSave();
            ASSERT_EQ(Fake.MessageBoxes.Shown.size(), boxes + 1);
            EXPECT_EQ(Fake.MessageBoxes.Shown.back().Text, "Nie można zapisywać do pliku " + file);
            EXPECT_EQ(Fake.MessageBoxes.Shown.back().Caption, "Ostrzeżenie");
            EXPECT_EQ(ReadSheetRecord(TMemIniFile(file), 0).Lines, QStringList{"przed"});
            EXPECT_TRUE(s.SavePending()) << "the change waits for the next save";
            s.MarkModified(false);
            s.FlushPendingSave();
            EXPECT_EQ(Fake.MessageBoxes.Shown.size(), boxes + 1) << "said once per note";
        }
        s.FlushPendingSave();
        EXPECT_FALSE(s.SavePending());
        EXPECT_EQ(ReadSheetRecord(TMemIniFile(file), 0).Lines,
                  (QStringList{"po zmianie", "druga linia"}));
        EXPECT_EQ(Leftovers(Dir() + "/sheets"), QStringList());
    }
}

TEST_F(FullDiskTest, SettingsKeepTheirFileAndTheNextSaveWritesThem) {
    TFormMain f;
    const QString file = Dir() + "/notella.ini";
    ASSERT_TRUE(f.SaveCurrentSettings());
    const QByteArray before = ReadText(file).toUtf8();
    for (const char* failure : Failures) {
        SCOPED_TRACE(failure);
        f.Settings.AlphaValue = 77;
        Fake.MessageBoxes.Shown.clear();
        {
            TFullDisk full(Dir(), failure);
            EXPECT_FALSE(f.SaveCurrentSettings());
        }
        ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
        EXPECT_TRUE(Fake.MessageBoxes.Shown[0].Text.startsWith(
            "Nie można zapisać ustawień do pliku \"" + file + "\".\n\n"));
        EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, "Błąd");
        EXPECT_EQ(ReadText(file).toUtf8(), before);
        EXPECT_EQ(Leftovers(Dir()), QStringList());
    }
    EXPECT_TRUE(f.SaveCurrentSettings());
    EXPECT_EQ(TMemIniFile(file).ReadInteger("Settings", "AlphaValue", 0), 77);
}

TEST_F(FullDiskTest, TheTimetableKeepsItsFileAndTheNextSaveWritesIt) {
    TTimetable t;
    TTimetableEntry e;
    e.kind = KindDaily;
    e.notka = "pierwszy";
    t.Insert(e);
    ASSERT_TRUE(t.Save());
    const QByteArray before = ReadText(TTimetable::FileName()).toUtf8();
    e.notka = "drugi";
    t.Insert(e);
    for (const char* failure : Failures) {
        SCOPED_TRACE(failure);
        Fake.MessageBoxes.Shown.clear();
        {
            TFullDisk full(Dir(), failure);
            EXPECT_FALSE(t.Save());
        }
        ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
        EXPECT_TRUE(
            Fake.MessageBoxes.Shown[0].Text.startsWith("Nie można zapisać terminarza.\n\n"));
        EXPECT_TRUE(Fake.MessageBoxes.Shown[0].Text.endsWith(
            "\n\nPoprzednia wersja pliku pozostała bez zmian."));
        EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, "Błąd");
        EXPECT_EQ(ReadText(TTimetable::FileName()).toUtf8(), before);
        EXPECT_EQ(Leftovers(TTimetable::Directory()), QStringList());
    }
    EXPECT_EQ(t.entries().size(), 2u);
    EXPECT_TRUE(t.Save());
    EXPECT_EQ(TMemIniFile(TTimetable::FileName()).ReadInteger("TimeTable", "Count", 0), 2);
}

TEST_F(FullDiskTest, AnEntryTheArchiveCouldNotTakeIsArchivedByTheNextWrite) {
    TTimetable t;
    TTimetableEntry e;
    e.kind = KindDaily;
    for (const char* note : {"a", "b", "c"}) {
        e.notka = note;
        t.Insert(e);
    }
    t.Remove(0);
    const QString archive = TTimetable::ArchiveFileName();
    const QByteArray before = ReadText(archive).toUtf8();
    {
        TFullDisk full(Dir(), "write:ENOSPC:after_bytes=20");
        t.Remove(0);
    }
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_TRUE(Fake.MessageBoxes.Shown[0].Text.startsWith(
        "Nie można zapisać usuniętego wpisu w archiwum terminarza.\n\n"));
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, "Błąd");
    EXPECT_EQ(ReadText(archive).toUtf8(), before);
    auto archived = [&] {
        const TMemIniFile saved(archive);
        QStringList notes;
        for (const QString& section : saved.ReadSections())
            if (section != "TimeTable")
                notes << saved.ReadString(section, "notka").remove('"');
        return notes;
    };
    EXPECT_TRUE(t.Save()) << "the timetable's next save brings the archive up to date";
    EXPECT_EQ(archived(), (QStringList{"a", "b"}));
    t.Remove(0);
    EXPECT_EQ(archived(), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
}

TEST_F(FullDiskTest, ANoteGoesToTheTrashWholeOnAFullDiskAndARestoreThatCannotWriteKeepsIt) {
    const QString sheets = Dir() + "/sheets";
    QDir().mkpath(sheets);
    const QByteArray bytes = "[Sheet]\r\nTitle=t\r\nText0=tekst\r\n";
    WriteBytes(sheets + "/a.sheet", bytes);
    {
        TFullDisk full(Dir(), "write+fsync:ENOSPC:call=1");
        EXPECT_TRUE(MoveSheetFileToTrash(sheets + "/a.sheet"));
    }
    QByteArray trashed;
    ASSERT_TRUE(ReadWholeFile(sheets + "/deleted/a.sheet", trashed));
    EXPECT_EQ(trashed, bytes);

    TTrash trash(sheets);
    trash.Load();
    {
        // No second name on this disk, and no room for a copy.
        TFullDisk full(Dir(), "link+write:ENOSPC:call=1");
        EXPECT_EQ(trash.Restore(0, {}), "");
    }
    EXPECT_FALSE(QFile::exists(sheets + "/a.sheet"));
    EXPECT_EQ(Leftovers(sheets), QStringList());
    ASSERT_TRUE(ReadWholeFile(sheets + "/deleted/a.sheet", trashed));
    EXPECT_EQ(trashed, bytes);
    EXPECT_EQ(trash.Restore(0, {}), "a.sheet");
    ASSERT_TRUE(ReadWholeFile(sheets + "/a.sheet", trashed));
    EXPECT_EQ(trashed, bytes);
}

TEST_F(FullDiskTest, ATrashedNoteThatCannotBeReadIsListedAsAnError) {
    const QString sheets = Dir() + "/sheets";
    QDir().mkpath(sheets + "/deleted");
    WriteBytes(sheets + "/deleted/a.sheet", "[Sheet]\r\nTitle=t\r\n");
    TTrash trash(sheets);
    {
        TFullDisk broken(sheets + "/deleted", "read:EIO:call=1");
        trash.Load();
    }
    ASSERT_EQ(trash.Rows().size(), 1);
    EXPECT_EQ(trash.Rows()[0].Title, "-error-");
    trash.Load();
    EXPECT_EQ(trash.Rows()[0].Title, "t");
}

// No fake platform: the program's own user store.
TEST(FullDisk, TheAutostartEntryAndTheUserStoreKeepTheirFiles) {
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    const QString key = "\\Software\\Quorvel\\Notella";
    ASSERT_TRUE(WriteAutostartEntry("/opt/stary/notella"));
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, key, "LastApplicationDir", "/opt/stary/"));
    for (const char* failure : Failures) {
        SCOPED_TRACE(failure);
        {
            TFullDisk full(home.path(), failure);
            EXPECT_FALSE(WriteAutostartEntry("/opt/nowy/notella"));
            EXPECT_FALSE(
                RegWriteString(HKEY_CURRENT_USER, key, "LastApplicationDir", "/opt/nowy/"));
        }
        EXPECT_EQ(ReadAutostartEntry(), "/opt/stary/notella");
        EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, key, "LastApplicationDir"), "/opt/stary/");
        EXPECT_EQ(Leftovers(home.path() + "/autostart") + Leftovers(home.path() + "/Quorvel"),
                  QStringList());
    }
    EXPECT_TRUE(WriteAutostartEntry("/opt/nowy/notella"));
    EXPECT_EQ(ReadAutostartEntry(), "/opt/nowy/notella");
    qputenv("XDG_CONFIG_HOME", savedHome);
}
