#pragma once

#include "common/DateUtils.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class QWidget;

// A note's activation time: the armed state, the 10-second check that raises the alarm when
// the time has come, and the flashing that lasts until the alarm is stopped. A child of its
// note, so that its timers end with it; a timer exists only while it has work to do.
class TSheetActivation : public QObject {
    Q_OBJECT
public:
    explicit TSheetActivation(QWidget* note);

    // What the note saves and the settings give (the sound: a file in "sound" beside the
    // executable).
    TDateTime ActivationTime = 0;
    bool ActivationEnabled = false;
    QString SoundFile;
    bool PlaySound = false;

    // The time has come: the note expands, comes to the front and takes the focus.
    std::function<void()> OnAlarm;
    // Each flash step: the title bar red, or back to its usual colour.
    std::function<void(bool red)> OnFlash;
    // After SetActivation: the note shows the armed state and Hint().
    std::function<void(bool armed)> OnStateChanged;

    // Arms (the check starts anew) or disarms (no check runs); an alarm goes on flashing.
    void SetActivation(bool armed);
    // The 10-second check. Before ActivationTime, or while not waiting, it does nothing.
    void Check();
    // The note leaves the top and stops flashing; it stays armed or not as it was.
    void StopAlarm();
    bool Alarming() const { return FDingTimer != nullptr; }

    QString Hint() const;

    // The check and the flashing, while they exist.
    QTimer* ActivateTimer() const { return FActivateTimer; }
    QTimer* DingTimer() const { return FDingTimer; }

    inline static constexpr int CheckInterval = 10000;
    inline static constexpr int FlashInterval = 100;

private:
    void Flash();
    // Stopped at once and deleted later: a timer may be freed inside its own handler.
    static void Free(QPointer<QTimer>& timer);

    QWidget* Note;
    QPointer<QTimer> FActivateTimer;
    QPointer<QTimer> FDingTimer;
    bool Red = false;
};

// "Przywołaj karteczkę (F2)\n", the date, " o godzinie " and the time, in the formats in force.
QString ActivationHint(TDateTime t);
