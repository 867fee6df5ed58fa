#include "scheduler_ui/Unitterminarz.h"

#include "common/Formats.h"
#include "common/IniFile.h"
#include "support/FakePlatform.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, 0);
}

class EntryEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStartFormats();
        Fake.Clock.Value = At(2024, 3, 10, 9, 15, 30);
    }

    TFormTerminarz* Make() {
        Editor = std::make_unique<TFormTerminarz>();
        return Editor.get();
    }
    // Preset for a new entry now, shown and active, so that keys and accelerators reach it
    // as they would a user's.
    TFormTerminarz* Shown() {
        TFormTerminarz* f = Make();
        f->SetupNewEntry(Fake.Clock.Value);
        f->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(f));
        return f;
    }
    QString Ini() const { return SettingsFileName(); }
    void WriteIni(const QByteArray& text) { WriteBytes(Ini(), text); }
    TMemIniFile ReadIni() const { return TMemIniFile(Ini()); }
    static void Type(QWidget* w, const QString& text) { QTest::keyClicks(w, text); }
    static void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(w, key, mods);
    }
    static QRect Geometry(const QWidget* w) { return w->geometry(); }
    static bool HasFocus(const QWidget* w) {
        const QWidget* f = QApplication::focusWidget();
        return f && (f == w || w->isAncestorOf(f));
    }
    static QSize ScreenSize() { return QGuiApplication::primaryScreen()->geometry().size(); }

    TFakePlatform Fake;
    std::unique_ptr<TFormTerminarz> Editor;
};

TTimetableEntry Sample() {
    TTimetableEntry e;
    e.kind = KindWeekly;
    e.date = At(2024, 5, 17, 18);
    e.time = At(2024, 1, 2, 14, 30, 20);
    e.dayofweek = 5;
    e.dayofmonth = 17;
    e.month = 5;
    e.minute = 25;
    e.notka = "Pierwsza\r\nDruga";
    e.remindbefore = 60;
    e.remindafter = 45000;
    e.lastshowdate = 45001;
    e.shown = true;
    return e;
}

} // namespace

