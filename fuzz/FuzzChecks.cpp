#include "FuzzChecks.h"

#include "app/AppSettings.h"
#include "common/Formats.h"
#include "common/IniFile.h"
#include "common/IniText.h"
#include "common/TextFile.h"
#include "notes/SheetFile.h"
#include "platform/Autostart.h"
#include "platform/Platform.h"
#include "scheduler/ICalendar.h"
#include "scheduler/Timetable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

// Every file goes into a folder of the process's own, never into the user's.
class TSandboxDirectory final : public IProgramDirectory {
public:
    explicit TSandboxDirectory(QString dir) : Path(std::move(dir)) {}
    QString ExePath() const override { return Path + QStringLiteral("/notella"); }
    QString Dir() const override { return Path; }

private:
    QString Path;
};

const QString& Sandbox() {
    static QTemporaryDir dir;
    static TSandboxDirectory directory(dir.path());
    static const QString path = [] {
        Platform().Directory = &directory;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + QStringLiteral("/config")));
        SetStartFormats();
        return dir.path();
    }();
    return path;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

TMemIniFile Parse(const QByteArray& bytes) {
    TMemIniFile ini;
    ini.LoadFromText(DecodeText(bytes));
    return ini;
}

// What a reader can see of an image: sections, keys and values in their order.
QString Dump(const TMemIniFile& ini) {
    QString out;
    for (const QString& section : ini.ReadSections()) {
        out += '[' + section + QStringLiteral("]\n");
        for (const QString& key : ini.ReadSection(section))
            out += key + '=' + ini.ReadRawString(section, key) + '\n';
    }
    return out;
}

QString Differs(const QString& what, const QString& a, const QString& b) {
    return what + QStringLiteral(": \"") + a.left(200) + QStringLiteral("\" became \"") +
           b.left(200) + '"';
}

bool SameRecord(const TSheetRecord& a, const TSheetRecord& b) {
    // A missing position is written as 0: the window has one by the time it is saved.
    return a.Width == b.Width && a.MinHeight == b.MinHeight && a.Height == b.Height &&
           a.Left.value_or(0) == b.Left.value_or(0) && a.Top.value_or(0) == b.Top.value_or(0) &&
           a.Title == b.Title && a.HiPrior == b.HiPrior && a.Blocked == b.Blocked &&
           a.ActivationEnabled == b.ActivationEnabled && a.ActivationTime == b.ActivationTime &&
           a.Lines == b.Lines;
}

QString Describe(const TSheetRecord& r) {
    return QStringLiteral("%1x%2/%3 at %4,%5 \"%6\" %7%8%9 %10 lines %11")
        .arg(r.Width)
        .arg(r.MinHeight)
        .arg(r.Height)
        .arg(r.Left.value_or(0))
        .arg(r.Top.value_or(0))
        .arg(r.Title)
        .arg(r.HiPrior)
        .arg(r.Blocked)
        .arg(r.ActivationEnabled)
        .arg(r.ActivationTime, 0, 'g', 17)
        .arg(r.Lines.join('|'));
}

QString Describe(const TTimetableEntry& e) {
    return QStringLiteral("kind %1 date %2 time %3 %4/%5/%6/%7 \"%8\" %9 %10 %11")
        .arg(e.kind)
        .arg(e.date, 0, 'g', 17)
        .arg(e.time, 0, 'g', 17)
        .arg(e.dayofweek)
        .arg(e.dayofmonth)
        .arg(e.month)
        .arg(e.minute)
        .arg(e.notka)
        .arg(e.remindafter, 0, 'g', 17)
        .arg(e.remindbefore)
        .arg(e.lastshowdate, 0, 'g', 17);
}

QString CompareEntries(const QString& what, std::span<const TTimetableEntry> a,
                       std::span<const TTimetableEntry> b) {
    if (a.size() != b.size())
        return what + QStringLiteral(": %1 entries became %2").arg(a.size()).arg(b.size());
    for (size_t i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i]))
            return Differs(what + QStringLiteral(" entry %1").arg(i), Describe(a[i]),
                           Describe(b[i]));
    return {};
}

bool IsEntrySection(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^TT\\d+$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(name).hasMatch();
}

