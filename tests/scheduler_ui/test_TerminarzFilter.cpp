#include "scheduler_ui/TerminarzFilter.h"

#include "support/PrintQString.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

TTimetableEntry Entry(int kind, const QString& note) {
    TTimetableEntry e;
    e.kind = kind;
    e.notka = note;
    return e;
}

// The process in the plain C locale for the test's lifetime, as under LANG=C.
class TCLocale {
public:
    TCLocale() : Saved(std::setlocale(LC_ALL, nullptr)), SavedQt(QLocale()) {
        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(QLocale::c());
    }
    ~TCLocale() {
        std::setlocale(LC_ALL, Saved.c_str());
        QLocale::setDefault(SavedQt);
    }

private:
    std::string Saved;
    QLocale SavedQt;
};

} // namespace

TEST(TerminarzFilterTest, KindAndTextFiltersLetThroughTheirEntriesInTimetableOrder) {
    const std::vector<TTimetableEntry> entries{
        Entry(KindOnce, "Lekarz"),        Entry(KindDaily, "LEKI\r\nrano"),
        Entry(KindDaily, "spacer"),       Entry(KindWeekly, "Zakupy"),
        Entry(0, "bez rodzaju lek"),      Entry(99, "nieznany"),
        Entry(KindYearly, "Urodziny Ąni")};
    EXPECT_EQ(FilterEntries(entries, {}), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(FilterEntries(entries, {KindDaily, {}}), (std::vector<int>{1, 2}));
    EXPECT_EQ(FilterEntries(entries, {0, "lek"}), (std::vector<int>{0, 1, 4}));
    EXPECT_EQ(FilterEntries(entries, {KindDaily, "lek"}), (std::vector<int>{1}));
    EXPECT_EQ(FilterEntries(entries, {0, "KI\r\nRA"}), (std::vector<int>{1})) << "across lines";
    EXPECT_EQ(FilterEntries(entries, {0, "ąni"}), (std::vector<int>{6}));
    EXPECT_TRUE(FilterEntries(entries, {0, "dentysta"}).empty());
    EXPECT_TRUE(FilterEntries(entries, {KindMonthly, {}}).empty());
    EXPECT_TRUE(FilterEntries({}, {0, "x"}).empty());
}

// Matching may not depend on the process locale, and a letter typed whole matches the same
// letter written as a base and a combining mark.
TEST(TerminarzFilterTest, PolishLettersMatchInEitherCaseUnderTheCLocale) {
    const TCLocale c;
    const QString decomposed = QStringLiteral("Zaz") + QChar(0x0307) + QStringLiteral("o") +
                               QChar(0x0301) + QStringLiteral("łć");
    for (const auto& [note, text] :
         std::vector<std::pair<QString, QString>>{{"ZAŻÓŁĆ GĘŚLĄ JAŹŃ", "zażółć gęślą jaźń"},
                                                  {"zażółć gęślą jaźń", "ZAŻÓŁĆ GĘŚLĄ JAŹŃ"},
                                                  {"Ą", "ą"},
                                                  {decomposed, "żółć"},
                                                  {"ZAŻÓŁĆ", decomposed.toLower()}}) {
        EXPECT_TRUE(TTextFilter(text).Matches(note)) << text.toStdString() << " in " << note.toStdString();
    }
    EXPECT_FALSE(TTextFilter("ą").Matches("a"));
    EXPECT_FALSE(TTextFilter("l").Matches("Ł"));
    EXPECT_TRUE(TTextFilter("").Matches(""));
}

TEST(TerminarzFilterTest, CountsDescriptionAndNoteColumnTexts) {
    EXPECT_EQ(CountText(3, 12), "(3/12)");
    EXPECT_EQ(CountText(0, 0), "(0/0)");
    EXPECT_EQ(FilterDescription(0, {}), "Wszystkie");
    EXPECT_EQ(FilterDescription(KindDaily, "lek"), "Codzienne (lek)");
    EXPECT_EQ(FilterDescription(KindMonthly, "ż"), "Comiesięczne (ż)");
    EXPECT_EQ(KindFilterNames(), (QStringList{"Wszystkie", "Jednorazowe", "Co X minut", "Codzienne",
                                              "Cotygodniowe", "Comiesięczne", "Coroczne"}));
    EXPECT_EQ(NoteColumnText("a\r\nb"), "a | b");
    EXPECT_EQ(NoteColumnText("a\r\n\r\nb\nc"), "a |  | b | c");
}

TEST(TerminarzFilterTest, TheSelectionGoesToTheLastListedEntryNotPastTheIndex) {
    const std::vector<int> listed{2, 5, 9};
    EXPECT_EQ(RowForIndex(listed, 5), 1);
    EXPECT_EQ(RowForIndex(listed, 7), 1) << "an entry the filters hide";
    EXPECT_EQ(RowForIndex(listed, 40), 2);
    EXPECT_EQ(RowForIndex(listed, 1), 0) << "none before it: the first row";
    EXPECT_EQ(RowForIndex(listed, -1), 0);
    EXPECT_EQ(RowForIndex({}, 3), 0);
}
