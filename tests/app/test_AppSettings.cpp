#include "app/AppSettings.h"
#include "common/IniFile.h"
#include "common/TextFile.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

class AppSettingsTest : public ::testing::Test {
protected:
    QString File() const { return Fake.Directory.Dir() + "/notella.ini"; }
    TFakePlatform Fake;
};

const char* const FreshFile = "[ShedulerSettings]\r\n"
                              "AutomarkDelete=1\r\n"
                              "\r\n"
                              "[Settings]\r\n"
                              "DefaultDblClickAction=1\r\n"
                              "AlphaValue=240\r\n"
                              "AlphaValueDeactivated=140\r\n"
                              "Autoresize=1\r\n"
                              "EditTitleAtCreate=0\r\n"
                              "ApplicationPriority=1\r\n"
                              "ShowIconWhenAltTabPressed=0\r\n"
                              "ShowAboutAtStart=1\r\n"
                              "InternationalBankTransfer=0\r\n"
                              "HotKeyToFront=1\r\n"
                              "HotKeyCalendar=1\r\n"
                              "HotKeyNewSheet=1\r\n"
                              "HotKeySheduler=0\r\n"
                              "HotKeyNewShedulerNote=0\r\n"
                              "LastLaunchedVersion=93\r\n"
                              "\r\n"
                              "[Sound]\r\n"
                              "ActivateSheetPlaySound=0\r\n"
                              "ActivateTerminarzPlaySound=0\r\n"
                              "ActivateSheet=eGem.wav\r\n"
                              "ActivateTerminarz=iWhisper.wav\r\n"
                              "\r\n";

} // namespace

TEST_F(AppSettingsTest, FreshStartReadsDefaultsAndFirstSaveWritesEveryKeyInOrder) {
    TAppSettings s;
    s.AlphaValue = 1; // must be overwritten by the default
    bool showIcon = true;
    LoadSettings(File(), s, showIcon);
    EXPECT_EQ(s, TAppSettings{});
    EXPECT_FALSE(showIcon);
    EXPECT_FALSE(QFile::exists(File())) << "loading never writes";

    s.LastLaunchedVersion = "7"; // the stored build comes from the running build, not the record
    ASSERT_TRUE(SaveSettings(File(), TAppSettings{}, false, "93"));
    QByteArray bytes;
    ASSERT_TRUE(ReadWholeFile(File(), bytes));
    EXPECT_EQ(bytes, QByteArray(FreshFile));
}

TEST_F(AppSettingsTest, ValuesAreKeptAsReadUnlessTheyDoNotParse) {
    WriteBytes(File(),
               "[Settings]\r\nAlphaValue=abc\r\nHotKeyToFront=2\r\nApplicationPriority=9\r\n"
               "AlphaValueDeactivated= 300 \r\nHotKeySheduler=yes\r\n"
               "DefaultDblClickAction=-4\r\nShowIconWhenAltTabPressed=1\r\n"
               "[sound]\r\nactivatesheet=  dzwonek.wav  \r\n");
    TAppSettings s;
    bool showIcon = false;
    LoadSettings(File(), s, showIcon);
    EXPECT_EQ(s.AlphaValue, 240);
    EXPECT_TRUE(s.HotKeyToFront);
    EXPECT_EQ(s.ApplicationPriority, 9);
    EXPECT_EQ(s.AlphaValueDeactivated, 300) << "no range check at load";
    EXPECT_FALSE(s.HotKeySheduler) << "a non-number takes the default";
    EXPECT_EQ(s.DefaultDblClickAction, -4);
    EXPECT_TRUE(showIcon);
    EXPECT_EQ(s.ActivateSheet, "dzwonek.wav") << "keys found in any letter case, value trimmed";

    ASSERT_TRUE(SaveSettings(File(), s, showIcon, "93"));
    const TMemIniFile saved(File());
    EXPECT_EQ(saved.ReadRawString("Settings", "ApplicationPriority"), "9");
    EXPECT_EQ(saved.ReadRawString("Settings", "AlphaValue"), "240");
    EXPECT_EQ(saved.ReadRawString("Settings", "HotKeyToFront"), "1");
    EXPECT_EQ(saved.ReadRawString("Settings", "ShowIconWhenAltTabPressed"), "1");
}

