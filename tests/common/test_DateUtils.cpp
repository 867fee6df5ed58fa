#include "common/DateUtils.h"

#include "support/PrintQString.h"

#include <gtest/gtest.h>

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

} // namespace

TEST(DateUtils, DateAndTimePartsSplitTheValue) {
    EXPECT_DOUBLE_EQ(DatePart(2.75), 2.0);
    EXPECT_DOUBLE_EQ(TimePart(2.75), 0.75);
    EXPECT_DOUBLE_EQ(DatePart(0.25), 0.0);
    EXPECT_DOUBLE_EQ(TimePart(3.0), 0.0);
}

TEST(DateUtils, PickersReplaceOnlyTheirOwnPart) {
    const TDateTime value = At(2024, 3, 15, 18, 30, 15);
    EXPECT_EQ(ReplaceDatePart(value, EncodeDate(2025, 1, 2)),
              EncodeDate(2025, 1, 2) + TimePart(value));
    EXPECT_EQ(ReplaceTimePart(value, EncodeTime(7, 5, 0, 0)),
              EncodeDate(2024, 3, 15) + EncodeTime(7, 5, 0, 0));
    EXPECT_EQ(ReplaceTimePart(0, EncodeTime(12, 0, 0, 0)), 0.5);
    EXPECT_EQ(ReplaceDatePart(-1.25, 3), 3.25) << "a negative moment's time of day is 06:00";
    EXPECT_EQ(ReplaceTimePart(-1.25, 0.5), -1.5);
}

TEST(DateUtils, MinuteArithmeticUsesOneMinuteSpan) {
    EXPECT_EQ(OneMinute, 0.0006944444444444445);
    EXPECT_EQ(MinutesToDateTime(1), OneMinute);
    EXPECT_DOUBLE_EQ(MinutesToDateTime(1440), 1.0);
    EXPECT_DOUBLE_EQ(AddMinutes(2.0, 90), 2.0 + 90 * OneMinute);
    EXPECT_DOUBLE_EQ(SubtractMinutes(2.0, 720), 1.5);
    EXPECT_EQ(WholeMinutes(AddMinutes(At(2026, 3, 1, 8, 15), 100)),
              WholeMinutes(At(2026, 3, 1, 9, 55)));
}

TEST(DateUtils, WholeMinutesDropsSecondsAndIs64Bit) {
    EXPECT_EQ(WholeMinutes(1.0 + EncodeTime(12, 0, 59, 0)), 2160);
    EXPECT_EQ(WholeMinutes(1.0 + EncodeTime(12, 0, 59, 999)), 2160);
    EXPECT_EQ(WholeMinutes(0.0), 0);
    EXPECT_EQ(WholeMinutes(At(2026, 12, 7, 23, 59, 59)), 46363LL * 1440 + 23 * 60 + 59);

    // Beyond 2^31 minutes: a 32-bit count would wrap here.
    const TDateTime last = At(9999, 12, 31, 23, 59);
    EXPECT_EQ(WholeMinutes(last), 2958465LL * 1440 + 1439);
    const TDateTime first = EncodeDate(1, 1, 1);
    EXPECT_EQ(WholeMinutes(first), -693593LL * 1440);
    EXPECT_EQ(WholeMinutes(last) - WholeMinutes(first), (2958465LL + 693593) * 1440 + 1439);
}

TEST(DateUtils, EncodeDateKnownValuesAndLeapYears) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(1900, 3, 1), 61.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(2026, 12, 7), 46363.0);
    EXPECT_EQ(EncodeDate(2012, 2, 29), EncodeDate(2012, 3, 1) - 1);
    EXPECT_EQ(EncodeDate(2000, 2, 29), EncodeDate(2000, 3, 1) - 1);

    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(2011, 2), 28);
    EXPECT_EQ(DaysInMonth(2011, 12), 31);
    EXPECT_EQ(DaysInMonth(2011, 13), 0);
}

