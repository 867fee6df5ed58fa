#include "scheduler/SchedulerTick.h"

#include "common/Formats.h"
#include "common/IniFile.h"
#include "platform/GuiServices.h"
#include "support/FakePlatform.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, 0);
}

TTimetableEntry Entry(int kind, TDateTime time = 0) {
    TTimetableEntry e;
    e.kind = kind;
    e.time = time;
    return e;
}

TTimetableEntry Daily(int h, int mi, int remindBefore = 0) {
    TTimetableEntry e = Entry(KindDaily, EncodeTime(h, mi, 0, 0));
    e.remindbefore = remindBefore;
    return e;
}

struct TAlarmCall {
    int Index;
    TDateTime Due;
    std::int64_t Offset;
    TAlarmCause Cause;
    bool MarkDelete;
    TDateTime Shown; // the clock when the window opened
    QString Note;
};

// Stands in for the alarm window: the entry is marked shown while the "window" is open, and
// `User` plays the user's part. It returns where the entry is afterwards, -1 once removed.
class TFakeAlarm final : public IAlarmPresenter {
public:
    void ShowAlarm(TTimetable& t, int index, TDateTime due, std::int64_t offset, TAlarmCause cause,
                   bool markDelete) override {
        Calls.push_back({index, due, offset, cause, markDelete, Now(), t.entries()[index].notka});
        t.entries()[index].shown = true;
        const int at = User ? User(t, index) : index;
        if (at >= 0 && at < t.count())
            t.entries()[at].shown = false;
    }
    std::function<int(TTimetable&, int)> User;
    std::vector<TAlarmCall> Calls;
};

// The user presses OK with a postponement of `minutes`.
std::function<int(TTimetable&, int)> Acknowledge(int minutes = 0) {
    return [minutes](TTimetable& t, int i) {
        t.entries()[i].remindafter = AddMinutes(Now(), minutes);
        t.entries()[i].lastshowdate = Now();
        return i;
    };
}

// The user closes the window with the title bar: nothing changes.
int CloseWindow(TTimetable&, int i) {
    return i;
}

class SchedulerTickTest : public ::testing::Test {
protected:
    void SetUp() override { SetStartFormats(); }

    // Ticks every 20 s from `from` while the clock is not past `to`.
    void RunTicks(TDateTime from, TDateTime to) {
        const TDateTime day = DatePart(from);
        std::int64_t s = std::llround(TimePart(from) * 86400);
        for (;; s += 20) {
            const TDateTime now =
                day + static_cast<double>(s / 86400) +
                EncodeTime(int(s % 86400 / 3600), int(s % 3600 / 60), int(s % 60), 0);
            if (now > to)
                break;
            P.Clock.Value = now;
            Tick.Tick();
        }
    }
    // Inserts as the editor's OK does at `when`.
    int InsertAt(TDateTime when, TTimetableEntry e, const QString& note = {}) {
        P.Clock.Value = when;
        e.notka = note;
        return T.Insert(e);
    }
    std::vector<std::int64_t> Offsets() const {
        std::vector<std::int64_t> out;
        for (const TAlarmCall& c : Alarm.Calls)
            out.push_back(c.Offset);
        return out;
    }
    std::vector<TAlarmCause> Causes() const {
        std::vector<TAlarmCause> out;
        for (const TAlarmCall& c : Alarm.Calls)
            out.push_back(c.Cause);
        return out;
    }

    TFakePlatform P;
    TTimetable T;
    TAppSettings Settings;
    bool Modal = false;
    TFakeAlarm Alarm;
    TSchedulerTick Tick{T, Settings, [this] { return Modal; }, Alarm};
};

} // namespace