// The archive only grows: what it held reads the same, and the removed entry is behind it.
QString CheckArchive(TTimetable& timetable, const QByteArray& bytes) {
    TTimetableEntry entry;
    entry.kind = KindOnce;
    entry.date = 45000;
    entry.time = 0.5;
    entry.notka = QStringLiteral("Zażółć\r\n gęślą");
    const int index = timetable.Insert(entry);
    if (index < 0)
        return {}; // full: nothing to remove
    const TTimetableEntry inserted = timetable.entries()[static_cast<size_t>(index)];
    const TMemIniFile before = Parse(bytes);
    timetable.Remove(index);
    QByteArray archived;
    if (!ReadWholeFile(TTimetable::ArchiveFileName(), archived))
        return QStringLiteral("archive not written");
    const TMemIniFile after = Parse(archived);
    for (const QString& section : before.ReadSections())
        if (IsEntrySection(section)) {
            const TTimetableEntry a = ReadTimetableEntry(before, section);
            const TTimetableEntry b = ReadTimetableEntry(after, section);
            if (!(a == b))
                return Differs(QStringLiteral("archived ") + section, Describe(a), Describe(b));
        }
    const QStringList sections = after.ReadSections();
    const QString last = sections.isEmpty() ? QString() : sections.last();
    if (!IsEntrySection(last) || before.SectionExists(last))
        return QStringLiteral("removed entry not archived under a new number: ") + last;
    TTimetableEntry read = ReadTimetableEntry(after, last);
    if (std::abs(read.lastshowdate - inserted.lastshowdate) < 1.0 / 86400)
        read.lastshowdate = inserted.lastshowdate; // stored to the second
    if (!(read == inserted))
        return Differs(QStringLiteral("removed entry"), Describe(inserted), Describe(read));
    return {};
}

} // namespace

QString CheckIni(const QByteArray& bytes) {
    const TMemIniFile first = Parse(bytes);
    const QString text = first.ToText();
    const TMemIniFile second = Parse(EncodeText(text));
    if (const QString a = Dump(first), b = Dump(second); a != b)
        return Differs(QStringLiteral("INI image"), a, b);
    if (second.ToText() != text)
        return QStringLiteral("INI image written differently the second time");
    return {};
}

QString CheckSheet(const QByteArray& bytes) {
    const TScopedFileTimeFormat fileTimes;
    const TDateTime now = 45000.25;
    TMemIniFile ini = Parse(bytes);
    const TSheetRecord first = ReadSheetRecord(ini, now);
    WriteSheetRecord(ini, first);
    const TSheetRecord second = ReadSheetRecord(Parse(EncodeText(ini.ToText())), now);
    if (!SameRecord(first, second))
        return Differs(QStringLiteral("note"), Describe(first), Describe(second));
    TMemIniFile fresh;
    WriteSheetRecord(fresh, first);
    const TSheetRecord third = ReadSheetRecord(Parse(EncodeText(fresh.ToText())), now);
    if (!SameRecord(first, third))
        return Differs(QStringLiteral("note in a new file"), Describe(first), Describe(third));
    return {};
}

QString CheckTimetable(const QByteArray& bytes) {
    Sandbox();
    const TScopedFileTimeFormat fileTimes;
    QDir(TTimetable::Directory()).removeRecursively();
    if (!WriteBytes(TTimetable::FileName(), bytes) ||
        !WriteBytes(TTimetable::ArchiveFileName(), bytes))
        return QStringLiteral("cannot write the input");
    TTimetable timetable;
    timetable.Load();
    std::vector<TTimetableEntry> first(timetable.entries().begin(), timetable.entries().end());
    if (!timetable.Save())
        return QStringLiteral("timetable not saved");
    TTimetable again;
    again.Load();
    // A date is read as it stands but written as its day.
    for (TTimetableEntry& e : first)
        e.date = std::trunc(e.date);
    if (QString failure = CompareEntries(QStringLiteral("timetable"), first, again.entries());
        !failure.isEmpty())
        return failure;
    return CheckArchive(again, bytes);
}

