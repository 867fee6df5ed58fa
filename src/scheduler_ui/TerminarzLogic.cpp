#include "scheduler_ui/TerminarzLogic.h"

#include "common/IniText.h"
#include "platform/Platform.h"
#include "scheduler/ICalendar.h"

#include <algorithm>
#include <cmath>
#include <limits>

QStringList WeekdayItems() {
    QStringList items;
    for (int d = 1; d <= 7; ++d)
        items << QString::number(d) + QStringLiteral(". ") + WeekdayNameOf(d);
    return items;
}

QStringList DayOfMonthItems() {
    QStringList items;
    for (int d = 1; d <= 31; ++d)
        items << QString::number(d);
    return items;
}

QStringList MonthItems() {
    return {QStringLiteral("1. Styczeń"),   QStringLiteral("2. Luty"),
            QStringLiteral("3. Marzec"),    QStringLiteral("4. Kwiecień"),
            QStringLiteral("5. Maj"),       QStringLiteral("6. Czerwiec"),
            QStringLiteral("7. Lipiec"),    QStringLiteral("8. Sierpień"),
            QStringLiteral("9. Wrzesień"),  QStringLiteral("10. Październik"),
            QStringLiteral("11. Listopad"), QStringLiteral("12. Grudzień")};
}

QStringList RemindAmountItems() {
    QStringList items;
    for (int v = 0; v <= 99; ++v)
        items << QString::number(v);
    return items;
}

QStringList RemindUnitItems() {
    return {RemindUnitWordOf(0), RemindUnitWordOf(1), RemindUnitWordOf(2)};
}

TKindEnabling EnablingFor(int kind) {
    TKindEnabling e;
    switch (kind) {
    case KindEveryMinutes:
        e.Interval = true;
        break;
    case KindDaily:
        e.Time = e.Remind = true;
        break;
    case KindWeekly:
        e.Time = e.Weekday = e.Remind = true;
        break;
    case KindMonthly:
        e.DayOfMonth = e.Remind = true;
        break;
    case KindYearly:
        e.DayOfMonth = e.Month = e.Remind = true;
        break;
    default: // KindOnce
        e.Date = e.Time = e.Remind = true;
        break;
    }
    return e;
}

TEditorValues ValuesForNewEntry(TEditorValues v, TDateTime day, TDateTime now) {
    v.Date = day;
    v.Time = now;
    v.WeekdayIndex = SchedulerWeekday(day) - 1;
    const TDateParts d = DecodeDate(day);
    v.DayOfMonthText = QString::number(d.Day);
    v.MonthIndex = d.Month - 1;
    return v;
}

QString RemindAmountTextOf(std::int64_t minutes) {
    return QString::number(RemindValue(minutes));
}

TEditorValues ValuesFromEntry(const TTimetableEntry& e) {
    TEditorValues v;
    v.Date = e.date;
    v.Time = e.time;
    v.WeekdayIndex = e.dayofweek >= 1 && e.dayofweek <= 7 ? e.dayofweek - 1 : -1;
    v.DayOfMonthText =
        e.dayofmonth >= 1 && e.dayofmonth <= 31 ? QString::number(e.dayofmonth) : QString();
    v.MonthIndex = e.month >= 1 && e.month <= 12 ? e.month - 1 : -1;
    v.IntervalText = QString::number(e.minute);
    v.RemindUnit = RemindUnitIndex(e.remindbefore);
    v.RemindAmountText = RemindAmountTextOf(e.remindbefore);
    v.Note = e.notka;
    v.Kind = e.kind >= KindOnce && e.kind <= KindYearly ? e.kind : KindOnce;
    return v;
}

std::optional<std::int64_t> StrToInt64Opt(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
        negative = t[i] == '-';
        ++i;
    }
    if (i == t.size())
        return std::nullopt;
    // Accumulated as a negative number, which reaches one further than a positive one.
    constexpr std::int64_t Min = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        const int digit = c.unicode() - '0';
        if (value < (Min + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == Min)
            return std::nullopt;
        value = -value;
    }
    return value;
}

std::optional<int> StrToIntOpt(const QString& text) {
    const auto v = StrToInt64Opt(text);
    if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*v);
}

namespace {

// The whole minute of a one-time entry's due moment: its day and its time of day. A day far
// outside the years 1 to 9999 (only a hand-edited file holds one) is held just outside them.
std::int64_t OnceDueMinute(TDateTime date, TDateTime time) {
    const double day = std::isnan(date) ? 0.0 : std::clamp(DatePart(date), -1e6, 3e6);
    const double timeOfDay = std::isnan(time) ? 0.0 : std::fabs(TimePart(time));
    return static_cast<std::int64_t>(day) * MinutesPerDay + WholeMinutes(timeOfDay);
}

} // namespace