TEST(ComputeDue, TakesTodaysOccurrenceOrTheNextMonthlyAndYearlyOne) {
    const TDateTime now = At(2026, 3, 13, 10, 20, 30); // a Friday
    TTimetableEntry once = Entry(KindOnce, EncodeTime(14, 30, 0, 0));
    once.date = EncodeDate(2025, 1, 2);
    EXPECT_EQ(ComputeDue(once, now), At(2025, 1, 2, 14, 30));
    EXPECT_EQ(ComputeDue(Daily(9, 15), now), At(2026, 3, 13, 9, 15));

    TTimetableEntry every = Entry(KindEveryMinutes);
    every.minute = 90;
    every.lastshowdate = At(2026, 3, 12, 23, 0, 0) + EncodeTime(0, 0, 5, 250);
    EXPECT_EQ(ComputeDue(every, now), At(2026, 3, 13, 0, 30, 5) + EncodeTime(0, 0, 0, 250));

    TTimetableEntry weekly = Entry(KindWeekly, EncodeTime(18, 0, 0, 0));
    weekly.dayofweek = 5;
    EXPECT_EQ(ComputeDue(weekly, now), At(2026, 3, 13, 18));
    weekly.dayofweek = 4;
    EXPECT_EQ(ComputeDue(weekly, now), 0.0) << "no occurrence today";
    EXPECT_EQ(ComputeDue(Entry(0, EncodeTime(9, 0, 0, 0)), now), std::nullopt);
    EXPECT_EQ(ComputeDue(Entry(7), now), std::nullopt);
    EXPECT_EQ(ComputeDue(Entry(-1), now), std::nullopt);
    every.minute = 0;
    EXPECT_EQ(ComputeDue(every, now), std::nullopt);

    TTimetableEntry monthly = Entry(KindMonthly, EncodeTime(9, 0, 0, 0));
    monthly.dayofmonth = 13;
    EXPECT_EQ(ComputeDue(monthly, now), At(2026, 3, 13)) << "at 00:00; time only orders";
    monthly.dayofmonth = 12;
    EXPECT_EQ(ComputeDue(monthly, now), At(2026, 4, 12)) << "passed: next month";
    monthly.dayofmonth = 31;
    EXPECT_EQ(ComputeDue(monthly, now), At(2026, 3, 31));
    EXPECT_EQ(ComputeDue(monthly, At(2026, 4, 2)), std::nullopt) << "April has 30 days";
    EXPECT_EQ(ComputeDue(monthly, At(2026, 2, 1)), std::nullopt);
    monthly.dayofmonth = 1;
    EXPECT_EQ(ComputeDue(monthly, At(2026, 12, 2)), At(2027, 1, 1));
    EXPECT_EQ(ComputeDue(monthly, At(2026, 1, 29)), At(2026, 2, 1));
    monthly.dayofmonth = 0;
    EXPECT_EQ(ComputeDue(monthly, now), std::nullopt);

    TTimetableEntry yearly = Entry(KindYearly, EncodeTime(9, 0, 0, 0));
    yearly.month = 3;
    yearly.dayofmonth = 1;
    EXPECT_EQ(ComputeDue(yearly, now), At(2026, 3, 1))
        << "later days of the month still point at it";
    yearly.month = 2;
    EXPECT_EQ(ComputeDue(yearly, now), At(2027, 2, 1)) << "an earlier month: next year";
    yearly.dayofmonth = 29;
    EXPECT_EQ(ComputeDue(yearly, At(2027, 2, 10)), std::nullopt);
    EXPECT_EQ(ComputeDue(yearly, At(2028, 2, 10)), At(2028, 2, 29));
    EXPECT_EQ(ComputeDue(yearly, At(2027, 12, 31)), At(2028, 2, 29)) << "a year ahead";
    yearly.month = 13;
    EXPECT_EQ(ComputeDue(yearly, now), std::nullopt);
    yearly.month = 2;
    yearly.dayofmonth = 30;
    EXPECT_EQ(ComputeDue(yearly, At(2028, 1, 10)), std::nullopt);
}

TEST_F(SchedulerTickTest, DailyEntryRingsEarlyThenOnTimeOncePerOccurrence) {
    InsertAt(At(2026, 3, 10, 7, 0, 7), Daily(9, 0, 60), "leki");
    Alarm.User = Acknowledge();
    RunTicks(P.Clock.Value, At(2026, 3, 10, 23, 59, 59));
    ASSERT_EQ(Alarm.Calls.size(), 2u);
    EXPECT_EQ(Alarm.Calls[0].Shown, At(2026, 3, 10, 8, 0, 7)) << "first tick at or after 08:00";
    EXPECT_EQ(Alarm.Calls[0].Offset, 60);
    EXPECT_EQ(Alarm.Calls[0].Due, At(2026, 3, 10, 9, 0));
    EXPECT_EQ(Alarm.Calls[1].Shown, At(2026, 3, 10, 9, 0, 7));
    EXPECT_EQ(Alarm.Calls[1].Offset, 0);
    EXPECT_EQ(Alarm.Calls[1].Index, 0);
    EXPECT_TRUE(Alarm.Calls[1].MarkDelete) << "AutomarkDelete is on by default";
    EXPECT_FALSE(Tick.SchedulerBusy());

    // Started late the next day: the early reminder comes late with its full offset, then the
    // moment; without AutomarkDelete the delete box is not preset.
    Settings.AutomarkDelete = false;
    RunTicks(At(2026, 3, 11, 8, 59, 50), At(2026, 3, 11, 9, 1));
    ASSERT_EQ(Alarm.Calls.size(), 4u);
    EXPECT_EQ(Alarm.Calls[2].Offset, 60);
    EXPECT_EQ(Alarm.Calls[3].Offset, 0);
    EXPECT_EQ(Alarm.Calls[3].Due, At(2026, 3, 11, 9, 0));
    EXPECT_FALSE(Alarm.Calls[3].MarkDelete);
}

