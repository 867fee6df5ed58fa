// Screen readers see a note's painted title, buttons and text as they saw its old widgets.
#include "NoteWindowTest.h"

#include "notes/NoteAccessible.h"

#include <QAccessible>
#include <QPlainTextEdit>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace {

const QByteArray Lista =
    "[Size]\r\nWidth=200\r\nMinHeight=100\r\nHeight=100\r\n[Sheet]\r\nTitle=Zakupy\r\n"
    "Text0=mleko\r\nText1=chleb\r\n";

const int TextChild = 1 + TitleButtonCount;

QAccessibleInterface* Button(QAccessibleInterface* note, TTitleButton b) {
    return note->child(1 + int(b));
}

} // namespace

TEST_F(NoteWindowTest, ScreenReadersSeeTheTitleTheButtonsAndTheText) {
    InstallNoteAccessibility();
    TFormKartka* w = Open(Lista);
    QAccessibleInterface* note = QAccessible::queryAccessibleInterface(w);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->role(), QAccessible::Window);
    EXPECT_EQ(note->text(QAccessible::Name), "Zakupy");
    ASSERT_EQ(note->childCount(), TextChild + 1);

    QAccessibleInterface* title = note->child(0);
    EXPECT_EQ(title->role(), QAccessible::StaticText);
    EXPECT_EQ(title->text(QAccessible::Name), "Zakupy");
    QAccessibleInterface* lock = Button(note, TTitleButton::MoveLock);
    EXPECT_EQ(lock->role(), QAccessible::Button);
    EXPECT_EQ(lock->text(QAccessible::Name),
              QString::fromUtf8("Blokuj pozycję i zawartość karteczki"));
    EXPECT_EQ(lock->text(QAccessible::Description),
              QString::fromUtf8("Blokuj pozycję i zawartość karteczki (F8)"));
    EXPECT_EQ(lock->text(QAccessible::Accelerator), "F8");
    EXPECT_FALSE(Button(note, TTitleButton::Close)->state().checkable);

    // Every child knows its place, lies inside the note and is found where it lies.
    const QRect whole = note->rect();
    for (int i = 0; i < note->childCount(); ++i) {
        QAccessibleInterface* c = note->child(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(c->parent(), note);
        EXPECT_EQ(note->indexOfChild(c), i);
        EXPECT_FALSE(c->rect().isEmpty());
        EXPECT_TRUE(whole.contains(c->rect()));
        EXPECT_EQ(note->childAt(c->rect().center().x(), c->rect().center().y()), c);
    }

    // The priority button's tick follows the note, and pressing it changes the priority.
    QAccessibleInterface* hi = Button(note, TTitleButton::HiPrior);
    ASSERT_TRUE(hi->state().checkable);
    EXPECT_FALSE(hi->state().checked);
    ASSERT_TRUE(hi->actionInterface());
    EXPECT_TRUE(
        hi->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    hi->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(w->ButtonChecked(TTitleButton::HiPrior));
    EXPECT_TRUE(hi->state().checked);
    w->ClickButton(TTitleButton::HiPrior);
    EXPECT_FALSE(hi->state().checked);

    // The painted text is read as it stands; focusing it brings the editor, which takes its place.
    QAccessibleInterface* text = note->child(TextChild);
    EXPECT_EQ(text->role(), QAccessible::EditableText);
    EXPECT_EQ(text->text(QAccessible::Value), "mleko\nchleb");
    ASSERT_TRUE(text->textInterface());
    EXPECT_EQ(text->textInterface()->text(6, 11), "chleb");
    ASSERT_FALSE(w->Memo);
    text->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    ASSERT_TRUE(w->Memo);
    QAccessibleInterface* editor = note->child(TextChild);
    EXPECT_EQ(editor, QAccessible::queryAccessibleInterface(w->Memo));
    EXPECT_EQ(editor->text(QAccessible::Value), "mleko\nchleb");
    EXPECT_EQ(editor->parent(), note);
    EXPECT_EQ(note->indexOfChild(editor), TextChild);
    EXPECT_TRUE(whole.contains(editor->rect()));
}

namespace {

// The events sent while an assistive technology is listening.
struct TListener {
    TListener() {
        Told.clear();
        Previous = QAccessible::installUpdateHandler(Record);
        Platform()->setActive(true);
    }
    ~TListener() {
        Platform()->setActive(false);
        QAccessible::installUpdateHandler(Previous);
    }
    static QPlatformAccessibility* Platform() {
        return QGuiApplicationPrivate::platformIntegration()->accessibility();
    }
    static void Record(QAccessibleEvent* e) {
        Told.emplace_back(e->accessibleInterface(), e->type());
    }
    bool WasTold(QAccessibleInterface* iface, QAccessible::Event type) const {
        return std::find(Told.begin(), Told.end(), std::pair(iface, type)) != Told.end();
    }
    inline static std::vector<std::pair<QAccessibleInterface*, QAccessible::Event>> Told;
    QAccessible::UpdateHandler Previous = nullptr;
};

} // namespace

TEST_F(NoteWindowTest, NoteChangesAreToldAndItsPartsGoWithIt) {
    InstallNoteAccessibility();
    TFormKartka* w = Open(Lista);
    w->show();
    QAccessibleInterface* note = QAccessible::queryAccessibleInterface(w);
    QAccessibleInterface* hi = Button(note, TTitleButton::HiPrior);
    QAccessibleInterface* title = note->child(0);
    const QAccessible::Id hiId = QAccessible::uniqueId(hi);
    const QAccessible::Id textId = QAccessible::uniqueId(note->child(TextChild));
    {
        TListener listener;
        w->ClickButton(TTitleButton::HiPrior);
        w->SetTitle("Na jutro");
        w->repaint();
        w->Editor();
        QCoreApplication::processEvents();
        EXPECT_TRUE(listener.WasTold(hi, QAccessible::StateChanged));
        EXPECT_TRUE(listener.WasTold(note, QAccessible::NameChanged));
        EXPECT_TRUE(listener.WasTold(title, QAccessible::NameChanged));
        EXPECT_TRUE(listener.WasTold(note, QAccessible::ObjectReorder));
    }
    delete w;
    EXPECT_FALSE(QAccessible::accessibleInterface(hiId));
    EXPECT_FALSE(QAccessible::accessibleInterface(textId));
}
