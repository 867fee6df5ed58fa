#include "common/Formats.h"

#include <QRegularExpression>

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

std::optional<TDateTime> ParseDate(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(\d{1,4})[-/](\d{1,2})[-/](\d{1,2})\s*$)"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    int year = m.captured(1).toInt();
    if (m.capturedLength(1) <= 2)
        year += 2000;
    return TryEncodeDate(year, m.captured(2).toInt(), m.captured(3).toInt());
}

std::optional<TDateTime> ParseTime(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?\s*$)"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return TryEncodeTime(m.captured(1).toInt(), m.captured(2).toInt(),
                         m.capturedLength(3) ? m.captured(3).toInt() : 0, 0);
}

std::optional<TDateTime> ParseMoment(const QString& text) {
    const QString s = text.trimmed();
    static const QRegularExpression blankRe(QStringLiteral("\\s"));
    const qsizetype blank = s.indexOf(blankRe);
    if (blank < 0)
        return ParseDate(s);
    const auto date = ParseDate(s.left(blank));
    const auto time = ParseTime(s.mid(blank + 1));
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
