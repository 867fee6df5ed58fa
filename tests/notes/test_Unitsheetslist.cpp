#include "notes/Unitsheetslist.h"

#include "support/FakePlatform.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>

namespace {

class SheetsListTest : public ::testing::Test {
protected:
    void SetUp() override { QDir().mkpath(Trashed("")); }
    QString Sheets() const { return Fake.Directory.Dir() + "/sheets/"; }
    QString Trashed(const QString& name) const { return Sheets() + "deleted/" + name; }
    void Trash(const QString& name) {
        WriteBytes(Trashed(name), "[Sheet]\r\nTitle=" + name.toUtf8() + "\r\nText0=tekst\r\n");
    }
    TFormSheetsList* Open() {
        Window = std::make_unique<TFormSheetsList>(
            Sheets(), TFormSheetsList::THost{[this] { return InUse; },
                                             [this](const QString& name) { Opened << name; }});
        Window->show();
        return Window.get();
    }
    void Select(const QString& name) {
        const auto found = Window->ListView1->findItems(Trashed(name), Qt::MatchExactly, 2);
        ASSERT_EQ(found.size(), 1);
        Window->ListView1->setCurrentItem(found[0]);
    }
    QString Count() const { return Window->LabelCount->text(); }

    TFakePlatform Fake;
    QStringList InUse;
    QStringList Opened;
    std::unique_ptr<TFormSheetsList> Window;
};

} // namespace

TEST_F(SheetsListTest, LayoutCountAndEsc) {
    TFormSheetsList* w = Open();
    EXPECT_EQ(w->windowTitle(), "Wyrzucone karteczki");
    EXPECT_EQ(Count(), "  Lista wyrzuconych karteczek (0)");
    EXPECT_EQ(w->size(), QSize(744, 550));
    EXPECT_EQ(w->ListView1->geometry(), QRect(10, 30, 724, 481));
    EXPECT_EQ(w->ListView1->headerItem()->text(1), QString::fromUtf8("Treść"));
    EXPECT_EQ(w->ListView1->columnWidth(0), 150);
    EXPECT_TRUE(w->ListView1->isColumnHidden(2));
    EXPECT_EQ((QStringList{w->Button3->text(), w->Button1->text(), w->Button2->text(),
                           w->ButtonOk->text()}),
              (QStringList{QString::fromUtf8("Odzyskaj karteczkę"), QString::fromUtf8("Usuń"),
                           QString::fromUtf8("Usuń wszystkie"), "Zamknij"}));
    w->resize(844, 600);
    EXPECT_EQ(w->ButtonOk->geometry(), QRect(719, 569, 115, 24));
    EXPECT_EQ(w->Button2->geometry(), QRect(285, 569, 114, 24));
    EXPECT_EQ(w->LabelCount->width(), 823);
    QTest::keyClick(w->ListView1, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());

    // Each opening reads the trash afresh; a pipe among the notes is passed over.
    Trash("a.sheet");
    Trash("b.sheet");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Trashed("pipe.sheet")).constData(), 0600), 0);
    Open();
    EXPECT_EQ(Count(), "  Lista wyrzuconych karteczek (2)");
    EXPECT_EQ(Window->ListView1->topLevelItemCount(), 2);
}

TEST_F(SheetsListTest, RestoreAsksThenOpensTheNoteUnderAFreeName) {
    Trash("a.sheet");
    Trash("b.sheet");
    WriteBytes(Sheets() + "a.sheet", "[Sheet]\r\nTitle=żywa\r\n");
    InUse = {"a1.sheet"};
    TFormSheetsList* w = Open();
    w->ActionRestoreExecute(); // nothing selected
    Select("a.sheet");
    Fake.MessageBoxes.Answer(TMsgResult::No);
    w->Button3->click();
    EXPECT_TRUE(QFile::exists(Trashed("a.sheet")));
    Fake.MessageBoxes.Answer(TMsgResult::Yes);
    w->ActionRestoreExecute();
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 2u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[1].Text,
              QString::fromUtf8("Czy przywrócić wyrzuconą karteczkę?"));
    EXPECT_EQ(Fake.MessageBoxes.Shown[1].Icon, TMsgIcon::Question);
    EXPECT_EQ(Opened, QStringList{"a2.sheet"});
    EXPECT_EQ(Count(), "  Lista wyrzuconych karteczek (1)");

    // Gone from the trash under the window: told, and nothing opens.
    QFile::remove(Trashed("b.sheet"));
    Select("b.sheet");
    Fake.MessageBoxes.Answer(TMsgResult::Yes);
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    emit w->ListView1->itemDoubleClicked(w->ListView1->currentItem(), 0);
    EXPECT_EQ(Fake.MessageBoxes.Shown.back().Text,
              QString::fromUtf8("Wystąpił problem z odzyskaniem karteczki!"));
    EXPECT_EQ(Fake.MessageBoxes.Shown.back().Icon, TMsgIcon::Error);
    EXPECT_EQ(Opened.size(), 1);
}

TEST_F(SheetsListTest, DeletesAskWithNoFirstAndSayWhatCouldNotGo) {
    for (const char* name : {"a.sheet", "b.sheet", "c.sheet"})
        Trash(name);
    TFormSheetsList* w = Open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    w->ActionDelExecute(); // nothing selected: no question
    EXPECT_TRUE(Fake.MessageBoxes.Shown.empty());
    // Delete all asks even with no row selected.
    Fake.MessageBoxes.Answer(TMsgResult::No);
    QTest::keyClick(w->ListView1, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Text,
              QString::fromUtf8("Czy usunąć wszystkie wyrzucone karteczki ?"));
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Default, TMsgResult::No);
    EXPECT_EQ(Count(), "  Lista wyrzuconych karteczek (3)");

    // A non-empty directory took b's place: not even root unlinks it.
    QFile::remove(Trashed("b.sheet"));
    QDir().mkpath(Trashed("b.sheet/inside"));
    Select("b.sheet");
    Fake.MessageBoxes.Answer(TMsgResult::Yes);
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    QTest::keyClick(w->ListView1, Qt::Key_Delete);
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 3u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[1].Text,
              QString::fromUtf8("Czy na pewno usunąć wybraną karteczkę?"));
    EXPECT_EQ(Fake.MessageBoxes.Shown[1].Default, TMsgResult::No);
    EXPECT_EQ(Fake.MessageBoxes.Shown[2].Icon, TMsgIcon::Warning);
    EXPECT_EQ(Count(), "  Lista wyrzuconych karteczek (3)") << "the row stays with its file";

    Select("a.sheet");
    Fake.MessageBoxes.Answer(TMsgResult::Yes);
    w->Button1->click();
    EXPECT_FALSE(QFile::exists(Trashed("a.sheet")));
    EXPECT_EQ(Count(), "  Lista wyrzuconych karteczek (2)");

    Select("c.sheet"); // a selected row changes nothing for delete all
    Fake.MessageBoxes.Answer(TMsgResult::Yes);
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    w->Button2->click();
    EXPECT_FALSE(QFile::exists(Trashed("c.sheet")));
    EXPECT_EQ(Fake.MessageBoxes.Shown.back().Text,
              QString::fromUtf8("Liczba karteczek, których nie udało się usunąć: 1."));
    EXPECT_EQ(Count(), "  Lista wyrzuconych karteczek (1)");
    EXPECT_EQ(w->ListView1->topLevelItemCount(), 1);
}
