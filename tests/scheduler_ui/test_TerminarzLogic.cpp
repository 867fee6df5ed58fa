#include "scheduler_ui/TerminarzLogic.h"

#include "support/PrintQString.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, 0);
}

// The values of a once entry that Accept takes as they are.
TEditorValues Valid(int kind = KindOnce) {
    TEditorValues v;
    v.Kind = kind;
    v.Date = At(2024, 3, 15, 18);
    v.Time = At(2024, 3, 1, 14, 30);
    v.WeekdayIndex = 4;
    v.DayOfMonthText = "15";
    v.MonthIndex = 2;
    v.Note = "x";
    return v;
}

const TDateTime Now2024 = At(2024, 3, 10, 9, 0);

TAcceptResult Accept(const TEditorValues& v, TDateTime now = Now2024) {
    return BuildEntry(v, now);
}

TAcceptResult AcceptRemind(const QString& amount, int unit, int kind = KindOnce,
                           TDateTime now = Now2024) {
    TEditorValues v = Valid(kind);
    v.RemindAmountText = amount;
    v.RemindUnit = unit;
    return Accept(v, now);
}

} // namespace

TEST(TerminarzLogic, ItemListsAreThoseOfTheDesign) {
    EXPECT_EQ(WeekdayItems(),
              (QStringList{"1. Poniedziałek", "2. Wtorek", "3. Środa", "4. Czwartek", "5. Piątek",
                           "6. Sobota", "7. Niedziela"}));
    const QStringList days = DayOfMonthItems();
    ASSERT_EQ(days.size(), 31);
    EXPECT_EQ(days.first(), "1");
    EXPECT_EQ(days.last(), "31");
    const QStringList months = MonthItems();
    ASSERT_EQ(months.size(), 12);
    EXPECT_EQ(months[0], "1. Styczeń");
    EXPECT_EQ(months[8], "9. Wrzesień");
    EXPECT_EQ(months[9], "10. Październik");
    EXPECT_EQ(months[11], "12. Grudzień");
    const QStringList amounts = RemindAmountItems();
    ASSERT_EQ(amounts.size(), 100);
    EXPECT_EQ(amounts.first(), "0");
    EXPECT_EQ(amounts.last(), "99");
    EXPECT_EQ(RemindUnitItems(), (QStringList{"minut", "godzin", "dni"}));
}

TEST(TerminarzLogic, EachKindEnablesTheControlsOfItsTable) {
    //                     date   time   week   day    month  minut  remind
    EXPECT_EQ(EnablingFor(1), (TKindEnabling{true, true, false, false, false, false, true}));
    EXPECT_EQ(EnablingFor(2), (TKindEnabling{false, false, false, false, false, true, false}));
    EXPECT_EQ(EnablingFor(3), (TKindEnabling{false, true, false, false, false, false, true}));
    EXPECT_EQ(EnablingFor(4), (TKindEnabling{false, true, true, false, false, false, true}));
    EXPECT_EQ(EnablingFor(5), (TKindEnabling{false, false, false, true, false, false, true}));
    EXPECT_EQ(EnablingFor(6), (TKindEnabling{false, false, false, true, true, false, true}));
    EXPECT_EQ(EnablingFor(0), EnablingFor(1));
}

TEST(TerminarzLogic, ANewEntryTakesTheDayForDateAndListsAndNowForTheTime) {
    TEditorValues current;
    current.Kind = KindWeekly;
    current.IntervalText = "25";
    current.Note = "kept";
    const TDateTime day = At(2024, 3, 17, 18, 5); // a Sunday
    const TDateTime now = At(2025, 1, 2, 7, 45, 12);
    const TEditorValues v = ValuesForNewEntry(current, day, now);
    EXPECT_EQ(v.Date, day) << "date and time of day as given";
    EXPECT_EQ(v.Time, now);
    EXPECT_EQ(v.WeekdayIndex, 6);
    EXPECT_EQ(v.DayOfMonthText, "17");
    EXPECT_EQ(v.MonthIndex, 2);
    EXPECT_EQ(v.Kind, KindWeekly);
    EXPECT_EQ(v.IntervalText, "25");
    EXPECT_EQ(v.Note, "kept");
    EXPECT_EQ(ValuesForNewEntry({}, At(2024, 3, 18), now).WeekdayIndex, 0) << "Monday";
}

