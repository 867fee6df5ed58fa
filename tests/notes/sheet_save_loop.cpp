// Saves one note over and over, each version self-describing, and reports every save that
// returned. The crash test kills it at random moments.
#include "notes/SheetFile.h"

#include <QCoreApplication>

#include <cstdio>

TSheetRecord VersionRecord(int version) {
    TSheetRecord r;
    r.Title = QStringLiteral("v%1").arg(version);
    r.Left = version % 500;
    r.Top = 10;
    for (int i = 0; i < MaxSheetLines; ++i)
        r.Lines << QStringLiteral("wersja %1 linia %2 zażółć gęślą jaźń").arg(version).arg(i);
    return r;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString file = QString::fromLocal8Bit(argv[1]);
    for (int version = 1;; ++version) {
        if (!SaveSheetFile(file, VersionRecord(version)))
            return 1;
        std::printf("%d\n", version);
        std::fflush(stdout);
    }
}
