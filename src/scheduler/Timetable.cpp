#include "scheduler/Timetable.h"

#include "common/Formats.h"
#include "common/IniFile.h"
#include "common/IniText.h"
#include "common/TextFile.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <unistd.h>

namespace {

const QString HeadSection = QStringLiteral("TimeTable");
const QString InfoText =
    QStringLiteral("Notella - Timetable info file. https://notella.example.org/");
constexpr int TimetableBackups = 11;
constexpr int ArchiveBackups = 6;

QString EntrySection(qint64 index) {
    return QStringLiteral("TT") + QString::number(index);
}

// "TT<n>" gives n; anything else -1.
qint64 EntrySectionNumber(QStringView name) {
    if (name.size() < 3 || name.left(2).compare(u"TT", Qt::CaseInsensitive) != 0)
        return -1;
    bool ok = false;
    const qint64 n = name.mid(2).toLongLong(&ok);
    return ok && n >= 0 && name[2].isDigit() ? n : -1;
}

// Archive section numbers, and the count one above the last, stay within 32 bits.
constexpr qint64 MaxArchiveNumber = std::numeric_limits<std::int32_t>::max() - 1;

// A new archive section goes one above both the head's count and every section present, so
// that a hand-edited count never lets it overwrite an archived entry. Once a hand-edited
// number has taken the top of the range, the lowest number no section uses.
qint64 NextArchiveNumber(qint64 count, std::vector<qint64> used) {
    const qint64 highest = used.empty() ? -1 : *std::max_element(used.begin(), used.end());
    if (highest < MaxArchiveNumber) {
        const qint64 above = highest + 1;
        return count > above && count <= MaxArchiveNumber ? count : above;
    }
    std::sort(used.begin(), used.end());
    qint64 free = 0;
    for (const qint64 n : used) {
        if (n > free)
            break;
        if (n == free)
            ++free;
    }
    return free;
}

QString ArchiveSectionText(qint64 number, const TTimetableEntry& entry) {
    TMemIniFile section;
    WriteTimetableEntry(section, EntrySection(number), entry);
    return section.ToText();
}

// Blanks and control characters go from both ends, as the INI reader trims its lines.
QStringView TrimControlView(QStringView s) {
    while (!s.isEmpty() && s.front().unicode() <= ' ')
        s = s.mid(1);
    while (!s.isEmpty() && s.back().unicode() <= ' ')
        s.chop(1);
    return s;
}

// The archive only ever grows by one section. Rebuilding the whole image of a large archive
// for that takes far longer than the write: its text is kept, the head's count and date are
// put in place and the new section is appended. None when the text has no head section; the
// caller then goes through the image.
std::optional<QString> AppendToArchiveText(const QString& text, const TTimetableEntry& entry,
                                           TDateTime now) {
    // A bare CR ends a line for the reader but not here: an edit could swallow a section.
    for (qsizetype cr = text.indexOf('\r'); cr >= 0; cr = text.indexOf('\r', cr + 1))
        if (cr + 1 >= text.size() || text[cr + 1] != '\n')
            return std::nullopt;
    struct TLine {
        qsizetype From = -1; // where the line starts
        qsizetype To = -1;   // where its line break starts
        QStringView Value;
    };
    TLine count, modified;
    qsizetype headBody = -1; // just behind the head's section line
    bool inHead = false;
    std::vector<qint64> used;
    for (qsizetype from = 0; from < text.size();) {
        qsizetype to = text.indexOf('\n', from);
        const qsizetype next = to < 0 ? text.size() : to + 1;
        if (to < 0)
            to = text.size();
        QStringView line = QStringView(text).mid(from, to - from);
        qsizetype lineEnd = to;
        if (line.endsWith('\r')) {
            line.chop(1);
            --lineEnd;
        }
        const QStringView trimmed = TrimControlView(line);
        if (trimmed.startsWith('[')) {
            const qsizetype close = trimmed.indexOf(']');
            const QStringView name =
                close > 0 ? TrimControlView(trimmed.mid(1, close - 1)) : QStringView();
            inHead = headBody < 0 && name.compare(HeadSection, Qt::CaseInsensitive) == 0;
            if (inHead)
                headBody = next;
            if (const qint64 n = EntrySectionNumber(name); n >= 0)
                used.push_back(n);
        } else if (inHead) {
            const qsizetype eq = line.indexOf('=');
            const QStringView key = eq > 0 ? TrimControlView(line.left(eq)) : QStringView();
            TLine* l = key.compare(u"Count", Qt::CaseInsensitive) == 0        ? &count
                       : key.compare(u"ModifyDate", Qt::CaseInsensitive) == 0 ? &modified
                                                                              : nullptr;
            if (l && l->From < 0)
                *l = {from, lineEnd, line.mid(eq + 1)};
        }
        from = next;
    }
    if (headBody < 0 || (headBody == text.size() && !text.endsWith('\n')))
        return std::nullopt;
    const qint64 n = NextArchiveNumber(count.Value.trimmed().toLongLong(), std::move(used));
    TMemIniFile head;
    head.WriteDateTime(HeadSection, QStringLiteral("ModifyDate"), now);
    const QString countLine = QStringLiteral("Count=") + QString::number(n + 1);
    const QString dateLine = QStringLiteral("ModifyDate=") +
                             head.ReadRawString(HeadSection, QStringLiteral("ModifyDate"));

    // A missing value goes in at the top of the head; edits from the back keep positions valid.
    struct TEdit {
        qsizetype At;
        qsizetype Length;
        QString Text;
    };
    std::vector<TEdit> edits;
    auto put = [&](const TLine& l, const QString& line) {
        if (l.From >= 0)
            edits.push_back({l.From, l.To - l.From, line});
        else
            edits.push_back({headBody, 0, line + QStringLiteral("\r\n")});
    };
    put(modified, dateLine);
    put(count, countLine);
    // At one place the line is replaced before the missing one goes in ahead of it.
    std::stable_sort(edits.begin(), edits.end(), [](const TEdit& a, const TEdit& b) {
        return a.At != b.At ? a.At > b.At : a.Length > b.Length;
    });
    QString out = text;
    for (const TEdit& e : edits)
        out.replace(e.At, e.Length, e.Text);
    if (!out.isEmpty() && !out.endsWith('\n'))
        out += QStringLiteral("\r\n");
    return out + ArchiveSectionText(n, entry);
}

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

QString ErrnoText(int e) {
    return QString::fromLocal8Bit(std::strerror(e));
}

// "timetable.ini" -> "timetable07.bak".
QString BackupName(const QString& path, int n) {
    const QFileInfo fi(path);
    return fi.path() + '/' + fi.completeBaseName() +
           QStringLiteral("%1.bak").arg(n, 2, 10, QChar('0'));
}

// Oldest out, each one a number up.
void RotateBackups(const QString& path, int backups) {
    ::unlink(Native(BackupName(path, backups - 1)).constData());
    for (int n = backups - 2; n >= 0; --n)
        ::rename(Native(BackupName(path, n)).constData(),
                 Native(BackupName(path, n + 1)).constData());
}

// Replaces `path` whole with `bytes`: the new content is written and flushed under a
// temporary name, the current file gets a holding second name, and one rename puts the new
// file in place. Only then do the backups rotate and the holding name become "...00.bak", so
// a save that fails leaves them as they were. A crash or a full disk at any step leaves `path`
// with the previous content or the new one, complete; the live file itself is never moved.
bool ReplaceKeepingBackups(const QString& path, const QByteArray& bytes, int backups,
                           QString& error) {
    QString target;
    int mode = -1;
    if (!PrepareReplace(path, target, mode, &error))
        return false;
    const QString temp = target + QStringLiteral(".%1.tmp").arg(::getpid());
    if (!WriteFileSynced(temp, bytes, mode)) {
        const int e = errno;
        error = temp + QStringLiteral(": ") + ErrnoText(e);
        ::unlink(Native(temp).constData());
        return false;
    }
    const QString newest = BackupName(path, 0);
    const QString held = newest + QStringLiteral(".%1.tmp").arg(::getpid());
    ::unlink(Native(held).constData());
    const bool holding = QFileInfo(target).isFile() && LinkOrCopyFile(target, held);
    if (::rename(Native(temp).constData(), Native(target).constData()) != 0) {
        const int e = errno;
        error = target + QStringLiteral(": ") + ErrnoText(e);
        ::unlink(Native(temp).constData());
        if (holding)
            ::unlink(Native(held).constData());
        return false;
    }
    RotateBackups(path, backups);
    // A backup that could not move on is kept rather than overwritten.
    if (holding && (QFileInfo::exists(newest) ||
                    ::rename(Native(held).constData(), Native(newest).constData()) != 0))
        ::unlink(Native(held).constData());
    SyncDirectory(QFileInfo(target).absolutePath());
    if (QFileInfo(path).absolutePath() != QFileInfo(target).absolutePath())
        SyncDirectory(QFileInfo(path).absolutePath());
    return true;
}

void ReportWriteFailure(const QString& what, const QString& error) {
    MessageBox(nullptr,
               what + QStringLiteral("\n\n") + error +
                   QStringLiteral("\n\nPoprzednia wersja pliku pozostała bez zmian."),
               QStringLiteral("Błąd"), TMsgButtons::OK, TMsgIcon::Error);
}

// "hh:mm:ss", or hours and minutes alone as a hand-edited file may have them.
TDateTime ReadTime(const TMemIniFile& ini, const QString& section, const QString& key) {
    const auto t = ParseTime(ini.ReadString(section, key));
    return t ? *t : 0.0;
}

} // namespace

