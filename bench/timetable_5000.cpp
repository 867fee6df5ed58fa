// A full timetable (5000 entries): Save and Load (flushes included), 5000 Inserts, a tick
// over entries none of which is due, the list window's filters, and a Remove into an archive
// of 50 000 entries.
// Run by hand:
//   cmake --build build --target bench_timetable && build/bench/bench_timetable [dir]
#include "BenchSupport.h"
#include "common/IniFile.h"
#include "platform/Platform.h"
#include "scheduler/SchedulerTick.h"
#include "scheduler/Timetable.h"
#include "scheduler_ui/TerminarzFilter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    TBenchDirectory directory(argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path());
    Platform().Directory = &directory;

    TTimetable table;
    QElapsedTimer inserting;
    inserting.start();
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
    const double insertMs = inserting.nsecsElapsed() / 1e6;
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
    std::printf("5000-entry timetable: save median %.1f ms, load median %.1f ms (%zu rounds), "
                "5000 inserts %.1f ms\n",
                Median(save), Median(load), save.size(), insertMs);

    // Acknowledged in the future: nothing is due, every entry is looked at.
    for (TTimetableEntry& e : table.entries())
        e.lastshowdate = Now() + 365;
    TAppSettings settings;
    TSchedulerTick tick(table, settings, [] { return false; });
    std::vector<double> ticks;
    for (int round = 0; round < 50; ++round) {
        QElapsedTimer t;
        t.start();
        tick.Tick();
        ticks.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("tick over 5000 entries, none due: median %.3f ms\n", Median(ticks));

    for (const auto& [name, filter] : std::vector<std::pair<const char*, TListFilter>>{
             {"no filter", {}},
             {"a kind", {KindWeekly, {}}},
             {"text every note has", {0, QStringLiteral("ŻÓŁĆ")}},
             {"text no note has", {0, QStringLiteral("qqxz")}}}) {
        std::vector<double> ms;
        size_t listed = 0;
        for (int round = 0; round < 50; ++round) {
            QElapsedTimer t;
            t.start();
            listed = FilterEntries(table.entries(), filter).size();
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
        std::printf("list filter over 5000 entries, %s (%zu listed): median %.3f ms\n", name,
                    listed, Median(ms));
    }

    TMemIniFile archive(TTimetable::ArchiveFileName());
    archive.WriteInteger(QStringLiteral("TimeTable"), QStringLiteral("Count"), 50000);
    const TTimetableEntry sample = table.entries()[0];
    for (int i = 0; i < 50000; ++i)
        WriteTimetableEntry(archive, QStringLiteral("TT%1").arg(i), sample);
    if (!archive.UpdateFile()) {
        std::fprintf(stderr, "archive not written\n");
        return 1;
    }
    QElapsedTimer removing;
    removing.start();
    table.Remove(0);
    std::printf("remove into a 50000-entry archive: %.1f ms\n", removing.nsecsElapsed() / 1e6);
    return 0;
}