TEST(DateUtils, ImpossibleDatesAndTimesAreRejected) {
    const int bad[][3] = {{2011, 0, 1},  {2011, 13, 1}, {2011, 1, 0}, {2011, 4, 31}, {2011, 2, 29},
                          {1900, 2, 29}, {2011, 1, 32}, {0, 1, 1},    {10000, 1, 1}, {2011, -1, 1}};
    for (const auto& d : bad) {
        SCOPED_TRACE(testing::Message() << d[0] << '-' << d[1] << '-' << d[2]);
        EXPECT_FALSE(TryEncodeDate(d[0], d[1], d[2]).has_value());
        EXPECT_THROW(EncodeDate(d[0], d[1], d[2]), EConvertError);
    }
    EXPECT_TRUE(TryEncodeDate(2012, 2, 29).has_value());
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29).has_value());
    EXPECT_NO_THROW(EncodeDate(2011, 4, 30));

    const int badTimes[][4] = {{24, 0, 0, 0},   {0, 60, 0, 0}, {0, 0, 60, 0},
                               {0, 0, 0, 1000}, {-1, 0, 0, 0}, {0, 0, 0, -1}};
    for (const auto& t : badTimes) {
        SCOPED_TRACE(testing::Message() << t[0] << ':' << t[1] << ':' << t[2] << '.' << t[3]);
        EXPECT_FALSE(TryEncodeTime(t[0], t[1], t[2], t[3]).has_value());
        EXPECT_THROW(EncodeTime(t[0], t[1], t[2], t[3]), EConvertError);
    }
    EXPECT_DOUBLE_EQ(EncodeTime(23, 59, 59, 999), (MSecsPerDay - 1) / double(MSecsPerDay));
    EXPECT_DOUBLE_EQ(EncodeTime(18, 0, 0, 0), 0.75);
}

