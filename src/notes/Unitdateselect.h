#pragma once

#include "common/DateUtils.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class TDateTimePicker;

// "Wybór czasu aktywacji": the modal choice of a note's activation time. The opener presets
// the moment, runs exec() and, on QDialog::Accepted, reads Moment().
class TFormDateSelect : public QDialog {
    Q_OBJECT
public:
    explicit TFormDateSelect(QWidget* owner = nullptr);

    // The date picker takes the date of `t`, the time picker its time of day.
    void SetMoment(TDateTime t);
    // The whole day of the date picker and the time of day of the time picker.
    TDateTime Moment() const;

    QFrame* Bevel1 = nullptr;
    QLabel* Label3 = nullptr; // "&Dzień aktywacji "
    QLabel* Label4 = nullptr; // "&Godzina aktywacji "
    TDateTimePicker* DateTimePickerDate = nullptr;
    TDateTimePicker* DateTimePickerTime = nullptr;
    QPushButton* Button1 = nullptr; // "OK"
    QPushButton* Button2 = nullptr; // "Anuluj"

    inline static constexpr int DesignedClientWidth = 255;
    inline static constexpr int DesignedClientHeight = 132;

    // A moment already past is only warned about: it alarms at the next check.
    void Button1Click();
};