TEST_F(SchedulerTickTest, AfterALateStartAPassedOccurrenceIsNeverAnnouncedAsComing) {
    InsertAt(At(2026, 3, 9, 12, 0), Daily(9, 0, 60));
    Alarm.User = CloseWindow;
    // The program was not running at 08:00 nor at 09:00.
    RunTicks(At(2026, 3, 10, 9, 5, 0), At(2026, 3, 10, 9, 5, 40));
    EXPECT_EQ(Offsets(), (std::vector<std::int64_t>{0, 0, 0}))
        << "closing the due alarm must not bring up \"Za 1 godzin\"";

    // Started between the early moment and the moment, the early alarm is late but right.
    T.Remove(0);
    Alarm.Calls.clear();
    InsertAt(At(2026, 3, 9, 12, 0), Daily(11, 0, 60));
    RunTicks(At(2026, 3, 10, 10, 30, 0), At(2026, 3, 10, 10, 30, 0));
    EXPECT_EQ(Offsets(), std::vector<std::int64_t>{60});
}

TEST_F(SchedulerTickTest, EarlyReminderJustAfterMidnightComesAtTheFirstTickOfTheDay) {
    InsertAt(At(2026, 3, 9, 22, 0), Daily(0, 30, 60));
    Alarm.User = Acknowledge();
    RunTicks(At(2026, 3, 9, 22, 0, 5), At(2026, 3, 10, 0, 45));
    ASSERT_EQ(Alarm.Calls.size(), 2u);
    EXPECT_EQ(Alarm.Calls[0].Shown, At(2026, 3, 10, 0, 0, 5)) << "not at 23:30 the day before";
    EXPECT_EQ(Alarm.Calls[0].Offset, 60);
    EXPECT_EQ(Alarm.Calls[1].Shown, At(2026, 3, 10, 0, 30, 5));
    EXPECT_EQ(Alarm.Calls[1].Offset, 0);
}

TEST_F(SchedulerTickTest, OneTimeEntriesRingOnceHoweverLateButNeverForThePast) {
    TTimetableEntry past = Entry(KindOnce, EncodeTime(7, 0, 0, 0));
    past.date = EncodeDate(2026, 3, 10);
    InsertAt(At(2026, 3, 10, 8, 0), past, "przeszłość");
    TTimetableEntry missed = past;
    missed.date = EncodeDate(2026, 3, 11);
    InsertAt(At(2026, 3, 10, 8, 0), missed, "przegapiony");
    Alarm.User = Acknowledge();
    // Not running on the 11th; the first tick days later reports it.
    RunTicks(At(2026, 3, 14, 18, 0, 0), At(2026, 3, 14, 19, 0, 0));
    ASSERT_EQ(Alarm.Calls.size(), 1u);
    EXPECT_EQ(Alarm.Calls[0].Note, "przegapiony");
    EXPECT_EQ(Alarm.Calls[0].Offset, 0);
    EXPECT_EQ(Alarm.Calls[0].Due, At(2026, 3, 11, 7, 0));
}

