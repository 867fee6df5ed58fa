#include "scheduler_ui/MonthGrid.h"

#include "common/Formats.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

std::optional<TDateTime> Day(int y, int m, int d) {
    return EncodeDate(y, m, d);
}

} // namespace

TEST(MonthGrid, DaysStandUnderTheirWeekdaysMondayFirst) {
    // 1 August 2021 is a Sunday: the 1st alone in row 1, and six rows.
    EXPECT_EQ(MonthCells(2021, 8), (TMonthCells{{{0, 0, 0, 0, 0, 0, 1},
                                                 {2, 3, 4, 5, 6, 7, 8},
                                                 {9, 10, 11, 12, 13, 14, 15},
                                                 {16, 17, 18, 19, 20, 21, 22},
                                                 {23, 24, 25, 26, 27, 28, 29},
                                                 {30, 31, 0, 0, 0, 0, 0}}}));
    // 30 days from a Sunday reach row 6 too.
    EXPECT_EQ(MonthCells(2026, 11), (TMonthCells{{{0, 0, 0, 0, 0, 0, 1},
                                                  {2, 3, 4, 5, 6, 7, 8},
                                                  {9, 10, 11, 12, 13, 14, 15},
                                                  {16, 17, 18, 19, 20, 21, 22},
                                                  {23, 24, 25, 26, 27, 28, 29},
                                                  {30, 0, 0, 0, 0, 0, 0}}}));
    // 31 days from a Saturday.
    EXPECT_EQ(MonthCells(2021, 5), (TMonthCells{{{0, 0, 0, 0, 0, 1, 2},
                                                 {3, 4, 5, 6, 7, 8, 9},
                                                 {10, 11, 12, 13, 14, 15, 16},
                                                 {17, 18, 19, 20, 21, 22, 23},
                                                 {24, 25, 26, 27, 28, 29, 30},
                                                 {31, 0, 0, 0, 0, 0, 0}}}));
    // February 2021 starts on a Monday and fills exactly four rows.
    EXPECT_EQ(MonthCells(2021, 2), (TMonthCells{{{1, 2, 3, 4, 5, 6, 7},
                                                 {8, 9, 10, 11, 12, 13, 14},
                                                 {15, 16, 17, 18, 19, 20, 21},
                                                 {22, 23, 24, 25, 26, 27, 28},
                                                 {0, 0, 0, 0, 0, 0, 0},
                                                 {0, 0, 0, 0, 0, 0, 0}}}));

    EXPECT_EQ(DayAtCell(2021, 8, {1, 6}), 1);
    EXPECT_EQ(DayAtCell(2021, 8, {6, 1}), 31);
    EXPECT_EQ(DayAtCell(2021, 8, {6, 2}), 0);
    EXPECT_EQ(DayAtCell(2021, 8, {0, 6}), 0) << "the header row holds no day";
    EXPECT_EQ(CellOfDay(2021, 8, 1), (TGridCell{1, 6}));
    EXPECT_EQ(CellOfDay(2021, 2, 28), (TGridCell{4, 6}));
}

TEST(MonthGrid, KeysMoveTheCurrentCellWithinTheDayRowsWithoutWrapping) {
    const TGridCell corner{1, 0};
    EXPECT_EQ(MoveCell(corner, TGridKey::Up), corner) << "the header is never current";
    EXPECT_EQ(MoveCell(corner, TGridKey::Left), corner);
    EXPECT_EQ(MoveCell({3, 6}, TGridKey::Right), (TGridCell{3, 6}));
    EXPECT_EQ(MoveCell({6, 2}, TGridKey::Down), (TGridCell{6, 2}));
    EXPECT_EQ(MoveCell({3, 3}, TGridKey::Home), (TGridCell{3, 0}));
    EXPECT_EQ(MoveCell({3, 3}, TGridKey::End), (TGridCell{3, 6}));
    EXPECT_EQ(MoveCell({3, 3}, TGridKey::CtrlHome), (TGridCell{1, 0}));
    EXPECT_EQ(MoveCell({3, 3}, TGridKey::CtrlEnd), BottomRightCell);
    EXPECT_EQ(MoveCell({3, 3}, TGridKey::PageUp), (TGridCell{1, 3}));
    EXPECT_EQ(MoveCell({3, 3}, TGridKey::PageDown), (TGridCell{6, 3}));
    EXPECT_EQ(CellExtent(112), 15);
    EXPECT_EQ(CellExtent(77), 10);
}

