#pragma once

#include "notes/NoteCommands.h"
#include "notes/NoteText.h"
#include "notes/SheetStorage.h"

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPlainTextEdit;
class TSheetActivation;
class TTitleChange;

// A flat title-bar button whose small image the program draws itself.
class TTitleButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class TMotif { Clock, MoveLock, HiPrior, Close };
    TTitleButton(TMotif motif, QWidget* parent);
    QSize sizeHint() const override { return {12, 12}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    TMotif Motif;
};

// One sticky note on the desktop.
class TFormKartka : public QWidget, public ISheetView {
    Q_OBJECT
public:
    using TClosedCallback = std::function<void(TFormKartka*, int)>;

    inline static constexpr int TitleBarHeight = 15;

    TFormKartka(bool* altTabFlag, QPointer<QWidget>* lastActiveSlot, TClosedCallback onClosed,
                QWidget* mainForm, bool editTitleAtCreate, int alphaInactive, int alphaActive,
                bool autoresize, bool persistent, const QString& path, QWidget* parent = nullptr);
    ~TFormKartka() override;

    void ApplyActiveAlpha() { ApplyAlpha(AlphaActive); }
    void ApplyInactiveAlpha() { ApplyAlpha(AlphaInactive); }
    void ApplyAlpha(int alpha);
    void SetSwitcherStyle(bool active);
    // Back to the place of its file, or onto the nearest screen while no screen holds it.
    void RestoreSavedPosition();
    void CenterOnScreen();
    bool IsCollapsed() const { return height() < 2 * TitleBarHeight; }
    void Collapse();
    void Expand();
    void ToggleCollapse();
    void ApplyPriorityLook();
    void SetLocked(bool locked);
    void SetReadOnly(bool readOnly);
    // The throw-away command: closes the window with its questions.
    void Discard();

    // The note commands: whether one applies now, its tick, and running it.
    bool CommandEnabled(TNoteCommand command) const;
    bool CommandChecked(TNoteCommand command) const;
    void RunCommand(TNoteCommand command);
    // Text, title and date may change: a note with a file, not locked, not collapsed, and no
    // title being typed.
    bool CanEdit() const;
    void OpenPopupMenu(QPoint global);
    void InsertDate();
    void StartTitleEdit();
    void TitleEdited(const QString& text, bool commit);
    // F2: stops an alarm and disarms, or arms through the date dialog.
    void ActivationCommand();
    // Shows and, armed, starts the activation check.
    void SetActivation(bool armed);
    // The activation state, made at the first arming.
    TSheetActivation& ActivationState();
    TSheetActivation* Activation = nullptr;
    void SendByMail();
    void PrintNote();
    // The text as typed, lines separated by LF.
    QString NoteText() const;

    // ISheetView
    TSheetRecord CurrentRecord() const override;
    QPoint ApplyRecord(const TSheetRecord& record) override;
    bool TextEmpty() const override;
    int DisplayedLineCount() const override;
    int MemoHeight() const override { return height() - 17; }
    int WindowHeight() const override { return height(); }
    void SetWindowHeight(int height) override;
    int MaxWindowHeight() const override { return maximumHeight(); }
    void SetExpandedHeight(int height) override { ExpandedHeight = height; }

    QWidget* Panel = nullptr;
    QLabel* LabelTitle = nullptr;
    TTitleButton* SpeedButtonActivateAt = nullptr;
    TTitleButton* SpeedButtonMoveLock = nullptr;
    TTitleButton* SpeedButtonHiPrior = nullptr;
    TTitleButton* SpeedButtonClose = nullptr;
    QPlainTextEdit* Memo = nullptr;
    // The title editor while the title is being typed.
    QPointer<TTitleChange> TitleEditor;

    bool Persistent = true;
    TSheetStorage* Storage = nullptr;
    int ExpandedHeight = 80;
    bool FileExisted = false;
    int AlphaActive = 255;
    int AlphaInactive = 255;
    int AlphaCurrent = 255;
    TDateTime ActivationTime = 0;
    bool ActivationEnabled = false;
    bool IsActive = false;
    bool Locked = false;
    bool Discarding = false;
    // The most the text may hold: the editor's limits, or a longer loaded text.
    TNoteLimits Limits;
    QString SoundFile;
    bool PlaySound = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent*) override;
    void changeEvent(QEvent*) override;
    void showEvent(QShowEvent*) override;
    void closeEvent(QCloseEvent*) override;

private:
    struct TGrip {
        QWidget* Widget;
        bool Width;
        bool Height;
    };
    void BuildControls();
    void LayoutControls();
    void KeepOnScreen();
    // Puts the note at `wanted`, or on the nearest screen when no screen holds that place, with
    // the size limits of the screen that then holds it.
    void PlaceOnScreen(QPoint wanted);
    // The place the file keeps: where the note stands, or its own place while it stands on
    // another screen because its own is gone.
    QPoint OwnPlace() const;
    // The text limits, applied to what an edit inserted.
    void MemoChange();
    TFit FitIntoNote(QStringView inserted) const;
    void WarnLineLimit();
    void MoveByKeyboard(int key);
    void SetTitleColour(const QColor& colour);

public:
    void SetTitleBarColour(const QColor& colour);

private:
    QList<TGrip> Grips;
    QWidget* PanelRightTop = nullptr;
    QWidget* Panel1 = nullptr;
    QWidget* PanelLeft = nullptr;
    QWidget* Panel2 = nullptr;
    QWidget* PanelRight = nullptr;
    QWidget* Panel3 = nullptr;
    QWidget* Panel4 = nullptr;
    QWidget* Panel5 = nullptr;
    QWidget* PanelBottom = nullptr;
    QWidget* PanelRightBottom = nullptr;
    QPoint MoveGrab;         // pointer position inside the window when the drag began
    QPoint ResizeGrabGlobal; // pointer position on the screen when the resize began
    QSize ResizeStartSize;
    bool* AltTabFlag;
    QPointer<QWidget>* LastActiveSlot;
    TClosedCallback OnClosed;
    QPointer<QWidget> MainForm;
    bool Closed = false;
    std::optional<QPoint> Home;
    QPoint HomeShownAt;
    int EditPosition = 0;
    int EditAdded = 0;
    bool CuttingInsertion = false;
    bool LineWarningDue = false;
};

// Editor text as note lines (no lines for an empty text) and back.
QStringList SplitNoteText(const QString& text);