TEST_F(SchedulerTickTest, EveryNMinutesCountsFromTheAcknowledgement) {
    TTimetableEntry every = Entry(KindEveryMinutes);
    every.minute = 30;
    InsertAt(At(2026, 3, 10, 12, 0, 0), every);
    const TDateTime ackFrom = At(2026, 3, 10, 12, 31, 0);
    Alarm.User = [&](TTimetable& t, int i) {
        return Now() >= ackFrom ? Acknowledge()(t, i) : CloseWindow(t, i);
    };
    RunTicks(At(2026, 3, 10, 12, 0, 10), At(2026, 3, 10, 13, 2));
    ASSERT_GE(Alarm.Calls.size(), 2u);
    EXPECT_EQ(Alarm.Calls.front().Shown, At(2026, 3, 10, 12, 30, 10));
    EXPECT_EQ(Alarm.Calls.back().Shown, At(2026, 3, 10, 13, 1, 10));
    EXPECT_EQ(Alarm.Calls[Alarm.Calls.size() - 2].Shown, At(2026, 3, 10, 12, 31, 10))
        << "acknowledged at 12:31:10, quiet until 13:01:10";

    // With an interval of 0 or less it never comes.
    Alarm.Calls.clear();
    T.Remove(0);
    every.minute = 0;
    InsertAt(At(2026, 3, 10, 12, 0, 0) + EncodeTime(0, 0, 0, 321), every);
    every.minute = -5;
    InsertAt(At(2026, 3, 10, 12, 0, 0), every);
    RunTicks(At(2026, 3, 10, 12, 0, 0), At(2026, 3, 10, 14, 0));
    EXPECT_TRUE(Alarm.Calls.empty());
}

TEST_F(SchedulerTickTest, APostponedAlarmCarriesTheMinutesSinceTheMoment) {
    InsertAt(At(2026, 3, 10, 8, 0), Daily(10, 0), "spotkanie");
    int round = 0;
    Alarm.User = [&](TTimetable& t, int i) { return Acknowledge(++round == 1 ? 15 : 0)(t, i); };
    RunTicks(At(2026, 3, 10, 9, 59, 50), At(2026, 3, 10, 23, 0));
    ASSERT_EQ(Alarm.Calls.size(), 2u);
    EXPECT_EQ(Alarm.Calls[0].Offset, 0);
    EXPECT_EQ(Alarm.Calls[1].Shown, At(2026, 3, 10, 10, 15, 10));
    EXPECT_EQ(Alarm.Calls[1].Offset, -15);
    EXPECT_EQ(Alarm.Calls[1].Due, At(2026, 3, 10, 10, 0));

    // A postponement pressed in the very minute of the moment: "Aktualne od 10 minut".
    Alarm.Calls.clear();
    round = 0;
    Alarm.User = [&](TTimetable& t, int i) { return Acknowledge(++round == 1 ? 10 : 0)(t, i); };
    RunTicks(At(2026, 3, 11, 10, 0, 30), At(2026, 3, 11, 12, 0));
    EXPECT_EQ(Offsets(), (std::vector<std::int64_t>{0, -10}));
}

TEST_F(SchedulerTickTest, OnlyThePostponedCheckFlagsItsAlarmAsPostponed) {
    using enum TAlarmCause;
    // Postponed from the early reminder: two alarms ahead of the moment, told apart by cause.
    InsertAt(At(2026, 3, 10, 8, 0), Daily(10, 0, 30));
    int round = 0;
    Alarm.User = [&](TTimetable& t, int i) { return Acknowledge(++round == 1 ? 10 : 0)(t, i); };
    RunTicks(At(2026, 3, 10, 9, 29, 50), At(2026, 3, 10, 10, 1));
    EXPECT_EQ(Offsets(), (std::vector<std::int64_t>{30, 20, 0}));
    EXPECT_EQ(Causes(), (std::vector{Early, Postponed, Moment}));

    // A daily 23:50 alarm postponed past midnight counts to the new day's moment.
    T.Remove(0);
    Alarm.Calls.clear();
    round = 0;
    Alarm.User = [&](TTimetable& t, int i) { return Acknowledge(++round == 1 ? 20 : 0)(t, i); };
    InsertAt(At(2026, 3, 10, 8, 0), Daily(23, 50));
    RunTicks(At(2026, 3, 10, 23, 49, 50), At(2026, 3, 11, 0, 30));
    EXPECT_EQ(Offsets(), (std::vector<std::int64_t>{0, 1420}));
    EXPECT_EQ(Causes(), (std::vector{Moment, Postponed}));
    EXPECT_EQ(Alarm.Calls.back().Due, At(2026, 3, 11, 23, 50));
}

