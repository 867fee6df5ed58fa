// The year calendar: the time from creating the window until all twelve month grids are drawn,
// and of one year step (">>") with the repaint of every grid. Run by hand (offscreen unless
// QT_QPA_PLATFORM says otherwise, e.g. xcb on an Xvfb display):
//   cmake --build build --target bench_calendar && build/bench/bench_calendar [runs]
#include "common/Formats.h"
#include "scheduler_ui/Unitkalendarz.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Collects the grids that have been painted since the last Reset.
class TPaintWatch final : public QObject {
public:
    void Watch(TFormKalendarz& f) {
        for (TCCalendar* grid : f.Calendars)
            grid->installEventFilter(this);
    }
    void Reset() { Painted.clear(); }
    bool AllTwelve() const { return Painted.size() == 12; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            Painted.insert(watched);
        return false;
    }

private:
    QSet<QObject*> Painted;
};

// Lets the events run until every grid has been drawn; false when that takes over 5 s.
bool WaitForTwelve(const TPaintWatch& watch) {
    QElapsedTimer limit;
    limit.start();
    while (!watch.AllTwelve()) {
        if (limit.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

double Ms(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %7.3f ms, max %7.3f ms (%zu runs)\n", what, ms[ms.size() / 2],
                ms.back(), ms.size());
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    SetStartFormats();
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 50;

    std::vector<double> open;
    std::vector<double> step;
    for (int i = 0; i < runs; ++i) {
        TPaintWatch watch;
        QElapsedTimer t;
        t.start();
        auto f = std::make_unique<TFormKalendarz>();
        watch.Watch(*f);
        f->show();
        if (!WaitForTwelve(watch)) {
            std::fprintf(stderr, "the grids were not drawn\n");
            return 1;
        }
        open.push_back(Ms(t));

        watch.Reset();
        t.restart();
        f->ButtonNext->click();
        if (!WaitForTwelve(watch)) {
            std::fprintf(stderr, "a year step did not redraw the grids\n");
            return 1;
        }
        step.push_back(Ms(t));
    }
    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    Report("open until all twelve grids are drawn", open);
    Report("year step (>>) with every grid redrawn", step);
    return 0;
}