QString CheckSettings(const QByteArray& bytes) {
    const QString file = Sandbox() + QStringLiteral("/notella.ini");
    if (!WriteBytes(file, bytes))
        return QStringLiteral("cannot write the input");
    TAppSettings first;
    bool altTabFirst = true;
    LoadSettings(file, first, altTabFirst);
    const TMemIniFile before(file);
    const QString build = QStringLiteral("0.1.0.1");
    QString error;
    if (!SaveSettings(file, first, altTabFirst, build, &error))
        return QStringLiteral("settings not saved: ") + error;
    TAppSettings second;
    bool altTabSecond = !altTabFirst;
    LoadSettings(file, second, altTabSecond);
    first.LastLaunchedVersion = build;
    if (!(first == second) || altTabFirst != altTabSecond)
        return QStringLiteral("settings changed on a second read");
    // Sections the program does not know survive its write.
    const TMemIniFile after(file);
    static const QStringList written =
        QStringLiteral(
            "AutomarkDelete DefaultDblClickAction AlphaValue AlphaValueDeactivated Autoresize "
            "EditTitleAtCreate ApplicationPriority ShowIconWhenAltTabPressed ShowAboutAtStart "
            "InternationalBankTransfer ActivateSheetPlaySound ActivateTerminarzPlaySound "
            "ActivateSheet ActivateTerminarz HotKeyToFront HotKeyCalendar HotKeyNewSheet "
            "HotKeySheduler HotKeyNewShedulerNote LastLaunchedVersion")
            .split(' ');
    for (const QString& section : before.ReadSections())
        for (const QString& key : before.ReadSection(section))
            if (!written.contains(key.trimmed(), Qt::CaseInsensitive) &&
                before.ReadRawString(section, key) != after.ReadRawString(section, key))
                return Differs(section + '/' + key, before.ReadRawString(section, key),
                               after.ReadRawString(section, key));
    return {};
}

QString CheckUserStore(const QByteArray& bytes) {
    const QString file = Sandbox() + QStringLiteral("/config/Quorvel/Notella.ini");
    if (!WriteBytes(file, bytes))
        return QStringLiteral("cannot write the input");
    const TMemIniFile before(file);
    const QString keyPath = QStringLiteral("Software\\Quorvel\\Notella");
    const QString name = QStringLiteral("Fuzz");
    const QString value = QStringLiteral(" wartość ąę ");
    RegReadString(HKEY_CURRENT_USER, keyPath, name);
    if (!RegWriteString(HKEY_CURRENT_USER, keyPath, name, value))
        return QStringLiteral("value not written");
    if (const QString read = RegReadString(HKEY_CURRENT_USER, keyPath, name); read != value)
        return Differs(QStringLiteral("stored value"), value, read);
    const TMemIniFile after(file);
    for (const QString& section : before.ReadSections())
        for (const QString& key : before.ReadSection(section)) {
            if (section.trimmed().compare(keyPath, Qt::CaseInsensitive) == 0 &&
                key.compare(name, Qt::CaseInsensitive) == 0)
                continue;
            if (before.ReadRawString(section, key) != after.ReadRawString(section, key))
                return Differs(section + '/' + key, before.ReadRawString(section, key),
                               after.ReadRawString(section, key));
        }
    if (!RegDeleteValue(HKEY_CURRENT_USER, keyPath, name) ||
        TMemIniFile(file).ValueExists(keyPath, name))
        return QStringLiteral("value not deleted");
    return {};
}

QString CheckAutostart(const QByteArray& bytes) {
    Sandbox();
    if (!WriteBytes(AutostartFileName(), bytes))
        return QStringLiteral("cannot write the input");
    const QString program = ReadAutostartEntry();
    if (program != AutostartEntryProgram(QString::fromUtf8(bytes.left(64 * 1024))))
        return QStringLiteral("the entry file read otherwise than its text");
    // Whatever program an entry names, an entry written for it names it again.
    const QString path = program.isEmpty() ? QString::fromUtf8(bytes.left(4096)) : program;
    static const QRegularExpression unwritable(QStringLiteral("[\\x00-\\x1f\\x7f]"));
    if (path.isEmpty() || path.contains(unwritable) || path != path.trimmed())
        return {};
    if (!WriteAutostartEntry(path))
        return QStringLiteral("entry not written");
    if (const QString read = ReadAutostartEntry(); read != path)
        return Differs(QStringLiteral("autostart program"), path, read);
    return {};
}

