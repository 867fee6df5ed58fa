// The note's commands: its menu, its keys and what they do.
#include "notes/Unitkart.h"

#include "app/Forms.h"
#include "menus/BcBarPopupMenu.h"
#include "notes/NoteMail.h"
#include "notes/NotePrint.h"
#include "notes/NoteText.h"
#include "notes/SheetActivation.h"
#include "notes/TitleChange.h"
#include "notes/Unitdateselect.h"
#include "platform/Clock.h"
#include "platform/Platform.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QTextCursor>

bool TFormKartka::CanEdit() const {
    return Persistent && !Locked && !IsCollapsed() && !TitleEditor;
}

bool TFormKartka::CommandEnabled(TNoteCommand command) const {
    // A note without its editor has nothing to undo: its last editing spell is over.
    const bool selection = Memo ? Memo->textCursor().hasSelection() : CaretPos != AnchorPos;
    switch (command) {
    case TNoteCommand::Undo:
        return Memo && !Memo->isReadOnly() && Memo->document()->isUndoAvailable();
    case TNoteCommand::Cut:
    case TNoteCommand::Copy:
    case TNoteCommand::Delete:
        return selection;
    case TNoteCommand::InsertDate:
    case TNoteCommand::ChangeTitle:
        return CanEdit();
    default:
        return true;
    }
}

bool TFormKartka::CommandChecked(TNoteCommand command) const {
    switch (command) {
    case TNoteCommand::ActivationTime:
        return ActivationEnabled;
    case TNoteCommand::Collapse:
        return IsCollapsed();
    case TNoteCommand::Lock:
        return Locked;
    case TNoteCommand::Priority:
        return ButtonChecked(TTitleButton::HiPrior);
    default:
        return false;
    }
}

void TFormKartka::RunCommand(TNoteCommand command) {
    // A key of a command that does not apply now does nothing, as its menu item would not.
    if (!CommandEnabled(command))
        return;
    // The editor's own commands ignore its read-only state: the note checks it.
    const bool writable = !ReadOnly;
    if (command <= TNoteCommand::SelectAll)
        Editor();
    switch (command) {
    case TNoteCommand::Undo:
        if (writable)
            Memo->undo();
        break;
    case TNoteCommand::Cut:
        if (writable)
            Memo->cut();
        break;
    case TNoteCommand::Copy:
        Memo->copy();
        break;
    case TNoteCommand::Paste:
        if (writable)
            Memo->paste();
        break;
    case TNoteCommand::Delete:
        if (writable)
            Memo->textCursor().removeSelectedText();
        break;
    case TNoteCommand::SelectAll:
        Memo->selectAll();
        break;
    case TNoteCommand::ActivationTime:
        ActivationCommand();
        break;
    case TNoteCommand::Collapse:
        ToggleCollapse();
        break;
    case TNoteCommand::InsertDate:
        InsertDate();
        break;
    case TNoteCommand::ChangeTitle:
        StartTitleEdit();
        break;
    case TNoteCommand::Lock:
        // A title being typed is taken before the note locks.
        if (!Locked && TitleEditor)
            TitleEditor->Commit();
        SetLocked(!Locked);
        Storage->MarkModified(true);
        break;
    case TNoteCommand::Priority:
        Checked[int(TTitleButton::HiPrior)] = !Checked[int(TTitleButton::HiPrior)];
        ApplyPriorityLook();
        Storage->MarkModified(true);
        break;
    case TNoteCommand::Mail:
        SendByMail();
        break;
    case TNoteCommand::Print:
        PrintNote();
        break;
    case TNoteCommand::Discard:
        Discard();
        break;
    }
}

void TFormKartka::OpenPopupMenu(QPoint global) {
    // The text items belong to the text of an expanded note, below the title bar.
    const bool overText = !IsCollapsed() && global.y() > y() + TitleBarHeight;
    TNoteCommands::Instance().Popup(this, global, overText);
}

void TFormKartka::InsertDate() {
    if (!CanEdit())
        return;
    const QString stamp = DateStamp(Now());
    QPlainTextEdit* memo = Editor();
    QTextCursor c = memo->textCursor();
    // At the caret, beside a selection rather than over it.
    const int at = c.position();
    const QString text = memo->document()->toRawText();
    const TFit fit = FitInsertion(stamp, text.size(), HardLines(text), Limits);
    if (fit.Keep == 0)
        return;
    c.setPosition(at);
    c.insertText(stamp.left(fit.Keep));
    memo->setTextCursor(c);
}

void TFormKartka::StartTitleEdit() {
    if (!CanEdit())
        return;
    TitleEditor = new TTitleChange(BarColour, TitleText, this);
    TitleEditor->installEventFilter(this); // the note's keys, its menu
    TitleEditor->OnDone = [this](const QString& text, bool commit) { TitleEdited(text, commit); };
    TitleEditor->show();
    TitleEditor->setFocus();
}

void TFormKartka::TitleEdited(const QString& text, bool commit) {
    if (commit) {
        // A new note given a title and no text is worth a file; one left with the title it
        // opened with is still empty.
        if (text != TitleText)
            Storage->KeepEmpty = true;
        SetTitle(text);
        setWindowTitle(text);
    }
    Storage->MarkModified(true);
    TitleEditor = nullptr; // it removes itself
    FocusText();
}

TSheetActivation& TFormKartka::ActivationState() {
    // Only a note that was ever armed has one: the others cost nothing for it.
    if (!Activation) {
        Activation = new TSheetActivation(this);
        Activation->OnAlarm = [this] {
            Activation->SoundFile = SoundFile;
            Activation->PlaySound = PlaySound;
            raise();
            activateWindow();
            if (IsCollapsed())
                Expand();
            FocusText();
        };
        Activation->OnFlash = [this](bool red) {
            if (red)
                SetTitleBarColour(QColor(255, 0, 0));
            else
                ApplyPriorityLook();
        };
    }
    return *Activation;
}

void TFormKartka::SetActivation(bool armed) {
    Checked[int(TTitleButton::ActivateAt)] = armed;
    update(ButtonRect(TTitleButton::ActivateAt));
    ActivationEnabled = armed;
    if (armed) {
        TSheetActivation& a = ActivationState();
        a.ActivationTime = ActivationTime;
        a.SetActivation(true);
    } else {
        if (Activation)
            Activation->SetActivation(false);
        ApplyAlpha(AlphaCurrent);
        if (AlphaActive != 255)
            setWindowOpacity(AlphaActive / 255.0);
    }
    ActivateHint = ActivationHint(ActivationTime);
}

void TFormKartka::ActivationCommand() {
    if (Activation)
        Activation->StopAlarm();
    SetSwitcherStyle(false);
    ApplyPriorityLook();
    if (ActivationEnabled) {
        SetActivation(false);
    } else {
        Checked[int(TTitleButton::ActivateAt)] = true;
        update(ButtonRect(TTitleButton::ActivateAt));
        auto* dialog = new TFormDateSelect(this);
        FormDateSelect = dialog;
        dialog->SetMoment(ActivationTime);
        const bool ok = dialog->exec() == QDialog::Accepted;
        // The note may have gone under the dialog (the run ended).
        if (FormDateSelect == dialog)
            FormDateSelect = nullptr;
        if (ok)
            ActivationTime = dialog->Moment();
        delete dialog;
        SetActivation(ok);
    }
    Storage->MarkModified(true);
}

void TFormKartka::SendByMail() {
    SendNoteByMail(this, TitleText, SplitNoteText(NoteText()));
}

void TFormKartka::PrintNote() {
    ::PrintNote(this, TitleText, SplitNoteText(NoteText()));
}