TEST(MonthGrid, AnotherMonthRestsWhereCtrlEndUpUpDownDownWouldLeaveIt) {
    for (int year : {2021, 2024, 2026})
        for (int month = 1; month <= 12; ++month) {
            TMonthGrid keyed;
            keyed.SetDate(EncodeDate(year, month, 1));
            for (TGridKey key :
                 {TGridKey::CtrlEnd, TGridKey::Up, TGridKey::Up, TGridKey::Down, TGridKey::Down})
                keyed.Choose(MoveCell(keyed.Current(), key));
            TMonthGrid rested;
            rested.Rest(year, month);
            EXPECT_EQ(rested.Date(), keyed.Date()) << year << "-" << month;
            EXPECT_EQ(rested.Current(), BottomRightCell);
            EXPECT_EQ(rested.DayAt(rested.Current()), 0) << "no day number highlighted";
        }
    EXPECT_EQ(RestingDay(2021, 2), 28) << "row 5 is empty";
    EXPECT_EQ(RestingDay(2021, 8), 29);
}

TEST(MonthGrid, ChoosingADayCellTakesItsDayEvenWhenItIsHeldAlready) {
    TMonthGrid g;
    g.Rest(2021, 8);
    ASSERT_EQ(g.Day(), 29);
    EXPECT_TRUE(g.Choose(CellOfDay(2021, 8, 29)));
    EXPECT_EQ(g.Current(), (TGridCell{5, 6}));
    EXPECT_FALSE(g.Choose({6, 5})) << "an empty cell becomes current and keeps the day";
    EXPECT_EQ(g.Current(), (TGridCell{6, 5}));
    EXPECT_EQ(g.Day(), 29);
    EXPECT_TRUE(g.Choose({1, 6}));
    EXPECT_EQ(g.Date(), EncodeDate(2021, 8, 1));

    g.SetDate(EncodeDate(2010, 3, 15) + 0.75);
    EXPECT_EQ(g.Date(), EncodeDate(2010, 3, 15)) << "whole days only";
    EXPECT_EQ(g.Current(), CellOfDay(2010, 3, 15));
}

TEST(MonthGrid, AYearStepKeepsDayAndMonthAndStopsAtTheCalendarsEnds) {
    EXPECT_EQ(StepYear(EncodeDate(2010, 3, 15) + 0.5, 1), Day(2011, 3, 15));
    EXPECT_EQ(StepYear(EncodeDate(2008, 2, 29), 1), Day(2009, 2, 28));
    EXPECT_EQ(StepYear(EncodeDate(2008, 2, 29), -1), Day(2007, 2, 28));
    EXPECT_EQ(StepYear(EncodeDate(2007, 2, 28), 1), Day(2008, 2, 28));
    EXPECT_EQ(StepYear(EncodeDate(9998, 12, 31), 1), Day(9999, 12, 31));
    EXPECT_EQ(StepYear(EncodeDate(9999, 1, 1), 1), std::nullopt);
    EXPECT_EQ(StepYear(EncodeDate(101, 1, 1), -1), Day(100, 1, 1));
    EXPECT_EQ(StepYear(EncodeDate(100, 12, 31), -1), std::nullopt);
}

TEST(MonthGrid, CaptionsShowTheYearAndTheDateWithItsPolishWeekday) {
    SetStartFormats();
    EXPECT_EQ(YearCaption(EncodeDate(2026, 12, 8) + 0.5), "Rok: 2026");
    EXPECT_EQ(DateCaption(EncodeDate(2026, 12, 8) + 0.5), "2026-12-08, Wtorek");
    EXPECT_EQ(DateCaption(EncodeDate(2026, 12, 13)), "2026-12-13, Niedziela");
}
