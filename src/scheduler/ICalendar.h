#pragma once

#include "scheduler/Timetable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <span>
#include <vector>

// The timetable in the iCalendar format (RFC 5545), read and written through libical.

// Every entry as one event of one calendar, in the system's time zone; an entry that never falls
// due (a day no month has, an interval of 0), or whose interval is beyond the format (over 22
// days and not in whole hours), is left out.
QByteArray ExportICalendar(std::span<const TTimetableEntry> entries);

// What a file brings, before anything is added.
struct TICalendarImport {
    // False when the file is not iCalendar at all; `Error` then says why, in Polish, with %1
    // where the file's name goes.
    bool Readable = false;
    QString Error;
    // The entries to add: none that the timetable, or the file before it, already holds.
    std::vector<TTimetableEntry> Entries;
    int Duplicates = 0;
    // Events that no kind of entry expresses, and for the first few "summary: why".
    int LeftOut = 0;
    QStringList LeftOutNotes;
};
TICalendarImport ReadICalendar(const QByteArray& data, std::span<const TTimetableEntry> existing);

// How an import into the timetable ended, for the one message the user is shown.
struct TICalendarOutcome {
    bool Changed = false; // entries were added and the timetable saved
    bool Failed = false;  // nothing added: unreadable file, full timetable, failed save
    QString Message;      // Polish
};
// Reads the file, adds what it brings (all or nothing: nothing when they would pass the
// timetable's capacity) and saves the timetable once, through its crash-safe save.
TICalendarOutcome ImportICalendarFile(TTimetable& timetable, const QString& path);
// Writes the whole timetable to `path`, replacing it safely. False with `error` (Polish) set.
bool ExportICalendarFile(const TTimetable& timetable, const QString& path, QString& error);
