// The iCalendar module (notella-ical.so): the timetable read from and written to iCalendar
// through libical, which is loaded only when a file is exported or imported.
#include "scheduler/ICalendarCodec.h"

#include "common/IniText.h"
#include "common/Plural.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTimeZone>

#include <libical/ical.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>

namespace {

// Larger files are refused before they are read: a calendar of 5000 events takes about 2 MB.
constexpr qint64 MaxFileBytes = 20 * 1024 * 1024;
// How many left-out events the message names.
constexpr int NamedLeftOut = 5;
constexpr qint64 SecondsPerDay = 86400;
// An early reminder of more than a year is taken for a mistake and dropped.
constexpr qint64 MaxRemindMinutes = 366 * MinutesPerDay;
// Libical expands a zone's rules up to the moment converted; rules that repeat more often
// than a few times a year, and zones made of very many rules, could keep it busy for hours.
constexpr int MaxZonesPerCalendar = 20;
constexpr int MaxZoneRules = 200;
constexpr int MaxComponentDepth = 20;
constexpr int MaxInterval = std::numeric_limits<short>::max();

// The program's own parts of one call: the clock and the entry's summary in its formats.
TDateTime CallNow = 0;
QString (*CallSummary)(const TTimetableEntry&) = nullptr;

const char* const ProductId = "-//Quorvel//Notella//PL";
const char* const WeekdayCodes[7] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};

struct TComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using TComponentPtr = std::unique_ptr<icalcomponent, TComponentFree>;

QByteArray TakeBuffer(char* text) {
    QByteArray bytes(text ? text : "");
    if (text)
        icalmemory_free_buffer(text);
    return bytes;
}

// A zone name that can only name a file inside the zone database: no "..", no absolute path.
bool IsZoneName(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9_+-]+(/[A-Za-z0-9_+-]+)*$"));
    return name.size() <= 100 && re.match(name).hasMatch();
}

QString ZoneNameFromPath(const QString& path) {
    const qsizetype at = path.indexOf(QStringLiteral("zoneinfo/"));
    return at >= 0 ? path.mid(at + 9) : QString();
}

// The zone whose clock the program's moments are read on: TZ as the C library takes it, then
// the /etc/localtime link, then /etc/timezone.
QString SystemZoneName() {
    if (qEnvironmentVariableIsSet("TZ")) {
        QString tz = qEnvironmentVariable("TZ");
        if (tz.startsWith(':'))
            tz.remove(0, 1);
        if (tz.isEmpty())
            return QStringLiteral("UTC");
        return tz.startsWith('/') ? ZoneNameFromPath(tz) : tz;
    }
    if (const QString link =
            ZoneNameFromPath(QFileInfo(QStringLiteral("/etc/localtime")).symLinkTarget());
        !link.isEmpty())
        return link;
    QFile f(QStringLiteral("/etc/timezone"));
    if (f.open(QIODevice::ReadOnly))
        if (const QString name = QString::fromUtf8(f.readLine(256)).trimmed(); !name.isEmpty())
            return name;
    return QString::fromUtf8(QTimeZone::systemTimeZoneId());
}

struct TZone {
    icaltimezone* Zone = nullptr; // none: the system's zone is not known, times are floating
    QByteArray Name;
    bool Utc = false;
};

TZone SystemZone() {
    TZone z;
    const QString name = SystemZoneName();
    if (!IsZoneName(name))
        return z;
    z.Name = name.toUtf8();
    z.Zone = icaltimezone_get_builtin_timezone(z.Name.constData());
    z.Utc = z.Zone == icaltimezone_get_utc_timezone();
    if (z.Zone && !z.Utc && !icaltimezone_get_component(z.Zone))
        z.Zone = nullptr;
    return z;
}

bool SameZone(const icaltimezone* zone, const TZone& system) {
    if (!system.Zone)
        return false;
    if (zone == system.Zone)
        return true;
    auto* z = const_cast<icaltimezone*>(zone);
    // Each call may load the zone and replace the strings an earlier one returned.
    if (const char* location = icaltimezone_get_location(z); location && system.Name == location)
        return true;
    const char* tzid = icaltimezone_get_tzid(z);
    return tzid && system.Name == tzid;
}

// Moments are wall-clock seconds since 1899-12-30 in the system's zone.
qint64 WallSeconds(TDateTime t) {
    return std::llround(t * SecondsPerDay);
}

TDateTime FromWallSeconds(qint64 s) {
    return static_cast<double>(s) / SecondsPerDay;
}

