#include "scheduler_ui/Unitterminarzmanager.h"

#include "app/Forms.h"
#include "app/Unitmain.h"
#include "common/Formats.h"
#include "common/IniFile.h"
#include "common/TextFile.h"
#include "menus/BcBarPopupMenu.h"
#include "scheduler_ui/Unitterminarz.h"
#include "support/FakePlatform.h"
#include "support/OffscreenScreens.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, 0, 0);
}

TTimetableEntry Entry(int kind, const QString& note, int hour = 8) {
    TTimetableEntry e;
    e.kind = kind;
    e.date = At(2026, 3, 13);
    e.time = EncodeTime(hour, 0, 0, 0);
    e.dayofweek = 5;
    e.dayofmonth = 13;
    e.month = 3;
    e.minute = 30;
    e.notka = note;
    return e;
}

class ListWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStartFormats();
        Fake.Clock.Value = At(2026, 3, 13, 9, 0);
    }
    void TearDown() override { FormTerminarz = nullptr; }

    // Entries of every kind, in the timetable's order: the kind, then the hour.
    void Fill() {
        T.Insert(Entry(KindOnce, "Lekarz", 10));       // 0
        T.Insert(Entry(KindEveryMinutes, "Woda"));     // 1
        T.Insert(Entry(KindDaily, "LEKI\r\nrano", 7)); // 2
        T.Insert(Entry(KindDaily, "Spacer", 18));      // 3
        T.Insert(Entry(KindWeekly, "Zakupy"));         // 4
        T.Insert(Entry(KindMonthly, "Czynsz"));        // 5
        T.Insert(Entry(KindYearly, "Urodziny Ąni"));   // 6
    }
    TFormTerminarzManager* Make() {
        List = std::make_unique<TFormTerminarzManager>(nullptr, T);
        return List.get();
    }
    TFormTerminarzManager* Shown() {
        TFormTerminarzManager* w = Make();
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        return w;
    }
    static void SelectKind(TFormTerminarzManager* w, int kind) {
        QTreeWidgetItem* root = w->TreeViewFilter->topLevelItem(0);
        w->TreeViewFilter->setCurrentItem(kind == 0 ? root : root->child(kind - 1));
    }
    // The refresh a filter change asks for, without waiting for it.
    static void FireRefresh(TFormTerminarzManager* w) {
        ASSERT_TRUE(w->TimerRefresh->isActive());
        w->TimerRefresh->setInterval(0);
        EXPECT_TRUE(QTest::qWaitFor([w] { return !w->TimerRefresh->isActive(); }, 1000));
        w->TimerRefresh->setInterval(200);
    }
    static void SelectRow(TFormTerminarzManager* w, int row) {
        w->StringGrid->setCurrentIndex(w->StringGrid->model()->index(row - 1, 0));
    }
    static QStringList Notes(const TFormTerminarzManager* w) {
        QStringList notes;
        for (int row = 1; row < w->RowCount(); ++row)
            notes << w->Cells(1, row);
        return notes;
    }
    // Runs `trigger`; `inEditor` acts in the entry editor if one opens (it is cancelled unless
    // closed). True when an editor opened.
    static bool WithEditor(const std::function<void()>& trigger,
                           const std::function<void(TFormTerminarz&)>& inEditor = {}) {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* editor = qobject_cast<TFormTerminarz*>(FormTerminarz.data());
            if (!editor)
                return;
            opened = true;
            if (inEditor)
                inEditor(*editor);
            if (editor->isVisible())
                editor->reject();
        });
        trigger();
        QCoreApplication::processEvents();
        return opened;
    }
    static void AcceptNote(TFormTerminarz& editor, const QString& note) {
        editor.MemoNotka->setPlainText(note);
        editor.ButtonOK->click();
    }
    TTimetable Saved() const {
        TTimetable t;
        t.Load();
        return t;
    }
    QString Ini() const { return SettingsFileName(); }
    void WriteIni(const QByteArray& text) { WriteBytes(Ini(), "[SchedulerWindow]\r\n" + text); }
    TMemIniFile ReadIni() const { return TMemIniFile(Ini()); }

    TFakePlatform Fake;
    TTimetable T;
    std::unique_ptr<TFormTerminarzManager> List;
};

} // namespace

