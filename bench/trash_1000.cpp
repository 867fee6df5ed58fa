// Opening the trash window on 1000 thrown-away notes (ten lines each, every tenth one of 300
// lines): the listing alone and the window until it is painted. Run by hand:
//   cmake --build build --target bench_trash && build/bench/bench_trash [runs]
#include "notes/SheetFile.h"
#include "notes/Trash.h"
#include "notes/Unitsheetslist.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Notes = 1000;

void FillTrash(const QString& sheetsDir) {
    QDir().mkpath(sheetsDir + QStringLiteral("deleted"));
    for (int i = 0; i < Notes; ++i) {
        TSheetRecord note;
        note.Left = 10 * (i % 50);
        note.Top = 10 * (i % 40);
        note.Title = QStringLiteral("Karteczka %1").arg(i);
        const int lines = i % 10 == 0 ? 300 : 10;
        for (int l = 0; l < lines; ++l)
            note.Lines << QStringLiteral("Linia %1: zażółć gęślą jaźń, coś do zrobienia").arg(l);
        SaveSheetFile(sheetsDir + QStringLiteral("deleted/%1.sheet").arg(i), note);
    }
}

// Median and worst of `runs` timings, in milliseconds.
void Report(const char* what, int runs, const std::function<void()>& run) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-40s median %7.1f ms, worst %7.1f ms (%d runs)\n", what, ms[ms.size() / 2],
                ms.back(), runs);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 20;
    QTemporaryDir temp;
    const QString sheets = temp.path() + QStringLiteral("/sheets/");
    FillTrash(sheets);
    // "*.sheet$" images and ".bak" copies stay beside them, as they would not in the trash.
    for (const QString& extra :
         QDir(sheets + QStringLiteral("deleted"))
             .entryList({QStringLiteral("*.sheet$"), QStringLiteral("*.bak")}, QDir::Files))
        QFile::remove(sheets + QStringLiteral("deleted/") + extra);

    Report("listing 1000 notes (TTrash::Load)", runs, [&] {
        TTrash trash(sheets);
        trash.Load();
        if (trash.Rows().size() != Notes)
            std::fprintf(stderr, "listed %lld notes\n",
                         static_cast<long long>(trash.Rows().size()));
    });
    Report("window shown and painted", runs, [&] {
        TFormSheetsList window(sheets, {});
        window.show();
        window.ListView1->viewport()->repaint();
        window.repaint();
    });
    return 0;
}