icaltimetype IcalWallTime(qint64 seconds) {
    const qint64 days =
        seconds >= 0 ? seconds / SecondsPerDay : -((-seconds + SecondsPerDay - 1) / SecondsPerDay);
    const qint64 rest = seconds - days * SecondsPerDay;
    const TDateParts d = DecodeDate(static_cast<double>(days));
    icaltimetype t = icaltime_null_time();
    t.year = d.Year;
    t.month = d.Month;
    t.day = d.Day;
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

std::optional<TDateTime> FromIcal(const icaltimetype& t) {
    if (t.year < 1900 || t.year > 9999)
        return std::nullopt;
    const auto date = TryEncodeDate(t.year, t.month, t.day);
    if (!date)
        return std::nullopt;
    if (t.is_date)
        return *date;
    // A leap second is taken as the second before it.
    const auto time = TryEncodeTime(t.hour, t.minute, std::min(t.second, 59), 0);
    if (!time)
        return std::nullopt;
    return *date + *time;
}

icaltimetype UtcStamp(TDateTime now, const TZone& system) {
    icaltimetype t = IcalWallTime(WallSeconds(now));
    if (system.Zone && !system.Utc) {
        icaltimezone_convert_time(&t, system.Zone, icaltimezone_get_utc_timezone());
    } else if (!system.Utc) {
        const QDateTime local(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
        const QDateTime utc = local.toUTC();
        t.year = utc.date().year();
        t.month = utc.date().month();
        t.day = utc.date().day();
        t.hour = utc.time().hour();
        t.minute = utc.time().minute();
        t.second = utc.time().second();
    }
    t.zone = icaltimezone_get_utc_timezone();
    return t;
}

// ---------------------------------------------------------------------------------------------
// Export

// The entry's first due moment from the start of the day of `now` on (an every-N-minutes entry:
// its next one), and the rule that repeats it as the scheduler does; none for an entry that
// never falls due.
struct TOccurrence {
    qint64 Start = 0; // wall-clock seconds
    QByteArray Rule;  // empty for a one-time entry
};

std::optional<TOccurrence> FirstOccurrence(const TTimetableEntry& e, TDateTime now) {
    if (!std::isfinite(e.date) || !std::isfinite(e.time) || !std::isfinite(e.lastshowdate) ||
        std::fabs(e.date) > 3e6 || std::fabs(e.lastshowdate) > 3e6)
        return std::nullopt;
    const qint64 today = static_cast<qint64>(std::floor(now));
    const TTimeParts time = DecodeTime(e.time);
    const qint64 timeOfDay = time.Hour * 3600 + time.Minute * 60 + time.Second;
    auto at = [](qint64 day, qint64 seconds) { return day * SecondsPerDay + seconds; };
    TOccurrence o;
    switch (e.kind) {
    case KindOnce: {
        const TDateParts d = DecodeDate(e.date);
        const auto date = TryEncodeDate(d.Year, d.Month, d.Day);
        if (!date)
            return std::nullopt;
        o.Start = at(static_cast<qint64>(*date), timeOfDay);
        break;
    }
    case KindEveryMinutes: {
        if (e.minute <= 0)
            return std::nullopt;
        // The next one comes an interval after the last acknowledgement; one already overdue
        // comes at the next tick, from which the interval runs on once it is acknowledged.
        o.Start = std::max(WallSeconds(e.lastshowdate) + qint64(e.minute) * 60, WallSeconds(now));
        // Libical holds an interval below 32768: longer ones go in hours, or not at all.
        if (e.minute <= MaxInterval)
            o.Rule = "FREQ=MINUTELY;INTERVAL=" + QByteArray::number(e.minute);
        else if (e.minute % 60 == 0 && e.minute / 60 <= MaxInterval)
            o.Rule = "FREQ=HOURLY;INTERVAL=" + QByteArray::number(e.minute / 60);
        else
            return std::nullopt;
        break;
    }
    case KindDaily:
        o.Start = at(today, timeOfDay);
        o.Rule = "FREQ=DAILY";
        break;
    case KindWeekly: {
        if (e.dayofweek < 1 || e.dayofweek > 7)
            return std::nullopt;
        const int ahead = (e.dayofweek - SchedulerWeekday(static_cast<double>(today)) + 7) % 7;
        o.Start = at(today + ahead, timeOfDay);
        o.Rule = QByteArray("FREQ=WEEKLY;BYDAY=") + WeekdayCodes[e.dayofweek - 1];
        break;
    }
    case KindMonthly: {
        if (e.dayofmonth < 1 || e.dayofmonth > 31)
            return std::nullopt;
        const TDateParts d = DecodeDate(static_cast<double>(today));
        // Monthly and yearly entries fall due at the start of their day.
        for (int i = 0, y = d.Year, m = d.Month; i < 14; ++i) {
            if (const auto date = TryEncodeDate(y, m, e.dayofmonth);
                date && static_cast<qint64>(*date) >= today) {
                o.Start = at(static_cast<qint64>(*date), 0);
                break;
            }
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
        if (o.Start == 0)
            return std::nullopt;
        o.Rule = "FREQ=MONTHLY;BYMONTHDAY=" + QByteArray::number(e.dayofmonth);
        break;
    }
    case KindYearly: {
        if (e.month < 1 || e.month > 12 || e.dayofmonth < 1 ||
            e.dayofmonth > DaysInMonth(2000, e.month))
            return std::nullopt;
        // 29 February waits for a leap year.
        for (int y = DecodeDate(static_cast<double>(today)).Year, i = 0; i < 9; ++y, ++i)
            if (const auto date = TryEncodeDate(y, e.month, e.dayofmonth);
                date && static_cast<qint64>(*date) >= today) {
                o.Start = at(static_cast<qint64>(*date), 0);
                break;
            }
        if (o.Start == 0)
            return std::nullopt;
        o.Rule = "FREQ=YEARLY;BYMONTH=" + QByteArray::number(e.month) +
                 ";BYMONTHDAY=" + QByteArray::number(e.dayofmonth);
        break;
    }
    default:
        return std::nullopt;
    }
    if (o.Start / 60 > LastWholeMinute())
        return std::nullopt;
    return o;
}

// The first line with something on it.
QString FirstLine(const QString& text) {
    for (const QString& line : FromCrLf(text).split('\n'))
        if (const QString t = line.trimmed(); !t.isEmpty())
            return t;
    return {};
}

QString EventSummary(const TTimetableEntry& e) {
    const QString line = FirstLine(e.notka);
    return line.isEmpty() ? CallSummary(e) : line;
}

// The same entry gets the same UID in every export. Only what the user set counts: the
// moment of the last acknowledgement, a postponement and the shown mark change on their own.
QByteArray EntryUid(const TTimetableEntry& e) {
    const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|")
                            .arg(e.kind)
                            .arg(e.date, 0, 'g', 17)
                            .arg(e.time, 0, 'g', 17)
                            .arg(e.dayofweek)
                            .arg(e.dayofmonth)
                            .arg(e.month)
                            .arg(e.minute)
                            .arg(e.remindbefore) +
                        e.notka;
    return QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex();
}

// Libical builds a date-time from its fields only up to the year 3000; read from text, it
// takes every year the timetable holds.
icalproperty* DateTimeProperty(icalproperty_kind kind, const icaltimetype& t, bool utc) {
    const QByteArray text = QStringLiteral("%1%2%3T%4%5%6")
                                .arg(t.year, 4, 10, QChar('0'))
                                .arg(t.month, 2, 10, QChar('0'))
                                .arg(t.day, 2, 10, QChar('0'))
                                .arg(t.hour, 2, 10, QChar('0'))
                                .arg(t.minute, 2, 10, QChar('0'))
                                .arg(t.second, 2, 10, QChar('0'))
                                .toLatin1() +
                            (utc ? "Z" : "");
    icalproperty* p = icalproperty_new(kind);
    icalproperty_set_value(p, icalvalue_new_from_string(ICAL_DATETIME_VALUE, text.constData()));
    return p;
}

icalproperty* StartProperty(qint64 start, const TZone& system) {
    icalproperty* p = DateTimeProperty(ICAL_DTSTART_PROPERTY, IcalWallTime(start), system.Utc);
    if (system.Zone && !system.Utc)
        icalproperty_add_parameter(p, icalparameter_new_tzid(system.Name.constData()));
    return p;
}

void InitLibical() {
    static const bool done = [] {
        icalerror_set_errors_are_fatal(0);
        return true;
    }();
    (void)done;
}

QByteArray CodecExport(std::span<const TTimetableEntry> entries, TDateTime now,
                       QString (*summary)(const TTimetableEntry&)) {
    InitLibical();
    CallSummary = summary;
    const TZone system = SystemZone();
    TComponentPtr cal(icalcomponent_new_vcalendar());
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid(ProductId));
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_calscale("GREGORIAN"));
    if (system.Zone && !system.Utc) {
        // Named by the zone's own name, which calendar programs know without the rules too.
        icalcomponent* zone = icalcomponent_new_clone(icaltimezone_get_component(system.Zone));
        if (icalproperty* id = icalcomponent_get_first_property(zone, ICAL_TZID_PROPERTY))
            icalproperty_set_tzid(id, system.Name.constData());
        icalcomponent_add_component(cal.get(), zone);
    }
    const icaltimetype stamp = UtcStamp(now, system);
    QHash<QByteArray, int> uids;
    for (const TTimetableEntry& e : entries) {
        const auto occurrence = FirstOccurrence(e, now);
        if (!occurrence)
            continue; // never falls due
        QByteArray uid = EntryUid(e);
        // Two equal entries are still two events.
        if (const int seen = uids[uid]++; seen > 0)
            uid += '-' + QByteArray::number(seen + 1);
        uid += "@notella";
        const QByteArray summary = EventSummary(e).toUtf8();
        icalcomponent* event = icalcomponent_new_vevent();
        icalcomponent_add_property(event, icalproperty_new_uid(uid.constData()));
        icalcomponent_add_property(event, DateTimeProperty(ICAL_DTSTAMP_PROPERTY, stamp, true));
        icalcomponent_add_property(event, StartProperty(occurrence->Start, system));
        if (!occurrence->Rule.isEmpty())
            icalcomponent_add_property(event, icalproperty_new_rrule(icalrecurrencetype_from_string(
                                                  occurrence->Rule.constData())));
        icalcomponent_add_property(event, icalproperty_new_summary(summary.constData()));
        if (!e.notka.isEmpty())
            icalcomponent_add_property(
                event, icalproperty_new_description(FromCrLf(e.notka).toUtf8().constData()));
        if (e.remindbefore > 0 && e.remindbefore <= MaxRemindMinutes) {
            icalcomponent* alarm = icalcomponent_new_valarm();
            icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
            icalcomponent_add_property(alarm, icalproperty_new_description(summary.constData()));
            icaltriggertype trigger;
            trigger.time = icaltime_null_time();
            trigger.duration = icaldurationtype_from_int(-e.remindbefore * 60);
            icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
            icalcomponent_add_component(event, alarm);
        }
        icalcomponent_add_component(cal.get(), event);
    }
    return TakeBuffer(icalcomponent_as_ical_string_r(cal.get()));
}

// ---------------------------------------------------------------------------------------------
// Import

QString TooLargeText() {
    return QString::fromUtf8("Plik \"%1\" jest za duży: terminarz przyjmuje kalendarze "
                             "do 20 MB.");
}

QString NotICalendarText() {
    return QString::fromUtf8("Plik \"%1\" nie jest plikiem iCalendar.");
}

QString DamagedText() {
    return QString::fromUtf8("Plik \"%1\" jest niekompletny lub uszkodzony: nie "
                             "zaimportowano z niego niczego.");
}

// The text as UTF-8 without a byte-order mark; UTF-16 and UTF-32 files carry one.
QByteArray AsUtf8(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return bytes.mid(3);
    if (const auto encoding = QStringConverter::encodingForData(bytes);
        encoding && *encoding != QStringConverter::Utf8) {
        QStringDecoder decode(*encoding, QStringConverter::Flag::Stateless);
        const QString text = decode(bytes);
        return text.toUtf8();
    }
    return bytes;
}

enum class TShape { Calendar, NotCalendar, Damaged };

// Before libical sees the text: a calendar begins with BEGIN:VCALENDAR, ends with
// END:VCALENDAR (a file cut short does not), and nests its components a few levels deep.
TShape Shape(const QByteArray& text) {
    if (text.contains('\0'))
        return text.trimmed().toUpper().startsWith("BEGIN:VCALENDAR") ? TShape::Damaged
                                                                      : TShape::NotCalendar;
    QByteArray first, last;
    int depth = 0;
    bool deep = false;
    for (qsizetype from = 0; from < text.size();) {
        qsizetype to = text.indexOf('\n', from);
        if (to < 0)
            to = text.size();
        const QByteArray line = text.mid(from, to - from).trimmed();
        from = to + 1;
        if (line.isEmpty())
            continue;
        if (first.isEmpty())
            first = line.toUpper();
        last = line;
        if (line.size() >= 6 && line.left(6).toUpper() == "BEGIN:")
            deep = deep || ++depth > MaxComponentDepth;
        else if (line.size() >= 4 && line.left(4).toUpper() == "END:")
            --depth;
    }
    if (first != "BEGIN:VCALENDAR")
        return TShape::NotCalendar;
    return !deep && last.toUpper() == "END:VCALENDAR" ? TShape::Calendar : TShape::Damaged;
}

bool IsSet(const short* values) {
    return values[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

int ValueCount(const short* values, int size) {
    int n = 0;
    while (n < size && values[n] != ICAL_RECURRENCE_ARRAY_MAX)
        ++n;
    return n;
}

// A zone libical can expand quickly: yearly rules picking a few days of one month, and not
// many of them (`rules` counts those of the calendar's zones).
bool ZoneIsPlain(icalcomponent* zone, int& rules) {
    for (icalcomponent* part = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT); part;
         part = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT)) {
        if (++rules > MaxZoneRules)
            return false;
        for (icalproperty* p = icalcomponent_get_first_property(part, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(part, ICAL_ANY_PROPERTY)) {
            const icalproperty_kind kind = icalproperty_isa(p);
            if (kind == ICAL_RRULE_PROPERTY || kind == ICAL_RDATE_PROPERTY ||
                kind == ICAL_EXRULE_PROPERTY)
                ++rules;
            if (rules > MaxZoneRules)
                return false;
            if (kind == ICAL_EXRULE_PROPERTY)
                return false;
            if (kind != ICAL_RRULE_PROPERTY)
                continue;
            const icalrecurrencetype r = icalproperty_get_rrule(p);
            if (r.freq != ICAL_YEARLY_RECURRENCE || r.interval != 1 || IsSet(r.by_second) ||
                IsSet(r.by_minute) || IsSet(r.by_hour) || IsSet(r.by_year_day) ||
                IsSet(r.by_week_no) || IsSet(r.by_set_pos) ||
                ValueCount(r.by_month, ICAL_BY_MONTH_SIZE) > 1 ||
                ValueCount(r.by_day, ICAL_BY_DAY_SIZE) > 1 ||
                ValueCount(r.by_month_day, ICAL_BY_MONTHDAY_SIZE) > 7 || (r.rscale && *r.rscale))
                return false;
        }
    }
    return true;
}

template <typename F> void ForEachChild(icalcomponent* parent, icalcomponent_kind kind, F f) {
    std::vector<icalcomponent*> children;
    for (icalcomponent* c = icalcomponent_get_first_component(parent, kind); c;
         c = icalcomponent_get_next_component(parent, kind))
        children.push_back(c);
    for (icalcomponent* c : children)
        f(c);
}

std::vector<icalproperty*> Properties(icalcomponent* c, icalproperty_kind kind) {
    std::vector<icalproperty*> out;
    for (icalproperty* p = icalcomponent_get_first_property(c, kind); p;
         p = icalcomponent_get_next_property(c, kind))
        out.push_back(p);
    return out;
}

// Zones that would keep libical busy are dropped, and so are zone names that are neither
// defined in the calendar nor plain database names (libical would look for them as files):
// their times are then taken as the system's local time, as floating times are.
void RemoveZones(icalcomponent* parent) {
    ForEachChild(parent, ICAL_VTIMEZONE_COMPONENT, [&](icalcomponent* zone) {
        icalcomponent_remove_component(parent, zone);
        icalcomponent_free(zone);
    });
}

void MakeZonesSafe(icalcomponent* cal) {
    int zones = 0;
    int rules = 0;
    ForEachChild(cal, ICAL_VTIMEZONE_COMPONENT, [&](icalcomponent* zone) {
        if (++zones > MaxZonesPerCalendar || !ZoneIsPlain(zone, rules)) {
            icalcomponent_remove_component(cal, zone);
            icalcomponent_free(zone);
        }
    });
    ForEachChild(cal, ICAL_VEVENT_COMPONENT, [&](icalcomponent* event) {
        // A zone belongs to the calendar, not inside an event.
        RemoveZones(event);
        for (icalproperty* p : Properties(event, ICAL_ANY_PROPERTY)) {
            icalparameter* param = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
            if (!param)
                continue;
            const char* tzid = icalparameter_get_tzid(param);
            if (!tzid || icalcomponent_get_timezone(cal, tzid))
                continue;
            QString name = QString::fromUtf8(tzid);
            const QString prefix = QStringLiteral("/freeassociation.sourceforge.net/");
            if (name.startsWith(prefix))
                name = name.mid(prefix.size());
            if (!IsZoneName(name))
                icalproperty_remove_parameter_by_kind(p, ICAL_TZID_PARAMETER);
        }
    });
}

// A moment of the calendar on the system's clock. A time in a zone neither the calendar nor
// the zone database knows is taken as local time, as a floating time is: a calendar that names
// its zone without defining it usually comes from the same part of the world.
std::optional<TDateTime> ToLocal(icaltimetype t, const TZone& system) {
    if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > DaysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
        t.minute > 59 || t.second < 0 || t.second > 60)
        return std::nullopt;
    if (t.is_date || !t.zone || SameZone(t.zone, system))
        return FromIcal(t);
    auto* from = const_cast<icaltimezone*>(t.zone);
    if (system.Zone) {
        icaltimezone_convert_time(&t, from, system.Zone);
        return FromIcal(t);
    }
    icaltimezone_convert_time(&t, from, icaltimezone_get_utc_timezone());
    const QDateTime utc(QDate(t.year, t.month, t.day),
                        QTime(t.hour, t.minute, std::min(t.second, 59)), QTimeZone::utc());
    const QDateTime local = utc.toLocalTime();
    const auto date = TryEncodeDate(local.date().year(), local.date().month(), local.date().day());
    if (!date || local.date().year() < 1900)
        return std::nullopt;
    return *date + EncodeTime(local.time().hour(), local.time().minute(), local.time().second(), 0);
}

QString DayText(TDateTime t) {
    const TDateParts d = DecodeDate(t);
    return QStringLiteral("%1-%2-%3")
        .arg(d.Year, 4, 10, QChar('0'))
        .arg(d.Month, 2, 10, QChar('0'))
        .arg(d.Day, 2, 10, QChar('0'));
}

QString IntervalText(icalrecurrencetype_frequency freq, int n) {
    switch (freq) {
    case ICAL_SECONDLY_RECURRENCE:
        return QStringLiteral("co %1 s").arg(n);
    case ICAL_DAILY_RECURRENCE:
        return QStringLiteral("co %1 dni").arg(n);
    case ICAL_WEEKLY_RECURRENCE:
        return QStringLiteral("co ") + Count(n, "tydzień", "tygodnie", "tygodni");
    case ICAL_MONTHLY_RECURRENCE:
        return QStringLiteral("co ") + Count(n, "miesiąc", "miesiące", "miesięcy");
    default:
        return QStringLiteral("co ") + Count(n, "rok", "lata", "lat");
    }
}

// The largest early reminder among the event's alarms that come a set time before it.
int RemindBefore(icalcomponent* event) {
    qint64 best = 0;
    for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
         alarm; alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
        icalproperty* p = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
        if (!p)
            continue;
        if (icalparameter* related = icalproperty_get_first_parameter(p, ICAL_RELATED_PARAMETER);
            related && icalparameter_get_related(related) == ICAL_RELATED_END)
            continue;
        const icaltriggertype trigger = icalproperty_get_trigger(p);
        if (!icaltime_is_null_time(trigger.time))
            continue;
        const icaldurationtype& d = trigger.duration;
        if (!d.is_neg)
            continue;
        const qint64 seconds = qint64(d.weeks) * 7 * SecondsPerDay +
                               qint64(d.days) * SecondsPerDay + qint64(d.hours) * 3600 +
                               qint64(d.minutes) * 60 + d.seconds;
        const qint64 minutes = (seconds + 59) / 60;
        if (minutes <= MaxRemindMinutes)
            best = std::max(best, minutes);
    }
    return static_cast<int>(best);
}

