// The scheduler list window over a full timetable (5000 entries): opening it (shown and
// painted), RefreshList with no filter, with a text filter every note matches and with one
// none matches (each with and without the repaint it causes), and a keystroke in the filter.
// Then the same with 20 KB notes. Run by hand, on a display or offscreen:
//   cmake --build build --target bench_list_window && build/bench/bench_list_window [rounds]
#include "BenchSupport.h"
#include "common/Formats.h"
#include "platform/Platform.h"
#include "scheduler/Timetable.h"
#include "scheduler_ui/Unitterminarzmanager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

double Max(const std::vector<double>& ms) {
    return *std::max_element(ms.begin(), ms.end());
}

std::vector<double> Time(int rounds, const std::function<void()>& what) {
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        what();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    return ms;
}

void Report(const char* what, const std::vector<double>& ms) {
    std::printf("  %-52s median %7.2f ms, worst %7.2f ms\n", what, Median(ms), Max(ms));
}

void Fill(TTimetable& table, int noteLength) {
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
        QString note = QStringLiteral("Wpis %1: zażółć gęślą jaźń\r\ndruga linia notatki, ").arg(i);
        while (note.size() < noteLength)
            note += QStringLiteral("Spotkanie z klientem w sprawie umowy. ");
        note.truncate(std::max<qsizetype>(noteLength, 40));
        e.notka = note;
        table.Insert(e);
    }
}

void Run(TTimetable& table, int rounds) {
    std::vector<double> open;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        auto w = std::make_unique<TFormTerminarzManager>(nullptr, table);
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            std::fprintf(stderr, "window not exposed\n");
        w->repaint();
        open.push_back(t.nsecsElapsed() / 1e6);
        w->hide();
    }
    Report("open (create, show, first paint)", open);

    TFormTerminarzManager w(nullptr, table);
    w.show();
    (void)QTest::qWaitForWindowExposed(&w);
    w.TimerRefresh->setInterval(1000000); // the keystrokes below time the key alone
    auto refresh = [&](const QString& filter, bool paint) {
        const QSignalBlocker quiet(w.EditContain);
        w.EditContain->setText(filter);
        return Time(rounds, [&] {
            w.RefreshList();
            if (paint)
                w.StringGrid->viewport()->repaint();
        });
    };
    Report("RefreshList, no filter", refresh({}, false));
    Report("RefreshList, no filter, with repaint", refresh({}, true));
    Report("RefreshList, text every note has (\"ŻÓŁĆ\")", refresh(QStringLiteral("ŻÓŁĆ"), false));
    Report("RefreshList, text every note has, with repaint", refresh(QStringLiteral("ŻÓŁĆ"), true));
    Report("RefreshList, text no note has (\"qqxz\")", refresh(QStringLiteral("qqxz"), false));
    Report("RefreshList, text no note has, with repaint", refresh(QStringLiteral("qqxz"), true));
    if (w.RowCount() != 2)
        std::fprintf(stderr, "no-match filter lists %d rows\n", w.RowCount() - 1);

    w.EditContain->clear();
    w.EditContain->setFocus();
    QApplication::processEvents();
    Report("keystroke in the filter, with its repaint", Time(rounds * 4, [&] {
               QTest::keyClick(w.EditContain, Qt::Key_A);
               w.EditContain->repaint();
           }));
    w.hide();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(3, atoi(argv[1])) : 15;
    QTemporaryDir temp;
    TBenchDirectory directory(temp.path());
    Platform().Directory = &directory;
    SetStartFormats();

    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    {
        TTimetable table;
        Fill(table, 120);
        std::printf("5000 entries, notes of about 120 characters:\n");
        Run(table, rounds);
    }
    {
        TTimetable table;
        Fill(table, 20 * 1024);
        std::printf("5000 entries, notes of 20 KB:\n");
        Run(table, std::max(3, rounds / 3));
    }
    return 0;
}
