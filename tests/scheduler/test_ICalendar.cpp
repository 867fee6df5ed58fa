#include "scheduler/ICalendar.h"

#include "common/Formats.h"
#include "scheduler/SchedulerTick.h"
#include "support/FakePlatform.h"

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <gtest/gtest.h>

#include <libical/ical.h>

#include <cstdlib>
#include <ctime>

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, 0);
}

TTimetableEntry Entry(int kind, const QString& note = {}) {
    TTimetableEntry e;
    e.kind = kind;
    e.notka = note;
    return e;
}

TTimetableEntry Once(int y, int mo, int d, int h, int mi, const QString& note = {}) {
    TTimetableEntry e = Entry(KindOnce, note);
    e.date = EncodeDate(y, mo, d);
    e.time = EncodeTime(h, mi, 0, 0);
    return e;
}

TTimetableEntry Every(int minutes, TDateTime last, const QString& note = {}) {
    TTimetableEntry e = Entry(KindEveryMinutes, note);
    e.minute = minutes;
    e.lastshowdate = last;
    return e;
}

TTimetableEntry Daily(int h, int mi, const QString& note = {}) {
    TTimetableEntry e = Entry(KindDaily, note);
    e.time = EncodeTime(h, mi, 0, 0);
    return e;
}

TTimetableEntry Weekly(int day, int h, int mi, const QString& note = {}) {
    TTimetableEntry e = Daily(h, mi, note);
    e.kind = KindWeekly;
    e.dayofweek = day;
    return e;
}

TTimetableEntry Monthly(int day, const QString& note = {}) {
    TTimetableEntry e = Entry(KindMonthly, note);
    e.dayofmonth = day;
    return e;
}

TTimetableEntry Yearly(int month, int day, const QString& note = {}) {
    TTimetableEntry e = Monthly(day, note);
    e.kind = KindYearly;
    e.month = month;
    return e;
}

TTimetableEntry Reminded(TTimetableEntry e, int minutes) {
    e.remindbefore = minutes;
    return e;
}

// The unfolded content lines of each event, its alarms included.
QList<QStringList> Events(const QByteArray& ics) {
    QList<QStringList> events;
    QStringList* current = nullptr;
    for (const QString& line : QString::fromUtf8(ics).replace("\r\n ", "").split("\r\n")) {
        if (line == "BEGIN:VEVENT")
            current = &events.emplaceBack();
        else if (line == "END:VEVENT")
            current = nullptr;
        else if (current)
            *current << line;
    }
    return events;
}

// The event's line of that property, empty when it has none.
QString Line(const QStringList& event, const QString& name) {
    for (const QString& line : event)
        if (line.startsWith(name + ':') || line.startsWith(name + ';'))
            return line;
    return {};
}

QByteArray Calendar(const QByteArray& events) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//Test//EN\r\n" + events +
           "END:VCALENDAR\r\n";
}

QByteArray Event(const QByteArray& summary, const QByteArray& lines) {
    return "BEGIN:VEVENT\r\nSUMMARY:" + summary + "\r\n" + lines + "END:VEVENT\r\n";
}

class ICalendarTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStartFormats();
        qputenv("TZ", "Europe/Warsaw");
        tzset();
        P.Clock.Value = At(2027, 3, 20, 10, 0);
    }
    void TearDown() override {
        if (HadTz)
            qputenv("TZ", SavedTz);
        else
            qunsetenv("TZ");
        tzset();
        SetStartFormats();
    }

    QString File(const QString& name, const QByteArray& bytes) {
        const QString path = P.Directory.Dir() + '/' + name;
        WriteBytes(path, bytes);
        return path;
    }

    const bool HadTz = qEnvironmentVariableIsSet("TZ");
    const QByteArray SavedTz = qgetenv("TZ");
    TFakePlatform P;
    TTimetable T;
};