TEST_F(EntryEditorTest, StartsWithTheControlsCaptionsAndItemsOfTheDesign) {
    TFormTerminarz* f = Make();
    EXPECT_EQ(f->windowTitle(), "Wpis terminarza");
    EXPECT_TRUE(f->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(f->isModal());
    EXPECT_EQ(f->size(), QSize(368, 318));
    EXPECT_EQ(f->Entry, TTimetableEntry{});

    EXPECT_EQ(f->LabelShowOnly->text(), "&Rodzaj aktywacji");
    EXPECT_TRUE(f->LabelShowOnly->font().bold());
    EXPECT_EQ(f->RadioButtonActJedn->text(), "Jednorazowo");
    EXPECT_EQ(f->RadioButtonActMinut->text(), "Co             minut");
    EXPECT_EQ(f->RadioButtonActDzien->text(), "Codziennie");
    EXPECT_EQ(f->RadioButtonActTydzien->text(), "Co tydzień");
    EXPECT_EQ(f->RadioButtonActMiesiac->text(), "Co miesiąc");
    EXPECT_EQ(f->RadioButtonActRok->text(), "Co rok");
    EXPECT_TRUE(f->RadioButtonActJedn->isChecked());
    EXPECT_EQ(f->CheckedKind(), KindOnce);
    EXPECT_EQ(f->EditMinut->text(), "60");
    EXPECT_EQ(f->Label1->text(), "&Data ");
    EXPECT_EQ(f->Label2->text(), "&Godzina ");
    EXPECT_EQ(f->Label3->text(), "Dzień &tygodnia ");
    EXPECT_EQ(f->Label4->text(), "Dzień &miesiąca ");
    EXPECT_EQ(f->Label5->text(), "Mie&siąc ");
    EXPECT_EQ(f->LabelRemind1->text(), " &Przypomnij");
    EXPECT_EQ(f->LabelRemind2->text(), " wcześniej");
    EXPECT_EQ(f->Label6->text(), "&Notatka");
    EXPECT_TRUE(f->Label6->font().bold());
    EXPECT_EQ(f->ButtonOK->text(), "OK");
    EXPECT_TRUE(f->ButtonOK->isDefault());
    EXPECT_FALSE(f->ButtonOK->isEnabled());
    EXPECT_EQ(f->ButtonCancel->text(), "Anuluj");
    EXPECT_TRUE(f->MemoNotka->toPlainText().isEmpty());

    EXPECT_FALSE(f->ComboBoxTydzien->isEditable());
    EXPECT_EQ(f->ComboBoxTydzien->count(), 7);
    EXPECT_EQ(f->ComboBoxTydzien->itemText(2), "3. Środa");
    EXPECT_TRUE(f->ComboBoxDMiesiaca->isEditable());
    EXPECT_EQ(f->ComboBoxDMiesiaca->count(), 31);
    EXPECT_EQ(f->ComboBoxDMiesiaca->maxVisibleItems(), 12);
    EXPECT_FALSE(f->ComboBoxMiesiac->isEditable());
    EXPECT_EQ(f->ComboBoxMiesiac->itemText(11), "12. Grudzień");
    EXPECT_EQ(f->ComboBoxMiesiac->maxVisibleItems(), 12);
    EXPECT_TRUE(f->ComboBoxRemindV->isEditable());
    EXPECT_EQ(f->ComboBoxRemindV->count(), 100);
    EXPECT_EQ(f->ComboBoxRemindV->itemText(99), "99");
    EXPECT_EQ(f->ComboBoxRemindV->currentText(), "0");
    EXPECT_EQ(f->ComboBoxRemind->count(), 3);
    EXPECT_EQ(f->ComboBoxRemind->currentText(), "minut");

    EXPECT_EQ(f->DateTimePickerDate->displayFormat(), "yyyy-MM-dd");
    EXPECT_TRUE(f->DateTimePickerDate->calendarPopup());
    EXPECT_EQ(f->DateTimePickerTime->displayFormat(), "HH:mm");
}

TEST_F(EntryEditorTest, ControlsStandAtTheirDesignedPlaces) {
    TFormTerminarz* f = Make();
    EXPECT_EQ(Geometry(f->Frame), QRect(6, 10, 356, 181));
    EXPECT_EQ(Geometry(f->LabelShowOnly), QRect(16, 20, 126, 16));
    EXPECT_EQ(Geometry(f->PanelKind), QRect(15, 36, 126, 145));
    // The kind buttons are 106 wide, or wider up to the panel's edge where the font needs it.
    const QList<QRadioButton*> kinds{f->RadioButtonActJedn,    f->RadioButtonActMinut,
                                     f->RadioButtonActDzien,   f->RadioButtonActTydzien,
                                     f->RadioButtonActMiesiac, f->RadioButtonActRok};
    for (int i = 0; i < 6; ++i) {
        const QRect g = Geometry(kinds[i]);
        EXPECT_EQ(g.topLeft(), QPoint(10, 10 + 22 * i));
        EXPECT_EQ(g.height(), 17);
        EXPECT_GE(g.width(), 106);
        EXPECT_LE(g.right(), f->PanelKind->contentsRect().right());
    }
    EXPECT_EQ(Geometry(f->EditMinut), QRect(45, 30, 31, 19));
    EXPECT_EQ(f->EditMinut->parentWidget(), f->PanelKind);
    EXPECT_EQ(Geometry(f->Label1), QRect(150, 21, 93, 18));
    EXPECT_EQ(Geometry(f->Label5), QRect(150, 117, 93, 18));
    EXPECT_EQ(Geometry(f->DateTimePickerDate), QRect(243, 20, 111, 21));
    EXPECT_EQ(Geometry(f->ComboBoxTydzien), QRect(243, 68, 111, 21));
    EXPECT_EQ(Geometry(f->ComboBoxMiesiac), QRect(243, 116, 111, 21));
    EXPECT_EQ(Geometry(f->LabelRemind1), QRect(150, 141, 204, 18));
    // The amount and unit boxes fill 150 to 271 together; the unit takes what its words need.
    const QRect amount = Geometry(f->ComboBoxRemindV), unit = Geometry(f->ComboBoxRemind);
    EXPECT_EQ(amount.topLeft(), QPoint(150, 160));
    EXPECT_EQ(unit.x(), amount.right() + 1);
    EXPECT_EQ(unit.right(), 271);
    EXPECT_EQ(amount.height(), 21);
    EXPECT_EQ(unit.height(), 21);
    EXPECT_GE(amount.width(), f->ComboBoxRemindV->minimumSizeHint().width());
    EXPECT_TRUE(unit.width() == 61 || unit.width() <= f->ComboBoxRemind->sizeHint().width());
    EXPECT_EQ(Geometry(f->LabelRemind2), QRect(272, 161, 82, 18));
    EXPECT_EQ(Geometry(f->Label6), QRect(6, 200, 356, 14));
    EXPECT_EQ(Geometry(f->MemoNotka), QRect(6, 213, 356, 63));
    EXPECT_EQ(Geometry(f->ButtonOK), QRect(102, 289, 75, 25));
    EXPECT_EQ(Geometry(f->ButtonCancel), QRect(192, 289, 75, 25));
}

TEST_F(EntryEditorTest, OnlyTheHeightChangesAndTheNoteAndButtonsFollowIt) {
    TFormTerminarz* f = Shown();
    f->resize(600, 418);
    EXPECT_EQ(f->width(), 368) << "the width is fixed";
    EXPECT_EQ(f->height(), 418);
    EXPECT_EQ(Geometry(f->MemoNotka), QRect(6, 213, 356, 163));
    EXPECT_EQ(Geometry(f->ButtonOK), QRect(102, 389, 75, 25));
    EXPECT_EQ(Geometry(f->ButtonCancel), QRect(192, 389, 75, 25));
    EXPECT_EQ(Geometry(f->ComboBoxRemind).y(), 160) << "the frame stays";
    f->resize(368, 100);
    EXPECT_EQ(f->height(), 296) << "Win32's least outer height 330 less its 34-pixel frame";
}

TEST_F(EntryEditorTest, TabGoesThroughTheBoxesTheNoteTheButtonsThenTheKinds) {
    TFormTerminarz* f = Make();
    f->SetKind(KindEveryMinutes); // its button and the interval box are tab stops
    const QList<QWidget*> expected{f->DateTimePickerDate,
                                   f->DateTimePickerTime,
                                   f->ComboBoxTydzien,
                                   f->ComboBoxDMiesiaca,
                                   f->ComboBoxMiesiac,
                                   f->ComboBoxRemindV,
                                   f->ComboBoxRemind,
                                   f->MemoNotka,
                                   f->ButtonOK,
                                   f->ButtonCancel,
                                   f->RadioButtonActJedn,
                                   f->RadioButtonActMinut,
                                   f->EditMinut,
                                   f->RadioButtonActDzien,
                                   f->RadioButtonActTydzien,
                                   f->RadioButtonActMiesiac,
                                   f->RadioButtonActRok};
    QList<QWidget*> chain;
    QWidget* w = f->DateTimePickerDate;
    do {
        if (expected.contains(w) && !chain.contains(w))
            chain << w;
        w = w->nextInFocusChain();
    } while (w != f->DateTimePickerDate);
    EXPECT_EQ(chain, expected);
}

TEST_F(EntryEditorTest, EachKindButtonSwitchesItsControls) {
    TFormTerminarz* f = Make();
    auto state = [f] {
        return TKindEnabling{f->DateTimePickerDate->isEnabled(), f->DateTimePickerTime->isEnabled(),
                             f->ComboBoxTydzien->isEnabled(),    f->ComboBoxDMiesiaca->isEnabled(),
                             f->ComboBoxMiesiac->isEnabled(),    f->EditMinut->isEnabled(),
                             f->ComboBoxRemindV->isEnabled()};
    };
    EXPECT_EQ(state(), EnablingFor(KindOnce));
    const QList<QRadioButton*> buttons{f->RadioButtonActJedn,    f->RadioButtonActMinut,
                                       f->RadioButtonActDzien,   f->RadioButtonActTydzien,
                                       f->RadioButtonActMiesiac, f->RadioButtonActRok};
    for (int kind = 6; kind >= 1; --kind) {
        buttons[kind - 1]->click();
        EXPECT_EQ(f->CheckedKind(), kind);
        EXPECT_EQ(state(), EnablingFor(kind)) << kind;
        const bool remind = EnablingFor(kind).Remind;
        EXPECT_EQ(f->LabelRemind1->isEnabled(), remind);
        EXPECT_EQ(f->LabelRemind2->isEnabled(), remind);
        EXPECT_EQ(f->ComboBoxRemind->isEnabled(), remind);
    }
    // An opener that checks a button itself runs the rule too.
    f->RadioButtonActRok->setChecked(true);
    EXPECT_EQ(state(), EnablingFor(KindYearly));
    f->SetKind(0);
    EXPECT_EQ(f->CheckedKind(), KindYearly) << "no such kind: nothing changes";
}

TEST_F(EntryEditorTest, ANewEntryIsPresetToTheDayAndTheClock) {
    TFormTerminarz* f = Make();
    const TDateTime day = At(2024, 12, 29, 18, 40); // a Sunday
    f->SetupNewEntry(day);
    EXPECT_EQ(f->DateTimePickerDate->Value(), day);
    EXPECT_EQ(f->DateTimePickerDate->date(), QDate(2024, 12, 29));
    EXPECT_EQ(f->DateTimePickerTime->Value(), Fake.Clock.Value);
    EXPECT_EQ(f->DateTimePickerTime->time(), QTime(9, 15, 30));
    EXPECT_EQ(f->ComboBoxTydzien->currentIndex(), 6);
    EXPECT_EQ(f->ComboBoxDMiesiaca->currentIndex(), 28);
    EXPECT_EQ(f->ComboBoxDMiesiaca->currentText(), "29");
    EXPECT_EQ(f->ComboBoxMiesiac->currentIndex(), 11);
    EXPECT_EQ(f->CheckedKind(), KindOnce);
    EXPECT_EQ(f->EditMinut->text(), "60");
    EXPECT_EQ(f->ComboBoxRemindV->currentText(), "0");
    EXPECT_EQ(f->ComboBoxRemind->currentText(), "minut");
    EXPECT_FALSE(f->ButtonOK->isEnabled());

    // A single blank is a note; removing it takes OK away again.
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    f->MemoNotka->setFocus();
    Type(f->MemoNotka, " ");
    EXPECT_TRUE(f->ButtonOK->isEnabled());
    Key(f->MemoNotka, Qt::Key_Backspace);
    EXPECT_FALSE(f->ButtonOK->isEnabled());
    Key(f->MemoNotka, Qt::Key_Return);
    EXPECT_TRUE(f->ButtonOK->isEnabled()) << "a line break counts";
}

TEST_F(EntryEditorTest, TheUsersEntryComesOutOfOkWithCrLfLines) {
    TFormTerminarz* f = Make();
    f->SetupNewEntry(At(2024, 3, 15, 10));
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    f->RadioButtonActTydzien->click();
    f->ComboBoxRemind->setCurrentIndex(1);
    f->ComboBoxRemindV->setCurrentIndex(1);
    f->MemoNotka->setFocus();
    Type(f->MemoNotka, "ab");
    Key(f->MemoNotka, Qt::Key_Return);
    Type(f->MemoNotka, "cd");
    f->ButtonOK->click();
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->result(), QDialog::Accepted);
    const TTimetableEntry& e = f->Entry;
    EXPECT_EQ(e.kind, KindWeekly);
    EXPECT_EQ(e.date, At(2024, 3, 15, 10));
    EXPECT_EQ(e.time, Fake.Clock.Value);
    EXPECT_EQ(e.dayofweek, 5);
    EXPECT_EQ(e.dayofmonth, 15);
    EXPECT_EQ(e.month, 3);
    EXPECT_EQ(e.minute, 60);
    EXPECT_EQ(e.remindbefore, 60);
    EXPECT_EQ(e.notka, "ab\r\ncd");
    EXPECT_EQ(e.remindafter, 0);
    EXPECT_EQ(e.lastshowdate, 0);
    EXPECT_FALSE(e.shown);
}

