#include "scheduler/Unitmessage.h"

#include "app/Unitmain.h"
#include "common/Formats.h"
#include "common/IniFile.h"
#include "scheduler_ui/Unitterminarz.h"
#include "support/FakePlatform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <functional>

namespace {

// 2026-03-13 is a Friday.
const TDateTime Friday = EncodeDate(2026, 3, 13);
const TDateTime Due = Friday + EncodeTime(10, 0, 0, 0);

TTimetableEntry Entry(int kind, int h, const QString& note = {}) {
    TTimetableEntry e;
    e.kind = kind;
    e.date = Friday;
    e.time = EncodeTime(h, 0, 0, 0);
    e.notka = note;
    return e;
}

// Stands in for the list window.
class TListWindow : public QWidget {
    Q_OBJECT
public:
    Q_INVOKABLE void RefreshList() { ++Refreshes; }
    int Refreshes = 0;
};

// Answers through a function, so that a test can look at the windows while the box is up.
class TLookingBoxes final : public IMessageBoxes {
public:
    TMsgResult Show(QWidget* parent, const TMessage& m) override {
        Shown.push_back(m);
        return Answer(parent);
    }
    std::function<TMsgResult(QWidget*)> Answer;
    std::vector<TMessage> Shown;
};

class AlarmWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStartFormats();
        Fake.Clock.Value = Friday + EncodeTime(8, 0, 0, 0);
        T.Insert(Entry(KindDaily, 8, "a"));
        T.Insert(Entry(KindDaily, 10, "b"));
        T.Insert(Entry(KindDaily, 12, "c"));
        Fake.Clock.Value = Due;
        FormTerminarzManager = &List;
    }
    void TearDown() override { FormTerminarzManager = nullptr; }

    static TTimetable Saved() {
        TTimetable t;
        t.Load();
        return t;
    }
    // Opens the alarm as the scheduler tick does; `user` acts in it and must close it.
    void RunAlarm(int index, std::int64_t offset, const std::function<void(TFormMessage&)>& user,
                  bool markDelete = true) {
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<TFormMessage*>(FormMessage.data());
            ASSERT_NE(w, nullptr);
            EXPECT_TRUE(w->isVisible() && w->isModal());
            EXPECT_EQ(w->CurrentIndex(), index) << "the entry on display is marked shown";
            user(*w);
            if (w->isVisible()) {
                ADD_FAILURE() << "the alarm window is still open";
                w->reject();
            }
        });
        const TAlarmCause cause = offset < 0   ? TAlarmCause::Postponed
                                  : offset > 0 ? TAlarmCause::Early
                                               : TAlarmCause::Moment;
        Presenter.ShowAlarm(T, index, Due, offset, cause, markDelete);
        EXPECT_TRUE(FormMessage.isNull());
        for (const TTimetableEntry& e : T.entries())
            EXPECT_FALSE(e.shown);
    }
    static void Amount(TFormMessage& w, const QString& text, int unit = 0) {
        w.ComboBoxRemind->setCurrentIndex(unit);
        w.ComboBoxRemindV->setEditText(text);
    }

    TFakePlatform Fake;
    TTimetable T;
    TAlarmWindowPresenter Presenter;
    TListWindow List;
};

} // namespace