// A text value as it survives being written and read by libical again: the writer drops
// backspaces and form feeds, the reader blanks and tabs at both ends.
QString Text(const char* value) {
    QString text = QString::fromUtf8(value);
    text.remove(QChar('\b'));
    text.remove(QChar('\f'));
    auto blank = [](QChar c) { return c == ' ' || c == '\t' || c == '\v'; };
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && blank(text[from]))
        ++from;
    while (to > from && blank(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

// The note: the description, with the summary in front when it is not already its first line.
// An event without a description whose summary is the entry's own description came from an
// entry without a note.
QString NoteOf(const QString& summary, const QString& description, const TTimetableEntry& e) {
    if (!description.isEmpty()) {
        const QString first = FirstLine(description);
        if (summary.isEmpty() || summary == first || (first.isEmpty() && summary == CallSummary(e)))
            return ToCrLf(description);
        return ToCrLf(summary + '\n' + description);
    }
    return summary == CallSummary(e) ? QString() : ToCrLf(summary);
}

// What marks an entry as one the timetable holds already.
QString DuplicateKey(const TTimetableEntry& e) {
    const qint64 time = std::isfinite(e.time) ? WallSeconds(TimePart(e.time)) : -1;
    QString key = QString::number(e.kind) + '|';
    switch (e.kind) {
    case KindOnce:
        key += QString::number(std::isfinite(e.date) ? std::floor(e.date) : -1e9, 'f', 0) + '|' +
               QString::number(time);
        break;
    case KindEveryMinutes:
        key += QString::number(e.minute);
        break;
    case KindDaily:
        key += QString::number(time);
        break;
    case KindWeekly:
        key += QString::number(e.dayofweek) + '|' + QString::number(time);
        break;
    case KindMonthly:
        key += QString::number(e.dayofmonth);
        break;
    case KindYearly:
        key += QString::number(e.month) + '|' + QString::number(e.dayofmonth);
        break;
    default:
        key += QString::number(e.date, 'g', 17) + '|' + QString::number(e.time, 'g', 17);
        break;
    }
    return key + '|' + e.notka;
}

class TEventReader {
public:
    TEventReader(const TZone& system, TDateTime now)
        : System(system), NowSeconds(WallSeconds(now)) {}

    // The entries the event becomes; none, with `Why` set, when no kind expresses it.
    std::vector<TTimetableEntry> Read(icalcomponent* event);
    QString Why;

private:
    std::vector<TTimetableEntry> Fail(const QString& why) {
        Why = why;
        return {};
    }
    std::vector<TTimetableEntry> Repeat(icalproperty* rule, const icaltimetype& start,
                                        TDateTime local);

    const TZone& System;
    qint64 NowSeconds;
};

std::vector<TTimetableEntry> TEventReader::Read(icalcomponent* event) {
    Why.clear();
    if (icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED)
        return Fail(QString::fromUtf8("wydarzenie odwołane"));
    if (icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY))
        return Fail(QString::fromUtf8("zmiana jednego wystąpienia powtarzanego wydarzenia"));
    // Libical drops a value it cannot read and leaves a note in its place.
    for (icalproperty* p : Properties(event, ICAL_XLICERROR_PROPERTY)) {
        const QByteArray error = icalproperty_get_xlicerror(p);
        if (error.contains("RRULE") || error.contains("EXRULE"))
            return Fail(QString::fromUtf8("niezrozumiała reguła powtarzania"));
        if (error.contains("DTSTART"))
            return Fail(QString::fromUtf8("nieczytelna data początku"));
        if (error.contains("RDATE") || error.contains("EXDATE"))
            return Fail(QString::fromUtf8("nieczytelne daty wyjątków"));
    }
    if (!icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY))
        return Fail(QString::fromUtf8("brak daty początku"));
    const icaltimetype start = icalcomponent_get_dtstart(event);
    if (icaltime_is_null_time(start))
        return Fail(QString::fromUtf8("brak daty początku"));
    const auto local = ToLocal(start, System);
    if (!local)
        return Fail(QString::fromUtf8("data spoza lat 1900–9999"));

    if (icalcomponent_get_first_property(event, ICAL_EXRULE_PROPERTY))
        return Fail(QString::fromUtf8("złożona reguła powtarzania"));
    const std::vector<icalproperty*> rules = Properties(event, ICAL_RRULE_PROPERTY);
    if (rules.size() > 1)
        return Fail(QString::fromUtf8("kilka reguł powtarzania"));

    std::vector<TTimetableEntry> entries;
    if (rules.empty()) {
        TTimetableEntry e;
        e.kind = KindOnce;
        e.date = std::floor(*local);
        e.time = FromWallSeconds(WallSeconds(*local) - WallSeconds(e.date));
        entries.push_back(e);
    } else {
        entries = Repeat(rules.front(), start, *local);
        if (entries.empty())
            return {};
    }

    // Dates added to or taken out of the repetition matter only while they are ahead.
    for (icalproperty_kind kind : {ICAL_RDATE_PROPERTY, ICAL_EXDATE_PROPERTY})
        for (icalproperty* p : Properties(event, kind)) {
            icaltimetype t = kind == ICAL_RDATE_PROPERTY ? icalproperty_get_rdate(p).time
                                                         : icalproperty_get_exdate(p);
            if (icaltime_is_null_time(t) && kind == ICAL_RDATE_PROPERTY)
                t = icalproperty_get_rdate(p).period.start;
            const auto day = FromIcal(t);
            if (!day || WallSeconds(std::floor(*day)) + SecondsPerDay > NowSeconds)
                return Fail(QString::fromUtf8("daty dodane do powtarzania lub z niego wyjęte"));
        }
    const int remind = RemindBefore(event);
    const QString summary = Text(icalcomponent_get_summary(event)).trimmed();
    const QString description = Text(icalcomponent_get_description(event));
    for (TTimetableEntry& e : entries) {
        e.remindbefore = remind;
        e.notka = NoteOf(summary, description, e);
    }
    return entries;
}