TEST_F(EntryEditorTest, AnEntryLoadsIntoTheControlsAndComesBackWithoutItsAlarmState) {
    TFormTerminarz* f = Make();
    const TTimetableEntry e = Sample();
    f->LoadEntry(e);
    EXPECT_EQ(f->DateTimePickerDate->date(), QDate(2024, 5, 17));
    EXPECT_EQ(f->DateTimePickerTime->time().toString("HH:mm:ss"), "14:30:20");
    EXPECT_EQ(f->ComboBoxTydzien->currentText(), "5. Piątek");
    EXPECT_EQ(f->ComboBoxDMiesiaca->currentText(), "17");
    EXPECT_EQ(f->ComboBoxMiesiac->currentText(), "5. Maj");
    EXPECT_EQ(f->EditMinut->text(), "25");
    EXPECT_EQ(f->ComboBoxRemindV->currentText(), "1");
    EXPECT_EQ(f->ComboBoxRemind->currentText(), "godzin");
    EXPECT_EQ(f->MemoNotka->toPlainText(), "Pierwsza\nDruga");
    EXPECT_TRUE(f->ButtonOK->isEnabled());
    EXPECT_TRUE(f->RadioButtonActTydzien->isChecked());
    TEditorValues shown = ValuesFromEntry(e);
    shown.Note = "Pierwsza\nDruga"; // the editor's own line breaks
    EXPECT_EQ(f->CurrentValues(), shown);

    f->ButtonOKClick();
    TTimetableEntry expected = e;
    expected.remindafter = 0;
    expected.lastshowdate = 0;
    expected.shown = false;
    EXPECT_EQ(f->Entry, expected) << "the pickers kept their full values";
}