TEST(DateUtils, DecodeRoundTripsOverTwoCenturies) {
    int checked = 0;
    for (TDateTime day = EncodeDate(1900, 1, 1); day <= EncodeDate(2100, 12, 31); day += 7) {
        const TDateParts d = DecodeDate(day);
        ASSERT_EQ(EncodeDate(d.Year, d.Month, d.Day), day) << day;
        // A time spread over the day by the day number.
        const int ms = static_cast<int>(static_cast<std::int64_t>(day) * 7919 % MSecsPerDay);
        const TDateTime t =
            day + EncodeTime(ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
        const TDateParts d2 = DecodeDate(t);
        const TTimeParts p = DecodeTime(t);
        ASSERT_EQ(d2.Year, d.Year);
        ASSERT_EQ(d2.Month, d.Month);
        ASSERT_EQ(d2.Day, d.Day);
        ASSERT_EQ(((p.Hour * 60 + p.Minute) * 60 + p.Second) * 1000 + p.MSec, ms) << day;
        ++checked;
    }
    EXPECT_GT(checked, 10000);

    // The whole of a leap February and the turn of the year.
    for (int day = 1; day <= 29; ++day)
        EXPECT_EQ(DecodeDate(EncodeDate(2024, 2, day)).Day, day);
    const TDateParts ny = DecodeDate(EncodeDate(2024, 12, 31) + 1);
    EXPECT_EQ(ny.Year, 2025);
    EXPECT_EQ(ny.Month, 1);
    EXPECT_EQ(ny.Day, 1);
    const TDateParts far = DecodeDate(EncodeDate(9999, 12, 31));
    EXPECT_EQ(far.Year, 9999);
    EXPECT_EQ(far.Month, 12);
    EXPECT_EQ(far.Day, 31);
}

TEST(DateUtils, NegativeValuesCountTheTimeForwardFromTheirDay) {
    const TDateParts d = DecodeDate(-1.25);
    const TTimeParts t = DecodeTime(-1.25);
    EXPECT_EQ(d.Year, 1899);
    EXPECT_EQ(d.Month, 12);
    EXPECT_EQ(d.Day, 29);
    EXPECT_EQ(t.Hour, 6);
    EXPECT_EQ(t.Minute, 0);

    const TDateParts old = DecodeDate(EncodeDate(1850, 6, 15) - 0.5);
    EXPECT_EQ(old.Year, 1850);
    EXPECT_EQ(old.Month, 6);
    EXPECT_EQ(old.Day, 15);
    EXPECT_EQ(DecodeTime(EncodeDate(1850, 6, 15) - 0.5).Hour, 12);
}

TEST(DateUtils, AHairBeforeMidnightBelongsToOneDay) {
    const TDateTime days[] = {EncodeDate(2026, 12, 7), EncodeDate(2024, 2, 28),
                              EncodeDate(1999, 12, 31), EncodeDate(1899, 12, 30)};
    for (const TDateTime day : days) {
        const TDateTime t = day + 1 - 1e-12;
        const TDateParts d = DecodeDate(t);
        const TTimeParts p = DecodeTime(t);
        const TDateTime decodedDay = EncodeDate(d.Year, d.Month, d.Day);
        SCOPED_TRACE(testing::Message() << d.Year << '-' << d.Month << '-' << d.Day << ' ' << p.Hour
                                        << ':' << p.Minute);
        if (decodedDay == day + 1) {
            EXPECT_EQ(p.Hour + p.Minute + p.Second + p.MSec, 0);
            EXPECT_EQ(WholeMinutes(t), WholeMinutes(day + 1));
        } else {
            EXPECT_EQ(decodedDay, day);
            EXPECT_EQ(p.Hour, 23);
            EXPECT_EQ(p.Minute, 59);
        }
        EXPECT_EQ(SchedulerWeekday(t), SchedulerWeekday(decodedDay));
    }
}

// Before day 0 the fraction still counts forward from the day's midnight, so rounding must
// not carry 1899-12-29 23:59:59.9999 (-1.9999999999) into 1899-12-28.
TEST(DateUtils, AHairBeforeMidnightBeforeDayZeroBelongsToOneDay) {
    const TDateTime t = -1.9999999999;
    const TDateParts d = DecodeDate(t);
    const TTimeParts p = DecodeTime(t);
    const TDateTime decodedDay = EncodeDate(d.Year, d.Month, d.Day);
    if (decodedDay == 0.0) {
        EXPECT_EQ(p.Hour + p.Minute + p.Second + p.MSec, 0);
    } else {
        EXPECT_EQ(decodedDay, -1.0) << d.Year << '-' << d.Month << '-' << d.Day;
        EXPECT_EQ(p.Hour, 23);
        EXPECT_EQ(p.Minute, 59);
    }
}

TEST(DateUtils, WeekdaysAndTheirPolishNames) {
    EXPECT_EQ(DayOfWeek(0.0), 7);
    EXPECT_EQ(SchedulerWeekday(0.0), 6);
    EXPECT_EQ(WeekdayName(0.0), QStringLiteral("Sobota"));
    EXPECT_EQ(SchedulerWeekday(-1.0), 5); // 1899-12-29, a Friday

    const QString names[] = {"Poniedziałek", "Wtorek", "Środa",    "Czwartek",
                             "Piątek",       "Sobota", "Niedziela"};
    // 2026-12-07 is a Monday; walk a fortnight, times of day included.
    const TDateTime monday = EncodeDate(2026, 12, 7);
    for (int i = 0; i < 14; ++i) {
        const TDateTime t = monday + i + 0.9;
        EXPECT_EQ(SchedulerWeekday(t), i % 7 + 1) << i;
        EXPECT_EQ(DayOfWeek(t), (i + 1) % 7 + 1) << i;
        EXPECT_EQ(WeekdayName(t), names[i % 7]) << i;
    }
    for (const TDateTime sunday : {EncodeDate(1900, 1, 7), EncodeDate(2000, 1, 2),
                                   EncodeDate(1899, 12, 24), EncodeDate(9999, 12, 26)}) {
        EXPECT_EQ(SchedulerWeekday(sunday), 7) << sunday;
        EXPECT_EQ(DayOfWeek(sunday), 1) << sunday;
        EXPECT_EQ(WeekdayName(sunday), QStringLiteral("Niedziela")) << sunday;
    }
    EXPECT_TRUE(WeekdayNameOf(0).isEmpty());
    EXPECT_TRUE(WeekdayNameOf(8).isEmpty());
}

TEST(DateUtils, ReminderLengthsPickTheLargestFittingUnit) {
    struct Case {
        std::int64_t Minutes;
        std::int64_t Value;
        const char* Word;
    };
    const Case cases[] = {{0, 0, "minut"},    {45, 45, "minut"}, {59, 59, "minut"},
                          {60, 1, "godzin"},  {61, 1, "godzin"}, {90, 1, "godzin"},
                          {120, 2, "godzin"}, {1440, 1, "dni"},  {1441, 1, "dni"},
                          {1500, 1, "dni"},   {2880, 2, "dni"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Minutes);
        EXPECT_EQ(RemindValue(c.Minutes), c.Value);
        EXPECT_EQ(RemindUnitWord(c.Minutes), QString::fromUtf8(c.Word));
        EXPECT_EQ(RemindUnitWordOf(RemindUnitIndex(c.Minutes)), QString::fromUtf8(c.Word));
    }
    EXPECT_EQ(RemindUnitIndex(45), 0);
    EXPECT_EQ(RemindUnitIndex(120), 1);
    EXPECT_EQ(RemindUnitIndex(2880), 2);

    EXPECT_EQ(RemindToMinutes(45, 0), 45);
    EXPECT_EQ(RemindToMinutes(3, 1), 180);
    EXPECT_EQ(RemindToMinutes(2, 2), 2880);
    for (const std::int64_t m : {0, 5, 60, 180, 1440, 10080})
        EXPECT_EQ(RemindToMinutes(RemindValue(m), RemindUnitIndex(m)), m) << m;
}