TEST_F(ICalendarTest, ExportWritesEachEntryAsAnEventWithItsRuleAndReminder) {
    const std::vector<TTimetableEntry> entries{
        Reminded(Once(2027, 4, 2, 14, 30, QString::fromUtf8("Dentysta\r\nul. Długa 5")), 30),
        Every(45, At(2027, 3, 20, 9, 40)),
        Daily(7, 15),
        Weekly(5, 18, 0, QStringLiteral("Basen")),
        Reminded(Monthly(31, QStringLiteral("Czynsz")), 1440),
        Yearly(2, 29, QStringLiteral("Urodziny Oli")),
    };
    const QByteArray ics = ExportICalendar(entries);
    EXPECT_TRUE(ics.startsWith("BEGIN:VCALENDAR\r\n"));
    EXPECT_TRUE(ics.contains("\r\nPRODID:-//Quorvel//Notella//PL\r\nVERSION:2.0\r\n"));
    EXPECT_TRUE(ics.contains("\r\nBEGIN:VTIMEZONE\r\nTZID:Europe/Warsaw\r\n"));
    const QList<QStringList> events = Events(ics);
    ASSERT_EQ(events.size(), 6);
    // Repeating entries start at their first occurrence on or after the day of the export;
    // an every-N-minutes entry an interval after its last acknowledgement.
    const QString zone = QStringLiteral("DTSTART;TZID=Europe/Warsaw:");
    const QStringList starts{"20270402T143000", "20270320T102500", "20270320T071500",
                             "20270326T180000", "20270331T000000", "20280229T000000"};
    const QStringList rules{"",
                            "RRULE:FREQ=MINUTELY;INTERVAL=45",
                            "RRULE:FREQ=DAILY",
                            "RRULE:FREQ=WEEKLY;BYDAY=FR",
                            "RRULE:FREQ=MONTHLY;BYMONTHDAY=31",
                            "RRULE:FREQ=YEARLY;BYMONTHDAY=29;BYMONTH=2"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Line(events[i], "DTSTART"), zone + starts[i]) << i;
        EXPECT_EQ(Line(events[i], "RRULE"), rules[i]) << i;
        EXPECT_EQ(Line(events[i], "DTSTAMP"), "DTSTAMP:20270320T090000Z") << i;
    }
    EXPECT_EQ(Line(events[0], "SUMMARY"), "SUMMARY:Dentysta");
    EXPECT_EQ(Line(events[0], "DESCRIPTION"),
              QString::fromUtf8("DESCRIPTION:Dentysta\\nul. Długa 5"));
    EXPECT_EQ(events[0].mid(events[0].indexOf("BEGIN:VALARM")),
              QStringList({"BEGIN:VALARM", "ACTION:DISPLAY", "DESCRIPTION:Dentysta",
                           "TRIGGER:-PT30M", "END:VALARM"}));
    EXPECT_TRUE(events[4].contains("TRIGGER:-P1D"));
    EXPECT_FALSE(events[3].contains("BEGIN:VALARM"));
    // Without a note the entry's own description names the event.
    EXPECT_EQ(Line(events[2], "SUMMARY"), "SUMMARY:" + EntrySummary(entries[2]));
    EXPECT_EQ(Line(events[2], "DESCRIPTION"), "");

    // A UID stays while the entry stays, whatever its acknowledgements and postponements.
    auto uids = [](const QByteArray& text) {
        QStringList list;
        for (const QStringList& event : Events(text))
            list << Line(event, "UID");
        return list;
    };
    std::vector<TTimetableEntry> later = entries;
    later[1].lastshowdate = At(2027, 3, 21, 7, 50);
    later[2].remindafter = At(2027, 3, 21, 7, 20);
    later.push_back(entries[0]);
    P.Clock.Value = At(2027, 3, 21, 8, 0);
    const QStringList first = uids(ics);
    const QStringList second = uids(ExportICalendar(later));
    ASSERT_EQ(second.size(), 7);
    EXPECT_EQ(second.mid(0, 6), first);
    EXPECT_EQ(QSet<QString>(second.begin(), second.end()).size(), 7);
    for (const QString& uid : second)
        EXPECT_TRUE(uid.startsWith("UID:") && uid.endsWith("@notella")) << qPrintable(uid);
}