TEST_F(ListWindowTest, StartsWithTheControlsOfTheDesignAndListsEveryEntry) {
    Fill();
    TFormTerminarzManager* w = Make();
    EXPECT_EQ(w->windowTitle(), "Terminarz");
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(w->isModal());
    EXPECT_EQ(w->size(), QSize(528, 478));
    EXPECT_EQ(w->LabelShowOnly->text(), "&Filtr");
    EXPECT_EQ(w->Label1->text(), QString::fromUtf8("&Rodzaje wpisów"));
    EXPECT_EQ(w->Label2->text(), "&Wpisy terminarza");
    EXPECT_TRUE(w->Label2->font().bold());
    EXPECT_EQ(w->ButtonAdd->text(), "Dodaj");
    EXPECT_EQ(w->ButtonEdit->text(), "Edytuj");
    EXPECT_EQ(w->ButtonDelete->text(), QString::fromUtf8("Usuń"));
    EXPECT_EQ(w->ButtonOk->text(), "Zamknij");
    EXPECT_EQ(w->StringGrid->geometry(), QRect(130, 32, 389, 441));
    EXPECT_EQ(w->TreeViewFilter->geometry(), QRect(10, 87, 114, 149));
    EXPECT_EQ(w->ButtonOk->geometry(), QRect(10, 449, 114, 24));
    EXPECT_EQ(w->TimerRefresh->interval(), 200);
    EXPECT_FALSE(w->TimerRefresh->isActive());

    // The tree: "Wszystkie" open and selected, the six kinds below it.
    QTreeWidgetItem* root = w->TreeViewFilter->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), "Wszystkie");
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(w->TreeViewFilter->currentItem(), root);
    ASSERT_EQ(root->childCount(), 6);
    EXPECT_EQ(root->child(5)->text(0), "Coroczne");
    EXPECT_EQ(w->TreeViewFilter->indentation(), 19);
    EXPECT_EQ(w->KindFilter(), 0);

    // The grid: header, one row per entry in the timetable's order, the index out of reach.
    EXPECT_EQ(w->Cells(0, 0), "Rodzaj wpisu");
    EXPECT_EQ(w->Cells(1, 0), "Notatka");
    ASSERT_EQ(w->RowCount(), 8);
    EXPECT_EQ(w->Cells(0, 1), "2026-03-13 o godz. 10:00");
    EXPECT_EQ(w->Cells(0, 3), "Codziennie o godzinie 07:00");
    EXPECT_EQ(w->Cells(1, 3), "LEKI | rano");
    EXPECT_EQ(w->Cells(2, 3), "2");
    EXPECT_EQ(w->Cells(0, 7), "13 Marca");
    EXPECT_EQ(w->StringGrid->columnWidth(0), 200);
    EXPECT_EQ(w->StringGrid->columnWidth(1), 389 - 200 - 25);
    EXPECT_TRUE(w->StringGrid->isColumnHidden(2));
    EXPECT_EQ(w->StringGrid->rowHeight(0), 16);
    EXPECT_EQ(w->LabelCount->text(), "(7/7)");
    EXPECT_EQ(w->LabelFilter->text(), "Wszystkie");
    EXPECT_EQ(w->CurrentRow(), 1);

    // Read-only: the grid has no editing at all.
    EXPECT_EQ(w->StringGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(w->StringGrid->model()->flags(w->StringGrid->model()->index(0, 0)) &
                 Qt::ItemIsEditable);

    // The popup menu: no bar, the three commands with their keys.
    EXPECT_TRUE(w->PopupMenu->BarRect().isEmpty());
    const QList<QAction*> items = w->PopupMenu->actions();
    ASSERT_EQ(items.size(), 7);
    EXPECT_EQ(items[0]->text(), "Dodaj");
    EXPECT_EQ(items[0]->shortcut(), QKeySequence(Qt::Key_Insert));
    EXPECT_EQ(items[1]->text(), QString::fromUtf8("Usuń"));
    EXPECT_EQ(items[1]->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3]->text(), "Edytuj");
    EXPECT_EQ(items[3]->shortcut(), QKeySequence(Qt::Key_E));
    EXPECT_TRUE(items[4]->isSeparator());
    EXPECT_EQ(items[5]->text(), "Eksportuj do pliku iCalendar...");
    EXPECT_EQ(items[6]->text(), "Importuj z pliku iCalendar...");
}