std::vector<TTimetableEntry> TEventReader::Repeat(icalproperty* rule, const icaltimetype& start,
                                                  TDateTime local) {
    const icalrecurrencetype r = icalproperty_get_rrule(rule);
    if (r.freq == ICAL_NO_RECURRENCE)
        return Fail(QString::fromUtf8("niezrozumiała reguła powtarzania"));
    if (r.rscale && *r.rscale)
        return Fail(QString::fromUtf8("kalendarz inny niż gregoriański"));
    if (r.count > 0)
        return Fail(QStringLiteral("powtarzanie ") + Count(r.count, "raz", "razy", "razy"));
    if (!icaltime_is_null_time(r.until)) {
        const auto until = ToLocal(r.until, System);
        if (until && WallSeconds(*until) < NowSeconds)
            return Fail(QString::fromUtf8("powtarzanie zakończone ") + DayText(*until));
        return Fail(QString::fromUtf8("powtarzanie tylko do ") +
                    (until ? DayText(*until) : QStringLiteral("dnia spoza lat 1900–9999")));
    }
    if (IsSet(r.by_set_pos) || IsSet(r.by_second) || IsSet(r.by_minute) || IsSet(r.by_hour) ||
        IsSet(r.by_year_day) || IsSet(r.by_week_no))
        return Fail(QString::fromUtf8("złożona reguła powtarzania"));
    const int interval = std::max<int>(r.interval, 1);
    const bool minutely = r.freq == ICAL_MINUTELY_RECURRENCE || r.freq == ICAL_HOURLY_RECURRENCE;
    if (interval > 1 && !minutely)
        return Fail(QStringLiteral("powtarzanie ") + IntervalText(r.freq, interval));

    // The weekday and the day of the month as the system's clock sees the start; the days a
    // rule names move with it when the zones' dates differ.
    const qint64 localSeconds = WallSeconds(local);
    const qint64 localDay = localSeconds / SecondsPerDay;
    const qint64 timeOfDay = localSeconds - localDay * SecondsPerDay;
    const qint64 ownDay = static_cast<qint64>(*TryEncodeDate(start.year, start.month, start.day));
    const int shift = static_cast<int>(localDay - ownDay);

    TTimetableEntry e;
    e.time = start.is_date ? 0.0 : FromWallSeconds(timeOfDay);
    std::vector<TTimetableEntry> out;
    const int days = ValueCount(r.by_day, ICAL_BY_DAY_SIZE);
    const int monthDays = ValueCount(r.by_month_day, ICAL_BY_MONTHDAY_SIZE);
    const int months = ValueCount(r.by_month, ICAL_BY_MONTH_SIZE);

    // Days of the week without a position ("every Monday"), moved with the start.
    auto weekdays = [&]() -> std::vector<int> {
        std::vector<int> list;
        for (int i = 0; i < days; ++i) {
            if (icalrecurrencetype_day_position(r.by_day[i]) != 0)
                return {};
            const int sundayFirst = icalrecurrencetype_day_day_of_week(r.by_day[i]);
            if (sundayFirst < 1 || sundayFirst > 7)
                return {};
            list.push_back(((sundayFirst + 5 + shift) % 7 + 7) % 7 + 1);
        }
        return list;
    };

    switch (r.freq) {
    case ICAL_SECONDLY_RECURRENCE:
        return Fail(QStringLiteral("powtarzanie ") + IntervalText(r.freq, interval));
    case ICAL_MINUTELY_RECURRENCE:
    case ICAL_HOURLY_RECURRENCE: {
        if (days || monthDays || months)
            return Fail(QString::fromUtf8("złożona reguła powtarzania"));
        e = {};
        e.kind = KindEveryMinutes;
        e.minute = r.freq == ICAL_HOURLY_RECURRENCE ? interval * 60 : interval;
        // The next one at its place in the series, an interval after the "last" one.
        const qint64 step = qint64(e.minute) * 60;
        const qint64 behind = NowSeconds - localSeconds;
        const qint64 next = localSeconds + (behind > 0 ? (behind + step - 1) / step * step : 0);
        if (next / 60 > LastWholeMinute())
            return Fail(QString::fromUtf8("data spoza lat 1900–9999"));
        e.lastshowdate = FromWallSeconds(next - step);
        out.push_back(e);
        break;
    }
    case ICAL_DAILY_RECURRENCE:
    case ICAL_WEEKLY_RECURRENCE: {
        if (monthDays || months)
            return Fail(QString::fromUtf8("złożona reguła powtarzania"));
        if (r.freq == ICAL_DAILY_RECURRENCE && !days) {
            e.kind = KindDaily;
            out.push_back(e);
            break;
        }
        std::vector<int> list =
            days ? weekdays() : std::vector<int>{SchedulerWeekday(double(localDay))};
        if (list.empty())
            return Fail(QString::fromUtf8("złożona reguła powtarzania"));
        e.kind = KindWeekly;
        for (const int day : list) {
            e.dayofweek = day;
            out.push_back(e);
        }
        break;
    }
    case ICAL_MONTHLY_RECURRENCE:
    case ICAL_YEARLY_RECURRENCE: {
        const bool yearly = r.freq == ICAL_YEARLY_RECURRENCE;
        if (days)
            return Fail(QString::fromUtf8("powtarzanie w określony dzień tygodnia"));
        if (monthDays > 1)
            return Fail(QString::fromUtf8("powtarzanie w kilka dni miesiąca"));
        if (months > (yearly ? 1 : 0) || (yearly && monthDays && !months))
            return Fail(yearly && months > 1 ? QString::fromUtf8("powtarzanie w kilku miesiącach")
                                             : QString::fromUtf8("złożona reguła powtarzania"));
        // The day the calendar names: these entries fall due at the start of their day.
        e.kind = yearly ? KindYearly : KindMonthly;
        e.time = 0;
        e.dayofmonth = monthDays ? r.by_month_day[0] : start.day;
        if (e.dayofmonth < 0)
            return Fail(QString::fromUtf8("powtarzanie licząc od końca miesiąca"));
        if (yearly) {
            e.month = months ? icalrecurrencetype_month_month(r.by_month[0]) : start.month;
            if (months && icalrecurrencetype_month_is_leap(r.by_month[0]))
                return Fail(QString::fromUtf8("kalendarz inny niż gregoriański"));
            if (e.month < 1 || e.month > 12 || e.dayofmonth < 1 ||
                e.dayofmonth > DaysInMonth(2000, e.month))
                return Fail(QString::fromUtf8("dzień, którego nie ma w kalendarzu"));
        } else if (e.dayofmonth < 1 || e.dayofmonth > 31) {
            return Fail(QString::fromUtf8("dzień, którego nie ma w kalendarzu"));
        }
        out.push_back(e);
        break;
    }
    default:
        return Fail(QString::fromUtf8("niezrozumiała reguła powtarzania"));
    }
    return out;
}