TEST_F(EntryEditorTest, ReminderLengthsLoadAsTheyAreShownAndAreStoredAsShown) {
    const int minutes[] = {0, 45, 60, 90, 120, 1440, 2000};
    const int stored[] = {0, 45, 60, 60, 120, 1440, 1440};
    const char* amounts[] = {"0", "45", "1", "1", "2", "1", "1"};
    const char* units[] = {"minut", "minut", "godzin", "godzin", "godzin", "dni", "dni"};
    for (int i = 0; i < 7; ++i) {
        TFormTerminarz* f = Make();
        TTimetableEntry e = Sample();
        e.remindbefore = minutes[i];
        f->LoadEntry(e);
        EXPECT_EQ(f->ComboBoxRemindV->currentText(), amounts[i]);
        EXPECT_EQ(f->ComboBoxRemind->currentText(), units[i]);
        f->ButtonOKClick();
        EXPECT_EQ(f->Entry.remindbefore, stored[i]) << minutes[i];
    }
}

TEST_F(EntryEditorTest, OddValuesLoadWithoutSelectionAndAnUnknownKindAsOnce) {
    TFormTerminarz* f = Make();
    TTimetableEntry e = Sample();
    e.kind = 0;
    e.dayofweek = 9;
    e.dayofmonth = 45;
    e.month = 13;
    e.remindbefore = 200 * 1440;
    f->LoadEntry(e);
    EXPECT_TRUE(f->RadioButtonActJedn->isChecked());
    EXPECT_EQ(f->ComboBoxTydzien->currentIndex(), -1);
    EXPECT_EQ(f->ComboBoxDMiesiaca->currentIndex(), -1);
    EXPECT_EQ(f->ComboBoxDMiesiaca->currentText(), "");
    EXPECT_EQ(f->ComboBoxMiesiac->currentIndex(), -1);
    EXPECT_EQ(f->ComboBoxRemindV->currentText(), "200") << "beyond the list, as text";

    // The empty day fails its conversion until a day is chosen, though the box is disabled.
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    f->ButtonOKClick();
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, "Notella");
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Text,
              "Dzień miesiąca: „” nie jest prawidłową liczbą całkowitą.");
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Icon, TMsgIcon::Error);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->Entry, TTimetableEntry{});

    f->RadioButtonActMiesiac->click();
    f->ComboBoxDMiesiaca->setCurrentIndex(4);
    f->RadioButtonActJedn->click();
    f->ButtonOKClick();
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->Entry.kind, KindOnce);
    EXPECT_EQ(f->Entry.dayofweek, 0);
    EXPECT_EQ(f->Entry.dayofmonth, 5);
    EXPECT_EQ(f->Entry.month, 0);
    EXPECT_EQ(f->Entry.remindbefore, 200 * 1440);
}