TEST(TerminarzLogic, LoadingShowsTheFieldsAndLeavesOutOfRangeValuesUnselected) {
    TTimetableEntry e;
    e.kind = KindYearly;
    e.date = 45000;
    e.time = 0.75;
    e.dayofweek = 3;
    e.dayofmonth = 31;
    e.month = 12;
    e.minute = -7;
    e.notka = "a\r\nb";
    e.remindbefore = 90;
    e.remindafter = 45001;
    e.lastshowdate = 45002;
    const TEditorValues v = ValuesFromEntry(e);
    EXPECT_EQ(v.Kind, KindYearly);
    EXPECT_EQ(v.Date, 45000);
    EXPECT_EQ(v.Time, 0.75);
    EXPECT_EQ(v.WeekdayIndex, 2);
    EXPECT_EQ(v.DayOfMonthText, "31");
    EXPECT_EQ(v.MonthIndex, 11);
    EXPECT_EQ(v.IntervalText, "-7");
    EXPECT_EQ(v.RemindAmountText, "1");
    EXPECT_EQ(v.RemindUnit, 1);
    EXPECT_EQ(v.Note, "a\r\nb");

    e.kind = 9;
    e.dayofweek = 8;
    e.dayofmonth = 45;
    e.month = 0;
    const TEditorValues odd = ValuesFromEntry(e);
    EXPECT_EQ(odd.Kind, KindOnce) << "an unknown kind loads as Jednorazowo";
    EXPECT_EQ(odd.WeekdayIndex, -1);
    EXPECT_EQ(odd.DayOfMonthText, "");
    EXPECT_EQ(odd.MonthIndex, -1);
    EXPECT_EQ(ValuesFromEntry(TTimetableEntry{}).DayOfMonthText, "");
}

TEST(TerminarzLogic, ReminderLengthsLoadAsValueAndUnitAndComeBackTruncated) {
    struct Case {
        int minutes;
        QString amount;
        int unit;
        int stored;
    };
    const Case cases[] = {{0, "0", 0, 0},       {45, "45", 0, 45},   {60, "1", 1, 60},
                          {90, "1", 1, 60},     {120, "2", 1, 120},  {1440, "1", 2, 1440},
                          {2000, "1", 2, 1440}, {-30, "-30", 0, -30}};
    for (const Case& c : cases) {
        TTimetableEntry e;
        e.kind = KindDaily;
        e.dayofmonth = 1;
        e.remindbefore = c.minutes;
        const TEditorValues v = ValuesFromEntry(e);
        EXPECT_EQ(v.RemindAmountText, c.amount) << c.minutes;
        EXPECT_EQ(v.RemindUnit, c.unit) << c.minutes;
        const TAcceptResult r = Accept(v);
        ASSERT_TRUE(r.Ok()) << c.minutes;
        EXPECT_EQ(r.Entry.remindbefore, c.stored) << c.minutes;
    }
}

TEST(TerminarzLogic, AcceptBuildsEveryFieldWhateverTheKindAndLeavesTheRestEmpty) {
    TEditorValues v = Valid(KindMonthly);
    v.IntervalText = "0";
    v.RemindAmountText = "-5";
    v.RemindUnit = 1;
    v.DayOfMonthText = " 45";
    v.Note = "ab\ncd\r\nef";
    const TAcceptResult r = Accept(v);
    ASSERT_TRUE(r.Ok()) << r.Message.toStdString();
    const TTimetableEntry& e = r.Entry;
    EXPECT_EQ(e.kind, KindMonthly);
    EXPECT_EQ(e.date, v.Date) << "the disabled date picker's full value";
    EXPECT_EQ(e.time, v.Time) << "the disabled time picker's full value";
    EXPECT_EQ(e.dayofweek, 5);
    EXPECT_EQ(e.dayofmonth, 45) << "no range check";
    EXPECT_EQ(e.month, 3);
    EXPECT_EQ(e.minute, 0);
    EXPECT_EQ(e.remindbefore, -300) << "-5 is a value like any other";
    EXPECT_EQ(e.notka, "ab\r\ncd\r\nef");
    EXPECT_EQ(e.remindafter, 0);
    EXPECT_EQ(e.lastshowdate, 0);
    EXPECT_FALSE(e.shown);

    v.WeekdayIndex = -1;
    v.MonthIndex = -1;
    v.RemindAmountText = "150";
    v.RemindUnit = -1;
    const TAcceptResult none = Accept(v);
    ASSERT_TRUE(none.Ok());
    EXPECT_EQ(none.Entry.dayofweek, 0);
    EXPECT_EQ(none.Entry.month, 0);
    EXPECT_EQ(none.Entry.remindbefore, 150) << "above 99 is kept; no unit counts as minutes";
}

