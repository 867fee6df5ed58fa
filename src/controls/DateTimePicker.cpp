#include "controls/DateTimePicker.h"

#include <QScopedValueRollback>

TDateTimePicker::TDateTimePicker(TKind kind, QWidget* parent) : QDateTimeEdit(parent), Kind(kind) {
    // Universal time: a local midnight that a daylight-saving change skips is still a date.
    setTimeSpec(Qt::UTC);
    setDateTimeRange(QDateTime(QDate(100, 1, 1), QTime(0, 0), Qt::UTC),
                     QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC));
    if (kind == TKind::Date) {
        setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        setCalendarPopup(true);
    } else {
        setDisplayFormat(QStringLiteral("HH:mm"));
    }
    SetValue(0);
    connect(this, &QDateTimeEdit::dateTimeChanged, this, &TDateTimePicker::UserChanged);
}

void TDateTimePicker::SetValue(TDateTime value) {
    FValue = value;
    const QScopedValueRollback quiet(Updating, true);
    if (Kind == TKind::Date) {
        const TDateParts d = DecodeDate(value);
        QDate date(d.Year, d.Month, d.Day);
        if (!date.isValid())
            date = minimumDate();
        setDateTime(QDateTime(date, QTime(0, 0), Qt::UTC));
    } else {
        const TTimeParts t = DecodeTime(value);
        setDateTime(QDateTime(QDate(2000, 1, 1), QTime(t.Hour, t.Minute, t.Second), Qt::UTC));
    }
}

void TDateTimePicker::UserChanged(const QDateTime& shown) {
    if (Updating || !shown.isValid())
        return;
    if (Kind == TKind::Date) {
        const QDate d = shown.date();
        if (const auto day = TryEncodeDate(d.year(), d.month(), d.day()))
            FValue = ReplaceDatePart(FValue, *day);
    } else {
        const QTime t = shown.time();
        if (const auto time = TryEncodeTime(t.hour(), t.minute(), 0, 0))
            FValue = ReplaceTimePart(FValue, *time);
    }
}
