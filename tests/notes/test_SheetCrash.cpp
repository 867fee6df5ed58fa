#include "common/Formats.h"
#include "common/IniFile.h"
#include "notes/SheetFile.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// The version a note file holds when it is complete and consistent; -1 otherwise.
int CompleteVersion(const QString& file) {
    if (!QFile::exists(file))
        return -1;
    TMemIniFile ini(file);
    const TSheetRecord r = ReadSheetRecord(ini, 0);
    bool ok = false;
    const int version = r.Title.mid(1).toInt(&ok);
    if (!ok || !r.Title.startsWith('v') || r.Lines.size() != MaxSheetLines)
        return -1;
    for (int i = 0; i < MaxSheetLines; ++i)
        if (r.Lines[i] !=
            QStringLiteral("wersja %1 linia %2 zażółć gęślą jaźń").arg(version).arg(i))
            return -1;
    return version;
}

} // namespace

// Power loss is approximated by SIGKILL: whatever instant the saver dies at, the note holds
// the last version whose save returned, or the one being written, complete.
TEST(SheetCrash, KilledDuringSavesLeavesAWholeVersion) {
    SetStartFormats();
    QTemporaryDir dir;
    const QString file = dir.filePath("n.sheet");
    int lastSeen = 0;
    for (int round = 0; round < 25; ++round) {
        QProcess saver;
        saver.start(QStringLiteral(NOTELLA_SAVE_LOOP), {file});
        ASSERT_TRUE(saver.waitForStarted(5000));
        // Wait for at least one save of this round, then a random instant more.
        QByteArray out;
        while (!out.contains('\n')) {
            ASSERT_TRUE(saver.waitForReadyRead(5000)) << "saver produced nothing";
            out += saver.readAllStandardOutput();
        }
        QThread::usleep(QRandomGenerator::global()->bounded(0, 15000));
        ::kill(static_cast<pid_t>(saver.processId()), SIGKILL);
        ASSERT_TRUE(saver.waitForFinished(5000));
        out += saver.readAllStandardOutput();
        const QList<QByteArray> lines = out.trimmed().split('\n');
        const int lastReturned = lines.last().toInt();
        ASSERT_GT(lastReturned, 0);

        const int held = CompleteVersion(file);
        ASSERT_NE(held, -1) << "round " << round << ": the note is torn or missing";
        EXPECT_TRUE(held == lastReturned || held == lastReturned + 1)
            << "round " << round << ": holds v" << held << " after v" << lastReturned;
        // Each round starts counting again from 1 over the previous round's file.
        const QString bak = SheetBackupName(file);
        if (QFile::exists(bak) && held > 1) {
            const int backup = CompleteVersion(bak);
            EXPECT_NE(backup, -1) << "round " << round << ": the backup is torn";
        }
        lastSeen = held;
    }
    EXPECT_GT(lastSeen, 0);
}