TEST_F(ICalendarTest, ExportedRulesExpandToTheMomentsTheSchedulerAlarms) {
    // A year with both changes of summer time, months of every length and 29 February 2028.
    const TDateTime from = At(2027, 3, 20);
    const TDateTime to = At(2028, 3, 20);
    std::vector<TTimetableEntry> entries{
        Once(2027, 10, 31, 2, 30), // in the hour the clock goes through twice
        Every(30, At(2027, 3, 20, 9, 30)),
        Daily(7, 15),
        Weekly(7, 12, 0),
        Monthly(31),
        Monthly(29),
        Yearly(2, 29),
    };
    for (TTimetableEntry& e : entries)
        if (e.kind != KindEveryMinutes)
            e.lastshowdate = from - OneMinute;
    const QByteArray ics = ExportICalendar(entries);

    // What a calendar program shows: the exported rules expanded by libical.
    std::vector<std::vector<std::int64_t>> shown;
    icalcomponent* root = icalparser_parse_string(ics.constData());
    ASSERT_NE(root, nullptr);
    for (icalcomponent* event = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT);
         event; event = icalcomponent_get_next_component(root, ICAL_VEVENT_COMPONENT)) {
        const icaltimetype start = icalcomponent_get_dtstart(event);
        icalproperty* rule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
        icalrecur_iterator* it =
            rule ? icalrecur_iterator_new(icalproperty_get_rrule(rule), start) : nullptr;
        std::vector<std::int64_t>& moments = shown.emplace_back();
        for (icaltimetype t = it ? icalrecur_iterator_next(it) : start;
             !icaltime_is_null_time(t) && moments.size() < 20000;
             t = it ? icalrecur_iterator_next(it) : icaltime_null_time()) {
            const std::int64_t m = WholeMinutes(At(t.year, t.month, t.day, t.hour, t.minute));
            if (m >= WholeMinutes(to))
                break;
            moments.push_back(m);
        }
        if (it)
            icalrecur_iterator_free(it);
    }
    icalcomponent_free(root);

    // What the scheduler does while the clock runs through the year in quarters of an hour
    // (every moment above lies on one), each alarm acknowledged at once.
    std::vector<std::vector<std::int64_t>> alarmed(entries.size());
    std::tm start{};
    start.tm_year = 2027 - 1900;
    start.tm_mon = 2;
    start.tm_mday = 20;
    start.tm_isdst = -1;
    for (std::time_t t = std::mktime(&start);; t += 15 * 60) {
        std::tm c{};
        localtime_r(&t, &c);
        const TDateTime now = At(c.tm_year + 1900, c.tm_mon + 1, c.tm_mday, c.tm_hour, c.tm_min);
        if (now >= to)
            break;
        for (size_t i = 0; i < entries.size(); ++i) {
            TTimetableEntry& e = entries[i];
            const auto due = ComputeDue(e, now);
            if (due && e.lastshowdate < *due && now >= *due) {
                alarmed[i].push_back(WholeMinutes(now));
                e.lastshowdate = now;
            }
        }
    }
    ASSERT_EQ(shown.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(shown[i], alarmed[i]) << "entry " << i;
    // The year holds what it is meant to: the hour skipped in spring, the 29th of February.
    const auto& halfHours = alarmed[1];
    const auto skipped =
        std::find(halfHours.begin(), halfHours.end(), WholeMinutes(At(2027, 3, 28, 1, 30)));
    ASSERT_NE(skipped, halfHours.end());
    EXPECT_EQ(skipped[1], WholeMinutes(At(2027, 3, 28, 3, 0)));
    EXPECT_EQ(alarmed[4].size(), 7u);
    EXPECT_EQ(alarmed[5].size(), 12u);
    EXPECT_EQ(alarmed[6], std::vector<std::int64_t>{WholeMinutes(At(2028, 2, 29))});
}