TEST(TerminarzLogic, AnEveryNMinutesEntryHasNoReminderWhateverTheLineHolds) {
    TEditorValues v = Valid(KindEveryMinutes);
    v.IntervalText = "-3";
    v.RemindAmountText = "abc";
    v.RemindUnit = 2;
    const TAcceptResult r = Accept(v);
    ASSERT_TRUE(r.Ok()) << r.Message.toStdString();
    EXPECT_EQ(r.Entry.remindbefore, 0);
    EXPECT_EQ(r.Entry.minute, -3) << "a negative interval is stored as typed";
    v.RemindAmountText = "7";
    EXPECT_EQ(Accept(v).Entry.remindbefore, 0);
}

TEST(TerminarzLogic, AReminderAmountThatIsNoNumberOrMinusOneIsABadValue) {
    for (const QString& text :
         {QString("-1"), QString("abc"), QString(""), QString("1.5"), QString(" - 1"),
          QString("0x10"), QString("99999999999999999999")}) {
        const TAcceptResult r = AcceptRemind(text, 0);
        EXPECT_EQ(r.Failure, TAcceptFailure::RemindAmount) << text.toStdString();
        EXPECT_EQ(r.Message, "Nieprawidłowa wartość!");
        EXPECT_EQ(r.Entry, TTimetableEntry{});
    }
    EXPECT_EQ(AcceptRemind("-1", 2).Failure, TAcceptFailure::RemindAmount) << "in any unit";
    EXPECT_TRUE(AcceptRemind(" 7 ", 0).Ok());
    EXPECT_TRUE(AcceptRemind("+7", 0).Ok());
    EXPECT_TRUE(AcceptRemind("-2", 0).Ok());
}

TEST(TerminarzLogic, AReminderWhoseMinutesPass32BitsIsABadValueNotAnOverflow) {
    // 1491308 days are 2147483520 minutes; one day more is past 2^31 - 1.
    EXPECT_EQ(AcceptRemind("1491308", 2).Entry.remindbefore, 2147483520);
    EXPECT_EQ(AcceptRemind("1491309", 2).Failure, TAcceptFailure::RemindAmount);
    EXPECT_EQ(AcceptRemind("35791394", 1).Entry.remindbefore, 2147483640);
    EXPECT_EQ(AcceptRemind("35791395", 1).Failure, TAcceptFailure::RemindAmount);
    EXPECT_EQ(AcceptRemind("2147483647", 0).Entry.remindbefore, 2147483647);
    EXPECT_EQ(AcceptRemind("2147483648", 0).Failure, TAcceptFailure::RemindAmount);
    EXPECT_EQ(AcceptRemind("-2147483648", 0).Entry.remindbefore, std::numeric_limits<int>::min());
    EXPECT_EQ(AcceptRemind("-2147483649", 0).Failure, TAcceptFailure::RemindAmount);
    EXPECT_EQ(AcceptRemind("-1491309", 2).Failure, TAcceptFailure::RemindAmount);
    EXPECT_EQ(AcceptRemind("9223372036854775807", 2).Failure, TAcceptFailure::RemindAmount)
        << "the product is not even computed in 64 bits";
    EXPECT_FALSE(RemindToMinutes(std::numeric_limits<std::int64_t>::min(), 2));
    EXPECT_FALSE(RemindToMinutes(std::numeric_limits<std::int64_t>::max(), 1));
}

TEST(TerminarzLogic, AReminderWhoseMomentPassesTheYear9999IsABadValue) {
    // A one-time entry at 9999-12-31 23:00: a negative reminder puts the alarm behind it.
    TEditorValues v = Valid(KindOnce);
    v.Date = At(9999, 12, 31);
    v.Time = At(2024, 1, 1, 23, 0, 30);
    v.RemindAmountText = "-59";
    EXPECT_TRUE(Accept(v).Ok()) << "23:59 is the last minute";
    v.RemindAmountText = "-60";
    EXPECT_EQ(Accept(v).Failure, TAcceptFailure::RemindAmount);
    v.RemindAmountText = "-2";
    v.RemindUnit = 1;
    EXPECT_EQ(Accept(v).Failure, TAcceptFailure::RemindAmount);
    v.RemindAmountText = "2147483647";
    v.RemindUnit = 0;
    EXPECT_TRUE(Accept(v).Ok()) << "an early reminder comes before the moment";

    // Repeating entries fall due within a year from now.
    const TDateTime late = At(9998, 12, 1);
    EXPECT_TRUE(AcceptRemind("-5", 2, KindYearly, At(2024, 1, 1)).Ok());
    EXPECT_EQ(AcceptRemind("-40", 2, KindYearly, late).Failure, TAcceptFailure::RemindAmount);
    EXPECT_EQ(AcceptRemind("-40", 2, KindDaily, late).Failure, TAcceptFailure::RemindAmount);
    EXPECT_TRUE(AcceptRemind("-2", 2, KindDaily, At(9998, 1, 1)).Ok());
    EXPECT_EQ(AcceptRemind("-2147483648", 0, KindDaily, At(6000, 1, 1)).Failure,
              TAcceptFailure::RemindAmount)
        << "about 4083 years after 6000";
    EXPECT_TRUE(AcceptRemind("-2147483648", 0, KindDaily, At(5000, 1, 1)).Ok());
}

