#include "notes/NoteCommands.h"

#include "menus/BcBarPopupMenu.h"
#include "notes/Unitkart.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QTimer>

namespace {

struct TCommandRow {
    TNoteCommand Command;
    const char* Name;
    const char* Caption;
    const char* Key;
    bool Checkable;
};

// Captions as the program has always had them, typos included.
const TCommandRow Rows[NoteCommandCount] = {
    {TNoteCommand::Undo, "mUndo", "Cofnij", "", false},
    {TNoteCommand::Cut, "mCut", "Wytnij", "", false},
    {TNoteCommand::Copy, "mCopy", "Kopiuj", "", false},
    {TNoteCommand::Paste, "mPastle", "Wklej", "", false},
    {TNoteCommand::Delete, "mDelete", "Usuń", "", false},
    {TNoteCommand::SelectAll, "mSelectAll", "Zaznacz wszystko", "Ctrl+A", false},
    {TNoteCommand::ActivationTime, "mCzasAktywacji", "Wybierz czas aktywacji", "F2", true},
    {TNoteCommand::Collapse, "mZwinKarteczke", "Zwiń karteczkę", "F4", true},
    {TNoteCommand::InsertDate, "mWstawDate", "Wstaw datę", "F5", false},
    {TNoteCommand::ChangeTitle, "mZmienTytulKartki", "Zmień tytuł karteczki", "F6", false},
    {TNoteCommand::Lock, "mBlokRuchuKartki", "Zabloku pozycję i zawartość karteczki", "F8", true},
    {TNoteCommand::Priority, "mZmienPriorytet", "Wysoki priorytet karteczki", "F9", true},
    {TNoteCommand::Mail, "mWyslijEmailem", "Wyślij zawartość e-mail'em", "Ctrl+E", false},
    {TNoteCommand::Print, "Drukujzawartokarteczki1", "Drukuj zawartość karteczki", "Ctrl+P", false},
    {TNoteCommand::Discard, "mWyrzucKartke", "Wyrzuć kartkę", "Ctrl+F4", false},
};

// The items shown only over the text: from "Cofnij" to the separator after "Zaznacz wszystko".
bool TextItem(TNoteCommand c) {
    return c <= TNoteCommand::SelectAll;
}

} // namespace

TNoteCommands& TNoteCommands::Instance() {
    static QPointer<TNoteCommands> instance;
    if (!instance)
        instance = new TNoteCommands;
    return *instance;
}

TNoteCommands::TNoteCommands() : QObject(qApp) {
    for (const TCommandRow& row : Rows) {
        auto* a = new QAction(QString::fromUtf8(row.Caption), this);
        a->setObjectName(QString::fromLatin1(row.Name));
        a->setCheckable(row.Checkable);
        if (*row.Key) {
            a->setShortcut(QKeySequence(QString::fromLatin1(row.Key)));
            a->setShortcutContext(Qt::WindowShortcut);
            Keyed << a;
        }
        connect(a, &QAction::triggered, this, [this, c = row.Command] { Run(c); });
        Actions[static_cast<size_t>(row.Command)] = a;
    }
}

QAction* TNoteCommands::Action(TNoteCommand command) const {
    return Actions[static_cast<size_t>(command)];
}

bool TNoteCommands::IsCommandKey(const QKeySequence& key) const {
    return std::any_of(Keyed.begin(), Keyed.end(),
                       [&](const QAction* a) { return a->shortcut() == key; });
}

void TNoteCommands::BuildMenu() {
    PopupMenu = new TBcBarPopupMenu;
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    ConfigureNoteMenu(*PopupMenu);
    auto add = [this](TNoteCommand c) { PopupMenu->addAction(Action(c)); };
    auto separator = [this](const char* name) {
        QAction* s = PopupMenu->addSeparator();
        s->setObjectName(QString::fromLatin1(name));
        return s;
    };
    add(TNoteCommand::Undo);
    separator("N4");
    for (auto c :
         {TNoteCommand::Cut, TNoteCommand::Copy, TNoteCommand::Paste, TNoteCommand::Delete})
        add(c);
    separator("N3");
    add(TNoteCommand::SelectAll);
    separator("N2");
    for (int c = static_cast<int>(TNoteCommand::ActivationTime);
         c <= static_cast<int>(TNoteCommand::Print); ++c)
        add(static_cast<TNoteCommand>(c));
    separator("N1");
    add(TNoteCommand::Discard);
    connect(PopupMenu, &QMenu::aboutToHide, this, [this] {
        // The chosen item is triggered right after the menu hides: its note is kept till then.
        QTimer::singleShot(0, this, [this] {
            if (!PopupMenu->isVisible())
                Target = nullptr;
        });
        for (QAction* a : Actions)
            a->setEnabled(true);
    });
}

void TNoteCommands::Popup(TFormKartka* note, QPoint global, bool overText) {
    if (!PopupMenu)
        BuildMenu();
    Target = note;
    const QList<QAction*> items = PopupMenu->actions();
    // Everything up to the separator before "Wybierz czas aktywacji" belongs to the text.
    for (QAction* item : items) {
        if (item == Action(TNoteCommand::ActivationTime))
            break;
        item->setVisible(overText);
    }
    for (int c = 0; c < NoteCommandCount; ++c) {
        const auto command = static_cast<TNoteCommand>(c);
        QAction* a = Action(command);
        if (TextItem(command) && !overText)
            continue;
        a->setEnabled(note->CommandEnabled(command));
        if (a->isCheckable())
            a->setChecked(note->CommandChecked(command));
    }
    PopupMenu->popup(global);
}

void TNoteCommands::Run(TNoteCommand command) {
    TFormKartka* note = Target;
    if (!note)
        note = qobject_cast<TFormKartka*>(QApplication::activeWindow());
    if (note)
        note->RunCommand(command);
}
