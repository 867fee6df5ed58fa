#pragma once

#include "common/DateUtils.h"
#include "scheduler_ui/MonthGrid.h"

#include <QDialog>
#include <QStringList>

class QAction;
class QFrame;
class QLabel;
class QPushButton;
class TBcBarPopupMenu;

// A month grid: the locale's weekday names over the days of one month, Monday first, and
// one current cell drawn in the selection colours whether the grid has the focus or not.
// The background is the widget's background role.
class TCCalendar : public QWidget {
    Q_OBJECT
public:
    explicit TCCalendar(QWidget* parent = nullptr);

    TDateTime CalendarDate() const { return Grid.Date(); }
    // The whole day of `date`; the current cell goes onto it.
    void SetCalendarDate(TDateTime date);
    // A month that is not the selected one: no day number highlighted.
    void SetResting(int year, int month);
    int Year() const { return Grid.Year(); }
    int Month() const { return Grid.Month(); }
    int Day() const { return Grid.Day(); }
    TGridCell CurrentCell() const { return Grid.Current(); }

    // What a cell shows: a weekday name in row 0, a day number or nothing below.
    QString CellText(TGridCell cell) const;
    QRect CellRect(TGridCell cell) const;

signals:
    // After every change of the date, and whenever the user puts the current cell on a day.
    void Changed();
    void DoubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Choose(TGridCell cell);
    std::optional<TGridCell> CellAt(QPoint pos) const;
    // The weekday names for the grid's present width and font, Monday first.
    const QStringList& HeaderNames() const;
    void UpdateHeader() const;

    TMonthGrid Grid;
    mutable QStringList Header;
    mutable int HeaderWidth = -1;
};

// "Kalendarz": the twelve months of one year, one selected date, year steps and a new
// scheduler entry for the selected date.
class TFormKalendarz : public QDialog {
    Q_OBJECT
public:
    // `owner`: none for the application.
    explicit TFormKalendarz(QWidget* owner = nullptr);

    // Makes `date` the selected date; `rebuild` prepares every grid even when the date stays
    // in the selected month.
    void ShowDate(TDateTime date, bool rebuild);
    // The grid of month 1..12.
    TCCalendar* MonthGrid(int month) const;

    // The selected date as ShowDate was given it (a time of day included). The current date
    // from the start, so that an early "+" never opens the editor on an empty date.
    TDateTime SelectedDate = 0;

    QLabel* LabelYear = nullptr;
    QList<QLabel*> MonthLabels;   // Label2 .. Label13
    QList<TCCalendar*> Calendars; // CCalendar1 .. CCalendar12
    QFrame* PanelDate = nullptr;
    QLabel* LabelDate = nullptr;
    QPushButton* ButtonClose = nullptr;
    QFrame* FrameButtons = nullptr;
    QPushButton* ButtonInsert = nullptr;
    QPushButton* ButtonPrev = nullptr;
    QPushButton* ButtonNext = nullptr;
    TBcBarPopupMenu* PopupMenu = nullptr;
    QAction* mDodajWpis = nullptr;
    QAction* mNastepnyRok = nullptr;
    QAction* mPoprzedniRok = nullptr;

    inline static constexpr int ClientWidth = 490;
    inline static constexpr int ClientHeight = 379;

    // Handlers, named after the controls and events of the design.
    void ButtonCloseClick();
    void ButtonInsertClick();
    void ButtonNextClick();
    void ButtonPrevClick();
    void CCalendar1Change(TCCalendar* grid);
    void CCalendar1DblClick(TCCalendar* grid);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void setVisible(bool visible) override;

private:
    void BuildControls();
    // Month `month` of the year of the selected `date`.
    void SetupMonthGrid(TCCalendar* grid, TDateTime date, int month);
    void StepYears(int years);
    bool IsSelectedMonth(const TCCalendar* grid) const;
    // Raises and activates the window, restoring it when minimized.
    void ForceForeground();
    bool FormKeyDown(QKeyEvent* event);

    // On while the grids are being prepared: their changes are the program's own.
    bool Updating = false;
};
