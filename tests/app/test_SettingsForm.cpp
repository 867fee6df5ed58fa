#include "app/SettingsForm.h"
#include "notes/SheetActivation.h"
#include "scheduler/SchedulerTick.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <dirent.h>

namespace {

class SettingsFormTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(SoundDir())); }
    static void Wav(const QString& name) { WriteBytes(SoundDir() + '/' + name, "RIFF"); }
    TFakePlatform Fake;
};

// The directory's entries as the file system returns them.
QStringList ReadDirOrder(const QString& dir) {
    QStringList names;
    DIR* d = opendir(QFile::encodeName(dir).constData());
    while (const dirent* e = d ? readdir(d) : nullptr)
        names << QFile::decodeName(e->d_name);
    if (d)
        closedir(d);
    return names;
}

} // namespace

TEST_F(SettingsFormTest, ValuesOutsideTheListsStoreMinusOneAndTheTrackBarsClamp) {
    TAppSettings s;
    s.ApplicationPriority = 9;
    s.DefaultDblClickAction = -2;
    s.AlphaValue = 300;
    s.AlphaValueDeactivated = -5;
    bool altTab = true;
    const TSettingsChoice c = ChoiceFromSettings(s, altTab, {});
    EXPECT_EQ(c.ApplicationPriority, -1);
    EXPECT_EQ(c.DefaultDblClickAction, -1);
    EXPECT_EQ(c.AlphaValue, 255);
    EXPECT_EQ(c.AlphaValueDeactivated, 0);
    ApplyChoice(c, {}, s, altTab);
    EXPECT_EQ(s.ApplicationPriority, -1) << "acts as high priority";
    EXPECT_EQ(s.DefaultDblClickAction, -1) << "acts as no action";
    EXPECT_EQ(s.AlphaValue, 255);
    EXPECT_EQ(s.AlphaValueDeactivated, 0);
    EXPECT_EQ(ChoiceFromSettings(s, altTab, {}).ApplicationPriority, -1);
    s.ApplicationPriority = 3;
    s.DefaultDblClickAction = 4;
    EXPECT_EQ(ChoiceFromSettings(s, altTab, {}).ApplicationPriority, 3);
    EXPECT_EQ(ChoiceFromSettings(s, altTab, {}).DefaultDblClickAction, 4);
}

TEST_F(SettingsFormTest, ASoundBoxWithoutASelectionKeepsTheStoredName) {
    // A fresh install: no sound files yet.
    TAppSettings s;
    bool altTab = false;
    ApplyChoice(ChoiceFromSettings(s, altTab, {}), {}, s, altTab);
    EXPECT_EQ(s.ActivateSheet, "eGem.wav");
    EXPECT_EQ(s.ActivateTerminarz, "iWhisper.wav");

    const QStringList sounds{"ding.wav", "eGem.wav"};
    TSettingsChoice c = ChoiceFromSettings(s, altTab, sounds);
    EXPECT_EQ(c.ActivateSheet, 1);
    EXPECT_EQ(c.ActivateTerminarz, -1);
    c.ActivateSheet = 0;
    ApplyChoice(c, sounds, s, altTab);
    EXPECT_EQ(s.ActivateSheet, "ding.wav");
    EXPECT_EQ(s.ActivateTerminarz, "iWhisper.wav");
}

TEST_F(SettingsFormTest, PercentLabelsShowTheIntegerPart) {
    EXPECT_EQ(AlphaPercentText(255), "100");
    EXPECT_EQ(AlphaPercentText(240), "94");
    EXPECT_EQ(AlphaPercentText(140), "54");
    EXPECT_EQ(AlphaPercentText(2), "0");
    EXPECT_EQ(AlphaPercentText(0), "0");
}

TEST_F(SettingsFormTest, SoundFilesAreThePlainWavFilesInTheFileSystemsOrder) {
    for (const char* name : {"zeta.wav", "A.wav", "a.wav", ".hidden.wav", "LOUD.WAV", "readme.txt",
                             "song.mp3", "wav", "b.wav.bak"})
        Wav(name);
    ASSERT_TRUE(QDir().mkpath(SoundDir() + "/x.wav"));
    QStringList expected;
    for (const QString& name : ReadDirOrder(SoundDir()))
        if (name != "x.wav" && name.endsWith(".wav", Qt::CaseInsensitive))
            expected << name;
    EXPECT_EQ(expected.size(), 5);
    EXPECT_EQ(SoundFileNames(SoundDir()), expected);
    EXPECT_TRUE(SoundFileNames(SoundDir() + "/brak").isEmpty());
}

TEST_F(SettingsFormTest, TheSoundResolverPrefersTheExactNameForTheWindowTheTickAndTheNote) {
    EXPECT_EQ(FindSoundFile({"A.wav", "a.wav"}, "a.wav"), 1);
    EXPECT_EQ(FindSoundFile({"A.wav", "a.wav"}, "A.WAV"), 0);
    EXPECT_EQ(FindSoundFile({"eGem.wav"}, "EGEM.WAV"), 0);
    EXPECT_EQ(FindSoundFile({"eGem.wav"}, ""), -1);
    EXPECT_EQ(FindSoundFile({}, "eGem.wav"), -1);

    for (const char* name : {"A.wav", "a.wav", "eGem.wav", "iWhisper.wav"})
        Wav(name);
    EXPECT_EQ(SoundFilePath("a.wav"), SoundDir() + "/a.wav");
    EXPECT_EQ(SoundFilePath("EGEM.WAV"), SoundDir() + "/eGem.wav");
    EXPECT_EQ(SoundFilePath("brak.wav"), SoundDir() + "/brak.wav");

    TTimetable table;
    TTimetableEntry entry;
    entry.kind = KindDaily;
    table.Insert(entry);
    TAppSettings settings;
    settings.ActivateTerminarzPlaySound = true;
    settings.ActivateTerminarz = "IWHISPER.WAV";
    TSchedulerTick tick(table, settings, [] { return false; });
    tick.OpenAlarm(0, Now(), 0, TAlarmCause::Moment);
    EXPECT_EQ(Fake.Sound.Played, QStringList{SoundDir() + "/iWhisper.wav"});

    QWidget note;
    TSheetActivation activation(&note);
    activation.PlaySound = true;
    activation.SoundFile = "EGEM.WAV";
    activation.SetActivation(true);
    activation.Check();
    EXPECT_EQ(Fake.Sound.Played.value(1), SoundDir() + "/eGem.wav");
}
