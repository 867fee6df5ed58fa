#include "scheduler/SchedulerTick.h"

#include "app/SettingsForm.h"
#include "platform/Platform.h"

#include <utility>

std::optional<TDateTime> ComputeDue(const TTimetableEntry& e, TDateTime now) {
    const TDateParts today = DecodeDate(now);
    TDateTime datePart = 0;
    TDateTime timePart = 0;
    switch (e.kind) {
    case KindOnce:
        datePart = e.date;
        timePart = e.time;
        break;
    case KindEveryMinutes:
        // An interval of 0 or less never comes, not even by rounding of the moment.
        if (e.minute <= 0)
            return std::nullopt;
        datePart = timePart = AddMinutes(e.lastshowdate, e.minute);
        break;
    case KindDaily:
        datePart = now;
        timePart = e.time;
        break;
    case KindWeekly:
        if (SchedulerWeekday(now) == e.dayofweek) {
            datePart = now;
            timePart = e.time;
        }
        break;
    case KindMonthly: {
        int year = today.Year;
        int month = today.Month;
        // Once this month's day has passed, the next month's occurrence is the one ahead.
        if (e.dayofmonth < today.Day && ++month > 12) {
            month = 1;
            ++year;
        }
        const auto d = TryEncodeDate(year, month, e.dayofmonth);
        if (!d)
            return std::nullopt;
        datePart = *d;
        break;
    }
    case KindYearly: {
        const int year = e.month < today.Month ? today.Year + 1 : today.Year;
        const auto d = TryEncodeDate(year, e.month, e.dayofmonth);
        if (!d)
            return std::nullopt;
        datePart = *d;
        break;
    }
    default:
        // Never due, not even through a postponed reminder of a hand-edited file.
        return std::nullopt;
    }
    const TDateParts d = DecodeDate(datePart);
    const TTimeParts t = DecodeTime(timePart);
    const auto date = TryEncodeDate(d.Year, d.Month, d.Day);
    const auto time = TryEncodeTime(t.Hour, t.Minute, t.Second, t.MSec);
    if (!date || !time)
        return std::nullopt;
    return *date + *time;
}

namespace {

class TNoAlarmPresenter final : public IAlarmPresenter {
public:
    void ShowAlarm(TTimetable&, int, TDateTime, std::int64_t, TAlarmCause, bool) override {}
};

} // namespace

IAlarmPresenter& NoAlarmPresenter() {
    static TNoAlarmPresenter presenter;
    return presenter;
}

TSchedulerTick::TSchedulerTick(TTimetable& timetable, const TAppSettings& settings,
                               std::function<bool()> modalWindowOpen, IAlarmPresenter& presenter)
    : Table(timetable), Settings(settings), ModalWindowOpen(std::move(modalWindowOpen)),
      Presenter(&presenter) {}

void TSchedulerTick::Tick() {
    if (Busy)
        return;
    if (ModalWindowOpen && ModalWindowOpen())
        return;
    Busy = true;
    // An error out of an alarm window must not switch the scheduler off for the rest of the run.
    struct TClearBusy {
        bool& Flag;
        ~TClearBusy() { Flag = false; }
    } clearBusy{Busy};

    // Reading the clock costs more than checking an entry: it is read again only after an
    // alarm window, which may have stayed open for minutes.
    TDateTime now = Now();
    auto alarm = [&](int i, TDateTime due, std::int64_t offset, TAlarmCause cause) {
        OpenAlarm(i, due, offset, cause);
        now = Now();
    };
    for (int i = 0; i < Table.count(); ++i) {
        // The run ended under an alarm window: no further alarm may flash up.
        if (Table.entries()[i].shown || ShuttingDown())
            break;
        const auto due = ComputeDue(Table.entries()[i], now);
        if (!due)
            continue;
        // Once an alarm window has removed or moved the entry, the index holds another one:
        // its remaining checks are skipped.
        const std::uint64_t layout = Table.LayoutVersion();
        auto gone = [&] { return Table.LayoutVersion() != layout; };

        if (const TTimetableEntry& e = Table.entries()[i]; e.lastshowdate < *due && now >= *due)
            alarm(i, *due, 0, TAlarmCause::Moment);
        if (gone())
            continue;

        if (const TTimetableEntry& e = Table.entries()[i]; e.remindafter != 0.0) {
            if (e.lastshowdate < e.remindafter && now >= e.remindafter)
                alarm(i, *due, WholeMinutes(*due) - WholeMinutes(now), TAlarmCause::Postponed);
        }
        if (gone())
            continue;

        if (const TTimetableEntry& e = Table.entries()[i]; e.remindbefore != 0) {
            const TDateTime early = SubtractMinutes(*due, e.remindbefore);
            // From the moment itself on, the due check reports the occurrence.
            if (e.lastshowdate < early && now >= early && now < *due)
                alarm(i, *due, e.remindbefore, TAlarmCause::Early);
        }
    }
}

void TSchedulerTick::OpenAlarm(int index, TDateTime due, std::int64_t offset, TAlarmCause cause) {
    if (index < 0 || index >= Table.count() || ShuttingDown())
        return;
    for (const TTimetableEntry& e : Table.entries())
        if (e.shown)
            return;
    if (Settings.ActivateTerminarzPlaySound)
        PlaySoundFile(SoundFilePath(Settings.ActivateTerminarz));
    Presenter->ShowAlarm(Table, index, due, offset, cause, Settings.AutomarkDelete);
}
