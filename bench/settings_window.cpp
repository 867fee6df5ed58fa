// Opening the settings window as the tray item does: the sound folder read (200 WAV files and
// some that are none), the window built, filled and shown until it is on the screen. The first
// opening of a run is reported apart: it loads the fonts and the style. Run by hand:
//   cmake --build build --target bench_settings_window && build/bench/bench_settings_window [runs]
#include "app/SettingsForm.h"
#include "app/Unitsettings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Sounds = 200;

double OpenOnce(const QString& dir, const TAppSettings& settings) {
    QElapsedTimer t;
    t.start();
    const QStringList sounds = SoundFileNames(dir);
    auto* form = new TFormSettings;
    form->Fill(ChoiceFromSettings(settings, false, sounds), sounds);
    form->show();
    if (!QTest::qWaitForWindowExposed(form, 5000))
        std::fprintf(stderr, "the window was not shown\n");
    QCoreApplication::processEvents();
    const double ms = t.nsecsElapsed() / 1e6;
    delete form;
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 50;

    QTemporaryDir dir;
    auto touch = [&](const QString& name) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write("RIFF");
    };
    for (int i = 0; i < Sounds; ++i)
        touch(QStringLiteral("dzwiek%1.wav").arg(i, 3, 10, QLatin1Char('0')));
    touch(QStringLiteral("opis.txt"));
    QDir(dir.path()).mkdir(QStringLiteral("katalog.wav"));
    TAppSettings settings;
    settings.ActivateSheet = QStringLiteral("DZWIEK150.WAV"); // found but for letter case
    settings.ActivateSheetPlaySound = true;

    const double first = OpenOnce(dir.path(), settings);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i)
        ms.push_back(OpenOnce(dir.path(), settings));
    std::sort(ms.begin(), ms.end());
    std::printf("platform %s, %d sound files\n", qPrintable(QGuiApplication::platformName()),
                Sounds);
    std::printf("%-36s %7.3f ms\n", "first opening", first);
    std::printf("%-36s median %7.3f ms, max %7.3f ms (%zu runs)\n", "opening the settings window",
                ms[ms.size() / 2], ms.back(), ms.size());
    return 0;
}
