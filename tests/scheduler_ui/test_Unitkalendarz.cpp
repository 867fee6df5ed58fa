#include "scheduler_ui/Unitkalendarz.h"

#include "app/Unitmain.h"
#include "common/Formats.h"
#include "menus/BcBarPopupMenu.h"
#include "scheduler/Timetable.h"
#include "scheduler_ui/Unitterminarz.h"
#include "support/FakePlatform.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, 0, 0);
}

class CalendarTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStartFormats();
        Fake.Clock.Value = At(2026, 12, 8, 10, 30); // a Tuesday
        Timetable().Load();
    }
    void TearDown() override { Timetable().Load(); }

    TFormKalendarz* Make() {
        Calendar = std::make_unique<TFormKalendarz>();
        return Calendar.get();
    }
    TFormKalendarz* Shown() {
        TFormKalendarz* f = Make();
        f->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(f));
        return f;
    }
    // The day on the grid's current cell; 0 for an empty cell.
    static int HighlightedDay(const TCCalendar* g) {
        return DayAtCell(g->Year(), g->Month(), g->CurrentCell());
    }
    static bool IsWhite(const TCCalendar* g) { return g->backgroundRole() == QPalette::Base; }
    static QPoint CellCentre(const TCCalendar* g, int day) {
        return g->CellRect(CellOfDay(g->Year(), g->Month(), day)).center();
    }
    static void Click(TCCalendar* g, int day) {
        QTest::mouseClick(g, Qt::LeftButton, {}, CellCentre(g, day));
    }
    // Runs `check` on the editor once its modal loop runs, then closes it with Cancel.
    static void OnEditor(std::function<void(TFormTerminarz*)> check) {
        QTimer::singleShot(0, [check] {
            auto* editor = qobject_cast<TFormTerminarz*>(FormTerminarz.data());
            ASSERT_NE(editor, nullptr);
            check(editor);
            if (FormTerminarz)
                editor->ButtonCancel->click();
        });
    }
    static TDateTime EditorDay(const TFormTerminarz* editor) {
        return DatePart(editor->DateTimePickerDate->Value());
    }

    TFakePlatform Fake;
    std::unique_ptr<TFormKalendarz> Calendar;
};

} // namespace

