#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <stdexcept>

// A moment as days since 1899-12-30 plus the fraction of the day; 0.0 doubles as "not set".
using TDateTime = double;

// The double nearest 1/1440: every minutes-to-span conversion multiplies by it.
inline constexpr double OneMinute = 0.0006944444444444445;
inline constexpr std::int64_t MinutesPerDay = 1440;
inline constexpr std::int64_t MSecsPerDay = 86400000;

class EConvertError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

struct TDateParts {
    int Year = 0, Month = 0, Day = 0;
};
struct TTimeParts {
    int Hour = 0, Minute = 0, Second = 0, MSec = 0;
};

TDateTime DatePart(TDateTime t);
TDateTime TimePart(TDateTime t);
// The value with the date of `newDay` (its time of day kept) or the time of day of `newTime`
// (its date kept), as a date picker and a time picker change it.
TDateTime ReplaceDatePart(TDateTime value, TDateTime newDay);
TDateTime ReplaceTimePart(TDateTime value, TDateTime newTime);

TDateTime MinutesToDateTime(std::int64_t minutes);
TDateTime AddMinutes(TDateTime t, std::int64_t minutes);
TDateTime SubtractMinutes(TDateTime t, std::int64_t minutes);

// Day number * 1440 + hour * 60 + minute; seconds and milliseconds dropped.
std::int64_t WholeMinutes(TDateTime t);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

std::optional<TDateTime> TryEncodeDate(int year, int month, int day);
std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int msec);
// Throw EConvertError on an impossible value.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);

TDateParts DecodeDate(TDateTime t);
TTimeParts DecodeTime(TDateTime t);

// Sunday = 1 .. Saturday = 7.
int DayOfWeek(TDateTime t);
// Monday = 1 .. Sunday = 7.
int SchedulerWeekday(TDateTime t);
// Name for a scheduler weekday number 1..7; empty outside that range.
QString WeekdayNameOf(int schedulerWeekday);
QString WeekdayName(TDateTime t);

// Reminder lengths shown as a value and a unit ("minut", "godzin", "dni").
int RemindUnitIndex(std::int64_t minutes);
std::int64_t RemindValue(std::int64_t minutes);
QString RemindUnitWord(std::int64_t minutes);
QString RemindUnitWordOf(int unitIndex);
std::int64_t RemindUnitMinutes(int unitIndex);
// An amount in a unit as minutes; none when they do not fit a signed 32-bit number.
std::optional<int> RemindToMinutes(std::int64_t value, int unitIndex);
// The last minute a moment may reach, 9999-12-31 23:59: five-digit years cannot be written.
std::int64_t LastWholeMinute();
