#include "notes/NoteAccessible.h"

#include "notes/Unitkart.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <array>
#include <memory>

namespace {

// The note's children in reading order: the title, the buttons, the text; then child widgets
// of its own, such as the title being typed.
constexpr int TitleChild = 0;
constexpr int FirstButtonChild = 1;
constexpr int TextChild = FirstButtonChild + TitleButtonCount;
constexpr int PartCount = TextChild + 1;

QRect OnScreen(const QWidget* widget, const QRect& local) {
    return {widget->mapToGlobal(local.topLeft()), local.size()};
}

// A painted part of a note. Qt's interface cache owns it; the note's interface removes it.
class TNotePart : public QAccessibleInterface {
public:
    explicit TNotePart(TFormKartka* note) : Note(note) {}
    bool isValid() const override { return Note; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return Note ? Note->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return Note ? QAccessible::queryAccessibleInterface(Note.data()) : nullptr;
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = !Note || !Note->isVisible();
        return s;
    }

protected:
    QPointer<TFormKartka> Note;
};

class TNoteTitle : public TNotePart {
public:
    using TNotePart::TNotePart;
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QString text(QAccessible::Text t) const override {
        return Note && t == QAccessible::Name ? Note->Title() : QString();
    }
    // The bar left of the buttons.
    QRect rect() const override {
        if (!Note)
            return {};
        QRect bar = Note->TitleBarRect();
        bar.setRight(Note->ButtonRect(TTitleButton::ActivateAt).left() - 1);
        return OnScreen(Note, bar);
    }
};

class TNoteButton : public TNotePart, public QAccessibleActionInterface {
public:
    TNoteButton(TFormKartka* note, TTitleButton button) : TNotePart(note), Button(button) {}
    QAccessible::Role role() const override { return QAccessible::Button; }
    // The tooltip ends with its key in parentheses: the name is what comes before it.
    QString text(QAccessible::Text t) const override {
        if (!Note)
            return {};
        const QString tip = Note->ButtonToolTip(Button);
        const qsizetype open = tip.endsWith(')') ? tip.lastIndexOf(QLatin1String(" (")) : -1;
        switch (t) {
        case QAccessible::Name:
            return open < 0 ? tip : tip.left(open);
        case QAccessible::Description:
            return tip;
        case QAccessible::Accelerator:
            return open < 0 ? QString() : tip.mid(open + 2, tip.size() - open - 3);
        default:
            return {};
        }
    }
    QRect rect() const override {
        return Note ? OnScreen(Note, Note->ButtonRect(Button)) : QRect();
    }
    QAccessible::State state() const override {
        QAccessible::State s = TNotePart::state();
        if (Checkable()) {
            s.checkable = true;
            s.checked = Note && Note->ButtonChecked(Button);
        }
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override {
        if (Checkable())
            return {pressAction(), toggleAction()};
        return {pressAction()};
    }
    void doAction(const QString& action) override {
        if (Note && actionNames().contains(action))
            Note->ClickButton(Button);
    }
    QStringList keyBindingsForAction(const QString& action) const override {
        const QString key = text(QAccessible::Accelerator);
        if (key.isEmpty() || !actionNames().contains(action))
            return {};
        return {key};
    }

private:
    bool Checkable() const { return Button != TTitleButton::Close; }
    const TTitleButton Button;
};

// The text while only painted: read here, worked with in the editor that focusing it makes.
class TNoteText : public TNotePart,
                  public QAccessibleActionInterface,
                  public QAccessibleTextInterface {
public:
    using TNotePart::TNotePart;
    QAccessible::Role role() const override { return QAccessible::EditableText; }
    QString text(QAccessible::Text t) const override {
        return Note && t == QAccessible::Value ? Note->NoteText() : QString();
    }
    QRect rect() const override { return Note ? OnScreen(Note, Note->TextRect()) : QRect(); }
    QAccessible::State state() const override {
        QAccessible::State s = TNotePart::state();
        s.editable = s.multiLine = s.focusable = true;
        if (Note) {
            s.readOnly = !Note->CanEdit();
            s.invisible = s.invisible || Note->IsCollapsed();
            s.focused = Note->hasFocus();
        }
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return nullptr;
    }

    QStringList actionNames() const override { return {setFocusAction()}; }
    void doAction(const QString& action) override {
        if (Note && action == setFocusAction()) {
            Note->Editor();
            Note->FocusText();
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    // The painted text has no selection to tell; moving the caret makes the editor.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int start, int end) override { Select(start, end); }
    void removeSelection(int) override {}
    void setSelection(int, int start, int end) override { Select(start, end); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int position) override { Select(position, position); }
    QString text(int start, int end) const override {
        return Note ? Note->NoteText().mid(start, end - start) : QString();
    }
    int characterCount() const override { return Note ? int(Note->NoteText().size()) : 0; }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int start, int end) override { Select(start, end); }
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

private:
    void Select(int anchor, int position) {
        if (!Note)
            return;
        QPlainTextEdit* memo = Note->Editor();
        const int last = int(Note->NoteText().size());
        QTextCursor c(memo->document());
        c.setPosition(std::clamp(anchor, 0, last));
        c.setPosition(std::clamp(position, 0, last), QTextCursor::KeepAnchor);
        memo->setTextCursor(c);
    }
};

class TNoteAccessible;

// The note tells nobody of its changes, but repaints what changed: the title and the buttons
// are compared before each paint, and the text's editor coming or going is a child event.
class TNoteWatch : public QObject {
public:
    TNoteWatch(TFormKartka* note, TNoteAccessible* owner);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TNoteAccessible* Owner;
    TFormKartka* Note;
    QString Title;
    std::array<bool, TitleButtonCount> Checked{};
    bool ReorderDue = false;
};

class TNoteAccessible : public QAccessibleWidget {
public:
    explicit TNoteAccessible(TFormKartka* note) : QAccessibleWidget(note, QAccessible::Window) {
        Parts[TitleChild] = new TNoteTitle(note);
        for (int i = 0; i < TitleButtonCount; ++i)
            Parts[FirstButtonChild + i] = new TNoteButton(note, TTitleButton(i));
        Parts[TextChild] = new TNoteText(note);
        for (int i = 0; i < PartCount; ++i)
            Ids[i] = QAccessible::registerAccessibleInterface(Parts[i]);
        Watch = std::make_unique<TNoteWatch>(note, this);
    }
    ~TNoteAccessible() override {
        for (int i = 0; i < PartCount; ++i)
            if (QAccessible::accessibleInterface(Ids[i]) == Parts[i])
                QAccessible::deleteAccessibleInterface(Ids[i]);
    }

    TFormKartka* Note() const { return static_cast<TFormKartka*>(widget()); }
    QAccessibleInterface* Part(int index) const { return Parts[index]; }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return Note()->Title();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return PartCount + int(OwnWidgets().size()); }
    QAccessibleInterface* child(int index) const override {
        if (index == TextChild && Note()->Memo)
            return QAccessible::queryAccessibleInterface(Note()->Memo);
        if (index >= 0 && index < PartCount)
            return Parts[index];
        const QList<QWidget*> own = OwnWidgets();
        if (index < PartCount || index >= PartCount + own.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(own[index - PartCount]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        const auto part = std::find(Parts.begin(), Parts.end(), child);
        if (part != Parts.end())
            return int(part - Parts.begin());
        QObject* object = child->object();
        if (!object)
            return -1;
        if (object == Note()->Memo)
            return TextChild;
        const qsizetype own = OwnWidgets().indexOf(object);
        return own < 0 ? -1 : PartCount + int(own);
    }
    // Own widgets lie over the painted parts; a button over the title bar.
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint at(x, y);
        for (QWidget* w : OwnWidgets())
            if (w->isVisible() && OnScreen(w, w->rect()).contains(at))
                return QAccessible::queryAccessibleInterface(w);
        for (int i = FirstButtonChild; i < PartCount; ++i) {
            QAccessibleInterface* c = child(i);
            if (c && !c->state().invisible && c->rect().contains(at))
                return c;
        }
        return Parts[TitleChild]->rect().contains(at) ? Parts[TitleChild] : nullptr;
    }
    // While the text is only painted, the note's own focus is the text's.
    QAccessibleInterface* focusChild() const override {
        if (Note()->hasFocus())
            return child(TextChild);
        return QAccessibleWidget::focusChild();
    }

private:
    QList<QWidget*> OwnWidgets() const {
        QList<QWidget*> own;
        for (QObject* o : Note()->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && !w->isWindow() && w != Note()->Memo)
                own.append(w);
        }
        return own;
    }

    std::array<QAccessibleInterface*, PartCount> Parts{};
    std::array<QAccessible::Id, PartCount> Ids{};
    std::unique_ptr<TNoteWatch> Watch;
};

TNoteWatch::TNoteWatch(TFormKartka* note, TNoteAccessible* owner)
    : Owner(owner), Note(note), Title(note->Title()) {
    for (int i = 0; i < TitleButtonCount; ++i)
        Checked[i] = note->ButtonChecked(TTitleButton(i));
    note->installEventFilter(this);
}

bool TNoteWatch::eventFilter(QObject* watched, QEvent* event) {
    // Only an assistive technology makes the note's interface, and with it this watch.
    if (watched != Note)
        return false;
    if (event->type() == QEvent::Paint) {
        if (Note->Title() != Title) {
            Title = Note->Title();
            QAccessibleEvent named(Owner, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&named);
            QAccessibleEvent titled(Owner->Part(TitleChild), QAccessible::NameChanged);
            QAccessible::updateAccessibility(&titled);
        }
        for (int i = 0; i < TitleButtonCount; ++i) {
            if (Note->ButtonChecked(TTitleButton(i)) == Checked[i])
                continue;
            Checked[i] = !Checked[i];
            QAccessible::State changed;
            changed.checked = true;
            QAccessibleStateChangeEvent e(Owner->Part(FirstButtonChild + i), changed);
            QAccessible::updateAccessibility(&e);
        }
    } else if ((event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved) &&
               static_cast<QChildEvent*>(event)->child()->isWidgetType() && !ReorderDue) {
        // Told once the child is whole, or gone.
        ReorderDue = true;
        QTimer::singleShot(0, this, [this] {
            ReorderDue = false;
            QAccessibleEvent e(Owner, QAccessible::ObjectReorder);
            QAccessible::updateAccessibility(&e);
        });
    }
    return false;
}

QAccessibleInterface* NoteInterface(const QString& className, QObject* object) {
    auto* note = qobject_cast<TFormKartka*>(object);
    if (!note || className != QLatin1String(TFormKartka::staticMetaObject.className()))
        return nullptr;
    return new TNoteAccessible(note);
}

} // namespace

void InstallNoteAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(NoteInterface);
        return true;
    }();
    (void)installed;
}
