#pragma once

#include "common/DateUtils.h"
#include "scheduler/Timetable.h"

#include <QString>

#include <cstdint>
#include <optional>

// Which of the tick's checks opened an alarm.
enum class TAlarmCause { Moment, Postponed, Early };

// The heading's second line: how far the due moment is ("  Za ...", "  Aktualne od ...",
// "  Aktualne!") and its weekday in parentheses. `offset` as the scheduler tick reports it.
QString AlarmOffsetLine(const TTimetableEntry& entry, TDateTime due, std::int64_t offset,
                        TAlarmCause cause);
// The entry's summary, a line feed, and the offset line.
QString AlarmHeading(const TTimetableEntry& entry, TDateTime due, std::int64_t offset,
                     TAlarmCause cause);

// The postponement typed into the alarm window: an amount of units of 1, 60 or 1440 minutes
// (unit index 0, 1, 2; any other index counts as minutes). None for text that is not a whole
// number, for -1, for minutes beyond a signed 32-bit number and for a moment after
// 9999-12-31. An amount below 0 postpones nothing, like 0.
std::optional<std::int64_t> PostponementMinutes(const QString& amount, int unitIndex,
                                                TDateTime now);
// The moment the postponed alarm comes: only for an accepted amount greater than 0.
std::optional<TDateTime> PostponedMoment(const QString& amount, int unitIndex, TDateTime now);

// OK on an alarm: `remindafter` becomes Now() plus the postponement (Now() itself when there
// is none) and `lastshowdate` the moment read after it, so that no postponed alarm follows a
// postponement of 0. A rejected amount leaves the entry as it was and answers false.
bool AcknowledgeAlarm(TTimetableEntry& entry, const QString& amount, int unitIndex);

// Where the entry an alarm window shows is now: `index` while it still holds the entry marked
// shown, else wherever that entry has moved; -1 once it is gone.
int LocateShownEntry(const TTimetable& timetable, int index);
