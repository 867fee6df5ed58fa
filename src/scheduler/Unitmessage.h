#pragma once

#include "scheduler/SchedulerTick.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// The alarm: an entry's summary, how far its moment is, and its note. OK acknowledges (with
// an optional postponement) or deletes the entry, "&Edytuj" edits it; each change is saved
// at once. The title bar's close button changes nothing, so the alarm comes again.
class TFormMessage : public QDialog {
    Q_OBJECT
public:
    explicit TFormMessage(QWidget* parent = nullptr);
    ~TFormMessage() override;

    // Fills the window for the entry at `index` and marks the entry shown; the delete box
    // keeps its check only for a one-time entry whose moment has come.
    void SetEntry(TTimetable& timetable, int index, std::int64_t offset, TDateTime due,
                  TAlarmCause cause);
    // SetEntry, then modally; afterwards the entry is no longer marked shown.
    int ShowEntry(TTimetable& timetable, int index, std::int64_t offset, TDateTime due,
                  TAlarmCause cause);
    // The summary alone as heading, the note, the entry marked shown.
    void FillFromEntry();
    // The entry on display, wherever changes of the timetable have moved it; -1 once gone.
    int CurrentIndex() const;

    void FormShow();
    void ComboBoxRemindChange();
    void MemoNotkaChange();
    void ButtonOKClick();
    void ButtonEditClick();
    void CheckBoxDelClick() {}

    QWidget* Panel1 = nullptr;
    QLabel* LabelKind = nullptr;
    QLabel* Label6 = nullptr;
    QPlainTextEdit* MemoNotka = nullptr;
    QLabel* LabelRemCpt = nullptr;
    QLabel* LabelRem = nullptr;
    QLabel* LabelRemind = nullptr;
    QComboBox* ComboBoxRemindV = nullptr;
    QComboBox* ComboBoxRemind = nullptr;
    QPushButton* ButtonEdit = nullptr;
    QCheckBox* CheckBoxDel = nullptr;
    QPushButton* ButtonOK = nullptr;
    QLabel* LabelChanges = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void LayoutControls();
    void Changed();

    TTimetable* Table = nullptr;
    int Index = -1;
    bool FormShown = false;
};

// Opens the alarm window for the scheduler tick, kept in `FormMessage` while it is open.
class TAlarmWindowPresenter final : public IAlarmPresenter {
public:
    void ShowAlarm(TTimetable& timetable, int index, TDateTime due, std::int64_t offset,
                   TAlarmCause cause, bool markDelete) override;
};

// Keeps a shown window above all others, or lets it down, without re-creating it.
void SetStayOnTop(QWidget* window, bool onTop);