TEST_F(EntryEditorTest, ABadReminderAmountIsReportedAndTheFocusGoesBackToIt) {
    TFormTerminarz* f = Shown();
    f->SetupNewEntry(Fake.Clock.Value);
    f->MemoNotka->setPlainText("x");
    f->MemoNotka->setFocus();
    const QStringList bad{"-1", "abc", "", "1491309"};
    for (const QString& text : bad) {
        f->ComboBoxRemind->setCurrentIndex(2);
        f->ComboBoxRemindV->setEditText(text);
        Fake.MessageBoxes.Answer(TMsgResult::OK);
        f->MemoNotka->setFocus();
        f->ButtonOK->click();
        ASSERT_FALSE(Fake.MessageBoxes.Shown.empty());
        const TMessage m = Fake.MessageBoxes.Shown.back();
        EXPECT_EQ(m.Text, "Nieprawidłowa wartość!") << text.toStdString();
        EXPECT_EQ(m.Caption, "Notella");
        EXPECT_EQ(m.Icon, TMsgIcon::Warning);
        EXPECT_EQ(m.Buttons, TMsgButtons::OK);
        EXPECT_TRUE(f->isVisible());
        EXPECT_TRUE(HasFocus(f->ComboBoxRemindV)) << text.toStdString();
        EXPECT_EQ(f->Entry, TTimetableEntry{});
    }
    EXPECT_EQ(Fake.MessageBoxes.Shown.size(), 4u);

    f->ComboBoxRemindV->setEditText("-5");
    f->ButtonOK->click();
    EXPECT_EQ(f->result(), QDialog::Accepted);
    EXPECT_EQ(f->Entry.remindbefore, -5 * 1440);
}

