#include "app/Unitmain.h"
#include "common/Formats.h"
#include "common/IniFile.h"
#include "menus/BcBarPopupMenu.h"
#include "scheduler/Timetable.h"
#include "scheduler_ui/Unitterminarz.h"
#include "support/FakePlatform.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString RunKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class TrayTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetStartFormats();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<TFormKartka*>(w))
                delete w;
    }
    void Settings(const QByteArray& lines) {
        WriteBytes(Fake.Directory.Dir() + "/notella.ini", "[Settings]\r\n" + lines);
    }
    static QStringList Captions(const TFormMain& f) {
        QStringList out;
        for (QAction* a : f.PopupMenu->actions())
            out << (a->isSeparator() ? QString("-") : a->text());
        return out;
    }
    TFakePlatform Fake;
};

} // namespace

TEST_F(TrayTest, TheMenuHoldsEveryItemAndShowsTheKeysThatWork) {
    Settings("HotKeySheduler=1\r\nDefaultDblClickAction=3\r\n");
    Fake.HotKeys.Taken = {HotKeyNewSheet};
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    {
        TFormMain f;
        EXPECT_EQ(
            Captions(f),
            (QStringList{"O programie...", "Ustawienia...", QString::fromUtf8("Obsługa..."),
                         "Zamknij", "-", "Uruchom przy starcie", "-", "Kalendarz\tWin+Shift+K",
                         "Terminarz...\tWin+Shift+T", "Nowy wpis terminarza", "-",
                         "Wyrzucone karteczki", "Katalog karteczek", "Nowa karteczka"}))
            << "a key held elsewhere leaves its item without the keys";
        EXPECT_EQ(Fake.HotKeys.Registered, (QList<int>{44100, 44101, 44103}));
        ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
        EXPECT_EQ(Fake.MessageBoxes.Shown[0].Text,
                  QString::fromUtf8("Skrót klawiszowy Win+Shift+Ctrl+N jest zajęty przez inną "
                                    "aplikację!\n\nSkrót zostanie wyłączony."));
        EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, "Notella");
        EXPECT_EQ(Fake.MessageBoxes.Shown[0].Icon, TMsgIcon::Warning);
        EXPECT_FALSE(f.Settings.HotKeyNewSheet);
        EXPECT_EQ(f.PopupMenu->defaultAction(), f.mKalendarz);
        EXPECT_EQ(Fake.Tray.Adds, 1);
        EXPECT_EQ(Fake.Tray.Tip, "Notella");

        f.Settings.DefaultDblClickAction = 0;
        f.MarkDefaultMenuItem();
        EXPECT_EQ(f.PopupMenu->defaultAction(), nullptr);
        f.Settings.DefaultDblClickAction = 1;
        f.MarkDefaultMenuItem();
        EXPECT_EQ(f.PopupMenu->defaultAction(), f.mNowaKarteczka);
    }
    EXPECT_EQ(Fake.Tray.Removes, 1);
    const TMemIniFile saved(Fake.Directory.Dir() + "/notella.ini");
    EXPECT_FALSE(saved.ReadBool("Settings", "HotKeyNewSheet", true)) << "saved off at the end";
    EXPECT_TRUE(saved.ReadBool("Settings", "HotKeyCalendar", false));
}

TEST_F(TrayTest, WithoutSystemWideKeysNothingIsSaidOrSwitchedOff) {
    Fake.HotKeys.Available = false;
    TFormMain f;
    EXPECT_TRUE(Fake.MessageBoxes.Shown.empty());
    EXPECT_TRUE(f.Settings.HotKeyToFront && f.Settings.HotKeyCalendar && f.Settings.HotKeyNewSheet);
    EXPECT_EQ(f.mKalendarz->text(), "Kalendarz");
}

TEST_F(TrayTest, AutostartIsRecreatedAtEveryStartAndTheItemToggles) {
    const QString exe = Fake.Directory.ExePath();
    {
        TFormMain f;
        EXPECT_TRUE(f.mUruchomPrzyStarcie->isChecked());
        EXPECT_EQ(Fake.UserStore.ReadString(RunKey, "Notella"), exe);
        f.mUruchomPrzyStarcieClick();
        EXPECT_FALSE(f.mUruchomPrzyStarcie->isChecked());
        EXPECT_EQ(Fake.UserStore.ReadString(RunKey, "Notella"), "");
    }
    // Unticking lasts until the next start.
    Fake.UserStore.WriteString(RunKey, "Notella", exe.toUpper());
    {
        TFormMain f;
        EXPECT_TRUE(f.mUruchomPrzyStarcie->isChecked());
        EXPECT_EQ(Fake.UserStore.ReadString(RunKey, "Notella"), exe)
            << "a path in another letter case is another program";
    }
    Fake.UserStore.Writable = false;
    Fake.UserStore.Keys.clear();
    TFormMain f;
    EXPECT_TRUE(f.mUruchomPrzyStarcie->isChecked()) << "a failed write is not reported";
}

