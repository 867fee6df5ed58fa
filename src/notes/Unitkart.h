#pragma once

#include "notes/NoteCommands.h"
#include "notes/NoteText.h"
#include "notes/SheetStorage.h"

#include <QBasicTimer>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QPlainTextEdit;
class TSheetActivation;
class TTitleChange;

// The title bar's buttons, painted by the note itself.
enum class TTitleButton { ActivateAt, MoveLock, HiPrior, Close };
inline constexpr int TitleButtonCount = 4;

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

    // The title as shown in the title bar.
    QString Title() const { return TitleText; }
    void SetTitle(const QString& title);
    QColor TitleBarColour() const { return BarColour; }
    QColor TitleColour() const { return TitleTextColour; }
    bool ButtonChecked(TTitleButton button) const;
    QString ButtonToolTip(TTitleButton button) const;
    // Where things lie in the window: the title bar, a button, the text.
    QRect TitleBarRect() const { return {0, 0, width(), TitleBarHeight}; }
    QRect ButtonRect(TTitleButton button) const;
    // What a click on a title-bar button does.
    void ClickButton(TTitleButton button);
    QRect TextRect() const { return {3, 15, width() - 6, height() - 17}; }

    // The text is painted by the note until it is worked with: the editor exists from the
    // first focus, pointer or command on the text, until the note has been left a while.
    QPlainTextEdit* Memo = nullptr;
    // The editor, made now when the text is only painted.
    QPlainTextEdit* Editor();
    // How long a left note keeps its editor.
    int EditorKeepMs = 20000;
    // The keyboard focus to the text, now or at the next activation.
    void FocusText();
    void SetText(const QString& text);
    QFont TextFont() const { return MemoFont; }
    void SetTextFont(const QFont& font);
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
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent*) override;
    void changeEvent(QEvent*) override;
    void showEvent(QShowEvent*) override;
    void closeEvent(QCloseEvent*) override;

private:
    // The parts of the window, topmost first, as the pointer finds them.
    enum class TZone { None, Text, TitleBar, Button, RightEdge, BottomEdge, Corner };
    TZone ZoneAt(QPoint pos, TTitleButton* button = nullptr) const;
    void UpdateCursor(QPoint pos);
    void PaintFrame(QPainter& painter) const;
    void PaintText(QPainter& painter, const QRect& area);
    void MakeEditor();
    // The editor over the text, leaving the edge lines that cross it to the note.
    void LayoutControls();
    void DropEditor();
    // Counts down to dropping the editor when the note is neither active nor under the pointer.
    void ScheduleEditorDrop();
    void KeepOnScreen();
    // Puts the note at `wanted`, or on the nearest screen when no screen holds that place, with
    // the size limits of the screen that then holds it.
    void PlaceOnScreen(QPoint wanted);
    void FitLimitsToScreen(const QRect& place);
    // The place the file keeps: where the note stands, or its own place while it stands on
    // another screen because its own is gone.
    QPoint OwnPlace() const;
    // The text limits, applied to what an edit inserted.
    void MemoChange();
    TFit FitIntoNote(QStringView inserted) const;
    void WarnLineLimit();
    void MoveByKeyboard(int key);
    bool MoveKey(QKeyEvent* key);
    void SetTitleColour(const QColor& colour);

public:
    void SetTitleBarColour(const QColor& colour);

private:
    QString TitleText;
    QColor BarColour{255, 255, 149};
    QColor TitleTextColour{128, 128, 0};
    std::array<bool, TitleButtonCount> Checked{};
    QString ActivateHint;
    // The button held down by the pointer, and whether the pointer is still on it.
    std::optional<TTitleButton> HeldButton;
    bool HeldInside = false;
    TZone Grabbed = TZone::None;
    // The painted text and its caret, selection and first shown line; empty while the editor
    // holds them.
    QString PaintedText;
    QString HiddenTail; // loaded text past what the editor is given
    int CaretPos = 0;
    int AnchorPos = 0;
    int FirstLine = 0;
    QFont MemoFont;
    bool ReadOnly = false;
    QBasicTimer EditorRelease;
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
    bool ForwardingKey = false;
};

// Editor text as note lines (no lines for an empty text) and back.
QStringList SplitNoteText(const QString& text);
