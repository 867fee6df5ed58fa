#include "notes/SheetActivation.h"

#include "app/SettingsForm.h"
#include "common/Formats.h"
#include "platform/Platform.h"

#include <QTimer>
#include <QWidget>

TSheetActivation::TSheetActivation(QWidget* note) : QObject(note), Note(note) {}

void TSheetActivation::SetActivation(bool armed) {
    if (armed) {
        if (!FActivateTimer) {
            FActivateTimer = new QTimer(this);
            FActivateTimer->setInterval(CheckInterval);
            connect(FActivateTimer, &QTimer::timeout, this, &TSheetActivation::Check);
        }
        FActivateTimer->stop();
        FActivateTimer->start();
    } else {
        Free(FActivateTimer);
    }
    ActivationEnabled = armed;
    if (OnStateChanged)
        OnStateChanged(armed);
}

void TSheetActivation::Check() {
    if (!ActivationEnabled || !FActivateTimer || Now() < ActivationTime)
        return;
    // The note stays armed; only the check ends.
    Free(FActivateTimer);
    Platform().WindowStyles->SetStayOnTop(Note, true);
    if (OnAlarm)
        OnAlarm();
    if (!FDingTimer) {
        FDingTimer = new QTimer(this);
        FDingTimer->setInterval(FlashInterval);
        connect(FDingTimer, &QTimer::timeout, this, &TSheetActivation::Flash);
    }
    FDingTimer->start();
    if (PlaySound)
        PlaySoundFile(SoundFilePath(SoundFile));
}

void TSheetActivation::StopAlarm() {
    Platform().WindowStyles->SetStayOnTop(Note, false);
    Free(FDingTimer);
    Red = false;
    if (OnFlash)
        OnFlash(false);
}

QString TSheetActivation::Hint() const {
    return ActivationHint(ActivationTime);
}

void TSheetActivation::Flash() {
    Red = !Red;
    if (OnFlash)
        OnFlash(Red);
}

void TSheetActivation::Free(QPointer<QTimer>& timer) {
    if (!timer)
        return;
    timer->stop();
    timer->deleteLater();
    timer = nullptr;
}

QString ActivationHint(TDateTime t) {
    return QStringLiteral("Przywołaj karteczkę (F2)\n") + FormatDate(t) +
           QStringLiteral(" o godzinie ") + FormatTime(t);
}
