#include "common/Formats.h"

#include "support/PrintQString.h"

#include <gtest/gtest.h>

namespace {

// The formats are program-wide: every test leaves the start formats in force.
class FormatsTest : public testing::Test {
protected:
    void SetUp() override { SetStartFormats(); }
    void TearDown() override { SetStartFormats(); }
};

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

} // namespace

TEST_F(FormatsTest, StartFormats) {
    EXPECT_EQ(FormatSettings().ShortDateFormat, QStringLiteral("yyyy-mm-dd"));
    EXPECT_EQ(FormatSettings().LongTimeFormat, QStringLiteral("hh:mm"));
    EXPECT_EQ(FormatDate(At(2026, 3, 5, 7, 8, 9)), QStringLiteral("2026-03-05"));
    EXPECT_EQ(FormatTime(At(2026, 3, 5, 7, 8, 9)), QStringLiteral("07:08"));
    EXPECT_EQ(FormatMoment(At(2026, 3, 5, 7, 8, 9)), QStringLiteral("2026-03-05 07:08"));
    EXPECT_EQ(FormatMoment(At(2026, 3, 5)), QStringLiteral("2026-03-05"));
    EXPECT_EQ(FormatMoment(At(2026, 3, 5, 0, 0, 0, 500)), QStringLiteral("2026-03-05"));
    // One second past midnight is not midnight, though "hh:mm" cannot show it.
    EXPECT_EQ(FormatMoment(At(2026, 3, 5, 0, 0, 1)), QStringLiteral("2026-03-05 00:00"));
    EXPECT_EQ(FormatMoment(0.0), QStringLiteral("1899-12-30"));
    EXPECT_EQ(FormatMoment(EncodeDate(812, 1, 2)), QStringLiteral("0812-01-02"));
    // Before day 0 the time counts forward from the day while the value goes down.
    EXPECT_EQ(FormatMoment(EncodeDate(812, 1, 2) - EncodeTime(23, 59, 0, 0)),
              QStringLiteral("0812-01-02 23:59"));
}

TEST_F(FormatsTest, NamingAndAfterNamingFormats) {
    const TDateTime t = At(2026, 12, 7, 13, 45, 12);
    SetNamingFormats();
    EXPECT_EQ(FormatDate(t), QStringLiteral("20261207"));
    EXPECT_EQ(FormatTime(t), QStringLiteral("134512"));

    SetAfterNamingFormats();
    EXPECT_EQ(FormatSettings().ShortDateFormat, QStringLiteral("yy/mm/dd"));
    EXPECT_EQ(FormatDate(t), QStringLiteral("26-12-07"));
    EXPECT_EQ(FormatTime(t), QStringLiteral("13:45:12"));
    EXPECT_EQ(FormatMoment(t), QStringLiteral("26-12-07 13:45:12"));
    EXPECT_EQ(FormatMoment(At(2005, 1, 9)), QStringLiteral("05-01-09"));

    // Files keep the four-digit year whatever is on display.
    EXPECT_EQ(FormatFileDate(t), QStringLiteral("2026-12-07"));
    EXPECT_EQ(FormatFileMoment(t), QStringLiteral("2026-12-07 13:45:12"));
    EXPECT_EQ(FormatFileMoment(0.0), QStringLiteral("1899-12-30"));
    SetStartFormats();
    EXPECT_EQ(FormatFileMoment(t), QStringLiteral("2026-12-07 13:45"));
}

TEST_F(FormatsTest, FormatTokens) {
    const TDateTime t = At(2026, 3, 5, 7, 8, 9, 45);
    EXPECT_EQ(FormatDateTime("d.m.yyyy h:n:s", t), QStringLiteral("5.3.2026 7:8:9"));
    EXPECT_EQ(FormatDateTime("dd/mm/yy", t), QStringLiteral("05-03-26"));
    EXPECT_EQ(FormatDateTime("hh:mm:ss.zzz", t), QStringLiteral("07:08:09.045"));
    // "mm" is the month unless it follows an hour.
    EXPECT_EQ(FormatDateTime("mm hh mm", t), QStringLiteral("03 07 08"));
    EXPECT_EQ(FormatDateTime("hhnn", t), QStringLiteral("0708"));
}

TEST_F(FormatsTest, ParseDateAcceptsYearMonthDay) {
    EXPECT_EQ(ParseDate("2026-12-07"), EncodeDate(2026, 12, 7));
    EXPECT_EQ(ParseDate("2026/12/07"), EncodeDate(2026, 12, 7));
    EXPECT_EQ(ParseDate("2026-1-2"), EncodeDate(2026, 1, 2));
    EXPECT_EQ(ParseDate("26-12-07"), EncodeDate(2026, 12, 7));
    EXPECT_EQ(ParseDate("99-12-30"), EncodeDate(2099, 12, 30));
    EXPECT_EQ(ParseDate("0-1-1"), EncodeDate(2000, 1, 1));
    EXPECT_EQ(ParseDate("1899-12-30"), 0.0);
    EXPECT_EQ(ParseDate("2012-02-29"), EncodeDate(2012, 2, 29));
    EXPECT_EQ(ParseDate(" 2026-12-07 "), EncodeDate(2026, 12, 7));

    for (const char* bad :
         {"", " ", "2011-02-29", "2026-13-01", "2026-04-31", "2026-00-10", "2026-01-00", "2026-12",
          "2026-12-07-01", "20261207", "2026.12.07", "abc", "2026-12-07x", "x2026-12-07",
          "2026-12-07 13:45", "12345-1-1", "-2026-12-07", "2026--12-07", "٢٦-12-07"})
        EXPECT_FALSE(ParseDate(QString::fromUtf8(bad)).has_value()) << bad;
}