QString CheckIniText(const QByteArray& bytes) {
    const QString text = DecodeText(bytes);
    DecodeIniText(text);
    if (text.contains(QStringLiteral("</NL/>")))
        return {}; // the mark itself cannot be told from a line break
    const QString encoded = EncodeIniText(text);
    if (encoded.contains('\r') || encoded.contains('\n'))
        return QStringLiteral("line break left in the encoded value");
    // Through the file as the timetable keeps its notes.
    TMemIniFile ini;
    ini.WriteString(QStringLiteral("TT0"), QStringLiteral("notka"), encoded);
    const QString decoded = DecodeIniText(
        Parse(EncodeText(ini.ToText())).ReadString(QStringLiteral("TT0"), QStringLiteral("notka")));
    if (decoded != ToCrLf(text))
        return Differs(QStringLiteral("multi-line value"), ToCrLf(text), decoded);
    return {};
}

QString CheckDates(const QByteArray& bytes) {
    const QString text = DecodeText(bytes.left(4096));
    const TScopedFileTimeFormat fileTimes;
    const auto date = ParseDate(text);
    if (date && ParseDate(FormatFileDate(*date)) != date)
        return Differs(QStringLiteral("date"), text, FormatFileDate(*date));
    const auto time = ParseTime(text);
    if (time && ParseTime(FormatTime(*time)) != time)
        return Differs(QStringLiteral("time"), text, FormatTime(*time));
    const auto moment = ParseMoment(text);
    if (moment && ParseMoment(FormatFileMoment(*moment)) != moment)
        return Differs(QStringLiteral("moment"), text, FormatFileMoment(*moment));
    return {};
}

QString CheckICal(const QByteArray& bytes) {
    Sandbox();
    // Every-N-minutes entries take their place in the series from the clock, and times are
    // read on the clock of a zone with summer time.
    class TFixedClock final : public IClock {
    public:
        TDateTime Now() const override { return 46466.5; } // 2027-03-20 12:00
    };
    static TFixedClock clock;
    struct TScope {
        IClock* Clock = Platform().Clock;
        bool HadTz = qEnvironmentVariableIsSet("TZ");
        QByteArray Tz = qgetenv("TZ");
        TScope() {
            Platform().Clock = &clock;
            qputenv("TZ", "Europe/Warsaw");
            tzset();
        }
        ~TScope() {
            Platform().Clock = Clock;
            if (HadTz)
                qputenv("TZ", Tz);
            else
                qunsetenv("TZ");
            tzset();
        }
    } scope;
    const TICalendarImport first = ReadICalendar(bytes, {});
    if (!first.Readable)
        return first.Error.isEmpty() ? QStringLiteral("unreadable without a reason") : QString();
    const QByteArray exported = ExportICalendar(first.Entries);
    const TICalendarImport second = ReadICalendar(exported, {});
    if (!second.Readable)
        return QStringLiteral("exported calendar unreadable: ") + second.Error;
    if (second.LeftOut != 0 || second.Duplicates != 0)
        return QStringLiteral("exported events left out (%1) or taken for duplicates (%2): %3")
            .arg(second.LeftOut)
            .arg(second.Duplicates)
            .arg(second.LeftOutNotes.join('|'));
    return CompareEntries(QStringLiteral("calendar"), first.Entries, second.Entries);
}

std::span<const TFuzzTarget> FuzzTargets() {
    static const std::array<TFuzzTarget, 9> targets{{
        {"ini", CheckIni},
        {"sheet", CheckSheet},
        {"timetable", CheckTimetable},
        {"settings", CheckSettings},
        {"userstore", CheckUserStore},
        {"autostart", CheckAutostart},
        {"initext", CheckIniText},
        {"dates", CheckDates},
        {"ical", CheckICal},
    }};
    return targets;
}

int RunFuzzCheck(TFuzzCheck check, const std::uint8_t* data, std::size_t size) {
    const QString failure =
        check(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(failure));
        std::abort();
    }
    return 0;
}