TEST_F(EntryEditorTest, AReminderPastTheYear9999IsABadValue) {
    TFormTerminarz* f = Shown();
    TTimetableEntry e = Sample();
    e.kind = KindOnce;
    e.date = EncodeDate(9999, 12, 31);
    e.time = EncodeTime(23, 0, 0, 0);
    e.remindbefore = -60;
    f->LoadEntry(e);
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    f->ButtonOK->click();
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Text, "Nieprawidłowa wartość!");
    EXPECT_TRUE(f->isVisible());
    f->ComboBoxRemindV->setEditText("-59");
    f->ComboBoxRemind->setCurrentIndex(0);
    f->ButtonOK->click();
    EXPECT_EQ(f->result(), QDialog::Accepted);
    EXPECT_EQ(f->Entry.remindbefore, -59);
}

TEST_F(EntryEditorTest, AnIntervalThatIsNoIntegerStopsAcceptEvenForAnotherKind) {
    TFormTerminarz* f = Shown();
    f->SetupNewEntry(Fake.Clock.Value);
    f->MemoNotka->setPlainText("x");
    f->EditMinut->setText("");
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    f->ButtonOK->click();
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Text,
              "Co ile minut: „” nie jest prawidłową liczbą całkowitą.");
    EXPECT_TRUE(f->isVisible());

    f->RadioButtonActMinut->click();
    f->EditMinut->setText("0");
    f->ComboBoxRemindV->setEditText("zzz");
    f->ButtonOK->click();
    EXPECT_EQ(f->result(), QDialog::Accepted);
    EXPECT_EQ(f->Entry.kind, KindEveryMinutes);
    EXPECT_EQ(f->Entry.minute, 0);
    EXPECT_EQ(f->Entry.remindbefore, 0);
}

TEST_F(EntryEditorTest, PickersKeepTheirValueUntilTheUserChangesIt) {
    TFormTerminarz* f = Make();
    TTimetableEntry e = Sample();
    e.kind = KindMonthly; // the date and time pickers are disabled
    f->LoadEntry(e);
    f->ButtonOKClick();
    EXPECT_EQ(f->Entry.date, e.date);
    EXPECT_EQ(f->Entry.time, e.time);

    // The user's date keeps the time of day; the user's time keeps the date.
    Make();
    Editor->LoadEntry(Sample());
    Editor->DateTimePickerDate->setDate(QDate(2025, 2, 3));
    Editor->DateTimePickerTime->setTime(QTime(7, 5));
    Editor->ButtonOKClick();
    EXPECT_EQ(Editor->Entry.date, EncodeDate(2025, 2, 3) + EncodeTime(18, 0, 0, 0));
    EXPECT_EQ(Editor->Entry.time, EncodeDate(2024, 1, 2) + EncodeTime(7, 5, 0, 0));
}

TEST_F(EntryEditorTest, ETakesTheFocusToTheNoteAndIsTypedThere) {
    TFormTerminarz* f = Shown();
    f->SetKind(KindEveryMinutes);
    f->EditMinut->setFocus();
    Type(f->EditMinut, "5");
    EXPECT_EQ(f->EditMinut->text(), "605");
    Key(f->EditMinut, Qt::Key_E);
    EXPECT_EQ(QApplication::focusWidget(), f->MemoNotka);
    EXPECT_EQ(f->EditMinut->text(), "605");
    EXPECT_EQ(f->MemoNotka->toPlainText(), "e");
    Type(f->MemoNotka, "e");
    EXPECT_EQ(f->MemoNotka->toPlainText(), "ee") << "in the note E is a letter";

    f->ComboBoxRemind->setFocus();
    QTest::sendKeyEvent(QTest::Click, f->ComboBoxRemind, Qt::Key_E, QStringLiteral("E"),
                        Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), f->MemoNotka);
    EXPECT_EQ(f->MemoNotka->toPlainText(), "eeE");
    EXPECT_EQ(f->ComboBoxRemind->currentText(), "minut");

    f->ComboBoxDMiesiaca->setEnabled(true);
    f->ComboBoxDMiesiaca->setFocus();
    f->ComboBoxDMiesiaca->lineEdit()->clear();
    Type(f->ComboBoxDMiesiaca, "1e");
    EXPECT_EQ(f->ComboBoxDMiesiaca->currentText(), "1");
    EXPECT_EQ(f->MemoNotka->toPlainText(), "eeEe");
    EXPECT_TRUE(f->isVisible());
}