TEST_F(AppSettingsTest, OtherSectionsSurviveASave) {
    const QByteArray windowSection =
        "[SchedulerWindow]\r\nWidth=600\r\nHeight=480\r\nMaximized=1\r\n";
    WriteBytes(File(), windowSection);
    ASSERT_TRUE(SaveSettings(File(), TAppSettings{}, false, "93"));
    QByteArray bytes;
    ASSERT_TRUE(ReadWholeFile(File(), bytes));
    EXPECT_TRUE(bytes.startsWith(windowSection)) << bytes.toStdString();
    EXPECT_TRUE(bytes.endsWith(QByteArray(FreshFile))) << bytes.toStdString();
    // A second save changes nothing more.
    ASSERT_TRUE(SaveSettings(File(), TAppSettings{}, false, "93"));
    QByteArray again;
    ASSERT_TRUE(ReadWholeFile(File(), again));
    EXPECT_EQ(again, bytes);
}

TEST_F(AppSettingsTest, BadFilesGiveDefaultsAndKeepWhatTheyHold) {
    QByteArray binary(4096, '\0');
    for (char& c : binary)
        c = static_cast<char>(QRandomGenerator::global()->bounded(256));
    QByteArray huge = "[Big]\r\n";
    while (huge.size() < 10 * 1024 * 1024)
        huge += "Key" + QByteArray::number(huge.size()) + "=some value that fills the file\r\n";
    huge += "[Settings]\r\nAlphaValue=200\r\n";
    const QByteArray duplicates =
        "[Settings]\r\nAlphaValue=100\r\nAlphaValue=50\r\n"
        "[Extra]\r\nX=1\r\n[SETTINGS]\r\nAlphaValue=10\r\nAutoresize=0\r\n";
    const QList<QByteArray> files{
        "", "[Settings]\r\nAlphaValue=1", "[Settings\r\nAlphaValue=3", binary, huge, duplicates};
    const QList<int> alpha{240, 1, 240, 240, 200, 100};
    for (qsizetype i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        WriteBytes(File(), files[i]);
        TAppSettings s;
        bool showIcon = true;
        LoadSettings(File(), s, showIcon);
        EXPECT_EQ(s.AlphaValue, alpha[i]);
        EXPECT_TRUE(s.Autoresize) << "a key of a duplicate section is not read";
        ASSERT_TRUE(SaveSettings(File(), s, showIcon, "93"));
        const TMemIniFile saved(File());
        EXPECT_EQ(saved.ReadInteger("Settings", "AlphaValue", 0), alpha[i]);
        EXPECT_EQ(saved.ReadString("Settings", "LastLaunchedVersion"), "93");
    }
    // The last file: the unknown section and the duplicate survived.
    const QString text = ReadText(File());
    EXPECT_TRUE(text.contains("[Extra]\r\nX=1\r\n"));
    EXPECT_TRUE(text.contains("[SETTINGS]\r\nAlphaValue=10\r\nAutoresize=0\r\n"));
}

TEST_F(AppSettingsTest, AFailedSaveReportsAndLeavesTheFile) {
    const QString dirAsFile = File();
    ASSERT_TRUE(QDir().mkpath(dirAsFile)); // a directory where the file should be
    QString error;
    EXPECT_FALSE(SaveSettings(dirAsFile, TAppSettings{}, false, "93", &error));
    EXPECT_FALSE(error.isEmpty());

    const QString missingDir = Fake.Directory.Dir() + "/no/such/dir/notella.ini";
    EXPECT_FALSE(SaveSettings(missingDir, TAppSettings{}, false, "93", &error));
    EXPECT_FALSE(QFile::exists(missingDir));
}

TEST(AboutAtStart, ShownOnANewBuildOrWhenAsked) {
    TAppSettings s;
    s.ShowAboutAtStart = false;
    s.LastLaunchedVersion = "93";
    EXPECT_FALSE(DecideAboutAtStart(s, "93"));
    EXPECT_FALSE(s.ShowAboutAtStart);

    EXPECT_TRUE(DecideAboutAtStart(s, "94"));
    EXPECT_TRUE(s.ShowAboutAtStart) << "a new build switches the window back on";

    TAppSettings first; // first start: nothing stored yet
    first.ShowAboutAtStart = false;
    EXPECT_TRUE(DecideAboutAtStart(first, "N/A"));

    TAppSettings asked;
    asked.LastLaunchedVersion = "93";
    EXPECT_TRUE(DecideAboutAtStart(asked, "93"));
}
