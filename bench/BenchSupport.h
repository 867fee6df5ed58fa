#pragma once

#include "platform/Platform.h"

#include <QString>

#include <algorithm>
#include <vector>

// The program directory of a benchmark: a folder it names, so runs can use a real disk.
class TBenchDirectory final : public IProgramDirectory {
public:
    explicit TBenchDirectory(QString dir) : Path(std::move(dir)) {}
    QString ExePath() const override { return Path + QStringLiteral("/notella"); }
    QString Dir() const override { return Path; }
    QString Path;
};

inline double Median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}
