#pragma once

// The entry editor's rules without its widgets: which controls each kind enables, what the
// controls show for a new or an existing entry, and the entry that Accept builds from them.

#include "common/DateUtils.h"
#include "scheduler/Timetable.h"

#include <QString>
#include <QStringList>

class QWidget;

#include <cstdint>
#include <optional>

// The item lists of the editor's boxes.
QStringList WeekdayItems();      // "1. Poniedziałek" .. "7. Niedziela"
QStringList DayOfMonthItems();   // "1" .. "31"
QStringList MonthItems();        // "1. Styczeń" .. "12. Grudzień"
QStringList RemindAmountItems(); // "0" .. "99"
QStringList RemindUnitItems();   // "minut", "godzin", "dni"

// The controls that the kind buttons switch on; the others are off and keep their values.
struct TKindEnabling {
    bool Date = false;       // DateTimePickerDate
    bool Time = false;       // DateTimePickerTime
    bool Weekday = false;    // ComboBoxTydzien
    bool DayOfMonth = false; // ComboBoxDMiesiaca
    bool Month = false;      // ComboBoxMiesiac
    bool Interval = false;   // EditMinut
    bool Remind = false;     // the reminder line: both labels and both boxes

    bool operator==(const TKindEnabling&) const = default;
};
// Kinds outside 1..6 are never the checked button; they get kind 1's controls.
TKindEnabling EnablingFor(int kind);

// What the editor's controls hold, read from them at Accept or put into them by LoadEntry.
struct TEditorValues {
    int Kind = KindOnce;                            // the checked kind button, 1..6
    TDateTime Date = 0;                             // DateTimePickerDate, its full value
    TDateTime Time = 0;                             // DateTimePickerTime, its full value
    int WeekdayIndex = -1;                          // ComboBoxTydzien's selected item; -1 none
    QString DayOfMonthText;                         // ComboBoxDMiesiaca's text (editable)
    int MonthIndex = -1;                            // ComboBoxMiesiac's selected item; -1 none
    QString IntervalText = QStringLiteral("60");    // EditMinut
    QString RemindAmountText = QStringLiteral("0"); // ComboBoxRemindV (editable)
    int RemindUnit = 0; // ComboBoxRemind's selected item: 0 minut, 1 godzin, 2 dni
    QString Note;       // MemoNotka; line breaks as CR LF, LF or CR

    bool operator==(const TEditorValues&) const = default;
};

// SetupNewEntry: the day's date in the date picker, `now` in the time picker, and the
// weekday, day and month boxes on the day. The other values are the ones of `current`.
TEditorValues ValuesForNewEntry(TEditorValues current, TDateTime day, TDateTime now);

// LoadEntry: the controls for an existing entry. A weekday, day or month outside its list
// gives no selection (the day box an empty text); a kind outside 1..6 gives "Jednorazowo".
TEditorValues ValuesFromEntry(const TTimetableEntry& entry);

// StrToInt: decimal digits with an optional sign and blanks around them, within 32 bits.
std::optional<int> StrToIntOpt(const QString& text);
// The same within 64 bits.
std::optional<std::int64_t> StrToInt64Opt(const QString& text);

// Whether the early reminder lies no later than 9999-12-31 23:59 for every due moment the
// entry can have: a one-time entry falls due at its date and time, a repeating one within a
// year of `now`. Only a negative reminder puts it behind the due moment.
bool ReminderMomentFits(int kind, TDateTime date, TDateTime time, std::int64_t remindMinutes,
                        TDateTime now);
// Whether an interval's next alarm, `now` plus the interval, lies no later than 9999-12-31.
bool IntervalMomentFits(std::int64_t intervalMinutes, TDateTime now);

inline const QString BadValueText = QStringLiteral("Nieprawidłowa wartość!");
// The message for a text that is not an integer, naming the box it came from.
QString NotAnIntegerText(const QString& boxName, const QString& text);

enum class TAcceptFailure {
    None,
    RemindAmount,   // "Nieprawidłowa wartość!": not a number, -1, too large, too far
    DayOfMonth,     // not an integer
    Interval,       // not an integer
    IntervalTooFar, // "Nieprawidłowa wartość!": the next alarm would pass 9999-12-31
};

struct TAcceptResult {
    TAcceptFailure Failure = TAcceptFailure::None;
    QString Message;       // the text of the message box when Accept fails
    TTimetableEntry Entry; // the built entry when Accept succeeds

    bool Ok() const { return Failure == TAcceptFailure::None; }
};

// Accept: checks the reminder amount (when the kind enables it), then builds every field from
// the values in the order of the editor's Accept; the first failure stops it. `remindafter`,
// `lastshowdate` and `shown` stay as in an empty entry.
TAcceptResult BuildEntry(const TEditorValues& values, TDateTime now);

// The reminder value as its decimal text and unit index (LoadEntry).
QString RemindAmountTextOf(std::int64_t minutes);

// Room for one more entry in `timetable`; when it is full the user is told so, before anything
// is typed that would be lost.
bool TimetableHasRoom(const TTimetable& timetable = Timetable());

// The iCalendar file chooser's filter.
QString ICalendarFilter();
// Exports the timetable to `path` and tells the user how it went (a failure always; the
// success only when `tellSuccess`).
bool ExportTimetableTo(QWidget* parent, const TTimetable& timetable, const QString& path,
                       bool tellSuccess = true);
// Imports `path` into the timetable and tells the user what was added and what left out.
// True when entries were added.
bool ImportTimetableFrom(QWidget* parent, TTimetable& timetable, const QString& path);
