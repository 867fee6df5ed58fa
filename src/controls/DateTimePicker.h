#pragma once

#include "common/DateUtils.h"

#include <QDateTimeEdit>

// A date or time-of-day picker that keeps the value it was given, date and time of day alike,
// until the user edits it: the date picker then changes only the date, the time picker only
// the time of day (to the minute).
class TDateTimePicker : public QDateTimeEdit {
    Q_OBJECT
public:
    enum class TKind { Date, Time };
    TDateTimePicker(TKind kind, QWidget* parent);

    TDateTime Value() const { return FValue; }
    void SetValue(TDateTime value);

private:
    void UserChanged(const QDateTime& shown);

    TKind Kind;
    TDateTime FValue = 0;
    bool Updating = false;
};