TEST(TerminarzLogic, TheDayAndIntervalBoxesMustHoldIntegers) {
    TEditorValues v = Valid(KindOnce);
    v.DayOfMonthText = "";
    TAcceptResult r = Accept(v);
    EXPECT_EQ(r.Failure, TAcceptFailure::DayOfMonth) << "even while the box is disabled";
    EXPECT_EQ(r.Message, "Dzień miesiąca: „” nie jest prawidłową liczbą całkowitą.");
    EXPECT_EQ(r.Entry, TTimetableEntry{});
    v.DayOfMonthText = "3000000000";
    EXPECT_EQ(Accept(v).Failure, TAcceptFailure::DayOfMonth);

    v = Valid(KindDaily);
    v.IntervalText = "6O";
    r = Accept(v);
    EXPECT_EQ(r.Failure, TAcceptFailure::Interval);
    EXPECT_EQ(r.Message, "Co ile minut: „6O” nie jest prawidłową liczbą całkowitą.");

    // The reminder is checked first, then the day, then the interval.
    v.DayOfMonthText = "x";
    EXPECT_EQ(Accept(v).Failure, TAcceptFailure::DayOfMonth);
    v.RemindAmountText = "-1";
    EXPECT_EQ(Accept(v).Failure, TAcceptFailure::RemindAmount);
}

TEST(TerminarzLogic, AnIntervalWhoseNextAlarmPassesTheYear9999IsABadValue) {
    const TDateTime now = At(9999, 12, 31, 23, 0, 40);
    TEditorValues v = Valid(KindEveryMinutes);
    v.IntervalText = "59";
    EXPECT_TRUE(Accept(v, now).Ok());
    v.IntervalText = "60";
    const TAcceptResult r = Accept(v, now);
    EXPECT_EQ(r.Failure, TAcceptFailure::IntervalTooFar);
    EXPECT_EQ(r.Message, "Nieprawidłowa wartość!");
    v.IntervalText = "2147483647";
    EXPECT_TRUE(Accept(v, At(2024, 1, 1)).Ok()) << "about 4083 years fit from 2024";
    EXPECT_FALSE(Accept(v, At(6000, 1, 1)).Ok());
    v.IntervalText = "-2147483648";
    EXPECT_TRUE(Accept(v, now).Ok()) << "a negative interval is never due";

    TEditorValues once = Valid(KindOnce);
    once.IntervalText = "2147483647";
    EXPECT_TRUE(Accept(once, now).Ok()) << "only the interval of its own kind counts";
}

TEST(TerminarzLogic, IntegerTextsFollowStrToInt) {
    EXPECT_EQ(StrToIntOpt("12"), 12);
    EXPECT_EQ(StrToIntOpt(" 12 "), 12);
    EXPECT_EQ(StrToIntOpt("+5"), 5);
    EXPECT_EQ(StrToIntOpt("-0"), 0);
    EXPECT_EQ(StrToIntOpt("007"), 7);
    EXPECT_EQ(StrToIntOpt("-2147483648"), std::numeric_limits<int>::min());
    EXPECT_EQ(StrToIntOpt("2147483647"), std::numeric_limits<int>::max());
    EXPECT_FALSE(StrToIntOpt("2147483648"));
    EXPECT_FALSE(StrToIntOpt(""));
    EXPECT_FALSE(StrToIntOpt("-"));
    EXPECT_FALSE(StrToIntOpt("1 2"));
    EXPECT_FALSE(StrToIntOpt("--1"));
    EXPECT_FALSE(StrToIntOpt(QString::fromUtf8("١٢"))) << "only ASCII digits";
    EXPECT_EQ(StrToInt64Opt("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(StrToInt64Opt("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_FALSE(StrToInt64Opt("9223372036854775808"));
    EXPECT_FALSE(StrToInt64Opt("-9223372036854775809"));
}