TEST_F(TrayTest, MouseAndKeysActAsTheDefaultsSay) {
    Settings("DefaultDblClickAction=1\r\n");
    TFormMain f;
    Fake.HotKeys.OnHotKey(HotKeyNewSheet);
    Fake.Tray.OnDoubleClick();
    EXPECT_TRUE(f.Sheets.isEmpty()) << "nothing acts before the start has finished";
    f.FormCreate();
    ASSERT_TRUE(Fake.Tray.OnButtonDown && Fake.Tray.OnDoubleClick && Fake.Tray.OnContextMenu);
    Fake.Clock.Value = EncodeDate(2026, 12, 8) + EncodeTime(10, 0, 0, 0);
    Fake.Tray.OnButtonDown();
    EXPECT_TRUE(f.Sheets.isEmpty());
    Fake.Tray.OnDoubleClick();
    ASSERT_EQ(f.Sheets.size(), 1);
    EXPECT_TRUE(f.Sheets[0]->isVisible());
    Fake.HotKeys.OnHotKey(HotKeyNewSheet);
    ASSERT_EQ(f.Sheets.size(), 2);
    EXPECT_NE(f.Sheets[0]->Storage->FileName, f.Sheets[1]->Storage->FileName)
        << "two new notes within one second get two names";

    f.Settings.DefaultDblClickAction = 0;
    Fake.Tray.OnDoubleClick();
    EXPECT_EQ(f.Sheets.size(), 2);

    // A modal window of the program open: the keys bring the notes up and nothing else.
    QWidget settings;
    FormSettings = &settings;
    Fake.HotKeys.OnHotKey(HotKeyCalendar);
    Fake.HotKeys.OnHotKey(HotKeyNewShedulerNote);
    EXPECT_FALSE(FormKalendarz);
    EXPECT_FALSE(FormTerminarz);
    EXPECT_TRUE(ModalWindowOpen());
    FormSettings = nullptr;
    EXPECT_FALSE(ModalWindowOpen());
    QWidget alarm;
    FormMessage = &alarm;
    EXPECT_FALSE(ModalWindowOpen()) << "the alarm window is not one of them";
    FormMessage = nullptr;

    Fake.Tray.OnContextMenu(QPoint(100, 100));
    EXPECT_TRUE(f.PopupMenu->isVisible());
    f.PopupMenu->hide();
}

TEST_F(TrayTest, WithoutATrayAMinuteAfterStartTheUserLearnsWhichKeysWork) {
    Settings("HotKeySheduler=1\r\n");
    Fake.Tray.Exists = false;
    Fake.HotKeys.Taken = {HotKeyCalendar};
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    {
        TFormMain f;
        ASSERT_NE(f.TrayCheckTimer, nullptr);
        EXPECT_EQ(f.TrayCheckTimer->interval(), 60000);
        EXPECT_TRUE(f.TrayCheckTimer->isSingleShot());
        Fake.MessageBoxes.Answer(TMsgResult::OK);
        f.TrayCheckTimerTimer();
        ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 2u);
        const QString text = Fake.MessageBoxes.Shown[1].Text;
        EXPECT_TRUE(text.contains("Win+Shift+N")) << text.toStdString();
        EXPECT_TRUE(text.contains("Win+Shift+Ctrl+N"));
        EXPECT_TRUE(text.contains("Win+Shift+T"));
        EXPECT_FALSE(text.contains("Win+Shift+K")) << "held by another application";
        EXPECT_EQ(f.TrayCheckTimer, nullptr) << "said once";
    }
    Fake.Tray.Exists = true;
    Fake.HotKeys.Taken.clear();
    TFormMain g;
    g.TrayCheckTimerTimer();
    EXPECT_EQ(Fake.MessageBoxes.Shown.size(), 2u) << "a tray that came up later is enough";
}

TEST_F(TrayTest, ANewEntryIsInsertedAndSavedAndAFullTimetableIsToldFirst) {
    Fake.Clock.Value = EncodeDate(2026, 12, 13) + EncodeTime(9, 30, 0, 0); // a Sunday
    TFormMain f;
    f.FormCreate();
    QTimer::singleShot(0, [] {
        auto* editor = qobject_cast<TFormTerminarz*>(FormTerminarz.data());
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->ComboBoxTydzien->currentIndex(), 6) << "Sunday is the seventh day";
        EXPECT_FALSE(editor->ButtonOK->isEnabled());
        editor->MemoNotka->setPlainText("Spotkanie");
        editor->ButtonOK->click();
    });
    f.mWpisTerminarzaClick();
    EXPECT_FALSE(FormTerminarz);
    ASSERT_EQ(Timetable().count(), 1);
    EXPECT_EQ(Timetable().entries()[0].notka, "Spotkanie");
    EXPECT_EQ(Timetable().entries()[0].lastshowdate, Now());
    EXPECT_TRUE(QFile::exists(Fake.Directory.Dir() + "/timetable/timetable.ini"));

    // The alarm window open: no new entry meanwhile.
    QWidget alarm;
    FormMessage = &alarm;
    f.mWpisTerminarzaClick();
    EXPECT_FALSE(FormTerminarz);
    FormMessage = nullptr;

    TTimetableEntry entry;
    entry.kind = KindDaily;
    while (Timetable().count() < TTimetable::capacity)
        Timetable().Insert(entry);
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    f.mWpisTerminarzaClick();
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_TRUE(
        Fake.MessageBoxes.Shown[0].Text.startsWith(QString::fromUtf8("Terminarz jest pełny")));
    EXPECT_FALSE(FormTerminarz) << "the editor does not open";
    Timetable().Load(); // leave the one saved entry for whoever runs next
}

// A modal window that went behind others would keep the scheduler quiet unseen.
TEST_F(TrayTest, AnOpenModalWindowComesUpInsteadOfAnotherOne) {
    TFormMain form;
    form.FormCreate();
    QDialog settings;
    QWidget other;
    settings.show();
    other.show();
    FormSettings = &settings;
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.isActiveWindow(); }, 2000));
    form.mKalendarzClick();
    EXPECT_TRUE(QTest::qWaitFor([&] { return settings.isActiveWindow(); }, 2000));
    EXPECT_FALSE(FormKalendarz) << "no second window";
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.isActiveWindow(); }, 2000));
    form.WMTrayButtonDown();
    EXPECT_TRUE(QTest::qWaitFor([&] { return settings.isActiveWindow(); }, 2000));
    FormSettings = nullptr;
}