TEST_F(ICalendarTest, ImportReadsEveryFormAKindExpresses) {
    const QByteArray ics = Calendar(
        // UTC, and an alarm a quarter of an hour ahead.
        Event("Lot do Rzymu", "DTSTART:20270401T120000Z\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\n"
                              "TRIGGER:-PT15M\r\nEND:VALARM\r\n") +
        // Another zone: New York is five hours behind Warsaw in that week.
        Event("Telekonferencja", "DTSTART;TZID=America/New_York:20270322T090000\r\n"
                                 "RRULE:FREQ=DAILY\r\nDESCRIPTION:Link w zaproszeniu\r\n") +
        Event("Joga", "DTSTART:20270322T073000\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,WE,FR\r\n") +
        Event("Czynsz", "DTSTART;VALUE=DATE:20270315\r\nRRULE:FREQ=MONTHLY\r\n") +
        // Of two alarms the earlier one.
        Event("Urodziny", "DTSTART;VALUE=DATE:20280229\r\n"
                          "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29\r\n"
                          "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT10M\r\nEND:VALARM\r\n"
                          "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-P1D\r\nEND:VALARM\r\n") +
        Event("Leki", "DTSTART:20270320T093000\r\nRRULE:FREQ=MINUTELY;INTERVAL=20\r\n") +
        Event("Przerwa", "DTSTART:20270320T080000\r\nRRULE:FREQ=HOURLY;INTERVAL=2\r\n") +
        // A zone nobody knows: local time.
        Event("Na Marsie", "DTSTART;TZID=Mars/Olympus:20270405T080000\r\n") +
        // Not UTF-8.
        Event("Kaw\xE9", "DTSTART:20270406T090000\r\n") +
        // Monday 23:30 UTC is Tuesday 0:30 in Warsaw.
        Event("Raport", "DTSTART:20270322T233000Z\r\nRRULE:FREQ=WEEKLY;BYDAY=MO\r\n"));
    const TICalendarImport read = ReadICalendar(ics, {});
    ASSERT_TRUE(read.Readable);
    EXPECT_EQ(read.LeftOut, 0);
    EXPECT_EQ(read.Duplicates, 0);
    const std::vector<TTimetableEntry> expected{
        Reminded(Once(2027, 4, 1, 14, 0, QStringLiteral("Lot do Rzymu")), 15),
        Daily(14, 0, QStringLiteral("Telekonferencja\r\nLink w zaproszeniu")),
        Weekly(1, 7, 30, QStringLiteral("Joga")),
        Weekly(3, 7, 30, QStringLiteral("Joga")),
        Weekly(5, 7, 30, QStringLiteral("Joga")),
        Monthly(15, QStringLiteral("Czynsz")),
        Reminded(Yearly(2, 29, QStringLiteral("Urodziny")), 1440),
        // The next one at its place in the series: 10:10, and 10:00.
        Every(20, At(2027, 3, 20, 9, 50), QStringLiteral("Leki")),
        Every(120, At(2027, 3, 20, 8, 0), QStringLiteral("Przerwa")),
        Once(2027, 4, 5, 8, 0, QStringLiteral("Na Marsie")),
        Once(2027, 4, 6, 9, 0, QString::fromUtf8("Kaw\uFFFD")),
        Weekly(2, 0, 30, QStringLiteral("Raport")),
    };
    ASSERT_EQ(read.Entries.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(read.Entries[i], expected[i]) << i << ": " << qPrintable(read.Entries[i].notka);

    // A byte-order mark, UTF-8 or UTF-16, is no obstacle.
    const QByteArray one = Calendar(Event("Zupa", "DTSTART:20270406T130000\r\n"));
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    for (const QByteArray& bytes :
         {QByteArray("\xEF\xBB\xBF") + one, QByteArray(utf16(QString::fromUtf8(one)))}) {
        const TICalendarImport marked = ReadICalendar(bytes, {});
        ASSERT_EQ(marked.Entries.size(), 1u);
        EXPECT_EQ(marked.Entries[0], Once(2027, 4, 6, 13, 0, QStringLiteral("Zupa")));
    }
}

TEST_F(ICalendarTest, ImportLeavesOutWhatNoKindExpressesAndSaysWhy) {
    const QString path = File(
        "mix.ics",
        Calendar(Event("Wizyta", "DTSTART:20270401T100000\r\n") +
                 Event("Zebranie", "DTSTART:20270322T100000\r\nRRULE:FREQ=WEEKLY;INTERVAL=2\r\n") +
                 Event("Kurs", "DTSTART:20270322T100000\r\nRRULE:FREQ=DAILY;COUNT=5\r\n") +
                 Event("Stary", "DTSTART:20250106T100000\r\n"
                                "RRULE:FREQ=WEEKLY;UNTIL=20260101T000000Z\r\n") +
                 Event("Wywóz", "DTSTART:20270309T070000\r\nRRULE:FREQ=MONTHLY;BYDAY=2TU\r\n") +
                 Event("Ostatni", "DTSTART:20270331T100000\r\n"
                                  "RRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1\r\n") +
                 Event("Bez daty", "") + Event("Historia", "DTSTART:18501010T100000\r\n") +
                 Event("Bzdura", "DTSTART:20270322T100000\r\nRRULE:FREQ=CZASEM;INTERVAL=x\r\n")));
    const TICalendarOutcome outcome = ImportICalendarFile(T, path);
    EXPECT_TRUE(outcome.Changed);
    EXPECT_FALSE(outcome.Failed);
    EXPECT_EQ(outcome.Message,
              QString::fromUtf8("Dodano 1 wpis do terminarza.\n\n"
                                "Pominięto 8 wydarzeń, których nie da się zapisać w terminarzu:\n"
                                "Zebranie: powtarzanie co 2 tygodnie\n"
                                "Kurs: powtarzanie 5 razy\n"
                                "Stary: powtarzanie zakończone 2026-01-01\n"
                                "Wywóz: powtarzanie w określony dzień tygodnia\n"
                                "Ostatni: złożona reguła powtarzania\n"
                                "(i jeszcze 3 wydarzenia)"));
    TTimetable saved;
    saved.Load();
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(saved.entries()[0].notka, "Wizyta");
}

TEST_F(ICalendarTest, ImportOfAFileThatIsNoCalendarAddsNothingAndSaysWhy) {
    const QString big = P.Directory.Dir() + "/duzy.ics";
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(50 * 1024 * 1024));
    }
    const QByteArray calendar =
        Calendar(Event("Wizyta", "DTSTART:20270401T100000\r\n") + Event("Kawa", ""));
    const struct {
        QString Path;
        const char* Message;
    } cases[] = {
        {File("notatka.txt", "Zakupy: mleko, chleb\n"), "Plik \"%1\" nie jest plikiem iCalendar."},
        {File("obciety.ics", calendar.left(calendar.size() - 40)),
         "Plik \"%1\" jest niekompletny lub uszkodzony: nie zaimportowano z niego niczego."},
        {File("pusty.ics", Calendar("BEGIN:VTODO\r\nSUMMARY:Zadanie\r\nEND:VTODO\r\n")),
         "W pliku \"%1\" nie ma wydarzeń."},
        {P.Directory.Dir() + "/brak.ics", "Nie można odczytać pliku \"%1\"."},
        {big, "Plik \"%1\" jest za duży: terminarz przyjmuje kalendarze do 20 MB."},
    };
    for (const auto& c : cases) {
        const TICalendarOutcome outcome = ImportICalendarFile(T, c.Path);
        EXPECT_TRUE(outcome.Failed) << qPrintable(c.Path);
        EXPECT_FALSE(outcome.Changed) << qPrintable(c.Path);
        EXPECT_EQ(outcome.Message, QString::fromUtf8(c.Message).arg(c.Path));
    }
    EXPECT_EQ(T.count(), 0);
    EXPECT_FALSE(QFileInfo::exists(TTimetable::FileName()));
}

