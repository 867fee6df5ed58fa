#pragma once

#include "common/DateUtils.h"

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

class TMemIniFile;

// How an entry repeats; any other value makes the entry never due.
enum TEntryKind : int {
    KindOnce = 1,
    KindEveryMinutes = 2,
    KindDaily = 3,
    KindWeekly = 4,
    KindMonthly = 5,
    KindYearly = 6,
};

// One scheduler entry. The field names are the keys of its section in the timetable file.
struct TTimetableEntry {
    int kind = 0;
    TDateTime date = 0;         // day of a one-time entry, a whole day
    TDateTime time = 0;         // time of day, whole part 0
    int dayofweek = 0;          // 1 = Monday .. 7 = Sunday
    int dayofmonth = 0;         // 1..31
    int month = 0;              // 1..12
    int minute = 0;             // interval of an every-N-minutes entry
    QString notka;              // lines separated by CR LF
    TDateTime remindafter = 0;  // postponed reminder; 0.0 when none
    int remindbefore = 0;       // early reminder in minutes; 0 for none
    TDateTime lastshowdate = 0; // last acknowledged, inserted or edited
    bool shown = false;         // an alarm window shows the entry; never stored

    bool operator==(const TTimetableEntry&) const = default;
};

// The scheduler's entries, grouped by kind and sorted within a kind, with the timetable file
// "timetable/timetable.ini" in the program directory and the archive of deleted entries beside
// it. None of the operations saves by itself: whoever changes the timetable calls Save.
class TTimetable {
public:
    static constexpr int capacity = 5000;

    TTimetable();

    int count() const { return Count; }
    // The entries in use. Alarm handling changes remindafter, lastshowdate and shown in place.
    std::span<TTimetableEntry> entries() { return {Slots.data(), static_cast<size_t>(Count)}; }
    std::span<const TTimetableEntry> entries() const {
        return {Slots.data(), static_cast<size_t>(Count)};
    }

    // Adds a copy at its sorted place, behind entries with an equal key, stamped with Now().
    // The new index, or -1 when the timetable is full.
    int Insert(const TTimetableEntry& entry);
    // Puts the edited entry at its sorted place instead of the one at `index`, without
    // archiving the old one. The new index; -1 for an index out of range.
    int Replace(int index, const TTimetableEntry& entry);
    // Appends the entry to the archive (its failure is reported) and takes it out.
    void Remove(int index);

    // Writes the whole timetable, keeping eleven earlier versions. On failure the user is told,
    // the previous file stays and the entries stay in memory.
    bool Save();
    // Reads the timetable file into the emptied collection, in the file's order.
    void Load();

    // Grows with every Insert and Remove (a Replace counts as both) and with Load: an entry
    // seen at an index may have moved once it changed.
    std::uint64_t LayoutVersion() const { return Layout; }

    static QString Directory();
    static QString FileName();
    static QString ArchiveFileName();

private:
    bool Archive(const TTimetableEntry& entry);
    bool WriteArchive(bool report);

    std::vector<TTimetableEntry> Slots;
    int Count = 0;
    bool archiveSuppressed = false;
    // An existing file that could not be read is never written over.
    bool Unreadable = false;
    // Deleted entries the archive could not take yet, oldest first.
    std::vector<TTimetableEntry> Unarchived;
    std::uint64_t Layout = 0;
};

// The one timetable of the run.
TTimetable& Timetable();

// Section "TT<index>" with the entry's eleven values in the file's key order; times in the
// time format in force, dates always with four-digit years.
void WriteTimetableEntry(TMemIniFile& ini, const QString& section, const TTimetableEntry& entry);
// Missing or unreadable values take their defaults; nothing is range-checked.
TTimetableEntry ReadTimetableEntry(const TMemIniFile& ini, const QString& section);

// Genitive month name ("Stycznia" ...) for 1..12; "?" otherwise.
QString MonthName(int month);
// The entry's one-line description, in the display formats in force.
QString EntrySummary(const TTimetableEntry& entry);