TEST_F(AlarmWindowTest, HeadingNoteAndTheDeleteBoxPresetOnlyForADueOneTimeEntry) {
    const int once = T.Insert(Entry(KindOnce, 10, "Zadzwoń\r\ndo banku"));
    for (auto [index, offset, mark, checked] : {std::tuple{once, 0, true, true},
                                                {once, -10, true, true},
                                                {once, 60, true, false},
                                                {once, 0, false, false},
                                                {1, 0, true, false}}) {
        TFormMessage w;
        w.CheckBoxDel->setChecked(mark);
        w.SetEntry(T, index, offset, Due, TAlarmCause::Moment);
        EXPECT_EQ(w.CheckBoxDel->isChecked(), checked) << index << " " << offset << " " << mark;
    }
    TFormMessage w;
    w.SetEntry(T, once, -10, Due, TAlarmCause::Postponed);
    w.show();
    EXPECT_EQ(w.LabelKind->text(), "2026-03-13 o godz. 10:00\n  Aktualne od 10 minut  (Piątek)");
    EXPECT_EQ(w.MemoNotka->toPlainText(), "Zadzwoń\ndo banku");
    EXPECT_FALSE(w.LabelChanges->isVisible());

    // The note grows with the window; the rows below it keep to the bottom.
    w.resize(368, 376);
    EXPECT_EQ(w.width(), 368);
    EXPECT_EQ(w.MemoNotka->geometry(), QRect(5, 74, 356, 227));
    EXPECT_EQ(w.ButtonOK->geometry(), QRect(146, 345, 75, 25));
    EXPECT_EQ(w.ComboBoxRemindV->y(), 315);
}

TEST_F(AlarmWindowTest, APostponementShowsWhenTheAlarmComesBackAndTakesBackTheDeleteMark) {
    TFormMessage w;
    w.SetEntry(T, 1, 0, Due, TAlarmCause::Moment);
    w.show();
    w.CheckBoxDel->setChecked(true);
    w.ComboBoxRemindV->setCurrentIndex(5);
    EXPECT_FALSE(w.CheckBoxDel->isChecked());
    EXPECT_TRUE(w.LabelRemCpt->isVisible() && w.LabelRem->isVisible());
    EXPECT_EQ(w.LabelRem->text(), "2026-03-13 10:05");
    w.ComboBoxRemind->setCurrentIndex(2);
    EXPECT_EQ(w.LabelRem->text(), "2026-03-18 10:00");
    w.CheckBoxDel->setChecked(true);
    for (const char* none : {"0", "abc", "1491309"}) {
        Amount(w, none, 2);
        EXPECT_FALSE(w.LabelRemCpt->isVisible() || w.LabelRem->isVisible()) << none;
    }
    EXPECT_TRUE(w.CheckBoxDel->isChecked()) << "checking it again is allowed";
}

TEST_F(AlarmWindowTest, OkEnterAndEscAcknowledgeAndSaveWhileTheTitleBarChangesNothing) {
    const TTimetableEntry before = T.entries()[1];
    RunAlarm(1, 0, [](TFormMessage& w) { w.close(); });
    EXPECT_EQ(T.entries()[1], before);
    EXPECT_FALSE(QFile::exists(TTimetable::FileName()));

    RunAlarm(1, 0, [&](TFormMessage& w) {
        Amount(w, "10");
        QTest::keyClick(w.MemoNotka, Qt::Key_Escape);
    });
    EXPECT_EQ(T.entries()[1].remindafter, AddMinutes(Due, 10));
    EXPECT_EQ(T.entries()[1].lastshowdate, Due);
    EXPECT_EQ(Saved().entries()[1].remindafter, T.entries()[1].remindafter);

    Fake.Clock.Value = AddMinutes(Due, 10);
    RunAlarm(1, -10, [](TFormMessage& w) {
        QTest::keyClick(w.ComboBoxRemindV->lineEdit(), Qt::Key_Return);
    });
    EXPECT_EQ(T.entries()[1].remindafter, Fake.Clock.Value) << "0 minut: no postponed alarm";
    EXPECT_EQ(Saved().entries()[1].lastshowdate, Fake.Clock.Value);
    EXPECT_EQ(T.entries()[0].lastshowdate, Friday + EncodeTime(8, 0, 0, 0));
}

