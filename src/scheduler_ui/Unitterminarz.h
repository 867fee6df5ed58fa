#pragma once

#include "controls/DateTimePicker.h"
#include "scheduler/Timetable.h"
#include "scheduler_ui/TerminarzLogic.h"

#include <QDialog>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class TWindowPlace;

// "Wpis terminarza": the modal editor of one scheduler entry. It never touches the timetable:
// the opener fills it (SetupNewEntry or LoadEntry, then perhaps SetKind), runs exec() and, on
// QDialog::Accepted, copies `Entry` out.
class TFormTerminarz : public QDialog {
    Q_OBJECT
public:
    // `owner`: none for the application, the alarm window when it opens the editor.
    explicit TFormTerminarz(QWidget* owner = nullptr);
    ~TFormTerminarz() override;

    // Presets for a new entry on `day`: the date picker takes `day`, the time picker now.
    void SetupNewEntry(TDateTime day);
    // Shows an existing entry; remindafter, lastshowdate and shown are not carried over.
    void LoadEntry(const TTimetableEntry& entry);
    // Checks the kind button of `kind` (1..6), which runs the enabling rule; other values
    // change nothing.
    void SetKind(int kind);
    // The number of the checked kind button, 1..6; 0 when none is checked.
    int CheckedKind() const;

    // The controls' values as Accept reads them.
    TEditorValues CurrentValues() const;

    // The result: every field zero or empty until an Accept succeeds.
    TTimetableEntry Entry;

    // Controls, by their layout names.
    QFrame* Frame = nullptr;
    QLabel* LabelShowOnly = nullptr;
    QFrame* PanelKind = nullptr;
    QRadioButton* RadioButtonActJedn = nullptr;
    QRadioButton* RadioButtonActMinut = nullptr;
    QLineEdit* EditMinut = nullptr;
    QRadioButton* RadioButtonActDzien = nullptr;
    QRadioButton* RadioButtonActTydzien = nullptr;
    QRadioButton* RadioButtonActMiesiac = nullptr;
    QRadioButton* RadioButtonActRok = nullptr;
    QLabel* Label1 = nullptr; // "&Data "
    QLabel* Label2 = nullptr; // "&Godzina "
    QLabel* Label3 = nullptr; // "Dzień &tygodnia "
    QLabel* Label4 = nullptr; // "Dzień &miesiąca "
    QLabel* Label5 = nullptr; // "Mie&siąc "
    TDateTimePicker* DateTimePickerDate = nullptr;
    TDateTimePicker* DateTimePickerTime = nullptr;
    QComboBox* ComboBoxTydzien = nullptr;
    QComboBox* ComboBoxDMiesiaca = nullptr;
    QComboBox* ComboBoxMiesiac = nullptr;
    QLabel* LabelRemind1 = nullptr;
    QComboBox* ComboBoxRemindV = nullptr;
    QComboBox* ComboBoxRemind = nullptr;
    QLabel* LabelRemind2 = nullptr;
    QLabel* Label6 = nullptr; // "&Notatka"
    QPlainTextEdit* MemoNotka = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;

    // The note as typed, lines separated by LF.
    QString NoteText() const;

    // The designed client size, and the outer height (Win32's measure) when none is stored.
    inline static constexpr int DesignedClientWidth = 368;
    inline static constexpr int DesignedClientHeight = 318;
    inline static constexpr int DefaultHeight = 352;

    // Handlers, named after the controls and events of the design.
    void RadioButtonActJednClick();
    void MemoNotkaChange();
    void ButtonOKClick();
    void ButtonCancelClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void setVisible(bool visible) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void LayoutControls();
    void ApplyValues(const TEditorValues& values);
    // FormShow and FormHide: the window's place in the settings file's "ScheduleEditWindow".
    void FormShow();
    void FormHide();
    bool FormKeyDown(QObject* watched, QKeyEvent* event);

    TWindowPlace* Place = nullptr;
};