TEST_F(SchedulerTickTest, MonthlyAndYearlyEntriesRingOnTheirDayAndEarlyAcrossMonths) {
    TTimetableEntry fifth = Entry(KindMonthly);
    fifth.dayofmonth = 5;
    fifth.remindbefore = 4320; // 3 days
    InsertAt(At(2026, 2, 20), fifth, "piąty");
    TTimetableEntry first = fifth;
    first.dayofmonth = 1;
    InsertAt(At(2026, 1, 20), first, "pierwszy");
    Alarm.User = Acknowledge();

    RunTicks(At(2026, 1, 28, 23, 59, 30), At(2026, 1, 29, 0, 1));
    ASSERT_EQ(Alarm.Calls.size(), 1u);
    EXPECT_EQ(Alarm.Calls[0].Note, "pierwszy");
    EXPECT_EQ(Alarm.Calls[0].Shown, At(2026, 1, 29, 0, 0, 10));
    EXPECT_EQ(Alarm.Calls[0].Due, At(2026, 2, 1));
    EXPECT_EQ(Alarm.Calls[0].Offset, 4320);

    // Late on its day the monthly moment is still reported; the next day is another's early one.
    RunTicks(At(2026, 3, 1, 23, 59, 30), At(2026, 3, 2, 0, 1));
    ASSERT_EQ(Alarm.Calls.size(), 3u);
    EXPECT_EQ(Alarm.Calls[1].Note, "pierwszy");
    EXPECT_EQ(Alarm.Calls[1].Due, At(2026, 3, 1));
    EXPECT_EQ(Alarm.Calls[1].Offset, 0);
    EXPECT_EQ(Alarm.Calls[2].Note, "piąty");
    EXPECT_EQ(Alarm.Calls[2].Shown, At(2026, 3, 2, 0, 0, 10));
    EXPECT_EQ(Alarm.Calls[2].Due, At(2026, 3, 5));

    // A monthly occurrence missed on its day is gone the day after.
    Alarm.Calls.clear();
    RunTicks(At(2026, 3, 6, 12, 0), At(2026, 3, 6, 12, 1));
    EXPECT_TRUE(Alarm.Calls.empty());

    // A yearly one is reported on any later day of its month until acknowledged.
    T.Remove(0);
    T.Remove(0);
    TTimetableEntry leap = Entry(KindYearly);
    leap.month = 2;
    leap.dayofmonth = 29;
    InsertAt(At(2026, 6, 1), leap, "29 lutego");
    RunTicks(At(2027, 2, 28, 23, 0), At(2027, 3, 1, 1, 0));
    EXPECT_TRUE(Alarm.Calls.empty()) << "no 29 February in 2027";
    RunTicks(At(2028, 3, 1, 9, 0), At(2028, 3, 1, 9, 1));
    EXPECT_TRUE(Alarm.Calls.empty()) << "from March on it points at 2029";
    RunTicks(At(2028, 2, 29, 23, 59, 50), At(2028, 2, 29, 23, 59, 50));
    ASSERT_EQ(Alarm.Calls.size(), 1u);
    EXPECT_EQ(Alarm.Calls[0].Due, At(2028, 2, 29));
}

TEST_F(SchedulerTickTest, NothingIsLookedAtWhileAnEditingWindowIsOpen) {
    TTimetableEntry once = Entry(KindOnce, EncodeTime(9, 0, 0, 0));
    once.date = EncodeDate(2026, 3, 10);
    InsertAt(At(2026, 3, 10, 8, 0), once);
    InsertAt(At(2026, 3, 10, 8, 0), Daily(9, 30));
    Alarm.User = Acknowledge();
    Modal = true;
    RunTicks(At(2026, 3, 10, 8, 59, 55), At(2026, 3, 10, 10, 0));
    EXPECT_TRUE(Alarm.Calls.empty());
    Modal = false;
    RunTicks(At(2026, 3, 10, 10, 0, 15), At(2026, 3, 10, 10, 0, 15));
    ASSERT_EQ(Alarm.Calls.size(), 2u) << "both missed moments at the first tick after it closed";
    EXPECT_EQ(Alarm.Calls[0].Due, At(2026, 3, 10, 9, 0));
    EXPECT_EQ(Alarm.Calls[1].Due, At(2026, 3, 10, 9, 30));
}

