// Time of Save and Load of a full timetable (5000 entries, flushes included), run by hand:
//   cmake --build build --target bench_timetable && build/bench/bench_timetable [dir]
#include "platform/Platform.h"
#include "scheduler/Timetable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class TBenchDirectory final : public IProgramDirectory {
public:
    explicit TBenchDirectory(QString dir) : Path(std::move(dir)) {}
    QString ExePath() const override { return Path + QStringLiteral("/notella"); }
    QString Dir() const override { return Path; }
    QString Path;
};

double Median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    TBenchDirectory directory(argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path());
    Platform().Directory = &directory;

    TTimetable table;
    for (int i = 0; i < TTimetable::capacity; ++i) {
        TTimetableEntry e;
        e.kind = 1 + i % 6;
        e.date = EncodeDate(2026, 1 + i % 12, 1 + i % 28);
        e.time = EncodeTime(i % 24, i % 60, 0, 0);
        e.dayofweek = 1 + i % 7;
        e.dayofmonth = 1 + i % 31;
        e.month = 1 + i % 12;
        e.minute = 5 + i % 120;
        e.remindbefore = i % 3 * 60;
        e.notka = QStringLiteral("Wpis %1: zażółć gęślą jaźń\r\ndruga linia notatki").arg(i);
        table.Insert(e);
    }
    std::vector<double> save, load;
    for (int round = 0; round < 15; ++round) {
        QElapsedTimer t;
        t.start();
        if (!table.Save()) {
            std::fprintf(stderr, "save failed\n");
            return 1;
        }
        save.push_back(t.nsecsElapsed() / 1e6);
        TTimetable loaded;
        t.restart();
        loaded.Load();
        load.push_back(t.nsecsElapsed() / 1e6);
        if (loaded.count() != table.count()) {
            std::fprintf(stderr, "load gave %d entries\n", loaded.count());
            return 1;
        }
    }
    std::printf("5000-entry timetable: save median %.1f ms, load median %.1f ms (%zu rounds)\n",
                Median(save), Median(load), save.size());
    return 0;
}
