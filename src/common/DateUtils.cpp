#include "common/DateUtils.h"

#include <array>
#include <cmath>
#include <limits>

namespace {

// Days from 0001-01-01 to 1899-12-30.
constexpr std::int64_t DateDelta = 693594;

struct TTimeStamp {
    std::int64_t Day;  // days since 1899-12-30
    std::int64_t Time; // milliseconds into the day
};

// The time of day is rounded to the millisecond; a time that rounds up to a whole day
// belongs to the next day, so date and time never disagree.
TTimeStamp ToTimeStamp(TDateTime t) {
    const double whole = std::trunc(t);
    auto day = static_cast<std::int64_t>(whole);
    auto ms = static_cast<std::int64_t>(
        std::llround(std::fabs(t - whole) * static_cast<double>(MSecsPerDay)));
    if (ms >= MSecsPerDay) {
        ms -= MSecsPerDay;
        ++day;
    }
    return {day, ms};
}

std::int64_t DaysBeforeYear(std::int64_t y) {
    --y;
    return y * 365 + y / 4 - y / 100 + y / 400;
}

} // namespace

TDateTime DatePart(TDateTime t) {
    return std::trunc(t);
}

TDateTime TimePart(TDateTime t) {
    return t - std::trunc(t);
}

// A negative moment counts its time of day forward from its day, away from zero.
TDateTime ReplaceDatePart(TDateTime value, TDateTime newDay) {
    const double timeOfDay = std::fabs(TimePart(value));
    const double day = DatePart(newDay);
    return day < 0 ? day - timeOfDay : day + timeOfDay;
}

TDateTime ReplaceTimePart(TDateTime value, TDateTime newTime) {
    const double timeOfDay = std::fabs(TimePart(newTime));
    const double day = DatePart(value);
    return day < 0 ? day - timeOfDay : day + timeOfDay;
}

TDateTime MinutesToDateTime(std::int64_t minutes) {
    return static_cast<double>(minutes) * OneMinute;
}

TDateTime AddMinutes(TDateTime t, std::int64_t minutes) {
    return t + MinutesToDateTime(minutes);
}

TDateTime SubtractMinutes(TDateTime t, std::int64_t minutes) {
    return t - MinutesToDateTime(minutes);
}

std::int64_t WholeMinutes(TDateTime t) {
    const TTimeStamp ts = ToTimeStamp(t);
    return ts.Day * MinutesPerDay + ts.Time / 60000;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

std::optional<TDateTime> TryEncodeDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return std::nullopt;
    std::int64_t days = DaysBeforeYear(year);
    for (int m = 1; m < month; ++m)
        days += DaysInMonth(year, m);
    days += day;
    return static_cast<double>(days - DateDelta);
}

std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int msec) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        msec < 0 || msec > 999)
        return std::nullopt;
    const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + msec;
    return static_cast<double>(ms) / static_cast<double>(MSecsPerDay);
}

TDateTime EncodeDate(int year, int month, int day) {
    if (auto d = TryEncodeDate(year, month, day))
        return *d;
    throw EConvertError("Nieprawidłowa data");
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    if (auto t = TryEncodeTime(hour, minute, second, msec))
        return *t;
    throw EConvertError("Nieprawidłowy czas");
}

TDateParts DecodeDate(TDateTime t) {
    // Days since 0001-01-01 counted from 0, then the civil date by 400/100/4/1-year cycles.
    std::int64_t d = ToTimeStamp(t).Day + DateDelta - 1;
    if (d < 0)
        return {};
    std::int64_t y = 1;
    y += (d / 146097) * 400;
    d %= 146097;
    std::int64_t c = d / 36524;
    if (c == 4)
        c = 3;
    y += c * 100;
    d -= c * 36524;
    y += (d / 1461) * 4;
    d %= 1461;
    std::int64_t n = d / 365;
    if (n == 4)
        n = 3;
    y += n;
    d -= n * 365;
    TDateParts p;
    p.Year = static_cast<int>(y);
    p.Month = 1;
    while (d >= DaysInMonth(p.Year, p.Month)) {
        d -= DaysInMonth(p.Year, p.Month);
        ++p.Month;
    }
    p.Day = static_cast<int>(d) + 1;
    return p;
}

TTimeParts DecodeTime(TDateTime t) {
    const std::int64_t ms = ToTimeStamp(t).Time;
    TTimeParts p;
    p.Hour = static_cast<int>(ms / 3600000);
    p.Minute = static_cast<int>(ms / 60000 % 60);
    p.Second = static_cast<int>(ms / 1000 % 60);
    p.MSec = static_cast<int>(ms % 1000);
    return p;
}

int DayOfWeek(TDateTime t) {
    // Day 0 (1899-12-30) is a Saturday (7).
    const std::int64_t day = ToTimeStamp(t).Day;
    const std::int64_t r = ((day + 6) % 7 + 7) % 7; // 0 = Sunday
    return static_cast<int>(r) + 1;
}

int SchedulerWeekday(TDateTime t) {
    const int w = DayOfWeek(t) - 1;
    return w == 0 ? 7 : w;
}

QString WeekdayNameOf(int schedulerWeekday) {
    static const std::array<const char*, 7> names{"Poniedziałek", "Wtorek", "Środa",    "Czwartek",
                                                  "Piątek",       "Sobota", "Niedziela"};
    if (schedulerWeekday < 1 || schedulerWeekday > 7)
        return {};
    return QString::fromUtf8(names[schedulerWeekday - 1]);
}

QString WeekdayName(TDateTime t) {
    return WeekdayNameOf(SchedulerWeekday(t));
}

int RemindUnitIndex(std::int64_t minutes) {
    if (minutes == 0)
        return 0;
    int unit = 0;
    if (minutes % 60 == 0 || minutes > 60)
        unit = 1;
    if (minutes % MinutesPerDay == 0 || minutes > MinutesPerDay)
        unit = 2;
    return unit;
}

std::int64_t RemindUnitMinutes(int unitIndex) {
    switch (unitIndex) {
    case 1:
        return 60;
    case 2:
        return MinutesPerDay;
    default:
        return 1;
    }
}

std::int64_t RemindValue(std::int64_t minutes) {
    return minutes / RemindUnitMinutes(RemindUnitIndex(minutes));
}

QString RemindUnitWordOf(int unitIndex) {
    switch (unitIndex) {
    case 1:
        return QStringLiteral("godzin");
    case 2:
        return QStringLiteral("dni");
    default:
        return QStringLiteral("minut");
    }
}

QString RemindUnitWord(std::int64_t minutes) {
    return RemindUnitWordOf(RemindUnitIndex(minutes));
}

std::optional<int> RemindToMinutes(std::int64_t value, int unitIndex) {
    std::int64_t minutes = 0;
    if (__builtin_mul_overflow(value, RemindUnitMinutes(unitIndex), &minutes) ||
        minutes < std::numeric_limits<int>::min() || minutes > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(minutes);
}

std::int64_t LastWholeMinute() {
    return WholeMinutes(EncodeDate(9999, 12, 31)) + MinutesPerDay - 1;
}
