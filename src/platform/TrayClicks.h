#pragma once

#include <QtGlobal>

// Turns the tray's activations into the two actions the program knows. The XEmbed tray
// reports a double click as "Trigger" then "DoubleClick"; the StatusNotifierItem tray reports
// no double click, only two "Trigger"s. Either way the first press is a button-down and the
// pair is one double click.
class TTrayClicks {
public:
    enum class TAction { None, ButtonDown, DoubleClick };

    explicit TTrayClicks(int intervalMs) : Interval(intervalMs) {}

    TAction Trigger(qint64 ms) {
        if (LastTrigger >= 0 && !Paired && ms - LastTrigger <= Interval) {
            Paired = true;
            return TAction::DoubleClick;
        }
        LastTrigger = ms;
        Paired = false;
        return TAction::ButtonDown;
    }

    TAction DoubleClick(qint64 ms) {
        if (Paired && LastTrigger >= 0 && ms - LastTrigger <= Interval)
            return TAction::None; // already taken as a pair of triggers
        Paired = true;
        return TAction::DoubleClick;
    }

private:
    int Interval;
    qint64 LastTrigger = -1;
    bool Paired = false;
};