void WriteTimetableEntry(TMemIniFile& ini, const QString& section, const TTimetableEntry& e) {
    ini.WriteInteger(section, QStringLiteral("kind"), e.kind);
    ini.WriteString(section, QStringLiteral("date"), FormatFileDate(e.date));
    ini.WriteString(section, QStringLiteral("time"), FormatTime(e.time));
    ini.WriteInteger(section, QStringLiteral("dayofweek"), e.dayofweek);
    ini.WriteInteger(section, QStringLiteral("dayofmonth"), e.dayofmonth);
    ini.WriteInteger(section, QStringLiteral("month"), e.month);
    ini.WriteInteger(section, QStringLiteral("minute"), e.minute);
    ini.WriteString(section, QStringLiteral("notka"), EncodeIniText(e.notka));
    ini.WriteDateTime(section, QStringLiteral("remindafter"), e.remindafter);
    ini.WriteInteger(section, QStringLiteral("remindbefore"), e.remindbefore);
    ini.WriteDateTime(section, QStringLiteral("lastshowdate"), e.lastshowdate);
}

TTimetableEntry ReadTimetableEntry(const TMemIniFile& ini, const QString& section) {
    TTimetableEntry e;
    e.kind = ini.ReadInteger(section, QStringLiteral("kind"), 0);
    e.date = ini.ReadDateTime(section, QStringLiteral("date"), 0.0);
    e.time = ReadTime(ini, section, QStringLiteral("time"));
    e.dayofweek = ini.ReadInteger(section, QStringLiteral("dayofweek"), 0);
    e.dayofmonth = ini.ReadInteger(section, QStringLiteral("dayofmonth"), 0);
    e.month = ini.ReadInteger(section, QStringLiteral("month"), 0);
    e.minute = ini.ReadInteger(section, QStringLiteral("minute"), 0);
    e.notka =
        DecodeIniText(ini.ReadString(section, QStringLiteral("notka"), QStringLiteral("\"\"")));
    e.remindafter = ini.ReadDateTime(section, QStringLiteral("remindafter"), 0.0);
    e.remindbefore = ini.ReadInteger(section, QStringLiteral("remindbefore"), 0);
    e.lastshowdate = ini.ReadDateTime(section, QStringLiteral("lastshowdate"), 0.0);
    return e;
}

