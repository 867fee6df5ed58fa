#pragma once

#include "app/AppSettings.h"
#include "common/DateUtils.h"
#include "scheduler/AlarmLogic.h"
#include "scheduler/Timetable.h"

#include <cstdint>
#include <functional>
#include <optional>

// The entry's due moment around `now`: today's occurrence, or the next one for monthly and
// yearly entries; 0.0 when a weekly entry has no occurrence today (its postponed reminder may
// still come). None when the day does not exist (31 April, 29 February of a common year), for
// an interval of 0 or less and for an unknown kind.
std::optional<TDateTime> ComputeDue(const TTimetableEntry& entry, TDateTime now);

// The alarm window. Shows the entry at `index` modally and returns once it has closed; it may
// acknowledge, postpone, edit or delete the entry and then saves the timetable itself.
class IAlarmPresenter {
public:
    virtual ~IAlarmPresenter() = default;
    // `offset`: 0 when the moment has come, minutes ahead for an early reminder, for a
    // postponed one the minutes to the due moment (negative once it has passed, ahead when the
    // postponement outlasted the occurrence). `markDelete` presets the delete box.
    virtual void ShowAlarm(TTimetable& timetable, int index, TDateTime due, std::int64_t offset,
                           TAlarmCause cause, bool markDelete) = 0;
};

// Shows nothing: the stand-in until the alarm window exists.
IAlarmPresenter& NoAlarmPresenter();

// One scheduler tick every 20 s: finds what is due, early or postponed, and opens the alarm
// window for it. Runs on the GUI thread; the alarm window's modal loop keeps delivering ticks,
// which are turned away while one runs.
class TSchedulerTick {
public:
    TSchedulerTick(TTimetable& timetable, const TAppSettings& settings,
                   std::function<bool()> modalWindowOpen,
                   IAlarmPresenter& presenter = NoAlarmPresenter());

    void Tick();
    // At most one alarm window: nothing happens while an entry is shown.
    void OpenAlarm(int index, TDateTime due, std::int64_t offset, TAlarmCause cause);

    void SetPresenter(IAlarmPresenter& presenter) { Presenter = &presenter; }
    bool SchedulerBusy() const { return Busy; }

private:
    TTimetable& Table;
    const TAppSettings& Settings;
    std::function<bool()> ModalWindowOpen;
    IAlarmPresenter* Presenter;
    bool Busy = false;
};
