#pragma once

#include "app/SettingsForm.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

// "Ustawienia programu": the modal window in which the user edits the settings. It only keeps
// its controls consistent and shows which changes need a restart; its opener fills it, runs
// exec() and, on QDialog::Accepted, reads Choice() back.
class TFormSettings : public QDialog {
    Q_OBJECT
public:
    explicit TFormSettings(QWidget* owner = nullptr);

    // Sets every control, through the same change handlers as the user's changes; the sound
    // lists get `sounds` in their order.
    void Fill(const TSettingsChoice& choice, const QStringList& sounds);
    TSettingsChoice Choice() const;

    inline static constexpr int ClientWidth = 490;
    inline static constexpr int ClientHeight = 503;

    // Controls, by their layout names.
    QGroupBox* GroupBox1 = nullptr; // "Aplikacja"
    QLabel* Label5 = nullptr;
    QComboBox* ComboBoxAppPrior = nullptr;
    QCheckBox* CheckBoxAltTab = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* ComboBoxDefaultDblClickAction = nullptr;
    QCheckBox* CheckBoxHotKeyToFront = nullptr;
    QCheckBox* CheckBoxHotKeyNewSheet = nullptr;
    QCheckBox* CheckBoxHotKeyCalendar = nullptr;
    QCheckBox* CheckBoxHotKeySheduler = nullptr;
    QCheckBox* CheckBoxHotKeyNewShedulerNote = nullptr;
    QGroupBox* GroupBox3 = nullptr; // "Karteczki"
    QCheckBox* CheckBoxEditTitleAtCreate = nullptr;
    QCheckBox* CheckBoxAutoresize = nullptr;
    QLabel* Label2 = nullptr;
    QSlider* TrackBarAlphaValue = nullptr;
    QLabel* LabelAlphaValue = nullptr;
    QLabel* Label4 = nullptr;
    QSlider* TrackBarAlphaValueDeact = nullptr;
    QLabel* LabelAlphaValueDeact = nullptr;
    QCheckBox* CheckBoxSoundKarteczka = nullptr;
    QComboBox* ComboBoxSoundKarteczka = nullptr;
    QGroupBox* GroupBox2 = nullptr; // "Terminarz"
    QCheckBox* CheckBoxAutomarkDelete = nullptr;
    QCheckBox* CheckBoxSoundTerminarz = nullptr;
    QComboBox* ComboBoxSoundTerminarz = nullptr;
    QLabel* LabelRestart = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void NeedRestart();
    void CheckBoxSoundKarteczkaClick();
    void CheckBoxSoundTerminarzClick();
    void ButtonOkClick();
    void ButtonCancelClick();
};