TEST_F(ListWindowTest, TheMenuExportsToAndImportsFromAChosenICalendarFile) {
    Fill();
    TFormTerminarzManager* w = Shown();
    w->ActionEksport->trigger(); // cancelled: nothing written, nothing said
    EXPECT_TRUE(Fake.MessageBoxes.Shown.empty());
    const QString file = Fake.Directory.Dir() + "/wpisy";
    Fake.FileDialogs.Names = {file};
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    w->ActionEksport->trigger();
    QByteArray bytes;
    ASSERT_TRUE(ReadWholeFile(file + ".ics", bytes)) << "the extension is added";
    EXPECT_TRUE(bytes.startsWith("BEGIN:VCALENDAR"));

    TTimetable empty;
    TFormTerminarzManager other(nullptr, empty);
    Fake.FileDialogs.Names = {file + ".ics"};
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    other.ActionImport->trigger();
    EXPECT_EQ(empty.count(), 7);
    EXPECT_EQ(Notes(&other).size(), 7) << "the list shows what came in";
    EXPECT_EQ(Saved().count(), 7) << "saved at once";
    EXPECT_EQ(Fake.FileDialogs.Captions,
              (QStringList{"Eksportuj do pliku iCalendar", "Eksportuj do pliku iCalendar",
                           "Importuj z pliku iCalendar"}));
}

TEST_F(ListWindowTest, AnEmptyTimetableShowsOneEmptyRowAndStillTakesANewEntry) {
    TFormTerminarzManager* w = Shown();
    EXPECT_EQ(w->RowCount(), 2);
    EXPECT_EQ(w->Cells(0, 1), "");
    EXPECT_EQ(w->Cells(2, 1), "");
    EXPECT_EQ(w->LabelCount->text(), "(0/0)");
    EXPECT_FALSE(w->ButtonEdit->isEnabled());
    EXPECT_FALSE(w->ButtonDelete->isEnabled());
    EXPECT_FALSE(WithEditor([&] { QTest::keyClick(w->StringGrid, Qt::Key_E); }));

    EXPECT_TRUE(WithEditor([&] { QTest::keyClick(w->StringGrid, Qt::Key_Insert); },
                           [](TFormTerminarz& e) { AcceptNote(e, "Pierwszy"); }));
    EXPECT_EQ(T.count(), 1);
    EXPECT_EQ(Saved().count(), 1) << "saved at once";
    EXPECT_EQ(w->LabelCount->text(), "(1/1)");
    EXPECT_EQ(w->CurrentRow(), 1);
    EXPECT_TRUE(w->ButtonDelete->isEnabled());
    EXPECT_TRUE(FormTerminarz.isNull());
}

