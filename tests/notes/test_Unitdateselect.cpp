#include "notes/Unitdateselect.h"

#include "common/Formats.h"
#include "controls/DateTimePicker.h"
#include "support/FakePlatform.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, 0);
}

const QString PastText = QStringLiteral("\n\nWpisany czas jest czasem przeszłym!");

class DateSelectTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStartFormats();
        Fake.Clock.Value = At(2024, 3, 10, 9, 15, 30);
    }
    // OK pressed on `t`: whether the dialog accepted.
    bool Ok(TDateTime t) {
        F.SetMoment(t);
        F.Button1->click();
        return F.result() == QDialog::Accepted;
    }

    TFakePlatform Fake;
    TFormDateSelect F;
};

} // namespace

TEST_F(DateSelectTest, IsTheSmallYellowDialogOfTheDesign) {
    EXPECT_EQ(F.windowTitle(), "Wybór czasu aktywacji");
    EXPECT_EQ(F.size(), QSize(255, 132));
    EXPECT_TRUE(F.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(F.isModal());
    EXPECT_EQ(F.palette().color(QPalette::Window), QColor(255, 255, 183));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(F.pos(), screen.center() - QPoint(127, 66));
    EXPECT_EQ(F.Label3->text(), "&Dzień aktywacji ");
    EXPECT_EQ(F.Label3->buddy(), F.DateTimePickerDate);
    EXPECT_EQ(F.Label4->text(), "&Godzina aktywacji ");
    EXPECT_EQ(F.Label4->buddy(), F.DateTimePickerTime);
    EXPECT_EQ(F.Label4->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(F.Label4->font().family(), "Verdana");
    EXPECT_EQ(F.Button1->text(), "OK");
    EXPECT_TRUE(F.Button1->isDefault());
    EXPECT_EQ(F.Button2->text(), "Anuluj");
    EXPECT_EQ(F.DateTimePickerDate->geometry(), QRect(140, 15, 96, 21));
    EXPECT_EQ(F.DateTimePickerTime->geometry(), QRect(140, 45, 96, 21));
}

TEST_F(DateSelectTest, ShowsTheMomentAndReadsBackTheDayAndTheTimeOfDay) {
    const TDateTime t = At(2024, 5, 17, 14, 30, 20);
    F.SetMoment(t);
    EXPECT_EQ(F.DateTimePickerDate->date(), QDate(2024, 5, 17));
    EXPECT_EQ(F.DateTimePickerTime->time(), QTime(14, 30, 20));
    EXPECT_EQ(F.Moment(), t);

    F.DateTimePickerDate->setDate(QDate(2025, 2, 3));
    EXPECT_EQ(F.Moment(), At(2025, 2, 3, 14, 30, 20));
    F.DateTimePickerTime->setTime(QTime(7, 5));
    EXPECT_EQ(F.Moment(), At(2025, 2, 3, 7, 5));
}

TEST_F(DateSelectTest, APastMomentIsWarnedAboutAndAcceptedAnyway) {
    EXPECT_TRUE(Ok(At(2024, 3, 10, 9, 16)));
    EXPECT_TRUE(Fake.MessageBoxes.Shown.empty());

    Fake.MessageBoxes.Answer(TMsgResult::OK);
    EXPECT_TRUE(Ok(At(2024, 3, 10, 9, 15)));
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    const TMessage& m = Fake.MessageBoxes.Shown[0];
    EXPECT_EQ(m.Text, "2024-03-10 09:15" + PastText);
    EXPECT_EQ(m.Caption, "Notella");
    EXPECT_EQ(m.Icon, TMsgIcon::Warning);

    SetAfterNamingFormats();
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    EXPECT_TRUE(Ok(At(2024, 3, 10, 9, 15, 29)));
    EXPECT_EQ(Fake.MessageBoxes.Shown.back().Text, "24-03-10 09:15:29" + PastText);
    SetStartFormats();

    F.Button2->click();
    EXPECT_EQ(F.result(), QDialog::Rejected);
}

TEST_F(DateSelectTest, TakesTheFirstAndTheLastYears) {
    F.SetMoment(At(2024, 5, 17, 14, 30));
    F.DateTimePickerDate->setDate(QDate(100, 1, 1));
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    F.Button1->click();
    EXPECT_EQ(F.result(), QDialog::Accepted);
    // Before 1899-12-30 the time of day counts away from zero.
    EXPECT_EQ(F.Moment(), EncodeDate(100, 1, 1) - EncodeTime(14, 30, 0, 0));
    EXPECT_EQ(Fake.MessageBoxes.Shown.back().Text, "0100-01-01 14:30" + PastText);

    const TDateTime last = At(9999, 12, 31, 23, 59, 59);
    EXPECT_TRUE(Ok(last));
    EXPECT_EQ(F.Moment(), last);
    EXPECT_EQ(F.DateTimePickerDate->date(), QDate(9999, 12, 31));
    EXPECT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
}