TEST_F(AlarmWindowTest, ABadAmountKeepsTheWindowOpenAndAPendingPostponement) {
    T.entries()[1].remindafter = AddMinutes(Due, 15);
    const TTimetableEntry before = T.entries()[1];
    RunAlarm(1, 0, [&](TFormMessage& w) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        for (const char* bad : {"abc", "-1", "99999999999", "1491309"}) {
            w.MemoNotka->setFocus();
            Amount(w, bad, 2);
            Fake.MessageBoxes.Answer(TMsgResult::OK);
            QTest::keyClick(w.MemoNotka, Qt::Key_Escape);
            EXPECT_TRUE(w.isVisible() && w.ComboBoxRemindV->hasFocus()) << bad;
        }
        w.close();
    });
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 4u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Text, "Nieprawidłowa wartość!");
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, "Notella");
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Icon, TMsgIcon::Warning);
    EXPECT_EQ(T.entries()[1], before) << "closing after a typo loses nothing";
    EXPECT_FALSE(QFile::exists(TTimetable::FileName()));
}

TEST_F(AlarmWindowTest, DeletingAsksOffTheTopLevelAndYesNoCancelDoWhatTheySay) {
    TLookingBoxes boxes;
    Platform().MessageBoxes = &boxes;
    std::vector<TMsgResult> answers{TMsgResult::Cancel, TMsgResult::No, TMsgResult::Yes};
    boxes.Answer = [&](QWidget* parent) {
        EXPECT_EQ(parent, FormMessage.data());
        EXPECT_TRUE(parent->isVisible()) << "not re-mapped by leaving the top level";
        EXPECT_FALSE(parent->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        const TMsgResult r = answers.front();
        answers.erase(answers.begin());
        return r;
    };
    const TTimetableEntry first = T.entries()[0];
    RunAlarm(1, 0, [&](TFormMessage& w) {
        w.CheckBoxDel->setChecked(true);
        w.ButtonOK->click();
        EXPECT_TRUE(w.isVisible()) << "Cancel";
        EXPECT_TRUE(w.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_FALSE(QFile::exists(TTimetable::FileName()));
        w.ButtonOK->click();
    });
    ASSERT_EQ(T.count(), 3) << "No is a plain OK";
    EXPECT_EQ(T.entries()[1].lastshowdate, Due);
    EXPECT_EQ(boxes.Shown[0].Text, "Czy na pewno usunąć aktualnie wyświetlany wpis terminarza?");
    EXPECT_EQ(boxes.Shown[0].Caption, "Usuwanie wpisu terminarza");
    EXPECT_EQ(boxes.Shown[0].Buttons, TMsgButtons::YesNoCancel);

    Fake.Clock.Value = AddMinutes(Due, 1);
    RunAlarm(1, 0, [&](TFormMessage& w) {
        w.CheckBoxDel->setChecked(true);
        w.ButtonOK->click();
    });
    ASSERT_EQ(Saved().count(), 2);
    EXPECT_EQ(T.entries()[0], first) << "no other entry is stamped";
    EXPECT_EQ(T.entries()[1].notka, "c");
    EXPECT_EQ(List.Refreshes, 1);
    EXPECT_EQ(TMemIniFile(TTimetable::ArchiveFileName()).ReadString("TT0", "notka"), "\"b\"");
}

TEST_F(AlarmWindowTest, EditingReplacesTheEntryAndOnlyOneEditorOpens) {
    RunAlarm(1, 0, [&](TFormMessage& w) {
        w.CheckBoxDel->setChecked(true);
        QTimer::singleShot(0, [&] {
            auto* editor = qobject_cast<TFormTerminarz*>(FormTerminarz.data());
            ASSERT_TRUE(editor && editor->parentWidget() == &w);
            EXPECT_EQ(editor->MemoNotka->toPlainText(), "b");
            editor->Entry = Entry(KindDaily, 13, "b później");
            editor->accept();
        });
        w.ButtonEdit->click();
        EXPECT_TRUE(FormTerminarz.isNull());
        EXPECT_EQ(w.LabelKind->text(), "Codziennie o godzinie 13:00") << "no second line";
        EXPECT_EQ(w.MemoNotka->toPlainText(), "b później");
        EXPECT_FALSE(w.CheckBoxDel->isChecked());
        EXPECT_EQ(Saved().entries()[2].notka, "b później");
        EXPECT_EQ(List.Refreshes, 1);

        QWidget other;
        FormTerminarz = &other;
        Fake.MessageBoxes.Answer(TMsgResult::OK);
        w.ButtonEdit->click();
        EXPECT_EQ(FormTerminarz.data(), &other);
        FormTerminarz = nullptr;

        Fake.Clock.Value = AddMinutes(Due, 2);
        w.ButtonOK->click();
    });
    EXPECT_EQ(Fake.MessageBoxes.Shown.at(0).Text,
              "Zamknij najpierw poprzednie okienko edycji wpisów terminarza");
    EXPECT_EQ(Fake.MessageBoxes.Shown.at(0).Caption, "Informacja");
    EXPECT_EQ(T.entries()[2].lastshowdate, AddMinutes(Due, 2)) << "OK at the new place";
    EXPECT_EQ(T.entries()[1].notka, "c");
    EXPECT_NE(T.entries()[1].lastshowdate, AddMinutes(Due, 2));
}

TEST_F(AlarmWindowTest, EntriesMovedUnderTheWindowNeverMakeItStampAnotherOne) {
    RunAlarm(1, 0, [&](TFormMessage& w) {
        T.Insert(Entry(KindDaily, 7, "new"));
        T.Remove(1); // "a"
        T.Insert(Entry(KindDaily, 9, "new too"));
        Fake.Clock.Value = AddMinutes(Due, 1);
        w.ButtonOK->click();
    });
    EXPECT_EQ(T.entries()[2].notka, "b");
    EXPECT_EQ(T.entries()[2].lastshowdate, AddMinutes(Due, 1));
    EXPECT_EQ(T.entries()[1].lastshowdate, Due);

    RunAlarm(2, 0, [&](TFormMessage& w) {
        T.Remove(2);
        Fake.Clock.Value = AddMinutes(Due, 2);
        w.ButtonOK->click();
    });
    for (const TTimetableEntry& e : T.entries())
        EXPECT_NE(e.lastshowdate, AddMinutes(Due, 2)) << e.notka.toStdString();
}

TEST_F(AlarmWindowTest, TheTickOpensItAndAPostponementBringsItBackTenMinutesLater) {
    TAppSettings settings;
    settings.ActivateTerminarzPlaySound = false;
    TSchedulerTick tick(
        T, settings, [] { return false; }, Presenter);
    std::vector<QString> headings;
    auto answer = [&](const char* amount) {
        QTimer::singleShot(0, [&headings, amount] {
            auto* w = qobject_cast<TFormMessage*>(FormMessage.data());
            ASSERT_NE(w, nullptr);
            headings.push_back(w->LabelKind->text());
            w->ComboBoxRemindV->setEditText(amount);
            w->ButtonOK->click();
        });
    };
    // The second postponement, of 14 hours, outlasts the day's moment.
    for (auto [d, h, mi, s, amount] : {std::tuple{0, 10, 0, 5, "10"},
                                       {0, 10, 10, 20, "840"},
                                       {0, 10, 30, 0, ""},
                                       {1, 0, 10, 40, "0"}}) {
        Fake.Clock.Value = Friday + d + EncodeTime(h, mi, s, 0);
        if (*amount)
            answer(amount);
        tick.Tick();
    }
    ASSERT_EQ(headings.size(), 3u);
    EXPECT_EQ(headings[0], "Codziennie o godzinie 10:00\n  Aktualne!  (Piątek)");
    EXPECT_EQ(headings[1], "Codziennie o godzinie 10:00\n  Aktualne od 10 minut  (Piątek)");
    EXPECT_EQ(headings[2], "Codziennie o godzinie 10:00\n  Przypomnienie odłożone  (Sobota)");
}

#include "test_Unitmessage.moc"