TEST_F(ListWindowTest, TheKindAndTextFiltersNarrowTheListAndAreDescribed) {
    Fill();
    TFormTerminarzManager* w = Shown();
    SelectKind(w, KindDaily);
    EXPECT_EQ(w->RowCount(), 8) << "not before the delayed refresh";
    FireRefresh(w);
    EXPECT_EQ(Notes(w), (QStringList{"LEKI | rano", "Spacer"}));
    EXPECT_EQ(w->LabelFilter->text(), "Codzienne");
    w->EditContain->setText("lek");
    FireRefresh(w);
    EXPECT_EQ(Notes(w), QStringList{"LEKI | rano"});
    EXPECT_EQ(w->LabelFilter->text(), "Codzienne (lek)");
    EXPECT_EQ(w->LabelCount->text(), "(1/7)");
    SelectKind(w, 0);
    FireRefresh(w);
    EXPECT_EQ(Notes(w), (QStringList{"Lekarz", "LEKI | rano"}));

    // Polish letters by the Unicode tables, whatever the process locale.
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    const QLocale savedQt;
    QLocale::setDefault(QLocale::c());
    w->EditContain->setText(QString::fromUtf8("ąNI"));
    FireRefresh(w);
    std::setlocale(LC_ALL, saved.c_str());
    QLocale::setDefault(savedQt);
    EXPECT_EQ(Notes(w), QStringList{QString::fromUtf8("Urodziny Ąni")});

    // Nothing matches: one empty row, and the commands find no entry in it.
    w->EditContain->setText("dentysta");
    FireRefresh(w);
    EXPECT_EQ(w->RowCount(), 2);
    EXPECT_EQ(w->LabelCount->text(), "(0/7)");
    EXPECT_TRUE(w->ButtonEdit->isEnabled());
    EXPECT_TRUE(w->ButtonDelete->isEnabled());
    EXPECT_FALSE(WithEditor([&] { w->ButtonEdit->click(); }));
    w->ButtonDelete->click();
    EXPECT_TRUE(Fake.MessageBoxes.Shown.empty());
    EXPECT_EQ(T.count(), 7);

    // The typed text is shown as it was typed, never as markup.
    w->EditContain->setText("<b>x</b>");
    FireRefresh(w);
    EXPECT_EQ(w->LabelFilter->text(), "Wszystkie (<b>x</b>)");
    EXPECT_GE(w->LabelFilter->sizeHint().width(),
              w->LabelFilter->fontMetrics().horizontalAdvance("Wszystkie (<b>x</b>)"));
}

TEST_F(ListWindowTest, TypingRefreshesTheListOnce200MsAfterTheLastKey) {
    Fill();
    TFormTerminarzManager* w = Shown();
    w->EditContain->setFocus();
    // Every key starts the wait anew.
    for (const char c : QByteArray("spacx")) {
        w->TimerRefresh->stop();
        QTest::keyClick(w->EditContain, c);
        EXPECT_TRUE(w->TimerRefresh->isActive()) << c;
    }
    QTest::keyClick(w->EditContain, Qt::Key_Backspace);
    EXPECT_EQ(w->RowCount(), 8);
    EXPECT_EQ(w->LabelFilter->text(), "Wszystkie");
    EXPECT_EQ(w->TimerRefresh->interval(), 200);
    FireRefresh(w);
    EXPECT_EQ(Notes(w), QStringList{"Spacer"});
    EXPECT_EQ(w->LabelFilter->text(), "Wszystkie (spac)");
}