std::vector<icalcomponent*> Calendars(icalcomponent* root) {
    if (icalcomponent_isa(root) == ICAL_VCALENDAR_COMPONENT)
        return {root};
    std::vector<icalcomponent*> out;
    RemoveZones(root);
    ForEachChild(root, ICAL_VCALENDAR_COMPONENT, [&](icalcomponent* c) { out.push_back(c); });
    return out;
}

TICalendarImport CodecRead(const QByteArray& data, std::span<const TTimetableEntry> existing,
                           TDateTime now, QString (*summary)(const TTimetableEntry&)) {
    InitLibical();
    CallNow = now;
    CallSummary = summary;
    TICalendarImport r;
    if (data.size() > MaxFileBytes) {
        r.Error = TooLargeText();
        return r;
    }
    const QByteArray text = AsUtf8(data);
    switch (Shape(text)) {
    case TShape::NotCalendar:
        r.Error = NotICalendarText();
        return r;
    case TShape::Damaged:
        r.Error = DamagedText();
        return r;
    case TShape::Calendar:
        break;
    }
    const TComponentPtr root(icalparser_parse_string(text.constData()));
    const std::vector<icalcomponent*> calendars =
        root ? Calendars(root.get()) : std::vector<icalcomponent*>{};
    if (calendars.empty()) {
        r.Error = DamagedText();
        return r;
    }
    r.Readable = true;
    const TZone system = SystemZone();
    TEventReader reader(system, CallNow);
    QSet<QString> held;
    for (const TTimetableEntry& e : existing)
        held.insert(DuplicateKey(e));
    for (icalcomponent* cal : calendars) {
        MakeZonesSafe(cal);
        ForEachChild(cal, ICAL_VEVENT_COMPONENT, [&](icalcomponent* event) {
            const std::vector<TTimetableEntry> entries = reader.Read(event);
            if (!reader.Why.isEmpty()) {
                if (r.LeftOutNotes.size() < NamedLeftOut) {
                    QString name = QString::fromUtf8(icalcomponent_get_summary(event)).trimmed();
                    name = name.section('\n', 0, 0).trimmed();
                    if (name.size() > 60)
                        name = name.left(59) + QChar(0x2026);
                    if (name.isEmpty())
                        name = QString::fromUtf8("(bez tytułu)");
                    r.LeftOutNotes << name + QStringLiteral(": ") + reader.Why;
                }
                ++r.LeftOut;
                return;
            }
            for (const TTimetableEntry& e : entries) {
                const QString key = DuplicateKey(e);
                if (held.contains(key)) {
                    ++r.Duplicates;
                    continue;
                }
                held.insert(key);
                r.Entries.push_back(e);
            }
        });
    }
    return r;
}

} // namespace

extern "C" __attribute__((visibility("default"))) const TICalendarCodec* NotellaICalendarCodec() {
    static const TICalendarCodec codec{CodecExport, CodecRead};
    return &codec;
}
