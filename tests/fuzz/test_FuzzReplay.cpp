#include "FuzzChecks.h"
#include "support/PrintQString.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QFileInfoList Inputs(const QString& folder, const char* target) {
    return QDir(QStringLiteral(NOTELLA_FUZZ_DIR "/") + folder + '/' + QLatin1String(target))
        .entryInfoList(QDir::Files, QDir::Name);
}

void ReplayFolder(const QString& folder) {
    for (const TFuzzTarget& target : FuzzTargets())
        for (const QFileInfo& input : Inputs(folder, target.Name)) {
            QFile f(input.filePath());
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(input.filePath());
            EXPECT_EQ(target.Check(f.readAll()), QString()) << qPrintable(input.filePath());
        }
}

} // namespace

TEST(FuzzReplay, EverySeedPassesItsCheck) {
    for (const TFuzzTarget& target : FuzzTargets())
        EXPECT_FALSE(Inputs(QStringLiteral("corpus"), target.Name).isEmpty()) << target.Name;
    ReplayFolder(QStringLiteral("corpus"));
}

TEST(FuzzReplay, EveryInputThatOnceFailedPassesItsCheck) {
    ReplayFolder(QStringLiteral("regressions"));
}