TEST_F(CalendarTest, OpensOnTodayAmongGreyMonthsWithTheControlsOfTheDesign) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TFormKalendarz* f = Make();
    QLocale::setDefault(QLocale::system());
    EXPECT_EQ(f->windowTitle(), "Kalendarz");
    EXPECT_TRUE(f->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(f->minimumSize(), QSize(490, 379));
    EXPECT_EQ(f->maximumSize(), QSize(490, 379));
    EXPECT_EQ(f->LabelYear->text(), "Rok: 2026");
    EXPECT_EQ(f->LabelDate->text(), "2026-12-08, Wtorek");
    EXPECT_EQ(f->SelectedDate, Fake.Clock.Value);
    ASSERT_EQ(f->MonthLabels.size(), 12);
    EXPECT_EQ(f->MonthLabels[0]->text(), QString::fromUtf8("1. Styczeń"));
    EXPECT_EQ(f->MonthLabels[9]->text(), QString::fromUtf8("10. Październik"));
    EXPECT_EQ(f->MonthGrid(1)->geometry(), QRect(10, 48, 112, 77));
    EXPECT_EQ(f->MonthGrid(12)->geometry(), QRect(370, 254, 112, 77));
    EXPECT_EQ(f->ButtonClose->text(), "Zamknij");
    EXPECT_EQ(f->ButtonInsert->toolTip(), "Dodaj wpis terminarza");
    EXPECT_TRUE(f->ButtonInsert->isDefault()) << "Enter presses \"+\"";
    EXPECT_EQ(f->ButtonPrev->toolTip(), "Poprzedni rok");
    EXPECT_EQ(f->ButtonNext->toolTip(), QString::fromUtf8("Następny rok"));
    QList<QWidget*> tabs{f->ButtonClose};
    for (QWidget* w = f->ButtonClose->nextInFocusChain(); w != f->ButtonClose;
         w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            tabs << w;
    QList<QWidget*> order{f->ButtonClose};
    for (int m = 1; m <= 12; ++m)
        order << f->MonthGrid(m);
    order << f->ButtonNext << f->ButtonPrev << f->ButtonInsert;
    EXPECT_EQ(tabs, order);
    QStringList menu;
    for (QAction* a : f->PopupMenu->actions())
        menu << (a->isSeparator() ? QString("-") : a->text());
    EXPECT_EQ(menu, (QStringList{"Dodaj wpis terminarza", "-", QString::fromUtf8("Następny rok"),
                                 "Poprzedni rok"}));
    EXPECT_FALSE(f->PopupMenu->Bar().Visible);

    for (int m = 1; m <= 12; ++m) {
        const TCCalendar* g = f->MonthGrid(m);
        EXPECT_EQ(g->Year(), 2026);
        EXPECT_EQ(g->Month(), m);
        EXPECT_EQ(IsWhite(g), m == 12) << m;
        EXPECT_EQ(HighlightedDay(g), m == 12 ? 8 : 0) << "one day highlighted in the year";
        EXPECT_TRUE(g->CellText({6, 6}).isEmpty());
    }
    const TCCalendar* dec = f->MonthGrid(12);
    // The locale's short names, Monday first, as much of them as fits.
    EXPECT_TRUE(dec->CellText({0, 0}).startsWith("Mo") &&
                QString("Mon").startsWith(dec->CellText({0, 0})));
    EXPECT_TRUE(dec->CellText({0, 6}).startsWith("Su") &&
                QString("Sun").startsWith(dec->CellText({0, 6})));
    EXPECT_EQ(dec->CellText({1, 1}), "1") << "1 December 2026 is a Tuesday";
}

TEST_F(CalendarTest, AClickOrKeyOnAnyDayOfAGreyMonthSelectsIt) {
    TFormKalendarz* f = Shown();
    TCCalendar* march = f->MonthGrid(3);
    Click(march, 1);
    EXPECT_EQ(f->SelectedDate, EncodeDate(2026, 3, 1));
    EXPECT_EQ(f->LabelDate->text(), "2026-03-01, Niedziela");
    EXPECT_TRUE(IsWhite(march));
    EXPECT_FALSE(IsWhite(f->MonthGrid(12)));
    EXPECT_EQ(HighlightedDay(f->MonthGrid(12)), 0);

    // The day a grey month holds already.
    TCCalendar* april = f->MonthGrid(4);
    ASSERT_EQ(april->Day(), 26);
    Click(april, 26);
    EXPECT_EQ(f->SelectedDate, EncodeDate(2026, 4, 26));
    EXPECT_TRUE(IsWhite(april));
    EXPECT_EQ(HighlightedDay(april), 26);
    EXPECT_FALSE(IsWhite(march));

    // Up from the resting cell lands on May's held day, the 31st.
    TCCalendar* may = f->MonthGrid(5);
    ASSERT_EQ(may->Day(), 31);
    may->setFocus();
    QTest::keyClick(may, Qt::Key_Up);
    EXPECT_EQ(f->SelectedDate, EncodeDate(2026, 5, 31));
    EXPECT_TRUE(IsWhite(may));

    // A click on the white month only moves the date within it.
    Click(may, 4);
    EXPECT_EQ(f->SelectedDate, EncodeDate(2026, 5, 4));
    EXPECT_EQ(HighlightedDay(may), 4);

    // A double click on the held day opens the editor for it.
    TCCalendar* june = f->MonthGrid(6);
    const int held = june->Day();
    TDateTime edited = 0;
    OnEditor([&](TFormTerminarz* editor) { edited = EditorDay(editor); });
    QTest::mouseDClick(june, Qt::LeftButton, {}, CellCentre(june, held));
    EXPECT_EQ(edited, EncodeDate(2026, 6, held));
    EXPECT_EQ(Fake.Beeper.Beeps, 0);
}

TEST_F(CalendarTest, AYearStepHighlightsTheDayTheLabelShows) {
    TFormKalendarz* f = Shown();
    f->ShowDate(EncodeDate(2010, 3, 15), true); // a Monday
    f->ButtonNext->click();
    EXPECT_EQ(f->LabelDate->text(), "2011-03-15, Wtorek");
    EXPECT_EQ(f->LabelYear->text(), "Rok: 2011");
    EXPECT_EQ(HighlightedDay(f->MonthGrid(3)), 15);
    EXPECT_EQ(f->MonthGrid(3)->CurrentCell(), CellOfDay(2011, 3, 15));

    f->ShowDate(EncodeDate(2008, 2, 29), true);
    f->ButtonNext->click();
    EXPECT_EQ(f->SelectedDate, EncodeDate(2009, 2, 28));
    EXPECT_EQ(f->LabelDate->text(), "2009-02-28, Sobota");
    EXPECT_EQ(HighlightedDay(f->MonthGrid(2)), 28);
    f->ShowDate(EncodeDate(2008, 2, 29), true);
    f->ButtonPrev->click();
    EXPECT_EQ(f->SelectedDate, EncodeDate(2007, 2, 28));
    EXPECT_EQ(HighlightedDay(f->MonthGrid(2)), 28);
    EXPECT_TRUE(IsWhite(f->MonthGrid(2)));
    EXPECT_TRUE(f->MonthGrid(2)->hasFocus());
}

TEST_F(CalendarTest, BracketKeysAndTheMenuStepTheYearBeforeTheGridSeesThem) {
    TFormKalendarz* f = Shown();
    TCCalendar* dec = f->MonthGrid(12);
    ASSERT_TRUE(dec->hasFocus());
    QTest::keyClick(dec, Qt::Key_BracketRight);
    EXPECT_EQ(f->SelectedDate, EncodeDate(2027, 12, 8));
    QTest::keyClick(f->MonthGrid(12), Qt::Key_BraceRight, Qt::ShiftModifier);
    EXPECT_EQ(f->SelectedDate, EncodeDate(2028, 12, 8));
    QTest::keyClick(f->ButtonClose, Qt::Key_BracketLeft);
    EXPECT_EQ(f->SelectedDate, EncodeDate(2027, 12, 8));
    QTest::keyClick(f->MonthGrid(12), Qt::Key_BraceLeft, Qt::ShiftModifier);
    EXPECT_EQ(f->SelectedDate, EncodeDate(2026, 12, 8));
    for (QWidget* place :
         QList<QWidget*>{f->ButtonInsert, f->ButtonPrev, f->ButtonNext, f->MonthGrid(1)}) {
        QTest::keyClick(place, Qt::Key_BracketRight);
        EXPECT_EQ(f->SelectedDate, EncodeDate(2027, 12, 8)) << place->metaObject()->className();
        QTest::keyClick(place, Qt::Key_BracketLeft);
        EXPECT_EQ(f->SelectedDate, EncodeDate(2026, 12, 8));
    }

    QContextMenuEvent menu(QContextMenuEvent::Mouse, CellCentre(dec, 1),
                           dec->mapToGlobal(CellCentre(dec, 1)));
    QApplication::sendEvent(f->MonthGrid(3), &menu);
    EXPECT_TRUE(f->PopupMenu->isVisible());
    f->PopupMenu->hide();
    f->mNastepnyRok->trigger();
    EXPECT_EQ(f->SelectedDate, EncodeDate(2027, 12, 8));
    f->mPoprzedniRok->trigger();
    EXPECT_EQ(f->SelectedDate, EncodeDate(2026, 12, 8));
}

TEST_F(CalendarTest, AStepPastTheYears100To9999BeepsAndChangesNothing) {
    TFormKalendarz* f = Shown();
    f->ShowDate(EncodeDate(9999, 6, 15), true);
    f->ButtonNext->click();
    QTest::keyClick(f->MonthGrid(6), Qt::Key_BracketRight);
    EXPECT_EQ(Fake.Beeper.Beeps, 2);
    EXPECT_EQ(f->SelectedDate, EncodeDate(9999, 6, 15));
    EXPECT_EQ(f->LabelYear->text(), "Rok: 9999");
    f->ShowDate(EncodeDate(100, 6, 15), true);
    f->ButtonPrev->click();
    EXPECT_EQ(Fake.Beeper.Beeps, 3);
    EXPECT_EQ(f->SelectedDate, EncodeDate(100, 6, 15));
    EXPECT_EQ(HighlightedDay(f->MonthGrid(6)), 15);
}

TEST_F(CalendarTest, EveryWayToAddOpensTheEditorOnTheSelectedDateAndOkSavesIt) {
    // Before the window is ever shown the date is today's already.
    TFormKalendarz* f = Make();
    TDateTime edited = 0;
    OnEditor([&](TFormTerminarz* editor) { edited = EditorDay(editor); });
    f->ButtonInsert->click();
    EXPECT_EQ(edited, EncodeDate(2026, 12, 8));
    EXPECT_FALSE(FormTerminarz);

    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    Click(f->MonthGrid(3), 15);
    const QList<std::function<void()>> ways{
        [&] { QTest::keyClick(f->MonthGrid(3), Qt::Key_Return); },
        [&] { QTest::keyClick(f->MonthGrid(3), Qt::Key_Insert); },
        [&] { f->mDodajWpis->trigger(); },
        [&] {
            QTest::mouseDClick(f->MonthGrid(3), Qt::LeftButton, {}, {2, 20});
        },
    };
    for (qsizetype i = 0; i < ways.size(); ++i) {
        edited = 0;
        OnEditor([&](TFormTerminarz* editor) { edited = EditorDay(editor); });
        ways[i]();
        EXPECT_EQ(edited, EncodeDate(2026, 3, 15)) << "way " << i;
    }
    EXPECT_EQ(Fake.Beeper.Beeps, 0);
    // On an empty cell of a grey month a double click only beeps.
    QTest::mouseDClick(f->MonthGrid(2), Qt::LeftButton, {},
                       f->MonthGrid(2)->CellRect({6, 6}).center());
    EXPECT_EQ(Fake.Beeper.Beeps, 1);
    EXPECT_EQ(f->SelectedDate, EncodeDate(2026, 3, 15));
    EXPECT_TRUE(IsWhite(f->MonthGrid(3)));

    QTimer::singleShot(0, [] {
        auto* editor = qobject_cast<TFormTerminarz*>(FormTerminarz.data());
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->ComboBoxTydzien->currentIndex(), 6) << "a Sunday";
        EXPECT_EQ(editor->ComboBoxDMiesiaca->currentText(), "15");
        EXPECT_EQ(editor->ComboBoxMiesiac->currentIndex(), 2);
        editor->MemoNotka->setPlainText("Urodziny");
        editor->ButtonOK->click();
    });
    f->ButtonInsert->click();
    EXPECT_FALSE(FormTerminarz);
    ASSERT_EQ(Timetable().count(), 1);
    EXPECT_EQ(Timetable().entries()[0].date, EncodeDate(2026, 3, 15));
    EXPECT_EQ(Timetable().entries()[0].notka, "Urodziny");
    EXPECT_TRUE(QFile::exists(TTimetable::FileName()));
    EXPECT_EQ(f->SelectedDate, EncodeDate(2026, 3, 15)) << "the calendar stays as it was";
}