TEST_F(SchedulerTickTest, TicksDuringAnAlarmAreTurnedAwayAndAShownEntryEndsTheScan) {
    InsertAt(At(2026, 3, 10, 8, 0), Daily(9, 0), "a");
    InsertAt(At(2026, 3, 10, 8, 0), Daily(9, 5), "b");
    bool busyInside = false;
    Alarm.User = [&](TTimetable& t, int i) {
        busyInside = Tick.SchedulerBusy();
        P.Clock.Value += 20.0 / 86400;
        Tick.Tick(); // the modal loop delivers the timer
        Tick.OpenAlarm(1, 0, 0, TAlarmCause::Moment);
        return Acknowledge()(t, i);
    };
    RunTicks(At(2026, 3, 10, 9, 10), At(2026, 3, 10, 9, 10));
    EXPECT_TRUE(busyInside);
    EXPECT_FALSE(Tick.SchedulerBusy());
    ASSERT_EQ(Alarm.Calls.size(), 2u) << "no nested tick, no second window";
    EXPECT_EQ(Alarm.Calls[0].Note, "a");
    EXPECT_EQ(Alarm.Calls[1].Note, "b");

    // An entry still marked shown stops the scan before later entries.
    Alarm.Calls.clear();
    Alarm.User = CloseWindow;
    T.entries()[0].shown = true;
    RunTicks(At(2026, 3, 11, 9, 10), At(2026, 3, 11, 9, 11));
    EXPECT_TRUE(Alarm.Calls.empty());
    T.entries()[0].shown = false;
    RunTicks(At(2026, 3, 11, 9, 12), At(2026, 3, 11, 9, 12));
    EXPECT_EQ(Alarm.Calls.size(), 2u);

    // The run ends under the first alarm: the second one never flashes up.
    Alarm.Calls.clear();
    Alarm.User = [&](TTimetable& t, int i) {
        SetShuttingDown(true);
        return Acknowledge()(t, i);
    };
    RunTicks(At(2026, 3, 12, 9, 10), At(2026, 3, 12, 9, 10));
    SetShuttingDown(false);
    EXPECT_EQ(Alarm.Calls.size(), 1u);
}

TEST_F(SchedulerTickTest, AnEntryRemovedOrMovedByItsAlarmGetsNoFurtherChecksThatRound) {
    // "b" has a postponed reminder pending; "a" is due. Deleting "a" puts "b" at index 0.
    InsertAt(At(2026, 3, 9, 12, 0), Daily(8, 0), "a");
    InsertAt(At(2026, 3, 10, 8, 10), Daily(9, 0), "b");
    T.entries()[1].remindafter = At(2026, 3, 10, 8, 50);
    Alarm.User = [](TTimetable& t, int i) {
        t.Remove(i);
        return -1;
    };
    RunTicks(At(2026, 3, 10, 8, 55, 0), At(2026, 3, 10, 8, 55, 0));
    ASSERT_EQ(Alarm.Calls.size(), 1u) << "\"b\" is not checked against \"a\"'s moment";
    EXPECT_EQ(Alarm.Calls[0].Note, "a");
    Alarm.User = Acknowledge();
    RunTicks(At(2026, 3, 10, 8, 55, 20), At(2026, 3, 10, 8, 55, 20));
    ASSERT_EQ(Alarm.Calls.size(), 2u);
    EXPECT_EQ(Alarm.Calls[1].Note, "b");
    EXPECT_EQ(Alarm.Calls[1].Due, At(2026, 3, 10, 9, 0));
    EXPECT_EQ(Alarm.Calls[1].Offset, 5) << "its own moment, five minutes ahead";

    // Edited in its alarm window, "c" moves behind "d", whose postponed reminder must not be
    // taken for "c"'s; the round goes on with the next index.
    T.Remove(0);
    const auto archived = [] {
        return TMemIniFile(TTimetable::ArchiveFileName()).ReadInteger("TimeTable", "Count", -1);
    };
    EXPECT_EQ(archived(), 2);
    Alarm.Calls.clear();
    InsertAt(At(2026, 3, 9, 12, 0), Daily(8, 0, 30), "c");
    InsertAt(At(2026, 3, 9, 12, 0), Daily(9, 0), "d");
    T.entries()[1].remindafter = At(2026, 3, 10, 9, 0);
    Alarm.User = [](TTimetable& t, int i) {
        TTimetableEntry edited = t.entries()[i];
        edited.time = EncodeTime(10, 0, 0, 0);
        return t.Replace(i, edited);
    };
    RunTicks(At(2026, 3, 10, 9, 30, 0), At(2026, 3, 10, 9, 30, 0));
    ASSERT_EQ(Alarm.Calls.size(), 1u);
    EXPECT_EQ(Alarm.Calls[0].Note, "c");
    EXPECT_EQ(T.entries()[1].notka, "c");
    EXPECT_EQ(archived(), 2) << "an edit archives nothing";
}

