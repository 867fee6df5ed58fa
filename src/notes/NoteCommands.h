#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <array>

class QAction;
class QKeySequence;
class QWidget;
class TBcBarPopupMenu;
class TFormKartka;

// What a note can be told to do, in the order of its menu.
enum class TNoteCommand {
    Undo,
    Cut,
    Copy,
    Paste,
    Delete,
    SelectAll,
    ActivationTime,
    Collapse,
    InsertDate,
    ChangeTitle,
    Lock,
    Priority,
    Mail,
    Print,
    Discard,
};
inline constexpr int NoteCommandCount = static_cast<int>(TNoteCommand::Discard) + 1;

// The note commands, shared by every note: one action per command, so that no two actions
// ever hold one key, and one menu, built when it first opens. A command goes to the note
// whose menu was opened, or else to the active note.
class TNoteCommands final : public QObject {
    Q_OBJECT
public:
    static TNoteCommands& Instance();

    QAction* Action(TNoteCommand command) const;
    // The actions with keys, for a note window to take in: their keys then work wherever the
    // focus is inside it.
    const QList<QAction*>& KeyedActions() const { return Keyed; }
    // One of the commands' keys: editors inside a note must leave it to the note.
    bool IsCommandKey(const QKeySequence& key) const;

    // Opens the menu for `note` at `global`; the nine text items only `overText`.
    void Popup(TFormKartka* note, QPoint global, bool overText);
    // The menu while it exists (it is built at its first opening).
    TBcBarPopupMenu* Menu() const { return PopupMenu; }
    TFormKartka* MenuNote() const { return Target; }

private:
    TNoteCommands();
    void Run(TNoteCommand command);
    void BuildMenu();

    std::array<QAction*, NoteCommandCount> Actions{};
    QList<QAction*> Keyed;
    TBcBarPopupMenu* PopupMenu = nullptr;
    QPointer<TFormKartka> Target;
};
