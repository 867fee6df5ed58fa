#pragma once

#include "common/DateUtils.h"

#include <QString>

#include <optional>

// The program-wide date and time formats. Format strings use the tokens
// yyyy yy m mm d dd h hh n nn s ss z zzz; "m"/"mm" right after an hour token mean minutes;
// "/" stands for the date separator and ":" for the time separator.
struct TFormatSettings {
    QString ShortDateFormat;
    QString LongDateFormat;
    QString ShortTimeFormat;
    QString LongTimeFormat;
    QChar DateSeparator;
    QChar TimeSeparator;
};

TFormatSettings& FormatSettings();

// "yyyy-mm-dd" and "hh:mm": set once while the main window is built.
void SetStartFormats();
// "yyyymmdd" and "hhmmss": only while a new note's file name is built.
void SetNamingFormats();
// "yy/mm/dd" and "hh:mm:ss": in force for the rest of the run after the first new note.
void SetAfterNamingFormats();

QString FormatDateTime(const QString& format, TDateTime t);
QString FormatDate(TDateTime t);   // short date format in force
QString FormatTime(TDateTime t);   // long time format in force
QString FormatMoment(TDateTime t); // date, and " time" unless the time is 00:00:00

// Dates written into files always carry a four-digit year, whatever the display format:
// a two-digit "99-12-30" would read back as 2099.
QString FormatFileDate(TDateTime t);
QString FormatFileMoment(TDateTime t); // file date, and " time" in the time format in force

// Year-month-day with "-" (also "/"); a year of one or two digits means 2000-2099.
std::optional<TDateTime> ParseDate(const QString& text);
// Hours and minutes with optional seconds, separated by ":".
std::optional<TDateTime> ParseTime(const QString& text);
// A date, optionally followed by blanks and a time.
std::optional<TDateTime> ParseMoment(const QString& text);

// Puts "hh:mm:ss" in force as the short and long time format for its lifetime, then
// restores the time format that was in force (the long one then equals the short one).
class TScopedFileTimeFormat {
public:
    TScopedFileTimeFormat();
    ~TScopedFileTimeFormat();
    TScopedFileTimeFormat(const TScopedFileTimeFormat&) = delete;
    TScopedFileTimeFormat& operator=(const TScopedFileTimeFormat&) = delete;

private:
    QString SavedShortTime;
};