TEST_F(SchedulerTickTest, AnErrorInTheAlarmWindowDoesNotStopTheScheduler) {
    InsertAt(At(2026, 3, 10, 8, 0), Daily(9, 0));
    Alarm.User = [](TTimetable&, int) -> int { throw std::runtime_error("okno"); };
    P.Clock.Value = At(2026, 3, 10, 9, 0, 5);
    EXPECT_THROW(Tick.Tick(), std::runtime_error);
    EXPECT_FALSE(Tick.SchedulerBusy());
    Alarm.User = Acknowledge();
    T.entries()[0].shown = false;
    Tick.Tick();
    EXPECT_EQ(Alarm.Calls.size(), 2u);
}

TEST_F(SchedulerTickTest, TheAlarmSoundPlaysFromTheSoundFolderUnlessOneIsPlaying) {
    ASSERT_TRUE(QDir().mkpath(ProgramFile("sound")));
    const QString wav = ProgramFile("sound/iWhisper.wav");
    WriteBytes(wav, "RIFF");
    InsertAt(At(2026, 3, 10, 8, 0), Daily(9, 0));
    qsizetype playedWhenShown = -1;
    Alarm.User = [&](TTimetable&, int i) {
        playedWhenShown = P.Sound.Played.size();
        return i;
    };
    const TDateTime due = At(2026, 3, 10, 9, 0, 5);

    RunTicks(due, due);
    EXPECT_TRUE(P.Sound.Played.isEmpty()) << "the sound is off by default";
    EXPECT_EQ(Alarm.Calls.size(), 1u);

    Settings.ActivateTerminarzPlaySound = true;
    RunTicks(due, due);
    EXPECT_EQ(P.Sound.Played, QStringList{wav});
    EXPECT_EQ(playedWhenShown, 1) << "the sound starts as the window opens";

    P.Sound.Playing = true;
    RunTicks(due, due);
    EXPECT_EQ(P.Sound.Played.size(), 1) << "a sound still playing is not cut off";
    P.Sound.Playing = false;

    Settings.ActivateTerminarz = "brak.wav";
    RunTicks(due, due);
    EXPECT_EQ(P.Sound.Played.size(), 1) << "a missing file is silence";
    Settings.ActivateTerminarz = "";
    RunTicks(due, due);
    EXPECT_EQ(P.Sound.Played.size(), 1);
    EXPECT_EQ(Alarm.Calls.size(), 5u) << "the alarm opens with or without its sound";

    // At most one alarm window: no sound either when another entry is shown.
    Settings.ActivateTerminarz = "iWhisper.wav";
    T.entries()[0].shown = true;
    Tick.OpenAlarm(0, due, 0, TAlarmCause::Moment);
    EXPECT_EQ(P.Sound.Played.size(), 1);
    EXPECT_EQ(Alarm.Calls.size(), 5u);
}

TEST(AlarmSound, TheDesktopPlayerNeverWaitsAndWithoutAnAudioDeviceIsSilent) {
    const bool device = !QMediaDevices::audioOutputs().isEmpty();
    TFakePlatform platform;
    InstallGuiServices();
    ISoundPlayer* player = Platform().Sound;
    ASSERT_NE(player, &platform.Sound);
    // A short, valid 8-bit mono WAV.
    QByteArray wav("RIFF\x2C\x01\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00"
                   "\x40\x1F\x00\x00\x40\x1F\x00\x00\x01\x00\x08\x00"
                   "data\x08\x01\x00\x00",
                   44);
    wav += QByteArray(264, '\x80');
    const QString file = ProgramFile("beep.wav");
    WriteBytes(file, wav);
    QElapsedTimer clock;
    clock.start();
    PlaySoundFile(file);
    PlaySoundFile(ProgramFile("brak.wav"));
    QCoreApplication::processEvents();
    EXPECT_LT(clock.elapsed(), 2000);
    // A player that reported playing for ever would silence every later alarm. The sound
    // lasts 33 ms where there is a device to hear it.
    if (device)
        EXPECT_TRUE(QTest::qWaitFor([&] { return !player->IsPlaying(); }, 3000));
    else
        EXPECT_FALSE(player->IsPlaying());
}