TEST_F(ICalendarTest, ImportSkipsEntriesTheTimetableHoldsAlready) {
    T.Insert(Daily(8, 0, QStringLiteral("Kawa")));
    const QString path = File(
        "dup.ics", Calendar(Event("Kawa", "DTSTART:20270101T080000\r\nRRULE:FREQ=DAILY\r\n") +
                            Event("Spacer", "DTSTART:20270322T170000\r\nRRULE:FREQ=WEEKLY\r\n") +
                            Event("Spacer", "DTSTART:20270322T170000\r\nRRULE:FREQ=WEEKLY\r\n") +
                            Event("Lekarz", "DTSTART:20270402T090000\r\n")));
    const TICalendarOutcome first = ImportICalendarFile(T, path);
    EXPECT_EQ(first.Message, QString::fromUtf8("Dodano 2 wpisy do terminarza.\n\n"
                                               "Pominięto 2 wpisy, które już są w terminarzu."));
    EXPECT_EQ(T.count(), 3);
    const TICalendarOutcome again = ImportICalendarFile(T, path);
    EXPECT_FALSE(again.Changed);
    EXPECT_FALSE(again.Failed);
    EXPECT_EQ(again.Message, QString::fromUtf8("Nie dodano żadnego wpisu do terminarza.\n\n"
                                               "Pominięto 4 wpisy, które już są w terminarzu."));
    EXPECT_EQ(T.count(), 3);
}