TEST_F(ListWindowTest, TheSelectionFollowsItsEntryThroughAddEditDeleteAndFilters) {
    Fill();
    TFormTerminarzManager* w = Shown();
    SelectRow(w, 4); // "Spacer", index 3
    w->RefreshList();
    EXPECT_EQ(w->CurrentRow(), 4);

    // A new daily entry at 12:00 goes between the two daily ones and is selected.
    EXPECT_TRUE(WithEditor([&] { w->ButtonAdd->click(); },
                           [](TFormTerminarz& e) {
                               e.RadioButtonActDzien->click();
                               e.DateTimePickerTime->SetValue(EncodeTime(12, 0, 0, 0));
                               AcceptNote(e, "Obiad");
                           }));
    EXPECT_EQ(w->Cells(1, w->CurrentRow()), "Obiad");
    EXPECT_EQ(w->Cells(2, w->CurrentRow()), "3");

    // Edited into a yearly entry it moves to the end and the selection with it.
    EXPECT_TRUE(WithEditor([&] { QTest::keyClick(w->StringGrid, Qt::Key_E); },
                           [](TFormTerminarz& e) {
                               EXPECT_EQ(e.MemoNotka->toPlainText(), "Obiad");
                               e.RadioButtonActRok->click();
                               AcceptNote(e, "Obiad roczny");
                           }));
    EXPECT_EQ(w->CurrentRow(), 8);
    EXPECT_EQ(w->Cells(1, 8), "Obiad roczny");
    EXPECT_EQ(Saved().entries()[7].notka, "Obiad roczny");

    // Deleting the last listed entry selects the one before it; a middle one, the next.
    Fake.MessageBoxes.Answer(TMsgResult::Yes);
    QTest::keyClick(w->StringGrid, Qt::Key_Delete);
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Text, QString::fromUtf8("Czy usunąć wybrany wpis"));
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, QString::fromUtf8("Usuwanie"));
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Buttons, TMsgButtons::YesNo);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Icon, TMsgIcon::Question);
    EXPECT_EQ(T.count(), 7);
    EXPECT_EQ(w->CurrentRow(), 7);
    SelectRow(w, 3);
    Fake.MessageBoxes.Answer(TMsgResult::Yes);
    w->ButtonDelete->click();
    EXPECT_EQ(w->Cells(1, w->CurrentRow()), "Spacer");
    EXPECT_EQ(Saved().count(), 6);
    Fake.MessageBoxes.Answer(TMsgResult::No);
    w->ButtonDelete->click();
    EXPECT_EQ(T.count(), 6) << "No leaves everything";

    // A new entry that the filters hide: the nearest listed entry before it, else row 1.
    SelectKind(w, KindWeekly);
    FireRefresh(w);
    EXPECT_TRUE(WithEditor([&] { w->ButtonAdd->click(); },
                           [](TFormTerminarz& e) {
                               EXPECT_TRUE(e.RadioButtonActTydzien->isChecked());
                               EXPECT_TRUE(e.ComboBoxTydzien->isEnabled());
                               e.RadioButtonActRok->click();
                               AcceptNote(e, "Ukryty");
                           }));
    EXPECT_EQ(Notes(w), QStringList{"Zakupy"});
    EXPECT_EQ(w->CurrentRow(), 1);
    EXPECT_EQ(T.count(), 7);
    SelectKind(w, KindYearly);
    FireRefresh(w);
    EXPECT_TRUE(WithEditor([&] { w->ButtonAdd->click(); },
                           [](TFormTerminarz& e) {
                               e.RadioButtonActJedn->click();
                               AcceptNote(e, "Jednorazowy");
                           }));
    EXPECT_EQ(w->CurrentRow(), 1) << "none listed before it";
    SelectKind(w, 0);
    FireRefresh(w);
    EXPECT_TRUE(
        WithEditor([&] { w->ButtonAdd->click(); },
                   [](TFormTerminarz& e) { EXPECT_TRUE(e.RadioButtonActJedn->isChecked()); }));

    // A user-widened first column is back at 200 pixels at the next refresh.
    w->StringGrid->setColumnWidth(0, 300);
    w->RefreshList();
    EXPECT_EQ(w->StringGrid->columnWidth(0), 200);
}

// The question's nested loop lets the delayed refresh rebuild the grid: the entry deleted must
// still be the one selected when the command came.
TEST_F(ListWindowTest, DeleteRemovesTheEntrySeenWhenAskedWhateverRefreshesUnderTheQuestion) {
    Fill();
    TFormTerminarzManager* w = Shown();
    // Past the refresh delay under the question, the grid still shows the row asked about.
    QString asked = "Czynsz";
    Fake.MessageBoxes.WhileOpen = [w, &asked](const TMessage&) {
        QTest::qWait(300);
        EXPECT_TRUE(Notes(w).contains(asked));
    };
    SelectRow(w, 6); // "Czynsz", index 5
    SelectKind(w, KindDaily);
    Fake.MessageBoxes.Answer(TMsgResult::Yes);
    QTest::keyClick(w->StringGrid, Qt::Key_Delete);
    EXPECT_EQ(T.count(), 6);
    for (const TTimetableEntry& e : T.entries())
        EXPECT_NE(e.notka, "Czynsz");
    EXPECT_EQ(Notes(w), (QStringList{"LEKI | rano", "Spacer"})) << "refreshed after the box";

    // The grid then shows nothing: no entry 0 instead.
    SelectKind(w, 0);
    FireRefresh(w);
    SelectRow(w, 4); // "Spacer", index 3
    asked = "Spacer";
    w->EditContain->setText("dentysta");
    Fake.MessageBoxes.Answer(TMsgResult::Yes);
    w->ButtonDelete->click();
    EXPECT_EQ(T.count(), 5);
    EXPECT_EQ(T.entries()[0].notka, "Lekarz");
    for (const TTimetableEntry& e : T.entries())
        EXPECT_NE(e.notka, "Spacer");
    EXPECT_EQ(w->RowCount(), 2);
}