TTimetable::TTimetable() = default;

QString TTimetable::Directory() {
    return ProgramFile(QStringLiteral("timetable"));
}

QString TTimetable::FileName() {
    return Directory() + QStringLiteral("/timetable.ini");
}

QString TTimetable::ArchiveFileName() {
    return Directory() + QStringLiteral("/timetable_deleted.ini");
}

namespace {

// The new entry `n` goes in front of `e` of the same kind.
bool Precedes(const TTimetableEntry& n, const TTimetableEntry& e) {
    switch (n.kind) {
    case KindOnce:
        return n.date < e.date || (n.date == e.date && n.time < e.time);
    case KindEveryMinutes:
        return e.minute > n.minute;
    case KindDaily:
        return n.time < e.time;
    case KindWeekly:
        return e.dayofweek > n.dayofweek || (e.dayofweek == n.dayofweek && n.time < e.time);
    case KindMonthly:
        return e.dayofmonth > n.dayofmonth || (e.dayofmonth == n.dayofmonth && n.time < e.time);
    case KindYearly:
        return e.month > n.month || (e.month == n.month && e.dayofmonth > n.dayofmonth) ||
               (e.month == n.month && e.dayofmonth == n.dayofmonth && n.time < e.time);
    default:
        return false;
    }
}

} // namespace

