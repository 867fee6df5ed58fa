#include "app/Unitabout.h"
#include "app/Unitmain.h"
#include "common/Formats.h"
#include "common/IniFile.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Records the about window's hook and answers it as a user would.
class TRecordingFormMain : public TFormMain {
public:
    using TFormMain::TFormMain;
    int AboutShown = 0;
    bool AnswerDontShow = true;
    bool AnswerTransfer = true;

protected:
    void ShowAboutWindowModal(bool& dontShowAtStartup, bool& internationalTransfer) override {
        ++AboutShown;
        dontShowAtStartup = AnswerDontShow;
        internationalTransfer = AnswerTransfer;
    }
};

// The about window open now; when FormAbout is not it, fails and closes what is open.
TFormAbout* OpenAboutWindow() {
    auto* about = qobject_cast<TFormAbout*>(FormAbout.data());
    if (!about) {
        ADD_FAILURE() << "FormAbout is not the window open";
        if (QWidget* open = QApplication::activeModalWidget())
            open->close();
    }
    return about;
}

class FormMainTest : public ::testing::Test {
protected:
    QString SettingsFile() const { return Fake.Directory.Dir() + "/notella.ini"; }
    void TearDown() override {
        SetStartFormats();
        ClearQuitRequest();
    }
    TFakePlatform Fake;
};

} // namespace

TEST_F(FormMainTest, StartLoadsSettingsAndEndSavesThemAndDropsTheMarker) {
    WriteBytes(SettingsFile(), "[Settings]\r\nApplicationPriority=3\r\nAlphaValue=77\r\n"
                               "[SchedulerWindow]\r\nWidth=600\r\n");
    SetAfterNamingFormats(); // whatever was in force, a start puts the start formats back
    Fake.Clock.Value = EncodeDate(2026, 12, 7) + EncodeTime(9, 5, 0, 0);
    {
        TFormMain form;
        ASSERT_TRUE(form.InstanceGranted());
        EXPECT_EQ(FormMain, &form);
        EXPECT_TRUE(Fake.Marker.Present);
        EXPECT_FALSE(form.Running);
        EXPECT_EQ(form.Settings.AlphaValue, 77);
        EXPECT_EQ(Fake.Priority.Calls, std::vector<int>{3});
        EXPECT_EQ(form.SheetsDir, Fake.Directory.Dir() + "/sheets/");
        EXPECT_EQ(FormatMoment(Now()), "2026-12-07 09:05");
        ASSERT_NE(form.TimerTerminarz, nullptr);
        EXPECT_TRUE(form.TimerTerminarz->isActive());
        EXPECT_EQ(form.TimerTerminarz->interval(), 20000);

        form.FormCreate();
        EXPECT_TRUE(form.Running);
        ASSERT_NE(form.StartupTimer, nullptr);
        EXPECT_TRUE(form.StartupTimer->isSingleShot());
        EXPECT_EQ(form.StartupTimer->interval(), 2000);
        EXPECT_EQ(Fake.UserStore.ReadString("\\Software\\Quorvel\\Notella", "LastApplicationDir"),
                  Fake.Directory.Dir() + "/");
        form.Settings.AlphaValue = 88;
    }
    EXPECT_EQ(FormMain, nullptr);
    EXPECT_FALSE(Fake.Marker.Present);
    const TMemIniFile saved(SettingsFile());
    EXPECT_EQ(saved.ReadInteger("Settings", "AlphaValue", 0), 88);
    EXPECT_EQ(saved.ReadInteger("Settings", "ApplicationPriority", 0), 3);
    EXPECT_EQ(saved.ReadString("Settings", "LastLaunchedVersion"), "93");
    EXPECT_EQ(saved.ReadInteger("SchedulerWindow", "Width", 0), 600);
    EXPECT_EQ(saved.ReadSections(),
              (QStringList{"Settings", "SchedulerWindow", "ShedulerSettings", "Sound"}));
}

TEST_F(FormMainTest, ARefusedProcessStartsNothingAndSavesNothing) {
    Fake.Marker.Present = true;
    Fake.MessageBoxes.Answer(TMsgResult::No);
    {
        TFormMain form;
        EXPECT_FALSE(form.InstanceGranted());
        EXPECT_EQ(form.TimerTerminarz, nullptr);
        EXPECT_TRUE(Fake.Priority.Calls.empty());
    }
    EXPECT_TRUE(Fake.Marker.Present) << "the other session's marker stays";
    EXPECT_EQ(Fake.Marker.Deletes, 0);
    EXPECT_FALSE(QFile::exists(SettingsFile()));
    EXPECT_TRUE(Fake.UserStore.Keys.isEmpty());
}