bool ReminderMomentFits(int kind, TDateTime date, TDateTime time, std::int64_t remindMinutes,
                        TDateTime now) {
    if (remindMinutes >= 0)
        return true; // the reminder comes before the due moment
    // A repeating entry falls due today at the latest (daily, weekly) or within a year
    // (monthly, yearly): count from the last minute of the day a year ahead.
    const std::int64_t due =
        kind == KindOnce ? OnceDueMinute(date, time)
                         : (static_cast<std::int64_t>(DatePart(now)) + 367) * MinutesPerDay - 1;
    return due - remindMinutes <= LastWholeMinute();
}

bool IntervalMomentFits(std::int64_t intervalMinutes, TDateTime now) {
    return intervalMinutes <= 0 || WholeMinutes(now) + intervalMinutes <= LastWholeMinute();
}

QString NotAnIntegerText(const QString& boxName, const QString& text) {
    return QStringLiteral("%1: „%2” nie jest prawidłową liczbą całkowitą.").arg(boxName, text);
}

TAcceptResult BuildEntry(const TEditorValues& v, TDateTime now) {
    TAcceptResult r;
    auto fail = [&r](TAcceptFailure failure, const QString& message) {
        r.Failure = failure;
        r.Message = message;
        r.Entry = {};
        return r;
    };

    // 1. The reminder amount, when its line is enabled: a number other than -1 whose minutes
    //    fit 32 bits and whose reminder moment can still be written.
    const bool remindEnabled = EnablingFor(v.Kind).Remind;
    std::int64_t remindMinutes = 0;
    if (remindEnabled) {
        const std::int64_t amount = StrToInt64Opt(v.RemindAmountText).value_or(-1);
        if (amount == -1)
            return fail(TAcceptFailure::RemindAmount, BadValueText);
        const auto minutes = RemindToMinutes(amount, v.RemindUnit);
        if (!minutes || !ReminderMomentFits(v.Kind, v.Date, v.Time, *minutes, now))
            return fail(TAcceptFailure::RemindAmount, BadValueText);
        remindMinutes = *minutes;
    }

    TTimetableEntry& e = r.Entry;
    // 2. to 4.
    e.kind = v.Kind;
    e.date = v.Date;
    e.time = v.Time;
    e.dayofweek = v.WeekdayIndex + 1;
    // 5.
    const auto day = StrToIntOpt(v.DayOfMonthText);
    if (!day)
        return fail(TAcceptFailure::DayOfMonth,
                    NotAnIntegerText(QStringLiteral("Dzień miesiąca"), v.DayOfMonthText));
    e.dayofmonth = *day;
    // 6.
    e.month = v.MonthIndex + 1;
    // 7.
    const auto interval = StrToIntOpt(v.IntervalText);
    if (!interval)
        return fail(TAcceptFailure::Interval,
                    NotAnIntegerText(QStringLiteral("Co ile minut"), v.IntervalText));
    if (EnablingFor(v.Kind).Interval && !IntervalMomentFits(*interval, now))
        return fail(TAcceptFailure::IntervalTooFar, BadValueText);
    e.minute = *interval;
    // 8.
    e.remindbefore = remindEnabled ? static_cast<int>(remindMinutes) : 0;
    // 9.
    e.notka = ToCrLf(v.Note);
    return r;
}

bool TimetableHasRoom(const TTimetable& timetable) {
    if (timetable.count() < TTimetable::capacity)
        return true;
    MessageBox(nullptr,
               QString::fromUtf8("Terminarz jest pełny (%1 wpisów). Usuń niepotrzebne wpisy, aby "
                                 "dodać nowy.")
                   .arg(TTimetable::capacity),
               QStringLiteral("Notella"), TMsgButtons::OK, TMsgIcon::Warning);
    return false;
}

QString ICalendarFilter() {
    return QString::fromUtf8("Pliki iCalendar (*.ics);;Wszystkie pliki (*)");
}

bool ExportTimetableTo(QWidget* parent, const TTimetable& timetable, const QString& path,
                       bool tellSuccess) {
    QString error;
    if (!ExportICalendarFile(timetable, path, error)) {
        MessageBox(parent, error, QString::fromUtf8("Błąd"), TMsgButtons::OK, TMsgIcon::Error);
        return false;
    }
    if (tellSuccess)
        MessageBox(parent, QString::fromUtf8("Zapisano terminarz do pliku \"%1\".").arg(path),
                   QStringLiteral("Notella"), TMsgButtons::OK, TMsgIcon::Information);
    return true;
}

bool ImportTimetableFrom(QWidget* parent, TTimetable& timetable, const QString& path) {
    const TICalendarOutcome outcome = ImportICalendarFile(timetable, path);
    MessageBox(parent, outcome.Message, QStringLiteral("Notella"), TMsgButtons::OK,
               outcome.Failed ? TMsgIcon::Warning : TMsgIcon::Information);
    return outcome.Changed;
}
