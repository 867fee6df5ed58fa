#include "scheduler/AlarmLogic.h"

#include "platform/Clock.h"

#include <limits>

namespace {

QString Span(std::int64_t minutes) {
    return QString::number(RemindValue(minutes)) + ' ' + RemindUnitWord(minutes);
}

} // namespace

QString AlarmOffsetLine(const TTimetableEntry& entry, TDateTime due, std::int64_t offset,
                        TAlarmCause cause) {
    // A weekly entry on another weekday has no occurrence today: the offset would count the
    // minutes since 1899 and the weekday would be that day's.
    const QString day =
        due != 0.0 ? WeekdayName(due)
                   : (entry.kind == KindWeekly ? WeekdayNameOf(entry.dayofweek) : QString());
    QString line;
    // A postponed alarm whose moment lies ahead (an early reminder postponed, or a postponement
    // past the occurrence) or has none today must not read like an early reminder.
    if (cause == TAlarmCause::Postponed && (due == 0.0 || offset > 0))
        line = QStringLiteral("  Przypomnienie odłożone");
    else if (offset > 0)
        line = QStringLiteral("  Za ") + Span(offset);
    else if (offset < 0)
        line = QStringLiteral("  Aktualne od ") + Span(-offset);
    else
        line = QStringLiteral("  Aktualne!");
    return day.isEmpty() ? line : line + QStringLiteral("  (") + day + ')';
}

QString AlarmHeading(const TTimetableEntry& entry, TDateTime due, std::int64_t offset,
                     TAlarmCause cause) {
    return EntrySummary(entry) + QChar(10) + AlarmOffsetLine(entry, due, offset, cause);
}

std::optional<std::int64_t> PostponementMinutes(const QString& amount, int unitIndex,
                                                TDateTime now) {
    bool ok = false;
    const qlonglong value = amount.toLongLong(&ok, 10);
    if (!ok || value == -1)
        return std::nullopt;
    constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int32_t>::max();
    if (value < lowest || value > highest)
        return std::nullopt;
    const std::optional<int> minutes = RemindToMinutes(value, unitIndex);
    if (!minutes)
        return std::nullopt;
    // Counted in whole minutes: a sum of doubles could land on either side of midnight.
    if (*minutes > 0 && WholeMinutes(now) + *minutes > LastWholeMinute())
        return std::nullopt;
    return *minutes;
}

std::optional<TDateTime> PostponedMoment(const QString& amount, int unitIndex, TDateTime now) {
    const auto minutes = PostponementMinutes(amount, unitIndex, now);
    if (!minutes || *minutes <= 0)
        return std::nullopt;
    return AddMinutes(now, *minutes);
}

bool AcknowledgeAlarm(TTimetableEntry& entry, const QString& amount, int unitIndex) {
    const TDateTime now = Now();
    const auto minutes = PostponementMinutes(amount, unitIndex, now);
    if (!minutes)
        return false;
    entry.remindafter = *minutes > 0 ? AddMinutes(now, *minutes) : now;
    entry.lastshowdate = Now();
    return true;
}

int LocateShownEntry(const TTimetable& timetable, int index) {
    const auto entries = timetable.entries();
    if (index >= 0 && index < timetable.count() && entries[index].shown)
        return index;
    for (int i = 0; i < timetable.count(); ++i)
        if (entries[i].shown)
            return i;
    return -1;
}
