// Time of one note save (300 lines, flushes included), run by hand:
//   cmake --build build --target bench_save_note && build/bench/bench_save_note [dir]
#include "notes/SheetFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    TSheetRecord note;
    note.Left = 100;
    note.Top = 100;
    note.Title = QStringLiteral("Pomiar");
    for (int i = 0; i < 300; ++i)
        note.Lines
            << QStringLiteral("Linia %1 notatki z polskimi znakami: zażółć gęślą jaźń").arg(i);
    std::vector<double> ms;
    for (int i = 0; i < 50; ++i) {
        note.Lines[0] = QString::number(i);
        QElapsedTimer t;
        t.start();
        if (!SaveSheetFile(dir + QStringLiteral("/bench.sheet"), note)) {
            std::fprintf(stderr, "save failed\n");
            return 1;
        }
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("300-line note save: median %.2f ms, worst %.2f ms (%zu saves)\n",
                ms[ms.size() / 2], ms.back(), ms.size());
    return 0;
}