TEST_F(ICalendarTest, ImportThatWouldPassTheCapacityAddsNothing) {
    const QString full = QString::fromUtf8(
        "Terminarz jest pełny (5000 wpisów). Usuń niepotrzebne wpisy, aby dodać nowy.");
    for (int i = 0; i < TTimetable::capacity - 1; ++i)
        T.Insert(Once(2027, 4, 1, 10, 0));
    const QString two = File("two.ics", Calendar(Event("A", "DTSTART:20280101T100000\r\n") +
                                                 Event("B", "DTSTART:20280102T100000\r\n")));
    TICalendarOutcome outcome = ImportICalendarFile(T, two);
    EXPECT_TRUE(outcome.Failed);
    EXPECT_FALSE(outcome.Changed);
    EXPECT_EQ(outcome.Message, full);
    EXPECT_EQ(T.count(), TTimetable::capacity - 1);
    EXPECT_FALSE(QFileInfo::exists(TTimetable::FileName()));

    QByteArray many;
    for (int i = 0; i < 10000; ++i)
        many += Event("E" + QByteArray::number(i), "DTSTART:20280101T100000\r\n");
    TTimetable empty;
    outcome = ImportICalendarFile(empty, File("many.ics", Calendar(many)));
    EXPECT_EQ(outcome.Message, full);
    EXPECT_EQ(empty.count(), 0);
}

TEST_F(ICalendarTest, ExportedTimetableImportsAsTheSameEntries) {
    TTimetableEntry once = Once(2027, 5, 3, 14, 30, QString::fromUtf8("Zażółć\r\ngęślą jaźń"));
    once.time = EncodeTime(14, 30, 15, 0);
    for (const TTimetableEntry& e : {
             once,
             Every(45, 0, QStringLiteral("Woda")),
             Daily(7, 15),
             Reminded(Weekly(5, 18, 0, QStringLiteral("Basen")), 60),
             Reminded(Monthly(31, QStringLiteral("Czynsz\r\n\r\nprzelew")), 1440),
             Yearly(2, 29, QStringLiteral("Urodziny Oli\r\n  tort: 18:00")),
         })
        T.Insert(e);
    const QString path = P.Directory.Dir() + "/terminarz.ics";
    QString error;
    ASSERT_TRUE(ExportICalendarFile(T, path, error)) << qPrintable(error);

    TTimetable imported;
    const TICalendarOutcome outcome = ImportICalendarFile(imported, path);
    EXPECT_TRUE(outcome.Changed);
    EXPECT_EQ(outcome.Message, QString::fromUtf8("Dodano 6 wpisów do terminarza."));
    ASSERT_EQ(imported.count(), T.count());
    for (int i = 0; i < T.count(); ++i)
        EXPECT_EQ(imported.entries()[i], T.entries()[i]) << i;
    TTimetable saved;
    saved.Load();
    EXPECT_EQ(saved.count(), T.count());

    // A file where the folder should be.
    WriteBytes(P.Directory.Dir() + "/plik", "x");
    EXPECT_FALSE(ExportICalendarFile(T, P.Directory.Dir() + "/plik/terminarz.ics", error));
    EXPECT_TRUE(error.startsWith(QString::fromUtf8("Nie można zapisać pliku \"")))
        << qPrintable(error);
}

} // namespace
