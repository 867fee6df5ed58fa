#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>

// One check per reader of outside data. Each takes the bytes of one input as they would lie
// on the disk, reads them, writes what it read and reads that again; it returns what went
// wrong (empty when nothing did). A crash is the other way to fail.
using TFuzzCheck = QString (*)(const QByteArray& bytes);

QString CheckIni(const QByteArray& bytes);
QString CheckSheet(const QByteArray& bytes);
QString CheckTimetable(const QByteArray& bytes);
QString CheckSettings(const QByteArray& bytes);
QString CheckUserStore(const QByteArray& bytes);
QString CheckAutostart(const QByteArray& bytes);
QString CheckIniText(const QByteArray& bytes);
QString CheckDates(const QByteArray& bytes);
QString CheckICal(const QByteArray& bytes);

struct TFuzzTarget {
    const char* Name; // the folder of its seeds and crash inputs
    TFuzzCheck Check;
};
std::span<const TFuzzTarget> FuzzTargets();

// For libFuzzer: runs the check and aborts with the reason when it fails.
int RunFuzzCheck(TFuzzCheck check, const std::uint8_t* data, std::size_t size);