int TTimetable::Insert(const TTimetableEntry& entry) {
    if (Count >= capacity)
        return -1;
    TTimetableEntry n = entry;
    n.time = TimePart(n.time);
    n.date = DatePart(n.date);
    int i = 0;
    while (i < Count && Slots[i].kind < n.kind)
        ++i;
    int j = i;
    while (j < Count && Slots[j].kind == n.kind)
        ++j;
    int at = i;
    while (at < j && !Precedes(n, Slots[at]))
        ++at;
    // The table grows with its entries: a full one would cost half a megabyte from the start.
    Slots.resize(Count + 1);
    std::move_backward(Slots.begin() + at, Slots.begin() + Count, Slots.begin() + Count + 1);
    n.lastshowdate = Now();
    Slots[at] = std::move(n);
    ++Count;
    ++Layout;
    return at;
}

int TTimetable::Replace(int index, const TTimetableEntry& entry) {
    if (index < 0 || index >= Count)
        return -1;
    archiveSuppressed = true;
    Remove(index);
    archiveSuppressed = false;
    return Insert(entry);
}

void TTimetable::Remove(int index) {
    if (index < 0 || index >= Count)
        return;
    if (!archiveSuppressed)
        Archive(Slots[index]);
    std::move(Slots.begin() + index + 1, Slots.begin() + Count, Slots.begin() + index);
    --Count;
    Slots.resize(Count);
    ++Layout;
}

bool TTimetable::Archive(const TTimetableEntry& entry) {
    Unarchived.push_back(entry);
    return WriteArchive(true);
}

bool TTimetable::WriteArchive(bool report) {
    const QString file = ArchiveFileName();
    QString error;
    bool ok = QDir().mkpath(Directory());
    if (!ok)
        error = Directory() + QStringLiteral(": nie można utworzyć katalogu");
    QByteArray bytes;
    if (ok && QFileInfo::exists(file)) {
        // Writing over an archive that could not be read would lose it.
        ok = ReadWholeFile(file, bytes);
        if (!ok)
            error = file + QStringLiteral(": nie można odczytać pliku");
    }
    if (ok) {
        QString text = DecodeText(bytes);
        for (const TTimetableEntry& entry : Unarchived) {
            std::optional<QString> appended = AppendToArchiveText(text, entry, Now());
            if (!appended) {
                TMemIniFile ini;
                ini.LoadFromText(text);
                std::vector<qint64> used;
                for (const QString& section : ini.ReadSections())
                    if (const qint64 n = EntrySectionNumber(section); n >= 0)
                        used.push_back(n);
                const qint64 n = NextArchiveNumber(
                    ini.ReadInteger(HeadSection, QStringLiteral("Count"), 0), std::move(used));
                ini.WriteString(HeadSection, QStringLiteral("Count"), QString::number(n + 1));
                ini.WriteDateTime(HeadSection, QStringLiteral("ModifyDate"), Now());
                WriteTimetableEntry(ini, EntrySection(n), entry);
                appended = ini.ToText();
            }
            text = *appended;
        }
        ok = ReplaceKeepingBackups(file, EncodeText(text), ArchiveBackups, error);
    }
    if (ok)
        Unarchived.clear();
    else if (report)
        ReportWriteFailure(QStringLiteral("Nie można zapisać usuniętego wpisu w archiwum "
                                          "terminarza."),
                           error);
    return ok;
}

