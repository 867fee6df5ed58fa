#include "app/Unitmain.h"
#include "common/TextFile.h"
#include "notes/Trash.h"
#include "notes/Unitkart.h"
#include "scheduler/Timetable.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

// Pipes, folders, a link loop and a name that is not UTF-8, each where the program reads a file.
void PlantOddFiles(const QString& dir) {
    for (const char* sub : {"sheets/deleted", "timetable", "sound"})
        ASSERT_TRUE(QDir().mkpath(dir + '/' + sub));
    for (const char* pipe :
         {"sheets/pipe.sheet", "sheets/deleted/pipe.sheet", "timetable/timetable.ini",
          "timetable/timetable_deleted.ini", "sound/pipe.wav", "notella.ini"})
        ASSERT_EQ(::mkfifo(Native(dir + '/' + pipe).constData(), 0600), 0) << pipe;
    for (const char* folder : {"sheets/dir.sheet", "sheets/deleted/dir.sheet", "sound/dir.wav"})
        ASSERT_TRUE(QDir().mkpath(dir + '/' + folder));
    for (const char* loop : {"sheets/loop.sheet", "sheets/deleted/loop.sheet"})
        ASSERT_EQ(::symlink("loop.sheet", Native(dir + '/' + loop).constData()), 0);
    const QByteArray note = "[Position]\r\nLeft=%1\r\nTop=10\r\n[Sheet]\r\nText0=x\r\n";
    ASSERT_TRUE(WriteFileSynced(dir + "/sheets/good.sheet", QByteArray(note).replace("%1", "10")));
    const QByteArray odd = Native(dir + "/sheets/") + "z\xff\xfe.sheet";
    ASSERT_TRUE(WriteFileSynced(QFile::decodeName(odd), QByteArray(note).replace("%1", "20")));
    ASSERT_TRUE(WriteFileSynced(dir + "/sheets/deleted/old.sheet", QByteArray(note)));
}

} // namespace

TEST(OddFiles, StartLoadsTheRestAndNeverWaits) {
    TFakePlatform fake;
    const QString dir = fake.Directory.Dir();
    PlantOddFiles(dir);
    // A settings file that could not be read is not written over, and that is told.
    fake.MessageBoxes.FailUnscripted = false;
    const QStringList before = QDir(dir + "/sheets").entryList(QDir::AllEntries | QDir::System);
    // A child, so that a wait fails the test instead of holding the run.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(10);
        int failed = 0;
        {
            TFormMain form;
            form.FormCreate();
            // The note under a name that is not UTF-8 loads too.
            QList<int> lefts;
            for (TFormKartka* sheet : form.Sheets)
                lefts.append(sheet->pos().x());
            std::sort(lefts.begin(), lefts.end());
            if (lefts != QList<int>{10, 20})
                failed |= 1;
            TTrash trash(form.SheetsDir);
            trash.Load();
            if (trash.Rows().size() != 1)
                failed |= 2;
        }
        ::_exit(failed);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: notes, 2: trash";
    EXPECT_EQ(QDir(dir + "/sheets").entryList(QDir::AllEntries | QDir::System), before)
        << "nothing made or removed beside the odd files";
}
