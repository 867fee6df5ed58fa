#include "common/Formats.h"

#include <algorithm>
#include <initializer_list>

TFormatSettings& FormatSettings() {
    static TFormatSettings settings{"yyyy-mm-dd", "yyyy-mm-dd", "hh:mm", "hh:mm", '-', ':'};
    return settings;
}

namespace {

void SetFormats(const QString& date, const QString& time) {
    TFormatSettings& f = FormatSettings();
    f.ShortDateFormat = f.LongDateFormat = date;
    f.ShortTimeFormat = f.LongTimeFormat = time;
    f.DateSeparator = '-';
    f.TimeSeparator = ':';
}

QString Pad(int value, int width) {
    return QString::number(value).rightJustified(width, '0');
}

int RunLength(const QString& s, int i) {
    const QChar c = s[i].toLower();
    int n = 1;
    while (i + n < s.size() && s[i + n].toLower() == c)
        ++n;
    return n;
}

} // namespace

void SetStartFormats() {
    SetFormats("yyyy-mm-dd", "hh:mm");
}

void SetNamingFormats() {
    SetFormats("yyyymmdd", "hhmmss");
}

void SetAfterNamingFormats() {
    SetFormats("yy/mm/dd", "hh:mm:ss");
}

QString FormatDateTime(const QString& format, TDateTime t) {
    const TDateParts d = DecodeDate(t);
    const TTimeParts tm = DecodeTime(t);
    const TFormatSettings& fs = FormatSettings();
    QString out;
    bool afterHour = false;
    for (int i = 0; i < format.size();) {
        const QChar c = format[i].toLower();
        const int n = RunLength(format, i);
        if (c == 'y') {
            out += n <= 2 ? Pad(d.Year % 100, 2) : Pad(d.Year, 4);
            afterHour = false;
        } else if (c == 'm') {
            const int value = afterHour ? tm.Minute : d.Month;
            out += n >= 2 ? Pad(value, 2) : QString::number(value);
            afterHour = false;
        } else if (c == 'd') {
            out += n >= 2 ? Pad(d.Day, 2) : QString::number(d.Day);
            afterHour = false;
        } else if (c == 'h') {
            out += n >= 2 ? Pad(tm.Hour, 2) : QString::number(tm.Hour);
            afterHour = true;
        } else if (c == 'n') {
            out += n >= 2 ? Pad(tm.Minute, 2) : QString::number(tm.Minute);
            afterHour = false;
        } else if (c == 's') {
            out += n >= 2 ? Pad(tm.Second, 2) : QString::number(tm.Second);
            afterHour = false;
        } else if (c == 'z') {
            out += n >= 3 ? Pad(tm.MSec, 3) : QString::number(tm.MSec);
            afterHour = false;
        } else {
            // Separators and literals keep the hour context, as in "hh:mm".
            for (int k = 0; k < n; ++k)
                out += c == '/' ? fs.DateSeparator : c == ':' ? fs.TimeSeparator : format[i + k];
        }
        i += n;
    }
    return out;
}

QString FormatDate(TDateTime t) {
    return FormatDateTime(FormatSettings().ShortDateFormat, t);
}

QString FormatTime(TDateTime t) {
    return FormatDateTime(FormatSettings().LongTimeFormat, t);
}

namespace {

bool IsMidnight(TDateTime t) {
    const TTimeParts p = DecodeTime(t);
    return p.Hour == 0 && p.Minute == 0 && p.Second == 0;
}

QString WithTime(const QString& date, TDateTime t) {
    return IsMidnight(t) ? date : date + ' ' + FormatTime(t);
}

} // namespace

QString FormatMoment(TDateTime t) {
    return WithTime(FormatDate(t), t);
}

QString FormatFileDate(TDateTime t) {
    return FormatDateTime("yyyy-mm-dd", t);
}

QString FormatFileMoment(TDateTime t) {
    return WithTime(FormatFileDate(t), t);
}

namespace {

// A number of 1 to `most` ASCII digits at `at`, which moves past them; -1 when there is none
// or it is longer.
int TakeNumber(QStringView s, qsizetype& at, int most, int* length = nullptr) {
    qsizetype end = at;
    while (end < s.size() && s[end] >= u'0' && s[end] <= u'9')
        ++end;
    if (end == at || end - at > most)
        return -1;
    int n = 0;
    for (qsizetype i = at; i < end; ++i)
        n = n * 10 + (s[i].unicode() - u'0');
    if (length)
        *length = int(end - at);
    at = end;
    return n;
}

bool TakeChar(QStringView s, qsizetype& at, std::initializer_list<char16_t> any) {
    if (at >= s.size() || std::find(any.begin(), any.end(), s[at].unicode()) == any.end())
        return false;
    ++at;
    return true;
}

} // namespace

// y-m-d or y/m/d; a year of one or two digits is in this century.
std::optional<TDateTime> ParseDate(const QString& text) {
    const QStringView s = QStringView(text).trimmed();
    qsizetype at = 0;
    int yearDigits = 0;
    int year = TakeNumber(s, at, 4, &yearDigits);
    if (year < 0 || !TakeChar(s, at, {u'-', u'/'}))
        return std::nullopt;
    const int month = TakeNumber(s, at, 2);
    if (month < 0 || !TakeChar(s, at, {u'-', u'/'}))
        return std::nullopt;
    const int day = TakeNumber(s, at, 2);
    if (day < 0 || at != s.size())
        return std::nullopt;
    if (yearDigits <= 2)
        year += 2000;
    return TryEncodeDate(year, month, day);
}

// h:m or h:m:s.
std::optional<TDateTime> ParseTime(const QString& text) {
    const QStringView s = QStringView(text).trimmed();
    qsizetype at = 0;
    const int hour = TakeNumber(s, at, 2);
    if (hour < 0 || !TakeChar(s, at, {u':'}))
        return std::nullopt;
    const int minute = TakeNumber(s, at, 2);
    int second = 0;
    if (minute >= 0 && TakeChar(s, at, {u':'}))
        second = TakeNumber(s, at, 2);
    if (minute < 0 || second < 0 || at != s.size())
        return std::nullopt;
    return TryEncodeTime(hour, minute, second, 0);
}

std::optional<TDateTime> ParseMoment(const QString& text) {
    const QString s = text.trimmed();
    const auto blank = std::find_if(s.begin(), s.end(), [](QChar c) { return c.isSpace(); });
    if (blank == s.end())
        return ParseDate(s);
    const qsizetype at = blank - s.begin();
    const auto date = ParseDate(s.left(at));
    const auto time = ParseTime(s.mid(at + 1));
    if (!date || !time)
        return std::nullopt;
    // Before day 0 the fraction counts backwards from the day, so the time is subtracted.
    return *date < 0 ? *date - *time : *date + *time;
}

TScopedFileTimeFormat::TScopedFileTimeFormat() : SavedShortTime(FormatSettings().ShortTimeFormat) {
    FormatSettings().ShortTimeFormat = FormatSettings().LongTimeFormat = QStringLiteral("hh:mm:ss");
}

TScopedFileTimeFormat::~TScopedFileTimeFormat() {
    FormatSettings().ShortTimeFormat = FormatSettings().LongTimeFormat = SavedShortTime;
}