TEST_F(EntryEditorTest, CtrlEnterAcceptsFromAnywhereOnceThereIsANote) {
    TFormTerminarz* f = Shown();
    f->MemoNotka->setFocus();
    Key(f->MemoNotka, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(f->isVisible()) << "OK is disabled";
    EXPECT_EQ(f->MemoNotka->toPlainText(), "") << "and the key does nothing else";
    Type(f->MemoNotka, "a");
    Key(f->MemoNotka, Qt::Key_Return);
    EXPECT_TRUE(f->isVisible()) << "Enter in the note is a new line";
    EXPECT_EQ(f->MemoNotka->toPlainText(), "a\n");
    Key(f->MemoNotka, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->result(), QDialog::Accepted);
    EXPECT_EQ(f->Entry.notka, "a\r\n");
}

TEST_F(EntryEditorTest, EnterOutsideTheNotePressesOk) {
    for (int which = 0; which < 5; ++which) {
        TFormTerminarz* f = Shown();
        QWidget* target =
            QList<QWidget*>{f->DateTimePickerDate, f->ComboBoxRemindV, f->ComboBoxRemind,
                            f->RadioButtonActJedn, f->ButtonOK}[which];
        target->setFocus();
        QWidget* receiver = QApplication::focusWidget();
        ASSERT_TRUE(receiver);
        Key(receiver, Qt::Key_Return);
        EXPECT_TRUE(f->isVisible()) << which << ": nothing while OK is disabled";
        f->MemoNotka->setPlainText("x");
        target->setFocus();
        Key(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(f->isVisible()) << which;
        EXPECT_EQ(f->result(), QDialog::Accepted) << which;
        EXPECT_EQ(f->ComboBoxRemindV->count(), 100) << "Enter adds no item";
    }
}

// As a dialog's buttons do: the focused button is the default one while it has the focus.
TEST_F(EntryEditorTest, EnterOnTheFocusedCancelButtonCancels) {
    TFormTerminarz* f = Shown();
    f->MemoNotka->setPlainText("x");
    f->ButtonCancel->setFocus();
    Key(f->ButtonCancel, Qt::Key_Return);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->result(), QDialog::Rejected);
}

TEST_F(EntryEditorTest, EscapeCancelsAndInTheNoteOnItsRelease) {
    TFormTerminarz* f = Shown();
    f->ComboBoxRemindV->setFocus();
    Key(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->result(), QDialog::Rejected);

    f = Shown();
    f->MemoNotka->setPlainText("x");
    f->MemoNotka->setFocus();
    QTest::keyPress(f->MemoNotka, Qt::Key_Escape);
    EXPECT_TRUE(f->isVisible()) << "not on the key going down";
    QTest::keyRelease(f->MemoNotka, Qt::Key_Escape);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->result(), QDialog::Rejected);
    EXPECT_EQ(f->Entry, TTimetableEntry{});
    EXPECT_TRUE(ReadIni().ValueExists("ScheduleEditWindow", "Top")) << "the place is stored";
}

TEST_F(EntryEditorTest, AcceleratorsFocusTheirControlsWithoutChangingTheKind) {
    TFormTerminarz* f = Shown();
    f->RadioButtonActTydzien->click();
    f->MemoNotka->setFocus();
    Key(f->MemoNotka, Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), f->RadioButtonActJedn);
    EXPECT_TRUE(f->RadioButtonActTydzien->isChecked()) << "only the focus moves";
    Key(QApplication::focusWidget(), Qt::Key_G, Qt::AltModifier);
    EXPECT_TRUE(HasFocus(f->DateTimePickerTime));
    Key(QApplication::focusWidget(), Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), f->ComboBoxTydzien);
    Key(QApplication::focusWidget(), Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(HasFocus(f->ComboBoxRemindV));
    Key(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), f->MemoNotka);
    Key(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), f->MemoNotka) << "the date picker is disabled";
    f->RadioButtonActRok->click();
    Key(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), f->ComboBoxMiesiac);
    Key(QApplication::focusWidget(), Qt::Key_M, Qt::AltModifier);
    EXPECT_TRUE(HasFocus(f->ComboBoxDMiesiaca));
    EXPECT_TRUE(f->isVisible());
}

TEST_F(EntryEditorTest, ExecReturnsAcceptedForOkAndRejectedForCancel) {
    TFormTerminarz* f = Make();
    f->SetupNewEntry(Fake.Clock.Value);
    QTimer::singleShot(0, f, [f] {
        f->MemoNotka->setPlainText("Dentysta");
        f->ButtonOK->click();
    });
    EXPECT_EQ(f->exec(), QDialog::Accepted);
    EXPECT_EQ(f->Entry.notka, "Dentysta");

    TFormTerminarz* g = Make();
    QTimer::singleShot(0, g, [g] { g->ButtonCancel->click(); });
    EXPECT_EQ(g->exec(), QDialog::Rejected);
    EXPECT_EQ(g->Entry, TTimetableEntry{});
}

