#include "scheduler_ui/MonthGrid.h"

#include "common/Formats.h"

#include <algorithm>

namespace {

// Column of the 1st, 0 for Monday.
int FirstColumn(int year, int month) {
    return SchedulerWeekday(EncodeDate(year, month, 1)) - 1;
}

bool Inside(TGridCell cell) {
    return cell.Row >= 1 && cell.Row < GridRows && cell.Col >= 0 && cell.Col < GridColumns;
}

} // namespace

TMonthCells MonthCells(int year, int month) {
    TMonthCells cells{};
    const int first = FirstColumn(year, month);
    const int days = DaysInMonth(year, month);
    for (int day = 1; day <= days; ++day) {
        const int at = first + day - 1;
        cells[at / GridColumns][at % GridColumns] = day;
    }
    return cells;
}

int DayAtCell(int year, int month, TGridCell cell) {
    if (!Inside(cell))
        return 0;
    const int day = (cell.Row - 1) * GridColumns + cell.Col - FirstColumn(year, month) + 1;
    return day >= 1 && day <= DaysInMonth(year, month) ? day : 0;
}

TGridCell CellOfDay(int year, int month, int day) {
    const int at = FirstColumn(year, month) + day - 1;
    return {at / GridColumns + 1, at % GridColumns};
}

int RestingDay(int year, int month) {
    const int lastColumn = GridColumns - 1;
    const int row5 = DayAtCell(year, month, {5, lastColumn});
    return row5 ? row5 : DayAtCell(year, month, {4, lastColumn});
}

TGridCell MoveCell(TGridCell from, TGridKey key) {
    TGridCell to = from;
    switch (key) {
    case TGridKey::Left:
        --to.Col;
        break;
    case TGridKey::Right:
        ++to.Col;
        break;
    case TGridKey::Up:
        --to.Row;
        break;
    case TGridKey::Down:
        ++to.Row;
        break;
    case TGridKey::Home:
        to.Col = 0;
        break;
    case TGridKey::End:
        to.Col = GridColumns - 1;
        break;
    case TGridKey::CtrlHome:
        to = {1, 0};
        break;
    case TGridKey::CtrlEnd:
        to = BottomRightCell;
        break;
    case TGridKey::PageUp:
        // A page is every day row: all of them are always in view.
        to.Row -= GridRows - 1;
        break;
    case TGridKey::PageDown:
        to.Row += GridRows - 1;
        break;
    }
    to.Row = std::clamp(to.Row, 1, GridRows - 1);
    to.Col = std::clamp(to.Col, 0, GridColumns - 1);
    return to;
}

int CellExtent(int clientExtent) {
    constexpr int lineWidth = 1;
    return std::max(0, (clientExtent - (GridColumns - 1) * lineWidth) / GridColumns);
}

TDateTime TMonthGrid::Date() const {
    return EncodeDate(FYear, FMonth, FDay);
}

void TMonthGrid::SetDate(TDateTime date) {
    const TDateParts p = DecodeDate(date);
    FYear = p.Year;
    FMonth = p.Month;
    FDay = p.Day;
    FCurrent = CellOfDay(FYear, FMonth, FDay);
}

void TMonthGrid::Rest(int year, int month) {
    FYear = year;
    FMonth = month;
    FDay = RestingDay(year, month);
    FCurrent = BottomRightCell;
}

bool TMonthGrid::Choose(TGridCell cell) {
    if (!Inside(cell))
        return false;
    FCurrent = cell;
    const int day = DayAt(cell);
    if (day == 0)
        return false;
    FDay = day;
    return true;
}

std::optional<TDateTime> StepYear(TDateTime date, int years) {
    const TDateParts p = DecodeDate(date);
    const int year = p.Year + years;
    if (year < FirstCalendarYear || year > LastCalendarYear)
        return std::nullopt;
    return EncodeDate(year, p.Month, std::min(p.Day, DaysInMonth(year, p.Month)));
}

QString YearCaption(TDateTime date) {
    return QStringLiteral("Rok: %1").arg(DecodeDate(date).Year);
}

QString DateCaption(TDateTime date) {
    return FormatDate(date) + QStringLiteral(", ") + WeekdayName(date);
}
