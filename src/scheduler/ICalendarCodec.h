#pragma once

#include "scheduler/ICalendar.h"

// What the iCalendar module offers. The program's own parts that it needs come with each call:
// the current moment and the entry's summary in the program's date formats.
using TEntrySummary = QString (*)(const TTimetableEntry&);
struct TICalendarCodec {
    QByteArray (*Export)(std::span<const TTimetableEntry> entries, TDateTime now,
                         TEntrySummary summary);
    TICalendarImport (*Read)(const QByteArray& data, std::span<const TTimetableEntry> existing,
                             TDateTime now, TEntrySummary summary);
};

extern "C" const TICalendarCodec* NotellaICalendarCodec();
