#include "scheduler/AlarmLogic.h"

#include "common/Formats.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace {

TTimetableEntry Daily(int h, int mi, int remindBefore = 0) {
    TTimetableEntry e;
    e.kind = KindDaily;
    e.time = EncodeTime(h, mi, 0, 0);
    e.remindbefore = remindBefore;
    return e;
}

// A clock that moves on by a second at every reading.
class TTickingClock final : public IClock {
public:
    TDateTime Now() const override {
        const TDateTime t = Value;
        Value += 1.0 / 86400;
        return t;
    }
    mutable TDateTime Value = 0;
};

// 2026-03-13 is a Friday.
const TDateTime Friday9 = EncodeDate(2026, 3, 13) + EncodeTime(9, 0, 0, 0);

} // namespace

TEST(AlarmHeading, SaysHowFarTheMomentIsAndOnWhichDay) {
    SetStartFormats();
    using enum TAlarmCause;
    EXPECT_EQ(AlarmHeading(Daily(9, 0), Friday9, 0, Moment),
              "Codziennie o godzinie 09:00\n  Aktualne!  (Piątek)");
    EXPECT_EQ(AlarmHeading(Daily(9, 0, 90), Friday9, 90, Early),
              "Codziennie o godzinie 09:00   (1 godzin)\n  Za 1 godzin  (Piątek)");
    EXPECT_EQ(AlarmOffsetLine(Daily(9, 0), Friday9, 4320, Early), "  Za 3 dni  (Piątek)");
    EXPECT_EQ(AlarmOffsetLine(Daily(9, 0), Friday9, -10, Postponed),
              "  Aktualne od 10 minut  (Piątek)");
    EXPECT_EQ(AlarmOffsetLine(Daily(9, 0), Friday9 + 2, -1500, Postponed),
              "  Aktualne od 1 dni  (Niedziela)");
    EXPECT_EQ(AlarmOffsetLine(Daily(9, 0), Friday9, 0, Postponed), "  Aktualne!  (Piątek)");

    // A postponement that outlasts the occurrence: the moment computed then lies ahead.
    const TDateTime saturday2350 = EncodeDate(2026, 3, 14) + EncodeTime(23, 50, 0, 0);
    EXPECT_EQ(AlarmOffsetLine(Daily(23, 50), saturday2350, 1420, Postponed),
              "  Przypomnienie odłożone  (Sobota)");
    TTimetableEntry monthly;
    monthly.kind = KindMonthly;
    monthly.dayofmonth = 13;
    EXPECT_EQ(AlarmOffsetLine(monthly, EncodeDate(2026, 4, 13), 29 * 1440 + 600, Postponed),
              "  Przypomnienie odłożone  (Poniedziałek)");

    // A weekly entry's postponed reminder on another day: due 0.0 and the minutes since 1899.
    TTimetableEntry weekly = Daily(14, 30);
    weekly.kind = KindWeekly;
    weekly.dayofweek = 5;
    const std::int64_t offset = -WholeMinutes(Friday9 + 1);
    EXPECT_EQ(AlarmOffsetLine(weekly, 0.0, offset, Postponed),
              "  Przypomnienie odłożone  (Piątek)");
    weekly.dayofweek = 9;
    EXPECT_EQ(AlarmOffsetLine(weekly, 0.0, offset, Postponed), "  Przypomnienie odłożone");
}

TEST(Postponement, AcceptsWholeNumbersWhoseMinutesFit32BitsAndTheYear9999) {
    EXPECT_EQ(PostponementMinutes("5", 1, Friday9), 300);
    EXPECT_EQ(PostponementMinutes(" 2", 2, Friday9), 2880);
    EXPECT_EQ(PostponementMinutes("-5", 0, Friday9), -5);
    for (const char* bad : {"", "abc", "-1", "1.5", "5x", "99999999999999999999"})
        EXPECT_EQ(PostponementMinutes(bad, 0, Friday9), std::nullopt) << bad;
    EXPECT_EQ(PostponementMinutes("2147483647", 0, Friday9), 2147483647);
    EXPECT_EQ(PostponementMinutes("2147483648", 0, Friday9), std::nullopt);
    EXPECT_EQ(PostponementMinutes("35791394", 1, Friday9), 35791394LL * 60);
    EXPECT_EQ(PostponementMinutes("35791395", 1, Friday9), std::nullopt);
    EXPECT_EQ(PostponementMinutes("1491309", 2, Friday9), std::nullopt);
    EXPECT_EQ(PostponementMinutes("-1491309", 2, Friday9), std::nullopt);

    const TDateTime late = EncodeDate(9999, 12, 31) + EncodeTime(23, 50, 30, 0);
    EXPECT_EQ(PostponementMinutes("9", 0, late), 9);
    EXPECT_EQ(PostponementMinutes("10", 0, late), std::nullopt);

    EXPECT_EQ(PostponedMoment("2", 1, Friday9), AddMinutes(Friday9, 120));
    for (const char* none : {"0", "-5", "abc", "1491309"})
        EXPECT_EQ(PostponedMoment(none, 2, Friday9), std::nullopt) << none;
}

TEST(AcknowledgeAlarm, ReadsTheAcknowledgementAfterThePostponement) {
    TFakePlatform fake;
    TTickingClock clock;
    Platform().Clock = &clock;

    TTimetableEntry e = Daily(9, 0);
    for (const char* none : {"0", "-5"}) {
        clock.Value = Friday9;
        ASSERT_TRUE(AcknowledgeAlarm(e, none, 2)) << none;
        EXPECT_EQ(e.remindafter, Friday9) << none;
        EXPECT_GT(e.lastshowdate, e.remindafter) << none << ": no postponed alarm follows";
    }
    clock.Value = Friday9;
    ASSERT_TRUE(AcknowledgeAlarm(e, "10", 0));
    EXPECT_EQ(e.remindafter, AddMinutes(Friday9, 10));
    EXPECT_LT(e.lastshowdate, e.remindafter);
}