TEST_F(ListWindowTest, InsertDeleteAndEActEverywhereButInTheTextFilter) {
    Fill();
    TFormTerminarzManager* w = Shown();
    Fake.MessageBoxes.FailUnscripted = false;
    const QList<QWidget*> places{w->StringGrid, w->TreeViewFilter, w->ButtonAdd,
                                 w->ButtonEdit, w->ButtonDelete,   w->ButtonOk};
    for (QWidget* place : places) {
        const auto* button = qobject_cast<QPushButton*>(place);
        const std::string name =
            button ? button->text().toStdString() : place->metaObject()->className();
        place->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), place) << name;
        EXPECT_TRUE(WithEditor([&] { QTest::keyClick(place, Qt::Key_Insert); })) << name;
        EXPECT_TRUE(WithEditor([&] { QTest::keyClick(place, Qt::Key_E); })) << name;
        const size_t boxes = Fake.MessageBoxes.Shown.size();
        Fake.MessageBoxes.Answer(TMsgResult::No);
        QTest::keyClick(place, Qt::Key_Delete);
        EXPECT_EQ(Fake.MessageBoxes.Shown.size(), boxes + 1) << name;
    }
    // Enter presses no button by itself; Tab leaves the grid.
    for (QWidget* place : QList<QWidget*>{w->StringGrid, w->TreeViewFilter}) {
        place->setFocus();
        EXPECT_FALSE(WithEditor([&] { QTest::keyClick(place, Qt::Key_Return); }));
        EXPECT_TRUE(w->isVisible());
    }
    w->StringGrid->setFocus();
    QTest::keyClick(w->StringGrid, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->EditContain);
    QTest::keyClick(w->EditContain, Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), w->TreeViewFilter);
    QTest::keyClick(w->TreeViewFilter, Qt::Key_W, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), w->StringGrid);
    QTest::keyClick(w->StringGrid, Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), w->EditContain);

    // In the text filter the keys edit the text.
    const size_t boxes = Fake.MessageBoxes.Shown.size();
    EXPECT_FALSE(WithEditor([&] { QTest::keyClick(w->EditContain, Qt::Key_E); }));
    EXPECT_FALSE(WithEditor([&] { QTest::keyClick(w->EditContain, Qt::Key_Insert); }));
    QTest::keyClick(w->EditContain, Qt::Key_Home);
    QTest::keyClick(w->EditContain, Qt::Key_Delete);
    EXPECT_EQ(Fake.MessageBoxes.Shown.size(), boxes);
    EXPECT_EQ(w->EditContain->text(), "");
    QTest::keyClicks(w->EditContain, "ee");
    QTest::keyClick(w->EditContain, Qt::Key_Home);
    QTest::keyClick(w->EditContain, Qt::Key_Delete);
    EXPECT_EQ(w->EditContain->text(), "e");
    EXPECT_EQ(T.count(), 7);
    EXPECT_FALSE(WithEditor([&] { QTest::keyClick(w->EditContain, Qt::Key_Return); }));

    // Back in the list they work again; typing there neither edits nor moves the row.
    w->StringGrid->setFocus();
    SelectRow(w, 2);
    QTest::keyClicks(w->StringGrid, "zc");
    EXPECT_EQ(w->CurrentRow(), 2);
    EXPECT_TRUE(WithEditor([&] {
        const QRect cell = w->StringGrid->visualRect(w->StringGrid->model()->index(1, 1));
        QTest::mouseDClick(w->StringGrid->viewport(), Qt::LeftButton, {}, cell.center());
    }));
    w->ButtonOk->setFocus();
    QTest::keyClick(w->ButtonOk, Qt::Key_Return);
    EXPECT_FALSE(w->isVisible()) << "a button with the focus takes Enter";
    EXPECT_EQ(w->result(), QDialog::Accepted);
    w = Shown();
    QTest::keyClick(w->StringGrid, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(ListWindowTest, AFullTimetableIsToldBeforeTheEditorAndWhenInsertRefusesAllTheSame) {
    while (T.count() < TTimetable::capacity - 1)
        T.Insert(Entry(KindDaily, "x"));
    T.Save();
    TFormTerminarzManager* w = Shown();
    // Filled up while the editor is open.
    EXPECT_TRUE(WithEditor([&] { w->ButtonAdd->click(); },
                           [&](TFormTerminarz& e) {
                               T.Insert(Entry(KindDaily, "y"));
                               Fake.MessageBoxes.Answer(TMsgResult::OK);
                               AcceptNote(e, "nowy");
                           }));
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_TRUE(
        Fake.MessageBoxes.Shown[0].Text.startsWith(QString::fromUtf8("Terminarz jest pełny")));
    EXPECT_EQ(Saved().count(), TTimetable::capacity - 1) << "nothing saved";

    Fake.MessageBoxes.Answer(TMsgResult::OK);
    EXPECT_FALSE(WithEditor([&] { QTest::keyClick(w->StringGrid, Qt::Key_Insert); }));
    EXPECT_EQ(Fake.MessageBoxes.Shown.size(), 2u);
}

TEST_F(ListWindowTest, TheAlarmWindowRefreshesTheListByName) {
    Fill();
    TFormTerminarzManager* w = Shown();
    T.Remove(0);
    FormTerminarzManager = w;
    const bool called =
        QMetaObject::invokeMethod(FormTerminarzManager.data(), "RefreshList", Qt::DirectConnection);
    FormTerminarzManager = nullptr;
    EXPECT_TRUE(called);
    EXPECT_EQ(w->LabelCount->text(), "(6/6)");
}

TEST_F(ListWindowTest, OddEntriesAndLongNotesAreListedWhole) {
    const QString longNote = QString(20 * 1024, QChar('w')) + "\r\nkoniec";
    TTimetableEntry odd = Entry(0, "rodzaj zero");
    T.Insert(odd);
    odd.kind = 99;
    odd.notka = "rodzaj 99";
    T.Insert(odd);
    TTimetableEntry bad = Entry(KindOnce, "zla data");
    bad.date = 1e300;
    bad.time = std::numeric_limits<double>::quiet_NaN();
    T.Insert(bad);
    bad.kind = KindYearly;
    bad.month = 13;
    bad.dayofmonth = -4;
    T.Insert(bad);
    TTimetableEntry big = Entry(KindDaily, longNote);
    while (T.count() < TTimetable::capacity)
        T.Insert(big);
    TFormTerminarzManager* w = Shown();
    EXPECT_EQ(w->RowCount(), TTimetable::capacity + 1);
    EXPECT_EQ(w->LabelCount->text(), "(5000/5000)");
    EXPECT_EQ(w->Cells(0, 1), "");
    EXPECT_EQ(w->Cells(1, 1), "rodzaj zero");
    EXPECT_EQ(w->Cells(1, 2), "zla data");
    EXPECT_EQ(w->Cells(1, 5000), "rodzaj 99");
    w->EditContain->setText("KONIEC");
    FireRefresh(w);
    EXPECT_EQ(w->LabelCount->text(), "(4996/5000)");
    w->StringGrid->scrollToBottom();
    w->repaint();
}

// ---- The window's place -------------------------------------------------------------------

// Stored sizes and places are outer ones (Win32's), whatever the frame: the offscreen
// platform draws a frame of 2 pixels, a window manager its own.
TEST_F(ListWindowTest, AFreshWindowIsCentredAndReopensWhereItWasLeftWithoutGrowing) {
    TFormTerminarzManager* w = Shown();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(w->frameGeometry().size(), QSize(536, 512));
    EXPECT_EQ(w->frameGeometry().topLeft(),
              QPoint(screen.width() / 2 - 536 / 2, screen.height() / 2 - 512 / 2));
    w->move(40, 50);
    w->resize(600, 500);
    const QRect moved = w->frameGeometry();
    w->ButtonOk->click();
    TMemIniFile ini = ReadIni();
    EXPECT_EQ(ini.ReadInteger("SchedulerWindow", "Maximized", -1), 0);
    EXPECT_EQ(ini.ReadInteger("SchedulerWindow", "Width", -1), moved.width());
    EXPECT_EQ(ini.ReadInteger("SchedulerWindow", "Height", -1), moved.height());
    EXPECT_EQ(ini.ReadInteger("SchedulerWindow", "Left", -1), 40);
    EXPECT_EQ(ini.ReadInteger("SchedulerWindow", "Top", -1), 50);
    for (int i = 0; i < 3; ++i) {
        w = Shown();
        EXPECT_EQ(w->frameGeometry(), moved) << i;
        w->ButtonOk->click();
    }

    // The least size is an outer one too.
    w = Shown();
    w->resize(100, 100);
    EXPECT_EQ(w->frameGeometry().size(), QSize(460, 430));

    // Closed maximized: opens maximized, the last place kept.
    w->showMaximized();
    QTest::qWait(10);
    w->ButtonOk->click();
    ini = ReadIni();
    EXPECT_EQ(ini.ReadInteger("SchedulerWindow", "Maximized", -1), 1);
    EXPECT_EQ(ini.ReadInteger("SchedulerWindow", "Left", -1), 40);
    w = Shown();
    EXPECT_TRUE(w->isMaximized());
}

// A place on a monitor that was unplugged would open the modal window where nobody sees it.
TEST_F(ListWindowTest, AStoredPlaceOffTheScreensOrTooLargeOpensOnAScreen) {
    TScopedScreens screens({QRect(0, 0, 1024, 768), QRect(1024, 0, 800, 600)});
    WriteIni("Width=700\r\nHeight=500\r\nLeft=1200\r\nTop=40\r\n");
    TFormTerminarzManager* w = Shown();
    EXPECT_EQ(w->frameGeometry(), QRect(1200, 40, 700, 500));
    w->ButtonOk->click();
    screens.Set({QRect(0, 0, 1024, 768)});
    for (const QByteArray& stored :
         {QByteArray("Width=700\r\nHeight=500\r\nLeft=1200\r\nTop=40\r\n"),
          QByteArray("Width=100000\r\nHeight=100000\r\nLeft=-99999\r\nTop=-99999\r\n"),
          QByteArray("Width=abc\r\nHeight=-5\r\nLeft=abc\r\nTop=99999\r\n"),
          QByteArray("Width=2147483647\r\nHeight=2147483647\r\nLeft=2147483647\r\nTop=0\r\n")}) {
        WriteIni(stored);
        w = Shown();
        const QRect outer = w->frameGeometry();
        EXPECT_TRUE(QRect(0, 0, 1024, 768).contains(outer))
            << stored.constData() << outer.x() << "," << outer.y() << " " << outer.width() << "x"
            << outer.height();
        EXPECT_GE(outer.width(), 460);
        EXPECT_GE(outer.height(), 430);
        w->ButtonOk->click();
    }
}

TEST_F(ListWindowTest, AnUnwritableSettingsFileIsReported) {
    TFormTerminarzManager* w = Shown();
    // A directory in the settings file's place cannot be replaced by a file.
    ASSERT_TRUE(QDir().mkpath(Ini()));
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    w->ButtonOk->click();
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, QString::fromUtf8("Błąd"));
    EXPECT_FALSE(w->isVisible());
}

// ---- The tray's command -----------------------------------------------------------------

TEST_F(ListWindowTest, TheTrayCommandShowsTheListModallyAndFreesIt) {
    TFormMain main;
    main.FormCreate();
    Timetable().Insert(Entry(KindDaily, "z tacy"));
    QPointer<QWidget> seen;
    QTimer::singleShot(0, [&] {
        auto* list = qobject_cast<TFormTerminarzManager*>(FormTerminarzManager.data());
        ASSERT_NE(list, nullptr);
        seen = list;
        EXPECT_TRUE(list->isVisible());
        EXPECT_TRUE(list->isModal());
        EXPECT_EQ(list->parent(), nullptr);
        EXPECT_EQ(list->Cells(1, 1), "z tacy");
        EXPECT_TRUE(ModalWindowOpen());
        list->ButtonOk->click();
    });
    main.mTerminarzClick();
    EXPECT_TRUE(FormTerminarzManager.isNull());
    EXPECT_TRUE(seen.isNull()) << "freed";

    QWidget settings;
    FormSettings = &settings;
    main.mTerminarzClick();
    FormSettings = nullptr;
    EXPECT_TRUE(FormTerminarzManager.isNull());
    Timetable().Load();
}