bool TTimetable::Save() {
    const QString file = FileName();
    QString error;
    bool ok = true;
    if (Unreadable) {
        ok = false;
        error = file + QStringLiteral(": nie można było odczytać pliku przy starcie programu");
    } else if (!QDir().mkpath(Directory())) {
        ok = false;
        error = Directory() + QStringLiteral(": nie można utworzyć katalogu");
    }
    if (ok) {
        const TScopedFileTimeFormat fileTimes;
        TMemIniFile ini;
        ini.WriteString(HeadSection, QStringLiteral("Info"), InfoText);
        ini.WriteInteger(HeadSection, QStringLiteral("Count"), Count);
        ini.WriteDateTime(HeadSection, QStringLiteral("ModifyDate"), Now());
        for (int i = 0; i < Count; ++i)
            WriteTimetableEntry(ini, EntrySection(i), Slots[i]);
        ok = ReplaceKeepingBackups(file, EncodeText(ini.ToText()), TimetableBackups, error);
    }
    if (!ok)
        ReportWriteFailure(QStringLiteral("Nie można zapisać terminarza."), error);
    // The archive's own failure was told when the entry was deleted.
    else if (!Unarchived.empty())
        WriteArchive(false);
    return ok;
}

void TTimetable::Load() {
    Slots.clear();
    Count = 0;
    ++Layout;
    const QString file = FileName();
    RemoveStaleTemporaries(Directory());
    QByteArray bytes;
    Unreadable = false;
    if (!ReadWholeFile(file, bytes)) {
        Unreadable = QFileInfo::exists(file);
        return;
    }
    TMemIniFile ini;
    ini.LoadFromText(DecodeText(bytes));
    Count = std::clamp(ini.ReadInteger(HeadSection, QStringLiteral("Count"), 0), 0, capacity);
    Slots.resize(Count);
    for (int i = 0; i < Count; ++i)
        Slots[i] = ReadTimetableEntry(ini, EntrySection(i));
}

TTimetable& Timetable() {
    static TTimetable timetable;
    return timetable;
}

QString MonthName(int month) {
    static const char* const names[12] = {"Styczenia", "Lutego",       "Marca",     "Kwietnia",
                                          "Maja",      "Czerwca",      "Lipca",     "Sierpnia",
                                          "Września",  "Października", "Listopada", "Grudnia"};
    if (month < 1 || month > 12)
        return QStringLiteral("?");
    return QString::fromUtf8(names[month - 1]);
}

QString EntrySummary(const TTimetableEntry& e) {
    QString suffix;
    if (e.remindbefore != 0)
        suffix = QStringLiteral("   (") + QString::number(RemindValue(e.remindbefore)) + ' ' +
                 RemindUnitWord(e.remindbefore) + ')';
    switch (e.kind) {
    case KindOnce:
        return FormatDate(e.date) + QStringLiteral(" o godz. ") + FormatTime(e.time) + suffix;
    case KindEveryMinutes:
        return QStringLiteral("Co ") + QString::number(e.minute) + QStringLiteral(" minut");
    case KindDaily:
        return QStringLiteral("Codziennie o godzinie ") + FormatTime(e.time) + suffix;
    case KindWeekly: {
        const QString day = WeekdayNameOf(e.dayofweek);
        return QStringLiteral("W każdy ") + (day.isEmpty() ? QStringLiteral("?") : day) + suffix;
    }
    case KindMonthly:
        return QString::number(e.dayofmonth) + QStringLiteral("-go dnia każdego miesiąca") + suffix;
    case KindYearly:
        return QString::number(e.dayofmonth) + ' ' + MonthName(e.month) + suffix;
    default:
        return {};
    }
}
