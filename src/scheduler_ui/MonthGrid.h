#pragma once

// The year calendar's rules without its widgets: which day stands in which cell of a month
// grid, where the current cell goes for a click or a key, and the steps between years.

#include "common/DateUtils.h"

#include <QString>

#include <array>
#include <optional>

// Seven columns, Monday first; row 0 is the header with the weekday names, rows 1 to 6 the
// days. The bottom-right cell (6, 6) never holds a day.
inline constexpr int GridColumns = 7;
inline constexpr int GridRows = 7;

struct TGridCell {
    int Row = 1;
    int Col = 0;

    bool operator==(const TGridCell&) const = default;
};

inline constexpr TGridCell BottomRightCell{GridRows - 1, GridColumns - 1};

// The day numbers of rows 1 to 6, 0 for an empty cell.
using TMonthCells = std::array<std::array<int, GridColumns>, GridRows - 1>;
TMonthCells MonthCells(int year, int month);

// The day in a cell of the month; 0 for an empty cell, the header row and outside the grid.
int DayAtCell(int year, int month, TGridCell cell);
TGridCell CellOfDay(int year, int month, int day);

// The day that a month other than the selected one holds, its current cell resting on the
// empty bottom-right cell: the Sunday of row 5 when there is one, else that of row 4 (the day
// that Ctrl+End, Up, Up, Down, Down leave behind).
int RestingDay(int year, int month);

// The keys that move a grid's current cell.
enum class TGridKey { Left, Right, Up, Down, Home, End, CtrlHome, CtrlEnd, PageUp, PageDown };
// Where a key takes the current cell; the header row is never current and nothing wraps.
TGridCell MoveCell(TGridCell from, TGridKey key);

// Width or height of a cell for a grid of that client extent, with 1-pixel grid lines.
int CellExtent(int clientExtent);

// One month grid's date and current cell.
class TMonthGrid {
public:
    int Year() const { return FYear; }
    int Month() const { return FMonth; }
    int Day() const { return FDay; }
    TDateTime Date() const;
    TGridCell Current() const { return FCurrent; }
    int DayAt(TGridCell cell) const { return DayAtCell(FYear, FMonth, cell); }

    // The whole day of `date`, with the current cell on it.
    void SetDate(TDateTime date);
    // A month other than the selected one: RestingDay, the current cell on the bottom right.
    void Rest(int year, int month);
    // The user's click or key: the cell becomes current; true when it holds a day, which
    // then becomes the grid's day (also when it already was).
    bool Choose(TGridCell cell);

private:
    int FYear = 1899;
    int FMonth = 12;
    int FDay = 30;
    TGridCell FCurrent = CellOfDay(1899, 12, 30);
};

// The calendar's years, those of the entry editor.
inline constexpr int FirstCalendarYear = 100;
inline constexpr int LastCalendarYear = 9999;

// The same day and month `years` later (or earlier), 29 February becoming 28 February, without
// a time of day; none when that year lies outside the calendar's years.
std::optional<TDateTime> StepYear(TDateTime date, int years);

// "Rok: 2026" and "2026-12-08, Wtorek" (the date in the format in force).
QString YearCaption(TDateTime date);
QString DateCaption(TDateTime date);
