// iCalendar: the export of a full timetable (5000 entries) to a file, and the import of that
// 5000-event file into an empty timetable, its save included. Each must stay under a second.
// Run by hand:
//   cmake --build build --target bench_ical && build/bench/bench_ical [dir]
#include "BenchSupport.h"
#include "platform/Platform.h"
#include "scheduler/ICalendar.h"
#include "scheduler/Timetable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
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
    for (int i = 0; i < TTimetable::capacity; ++i) {
        TTimetableEntry e;
        e.kind = 1 + i % 6;
        e.date = EncodeDate(2026 + i % 3, 1 + i % 12, 1 + i % 28);
        e.time = EncodeTime(i % 24, i % 60, 0, 0);
        e.dayofweek = 1 + i % 7;
        e.dayofmonth = 1 + i % 28; // every yearly date exists: 5000 events
        e.month = 1 + i % 12;
        e.minute = 5 + i % 120;
        e.remindbefore = i % 3 * 60;
        e.notka = QStringLiteral("Wpis %1: zażółć gęślą jaźń\r\ndruga linia notatki").arg(i);
        table.Insert(e);
    }
    const QString file = directory.Dir() + QStringLiteral("/terminarz.ics");

    std::vector<double> exports, imports;
    int imported = 0;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer t;
        t.start();
        QString error;
        if (!ExportICalendarFile(table, file, error)) {
            std::fprintf(stderr, "export failed: %s\n", qPrintable(error));
            return 1;
        }
        exports.push_back(t.nsecsElapsed() / 1e6);

        TTimetable empty;
        t.restart();
        const TICalendarOutcome outcome = ImportICalendarFile(empty, file);
        imports.push_back(t.nsecsElapsed() / 1e6);
        if (!outcome.Changed) {
            std::fprintf(stderr, "import failed: %s\n", qPrintable(outcome.Message));
            return 1;
        }
        imported = empty.count();
    }
    const double exportMs = Median(exports);
    const double importMs = Median(imports);
    std::printf("export of %d entries (%.1f MB): median %.1f ms%s\n", table.count(),
                QFileInfo(file).size() / 1e6, exportMs, exportMs < 1000 ? "" : "  TOO SLOW");
    std::printf(
        "import of that file into an empty timetable (%d entries, saved): median %.1f ms%s\n",
        imported, importMs, importMs < 1000 ? "" : "  TOO SLOW");
    return exportMs < 1000 && importMs < 1000 ? 0 : 1;
}