TEST_F(FormMainTest, AboutWindowComesOnANewBuildAndItsAnswersAreSaved) {
    WriteBytes(SettingsFile(), "[Settings]\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=93\r\n");
    {
        TRecordingFormMain form;
        form.FormCreate();
        form.StartupTimerTimer();
        EXPECT_EQ(form.StartupTimer, nullptr);
        EXPECT_EQ(form.AboutShown, 0) << "same build, switched off";
        EXPECT_FALSE(ReadText(SettingsFile()).contains("Sound")) << "nothing saved";
    }
    Fake.Build.Version = TFileVersion{1, 2, 3, 94};
    WriteBytes(SettingsFile(), "[Settings]\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=93\r\n");
    TRecordingFormMain form;
    form.FormCreate();
    form.AnswerDontShow = false;
    form.StartupTimerTimer();
    EXPECT_EQ(form.AboutShown, 1);
    const TMemIniFile saved(SettingsFile());
    EXPECT_EQ(saved.ReadString("Settings", "LastLaunchedVersion"), "94");
    EXPECT_EQ(saved.ReadString("Settings", "ShowAboutAtStart"), "1");
    EXPECT_EQ(saved.ReadString("Settings", "InternationalBankTransfer"), "1");
}

TEST_F(FormMainTest, ANewBuildBringsTheAboutWindowBackAndItsBoxIsSaved) {
    WriteBytes(SettingsFile(), "[Settings]\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=92\r\n");
    TFormMain form;
    form.FormCreate();
    bool shown = false;
    QTimer::singleShot(0, &form, [&] {
        TFormAbout* about = OpenAboutWindow();
        if (!about)
            return;
        shown = true;
        EXPECT_EQ(about->parentWidget(), &form);
        EXPECT_FALSE(about->CheckBoxDontShowAtStartup->isChecked()) << "back on for build 93";
        about->CheckBoxDontShowAtStartup->setChecked(true);
        about->Button1->click();
    });
    form.StartupTimerTimer();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(FormAbout);
    const TMemIniFile saved(SettingsFile());
    EXPECT_EQ(saved.ReadString("Settings", "ShowAboutAtStart"), "0");
    EXPECT_EQ(saved.ReadString("Settings", "LastLaunchedVersion"), "93");
}

TEST_F(FormMainTest, AFailedSaveAfterTheAboutWindowIsToldAndLeavesTheTrayUsable) {
    ASSERT_TRUE(QDir().mkpath(SettingsFile()));
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    TFormMain form;
    form.FormCreate();
    int shown = 0;
    auto answer = [&] {
        QTimer::singleShot(0, &form, [&] {
            if (TFormAbout* about = OpenAboutWindow()) {
                ++shown;
                about->Button1->click();
            }
        });
    };
    answer();
    form.StartupTimerTimer();
    EXPECT_EQ(shown, 1);
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, QString::fromUtf8("Błąd"));
    EXPECT_FALSE(ModalWindowOpen());
    answer();
    form.mInformacjeClick();
    EXPECT_EQ(shown, 2);
    form.Terminate(); // its failure goes to stderr
}

TEST_F(FormMainTest, AnUnwritableSettingsFileIsReportedWhileRunningButNotAtTheEnd) {
    ASSERT_TRUE(QDir().mkpath(SettingsFile()));
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    TFormMain form;
    form.FormCreate();
    EXPECT_FALSE(form.SaveCurrentSettings());
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, QString::fromUtf8("Błąd"));
    EXPECT_TRUE(Fake.MessageBoxes.Shown[0].Text.contains(SettingsFile()));

    form.Terminate(); // no box now: the failure goes to stderr
    EXPECT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_FALSE(form.Running);
    EXPECT_FALSE(Fake.Marker.Present);
}

TEST_F(FormMainTest, QtQuitEndsTheRunWithoutClosingWindows) {
    // A stand-in for a note: closing it would throw the note away.
    class TNote : public QWidget {
    public:
        int Closes = 0;

    protected:
        void closeEvent(QCloseEvent* e) override {
            ++Closes;
            QWidget::closeEvent(e);
        }
    };
    TNote note;
    note.show();
    TFormMain form;
    form.FormCreate();
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    QTimer guard; // a broken quit must not hang the test run
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(3); });
    guard.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(note.Closes, 0);
    EXPECT_TRUE(note.isVisible());
    EXPECT_FALSE(form.Running);
    EXPECT_FALSE(Fake.Marker.Present);
    EXPECT_TRUE(QFile::exists(SettingsFile()));
}

TEST_F(FormMainTest, ARunEndedUnderAKeyWarningSavesTheKeyOff) {
    Fake.HotKeys.Taken = {HotKeyToFront};
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    Fake.MessageBoxes.WhileOpen = [](const TMessage&) { FormMain->Terminate(); };
    TFormMain form;
    EXPECT_TRUE(form.Ended());
    EXPECT_FALSE(TMemIniFile(SettingsFile()).ReadBool("Settings", "HotKeyToFront", true));
}