// Stored sizes and places are outer ones (Win32's), whatever the frame: the offscreen
// platform draws a frame of 2 pixels, a window manager its own.
TEST_F(EntryEditorTest, AFreshWindowIsCentredAndItsPlaceIsStoredAtEveryClose) {
    WriteIni("[SchedulerWindow]\r\nWidth=600\r\n");
    TFormTerminarz* f = Shown();
    const QSize screen = ScreenSize();
    const QRect outer = f->frameGeometry();
    EXPECT_EQ(outer.height(), 352);
    EXPECT_EQ(f->width(), 368);
    EXPECT_EQ(outer.topLeft(),
              QPoint(screen.width() / 2 - outer.width() / 2, screen.height() / 2 - 352 / 2));
    f->move(40, 50);
    f->resize(368, 400);
    const QRect moved = f->frameGeometry();
    EXPECT_EQ(moved.topLeft(), QPoint(40, 50));
    f->reject();

    TMemIniFile ini = ReadIni();
    EXPECT_EQ(ini.ReadInteger("ScheduleEditWindow", "Maximized", -1), 0);
    EXPECT_EQ(ini.ReadInteger("ScheduleEditWindow", "Height", -1), moved.height());
    EXPECT_EQ(ini.ReadInteger("ScheduleEditWindow", "Left", -1), 40);
    EXPECT_EQ(ini.ReadInteger("ScheduleEditWindow", "Top", -1), 50);
    EXPECT_FALSE(ini.ValueExists("ScheduleEditWindow", "Width")) << "the width is not stored";
    EXPECT_EQ(ini.ReadInteger("SchedulerWindow", "Width", -1), 600) << "other sections stay";

    // The next editors open there, neither grown nor moved.
    for (int i = 0; i < 3; ++i) {
        TFormTerminarz* g = Shown();
        EXPECT_EQ(g->frameGeometry(), moved) << i;
        EXPECT_EQ(g->height(), 400) << i;
        g->reject();
    }
}

TEST_F(EntryEditorTest, AMaximizedCloseKeepsTheLastPlaceAndOpensMaximized) {
    WriteIni("[ScheduleEditWindow]\r\nHeight=380\r\nLeft=30\r\nTop=20\r\n");
    TFormTerminarz* f = Shown();
    EXPECT_EQ(f->frameGeometry().topLeft(), QPoint(30, 20));
    EXPECT_EQ(f->frameGeometry().height(), 380);
    f->showMaximized();
    QTest::qWait(10);
    f->MemoNotka->setPlainText("x");
    f->ButtonOK->click();
    TMemIniFile ini = ReadIni();
    EXPECT_EQ(ini.ReadInteger("ScheduleEditWindow", "Maximized", -1), 1);
    EXPECT_EQ(ini.ReadInteger("ScheduleEditWindow", "Height", -1), 380);
    EXPECT_EQ(ini.ReadInteger("ScheduleEditWindow", "Left", -1), 30);

    TFormTerminarz* g = Shown();
    EXPECT_TRUE(g->isMaximized());
    g->reject();
    EXPECT_EQ(ReadIni().ReadInteger("ScheduleEditWindow", "Top", -1), 20);
    EXPECT_EQ(ReadIni().ReadInteger("ScheduleEditWindow", "Height", -1), 380);
}

TEST_F(EntryEditorTest, AStoredPlaceOffEveryScreenIsBroughtOntoOne) {
    WriteIni("[ScheduleEditWindow]\r\nHeight=abc\r\nLeft=-5000\r\nTop=99999\r\n");
    TFormTerminarz* f = Shown();
    EXPECT_EQ(f->frameGeometry().height(), 352) << "a value that is not a number: the default";
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(screen.contains(f->frameGeometry()))
        << f->frameGeometry().x() << "," << f->frameGeometry().y();
}

TEST_F(EntryEditorTest, AnUnwritableSettingsFileIsReported) {
    TFormTerminarz* f = Shown();
    // A directory in the settings file's place cannot be replaced by a file.
    ASSERT_TRUE(QDir().mkpath(Ini()));
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    f->reject();
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, "Błąd");
    EXPECT_EQ(f->result(), QDialog::Rejected);
}