TEST_F(FormatsTest, ParseTimeAcceptsHoursMinutesAndSeconds) {
    EXPECT_DOUBLE_EQ(*ParseTime("13:45"), EncodeTime(13, 45, 0, 0));
    EXPECT_DOUBLE_EQ(*ParseTime("7:5"), EncodeTime(7, 5, 0, 0));
    EXPECT_DOUBLE_EQ(*ParseTime("13:45:12"), EncodeTime(13, 45, 12, 0));
    EXPECT_DOUBLE_EQ(*ParseTime("00:00"), 0.0);
    EXPECT_DOUBLE_EQ(*ParseTime("23:59:59"), EncodeTime(23, 59, 59, 0));

    for (const char* bad : {"", "24:00", "12:60", "12:30:60", "13", "13:", ":45",
                            "13:45:", "1:2:3:4", "ab:cd", "13.45", "-1:00", "123:00", "13:45 pm"})
        EXPECT_FALSE(ParseTime(QString::fromUtf8(bad)).has_value()) << bad;
}

TEST_F(FormatsTest, ParseMomentTakesADateAndAnOptionalTime) {
    EXPECT_DOUBLE_EQ(*ParseMoment("2026-12-07"), EncodeDate(2026, 12, 7));
    EXPECT_DOUBLE_EQ(*ParseMoment("2026-12-07 13:45"), At(2026, 12, 7, 13, 45));
    EXPECT_DOUBLE_EQ(*ParseMoment("2026-12-07   13:45:12"), At(2026, 12, 7, 13, 45, 12));
    EXPECT_DOUBLE_EQ(*ParseMoment("26-12-07\t13:45"), At(2026, 12, 7, 13, 45));
    EXPECT_DOUBLE_EQ(*ParseMoment("1899-12-29 06:00"), -1.25);

    for (const char* bad : {"", "13:45", "2026-12-07 24:00", "2026-12-07 x", "2026-02-30 10:00",
                            "2026-12-07 13:45 extra", "garbage"})
        EXPECT_FALSE(ParseMoment(QString::fromUtf8(bad)).has_value()) << bad;
}

TEST_F(FormatsTest, FormatThenParseGivesTheMomentBack) {
    // With "hh:mm" to the minute, any year that four digits hold.
    for (TDateTime day = EncodeDate(1, 1, 1); day < EncodeDate(9999, 12, 31); day += 977.3) {
        const auto back = ParseMoment(FormatMoment(day));
        ASSERT_TRUE(back.has_value()) << FormatMoment(day).toStdString();
        EXPECT_EQ(WholeMinutes(*back), WholeMinutes(day)) << FormatMoment(day).toStdString();
    }
    EXPECT_EQ(*ParseMoment(FormatMoment(-1.25)), -1.25);

    // After the switch the year has two digits, so only this century comes back, but to the second.
    SetAfterNamingFormats();
    for (int i = 0; i < 500; ++i) {
        const TDateTime t = At(2000, 1, 1) + i * 73.123456;
        const TTimeParts p = DecodeTime(t);
        const TDateTime whole = DatePart(t) + EncodeTime(p.Hour, p.Minute, p.Second, 0);
        const auto back = ParseMoment(FormatMoment(t));
        ASSERT_TRUE(back.has_value()) << FormatMoment(t).toStdString();
        EXPECT_NEAR(*back, whole, 1e-9) << FormatMoment(t).toStdString();
    }
}

TEST_F(FormatsTest, ScopedFileTimeFormatRestoresTheFormatInForce) {
    const TDateTime t = At(2026, 12, 7, 13, 45, 12);
    {
        TScopedFileTimeFormat scoped;
        EXPECT_EQ(FormatSettings().ShortTimeFormat, QStringLiteral("hh:mm:ss"));
        EXPECT_EQ(FormatTime(t), QStringLiteral("13:45:12"));
        EXPECT_EQ(FormatFileMoment(t), QStringLiteral("2026-12-07 13:45:12"));
    }
    EXPECT_EQ(FormatSettings().ShortTimeFormat, QStringLiteral("hh:mm"));
    EXPECT_EQ(FormatSettings().LongTimeFormat, QStringLiteral("hh:mm"));
    EXPECT_EQ(FormatTime(t), QStringLiteral("13:45"));

    SetNamingFormats();
    {
        TScopedFileTimeFormat scoped;
        EXPECT_EQ(FormatTime(t), QStringLiteral("13:45:12"));
    }
    EXPECT_EQ(FormatTime(t), QStringLiteral("134512"));
}
