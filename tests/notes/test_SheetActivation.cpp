#include "notes/SheetActivation.h"

#include "common/Formats.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr double Second = 1.0 / 86400;

int RunningTimers(const QObject* o) {
    int n = 0;
    for (const QTimer* t : o->findChildren<QTimer*>())
        n += t->isActive() ? 1 : 0;
    return n;
}

class SheetActivationTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStartFormats();
        Fake.Clock.Value = EncodeDate(2024, 3, 10) + EncodeTime(9, 15, 0, 0);
        A->OnAlarm = [this] { ++Alarms; };
        A->OnFlash = [this](bool red) { Flashes.push_back(red); };
        A->OnStateChanged = [this](bool armed) { States.push_back(armed); };
    }
    void TearDown() override { SetStartFormats(); }
    // Armed for a minute ahead, and the check run when that minute and ten seconds are over.
    void Alarm() {
        A->ActivationTime = Fake.Clock.Value + 60 * Second;
        A->SetActivation(true);
        Fake.Clock.Value += 70 * Second;
        A->Check();
    }

    TFakePlatform Fake;
    std::unique_ptr<QWidget> Note = std::make_unique<QWidget>();
    TSheetActivation* A = new TSheetActivation(Note.get());
    int Alarms = 0;
    std::vector<bool> Flashes;
    std::vector<bool> States;
};

} // namespace

TEST_F(SheetActivationTest, OnlyAnArmedNoteRunsTheTenSecondCheck) {
    EXPECT_EQ(A->ActivateTimer(), nullptr);
    A->SetActivation(true);
    ASSERT_NE(A->ActivateTimer(), nullptr);
    EXPECT_TRUE(A->ActivateTimer()->isActive());
    EXPECT_EQ(A->ActivateTimer()->interval(), 10000);
    EXPECT_TRUE(A->ActivationEnabled);

    A->SetActivation(false);
    EXPECT_EQ(A->ActivateTimer(), nullptr);
    EXPECT_EQ(RunningTimers(Note.get()), 0);
    EXPECT_FALSE(A->ActivationEnabled);
    EXPECT_EQ(States, (std::vector<bool>{true, false}));
    EXPECT_EQ(Alarms, 0);
}

TEST_F(SheetActivationTest, AlarmsWhenTheCheckFindsTheTimeCome) {
    const TDateTime start = Fake.Clock.Value;
    A->ActivationTime = start + 60 * Second;
    A->SetActivation(true);
    Fake.Clock.Value = start + 59 * Second;
    A->Check();
    EXPECT_EQ(Alarms, 0);
    EXPECT_FALSE(A->Alarming());
    EXPECT_FALSE(Fake.WindowStyles.OnTop.contains(Note.get()));

    Fake.Clock.Value = start + 70 * Second;
    A->Check();
    EXPECT_EQ(Alarms, 1);
    EXPECT_EQ(A->ActivateTimer(), nullptr) << "the check stops";
    EXPECT_TRUE(A->ActivationEnabled) << "the note stays armed";
    EXPECT_TRUE(Fake.WindowStyles.OnTop.value(Note.get()));
    ASSERT_NE(A->DingTimer(), nullptr);
    EXPECT_TRUE(A->DingTimer()->isActive());
    EXPECT_EQ(A->DingTimer()->interval(), 100);

    A->Check();
    EXPECT_EQ(Alarms, 1) << "an alarming note is not checked again";
}

TEST_F(SheetActivationTest, FlashesUntilTheAlarmIsStopped) {
    Alarm();
    EXPECT_TRUE(QTest::qWaitFor([this] { return Flashes.size() >= 3; }, 1000));
    EXPECT_EQ(std::vector<bool>(Flashes.begin(), Flashes.begin() + 3),
              (std::vector<bool>{true, false, true}));

    A->StopAlarm();
    EXPECT_FALSE(A->Alarming());
    EXPECT_FALSE(Fake.WindowStyles.OnTop.value(Note.get(), true));
    EXPECT_FALSE(Flashes.back()) << "the title bar gets its own colour back";
    EXPECT_EQ(RunningTimers(Note.get()), 0);
    const size_t flashes = Flashes.size();
    QTest::qWait(250);
    EXPECT_EQ(Flashes.size(), flashes);
    EXPECT_TRUE(A->ActivationEnabled);
}

TEST_F(SheetActivationTest, PlaysTheSoundOnceWhenWantedAndNothingIsPlaying) {
    QDir().mkpath(ProgramFile("sound"));
    WriteBytes(ProgramFile("sound/ding.wav"), "RIFF");
    A->SoundFile = "ding.wav";

    Alarm();
    EXPECT_TRUE(Fake.Sound.Played.isEmpty()) << "sound switched off";

    A->StopAlarm();
    A->PlaySound = true;
    Fake.Sound.Playing = true;
    Alarm();
    EXPECT_TRUE(Fake.Sound.Played.isEmpty()) << "another sound still playing";

    A->StopAlarm();
    Fake.Sound.Playing = false;
    Alarm();
    A->Check();
    EXPECT_EQ(Fake.Sound.Played, QStringList{ProgramFile("sound/ding.wav")});
}

TEST_F(SheetActivationTest, ANoteDestroyedWhileAlarmingLeavesNoTimer) {
    Alarm();
    A->SetActivation(true);
    const QPointer<QTimer> ding = A->DingTimer();
    const QPointer<QTimer> check = A->ActivateTimer();
    ASSERT_TRUE(ding && check);
    Note.reset();
    EXPECT_TRUE(ding.isNull());
    EXPECT_TRUE(check.isNull());
}

TEST_F(SheetActivationTest, HintGivesTheMomentInTheFormatsInForce) {
    A->ActivationTime = EncodeDate(2010, 5, 17) + EncodeTime(14, 30, 0, 0);
    EXPECT_EQ(A->Hint(), "Przywołaj karteczkę (F2)\n2010-05-17 o godzinie 14:30");
    SetAfterNamingFormats();
    EXPECT_EQ(A->Hint(), "Przywołaj karteczkę (F2)\n10-05-17 o godzinie 14:30:00");
}