TEST_F(CalendarTest, AFullTimetableIsToldBeforeTheEditorAndARefusedInsertIsNotSaved) {
    // Odd entries with long notes: the calendar never reads them.
    TTimetableEntry odd;
    odd.notka = QString(20480, 'x');
    for (int i = 0; i < TTimetable::capacity - 1; ++i) {
        odd.kind = i % 2 ? 0 : 99;
        odd.date = i % 3 ? 1e9 : -1e7;
        Timetable().Insert(odd);
    }
    TFormKalendarz* f = Shown();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(screen.contains(f->frameGeometry())) << "on the screen";
    f->ButtonNext->click();
    EXPECT_EQ(f->LabelYear->text(), "Rok: 2027");

    // The last room goes while the editor is open.
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<TFormTerminarz*>(FormTerminarz.data());
        ASSERT_NE(editor, nullptr);
        Timetable().Insert(odd);
        editor->MemoNotka->setPlainText("Za dużo");
        editor->ButtonOK->click();
    });
    f->ButtonInsert->click();
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    const QString full = Fake.MessageBoxes.Shown[0].Text;
    EXPECT_TRUE(full.startsWith(QString::fromUtf8("Terminarz jest pełny"))) << full.toStdString();
    EXPECT_FALSE(QFile::exists(TTimetable::FileName())) << "nothing saved";

    // An editor opened all the same is closed again, and counted.
    bool opened = false;
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [&opened] {
        if (auto* editor = qobject_cast<TFormTerminarz*>(FormTerminarz.data())) {
            opened = true;
            editor->ButtonCancel->click();
        }
    });
    closer.start(0);
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    QTest::keyClick(f->MonthGrid(12), Qt::Key_Insert);
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 2u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[1].Text, full);
    EXPECT_FALSE(opened) << "no editor for a full timetable";
}

TEST_F(CalendarTest, TheTrayCommandHoldsTheCalendarModallyUntilItCloses) {
    TFormMain main;
    main.FormCreate();
    QTimer::singleShot(0, [] {
        auto* calendar = qobject_cast<TFormKalendarz*>(FormKalendarz.data());
        ASSERT_NE(calendar, nullptr);
        EXPECT_TRUE(calendar->isVisible() && calendar->isModal());
        EXPECT_TRUE(ModalWindowOpen());
        QTest::keyClick(calendar->MonthGrid(12), Qt::Key_Escape);
    });
    main.mKalendarzClick();
    EXPECT_FALSE(FormKalendarz);

    QWidget alarm;
    FormMessage = &alarm;
    main.mKalendarzClick();
    EXPECT_FALSE(FormKalendarz) << "not under an alarm window";
    FormMessage = nullptr;

    // The run ends under it.
    QTimer::singleShot(0, [&main] { main.Terminate(); });
    main.mKalendarzClick();
    EXPECT_FALSE(FormKalendarz);
    ClearQuitRequest();
    SetShuttingDown(false);
}
