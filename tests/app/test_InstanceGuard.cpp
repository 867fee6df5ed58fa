#include "app/InstanceGuard.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

TEST(InstanceGuard, NoMarkerTakesItWithoutAsking) {
    TFakePlatform fake;
    EXPECT_TRUE(RunInstanceGuard());
    EXPECT_TRUE(fake.Marker.Present);
    EXPECT_TRUE(fake.MessageBoxes.Shown.empty());
    EXPECT_EQ(fake.Beeper.Beeps, 0);
}

TEST(InstanceGuard, MarkerAsksAndYesRunsAlongside) {
    TFakePlatform fake;
    fake.Marker.Present = true;
    fake.MessageBoxes.Answer(TMsgResult::Yes);
    EXPECT_TRUE(RunInstanceGuard());
    ASSERT_EQ(fake.MessageBoxes.Shown.size(), 1u);
    const TMessage& m = fake.MessageBoxes.Shown[0];
    EXPECT_EQ(m.Caption, "Notella");
    EXPECT_EQ(m.Text, QString::fromUtf8("Jedna sesja programu jest już uruchomiona,\n"
                                        "lub została nieprawidłowo zamknięta.\n\n"
                                        "Czy na pewno uruchomić nową sesję programu?"));
    EXPECT_EQ(m.Buttons, TMsgButtons::YesNo);
    EXPECT_EQ(m.Icon, TMsgIcon::Question);
    EXPECT_TRUE(fake.Marker.Present) << "the marker stays for both sessions";
    EXPECT_EQ(fake.Marker.Deletes, 0);
}

TEST(InstanceGuard, MarkerAndNoOrNoAnswerRefuses) {
    for (bool answered : {true, false}) {
        TFakePlatform fake;
        fake.Marker.Present = true;
        fake.MessageBoxes.FailUnscripted = false;
        if (answered)
            fake.MessageBoxes.Answer(TMsgResult::No);
        EXPECT_FALSE(RunInstanceGuard());
        EXPECT_EQ(fake.MessageBoxes.Shown.size(), 1u);
        EXPECT_TRUE(fake.Marker.Present) << "the running session keeps its marker";
        EXPECT_EQ(fake.Marker.Adds, 0);
        EXPECT_EQ(fake.Marker.Deletes, 0);
    }
}

TEST(InstanceGuard, ShiftClearsAStaleMarkerWithABeep) {
    TFakePlatform fake;
    fake.Marker.Present = true;
    fake.Keyboard.Shift = true;
    EXPECT_TRUE(RunInstanceGuard());
    EXPECT_TRUE(fake.MessageBoxes.Shown.empty());
    EXPECT_EQ(fake.Beeper.Beeps, 1);
    EXPECT_EQ(fake.Marker.Deletes, 1);
    EXPECT_TRUE(fake.Marker.Present);

    // Shift with no marker: still one beep, and the start goes on.
    TFakePlatform clean;
    clean.Keyboard.Shift = true;
    EXPECT_TRUE(RunInstanceGuard());
    EXPECT_EQ(clean.Beeper.Beeps, 1);
    EXPECT_TRUE(clean.Marker.Present);
}

TEST(InstanceGuard, AMarkerThatCannotBeMadeIsToldAndTheStartGoesOn) {
    for (bool other : {false, true}) {
        TFakePlatform fake;
        fake.Marker.Present = other;
        fake.Marker.CannotMake = true;
        if (other)
            fake.MessageBoxes.Answer(TMsgResult::Yes);
        fake.MessageBoxes.Answer(TMsgResult::OK);
        EXPECT_TRUE(RunInstanceGuard());
        ASSERT_EQ(fake.MessageBoxes.Shown.size(), other ? 2u : 1u);
        const TMessage& m = fake.MessageBoxes.Shown.back();
        EXPECT_EQ(m.Text, QString::fromUtf8("Nie można utworzyć znacznika sesji programu, więc "
                                            "kolejne uruchomienie nie ostrzeże, że program już "
                                            "działa."));
        EXPECT_EQ(m.Caption, "Notella");
        EXPECT_EQ(m.Icon, TMsgIcon::Warning);
    }
}
