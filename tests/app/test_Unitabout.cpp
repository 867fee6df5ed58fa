#include "app/Unitabout.h"
#include "app/Unitmain.h"
#include "common/Formats.h"
#include "common/IniFile.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class AboutTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetStartFormats();
        ClearQuitRequest();
    }
    QString SettingsFile() const { return Fake.Directory.Dir() + "/notella.ini"; }
    TFakePlatform Fake;
};

// Runs `act` on the about window once its loop runs; `act` closes it.
void WhenAboutOpens(QObject* context, std::function<void(TFormAbout&)> act) {
    QTimer::singleShot(0, context, [act] {
        auto* about = qobject_cast<TFormAbout*>(FormAbout.data());
        if (!about) {
            if (QWidget* open = QApplication::activeModalWidget())
                open->close(); // so that the test ends
            FAIL() << "FormAbout is not the window open";
        }
        EXPECT_TRUE(about->isVisible());
        EXPECT_TRUE(ModalWindowOpen());
        act(*about);
    });
}

} // namespace

TEST_F(AboutTest, TheBuildLabelReadsTheBuildNumberOrNA) {
    EXPECT_EQ(TFormAbout().LabelBuild->text(), "build 93");
    Fake.Build.Version = std::nullopt;
    EXPECT_EQ(TFormAbout().LabelBuild->text(), "build N/A");
}

TEST_F(AboutTest, TheLinksUnderlineUnderTheMouseAndOpenTheirAddresses) {
    TFormAbout about;
    about.show();
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(about.LabelWWW, &enter);
    EXPECT_TRUE(about.LabelWWW->font().underline());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(about.LabelWWW, &leave);
    EXPECT_FALSE(about.LabelWWW->font().underline());
    EXPECT_EQ(about.LabelWWW->palette().color(QPalette::WindowText), QColor(0, 0, 255));

    QTest::mouseClick(about.LabelMail, Qt::LeftButton);
    QTest::mouseClick(about.LabelWWW, Qt::LeftButton);
    EXPECT_EQ(Fake.Url.Opened, (QList<QUrl>{QUrl("mailto:notella@example.org"),
                                            QUrl("https://notella.example.org/")}));
    EXPECT_EQ(about.LabelMail->text(), "notella@example.org");
    EXPECT_EQ(about.LabelWWW->text(), "notella.example.org");
    EXPECT_LE(about.LabelMail->geometry().right(), TFormAbout::DesignedClientWidth - 15)
        << "the whole address is in sight";
}

TEST_F(AboutTest, TheForeignThanksShowWithTheirBoxTickedAndNarrowIt) {
    TFormAbout about;
    EXPECT_TRUE(about.EditNr2->isHidden());
    EXPECT_TRUE(about.EditNr3->isHidden());
    EXPECT_TRUE(about.Label9->isHidden());
    EXPECT_EQ(about.CheckBoxZagraniczny->width(), 250);
    about.CheckBoxZagraniczny->setChecked(true);
    EXPECT_FALSE(about.EditNr2->isHidden());
    EXPECT_FALSE(about.EditNr3->isHidden());
    EXPECT_FALSE(about.Label9->isHidden());
    EXPECT_EQ(about.CheckBoxZagraniczny->width(), 15);
    about.CheckBoxZagraniczny->setChecked(false);
    EXPECT_TRUE(about.EditNr2->isHidden());
    EXPECT_EQ(about.CheckBoxZagraniczny->width(), 250);
    EXPECT_FALSE(about.EditNr1->text().isEmpty());
}

TEST_F(AboutTest, TheTrayItemShowsTheSettingsAndKeepsTheAnswersForTheNextSave) {
    TFormMain form;
    form.FormCreate();
    int shown = 0;
    {
        // Another of the windows open: the item does nothing.
        QWidget settings;
        FormSettings = &settings;
        QObject context;
        WhenAboutOpens(&context, [&](TFormAbout& about) {
            ++shown;
            about.Button1->click();
        });
        form.mInformacjeClick();
        FormSettings = nullptr;
        EXPECT_EQ(shown, 0);
    }
    form.Settings.InternationalBankTransfer = true;
    WhenAboutOpens(&form, [&](TFormAbout& about) {
        ++shown;
        EXPECT_FALSE(about.CheckBoxDontShowAtStartup->isChecked());
        EXPECT_TRUE(about.CheckBoxZagraniczny->isChecked());
        EXPECT_FALSE(about.EditNr2->isHidden());
        about.CheckBoxDontShowAtStartup->setChecked(true);
        about.CheckBoxZagraniczny->setChecked(false);
        about.Button1->click();
    });
    form.mInformacjeClick();
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(FormAbout);
    EXPECT_FALSE(form.Settings.ShowAboutAtStart);
    EXPECT_FALSE(form.Settings.InternationalBankTransfer);
    EXPECT_FALSE(QFile::exists(SettingsFile())) << "not saved until the next save";
    form.Terminate();
    EXPECT_EQ(TMemIniFile(SettingsFile()).ReadString("Settings", "ShowAboutAtStart"), "0");
}

// Opened by `open`, the window sees the run end under it with its box ticked; true when it
// opened.
static bool EndTheRunUnderTheWindow(TFormMain& form, void (TFormMain::*open)()) {
    bool ran = false;
    WhenAboutOpens(&form, [&](TFormAbout& about) {
        ran = true;
        about.CheckBoxDontShowAtStartup->setChecked(true);
        FormMain->Terminate();
    });
    (form.*open)();
    return ran;
}

TEST_F(AboutTest, ARunEndedUnderTheWindowTakesNothingFromIt) {
    TFormMain form;
    form.FormCreate();
    EXPECT_TRUE(EndTheRunUnderTheWindow(form, &TFormMain::mInformacjeClick));
    EXPECT_FALSE(FormAbout);
    EXPECT_FALSE(ModalWindowOpen());
    EXPECT_TRUE(form.Settings.ShowAboutAtStart);
    EXPECT_EQ(TMemIniFile(SettingsFile()).ReadString("Settings", "ShowAboutAtStart"), "1");
}

TEST_F(AboutTest, ARunEndedUnderTheWindowOfTheStartTakesNothingFromIt) {
    WriteBytes(SettingsFile(), "[Settings]\r\nShowAboutAtStart=0\r\nLastLaunchedVersion=1\r\n");
    Fake.Build.Version = TFileVersion{1, 2, 3, 2};
    TFormMain form;
    form.FormCreate();
    EXPECT_TRUE(EndTheRunUnderTheWindow(form, &TFormMain::StartupTimerTimer));
    EXPECT_FALSE(FormAbout);
    EXPECT_TRUE(form.Settings.ShowAboutAtStart) << "a new build shows it, and the box went unread";
}
