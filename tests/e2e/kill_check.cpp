// Checks the files of one run of the program that was killed while saving, read with the
// program's own readers.
// Usage: kill_check <plan> <start> <before-kill> <after>
//   <plan>: "note\t<file>\t<text typed into it>", "still\t<file>" (a note left alone) and
//   "entry\t<note of a timetable entry added>" lines; the three folders each hold sheets/ and
//   timetable/ as they were at the start, just before the kill and after it.
// Prints "landed <n>" (versions found newer than at the start) and one "LOSS: ..." line for
// each file that is torn, went back, or changed without cause; exits 1 when there is any.
#include "common/Formats.h"
#include "common/IniFile.h"
#include "common/TextFile.h"
#include "notes/SheetFile.h"
#include "scheduler/Timetable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cstdio>
#include <map>
#include <optional>

namespace {

int Losses = 0;

void Loss(const QString& what) {
    std::printf("LOSS: %s\n", qPrintable(what));
    ++Losses;
}

std::optional<QByteArray> Bytes(const QString& path) {
    QByteArray b;
    if (!QFileInfo(path).isFile() || !ReadWholeFile(path, b))
        return std::nullopt;
    return b;
}

bool LoadWhole(const QString& path, const QByteArray& bytes, TMemIniFile& ini) {
    if (!bytes.endsWith("\r\n")) {
        Loss(path + ": does not end in a line break");
        return false;
    }
    ini.LoadFromText(DecodeText(bytes));
    return true;
}

bool HasInt(const TMemIniFile& ini, const QString& s, const QString& k) {
    return ini.ReadInteger(s, k, 0) != 0 || ini.ReadInteger(s, k, 1) != 1;
}

bool HasMoment(const TMemIniFile& ini, const QString& s, const QString& k) {
    return ini.ReadDateTime(s, k, -1) != -1;
}

// A note's text when the file is complete: every key it is written with, in readable form.
std::optional<QString> NoteText(const QString& path) {
    const auto bytes = Bytes(path);
    if (!bytes) {
        Loss(path + ": missing");
        return std::nullopt;
    }
    TMemIniFile ini;
    if (!LoadWhole(path, *bytes, ini))
        return std::nullopt;
    for (const auto& [s, k] : {std::pair{"Size", "Width"},
                               {"Size", "MinHeight"},
                               {"Size", "Height"},
                               {"Position", "Left"},
                               {"Position", "Top"},
                               {"Sheet", "HiPrior"},
                               {"Sheet", "Blocked"},
                               {"Activation", "Enabled"}})
        if (!HasInt(ini, s, k)) {
            Loss(path + ": no " + s + "/" + k);
            return std::nullopt;
        }
    if (!HasMoment(ini, "Activation", "DateTime") || !ini.ValueExists("Sheet", "Title") ||
        !ini.ValueExists("Sheet", "Text0")) {
        Loss(path + ": incomplete [Sheet] or [Activation]");
        return std::nullopt;
    }
    return ReadSheetRecord(ini, 0).Lines.join('\n');
}

using TEntries = std::map<QString, TTimetableEntry>; // by note

// A timetable file's entries when it is complete: the head's count matches the sections and
// every entry has all its values.
std::optional<TEntries> TimetableEntries(const QString& path) {
    const auto bytes = Bytes(path);
    if (!bytes)
        return std::nullopt;
    TMemIniFile ini;
    if (!LoadWhole(path, *bytes, ini))
        return TEntries{};
    const int count = ini.ReadInteger("TimeTable", "Count", -1);
    int sections = 0;
    for (const QString& s : ini.ReadSections())
        sections += s.startsWith("TT");
    if (count != sections || !HasMoment(ini, "TimeTable", "ModifyDate")) {
        Loss(path + QString(": Count=%1 with %2 entries").arg(count).arg(sections));
        return TEntries{};
    }
    TEntries entries;
    for (int i = 0; i < count; ++i) {
        const QString s = QStringLiteral("TT%1").arg(i);
        if (ini.ReadSection(s).size() != 11 || !HasMoment(ini, s, "lastshowdate") ||
            !HasMoment(ini, s, "date")) {
            Loss(path + ": entry " + s + " incomplete");
            continue;
        }
        const TTimetableEntry e = ReadTimetableEntry(ini, s);
        if (!entries.emplace(e.notka, e).second)
            Loss(path + ": entry " + e.notka + " twice");
    }
    return entries;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s <plan> <start> <before-kill> <after>\n", argv[0]);
        return 2;
    }
    SetStartFormats();
    SetAfterNamingFormats();
    const TScopedFileTimeFormat fileTimes;
    const QString start = QFile::decodeName(argv[2]), pre = QFile::decodeName(argv[3]),
                  after = QFile::decodeName(argv[4]);
    QFile planFile(QFile::decodeName(argv[1]));
    if (!planFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no plan %s\n", argv[1]);
        return 2;
    }
    int landed = 0;
    QSet<QString> planned;
    for (const QString& line : QString::fromUtf8(planFile.readAll()).split('\n')) {
        const QStringList f = line.split('\t');
        if (f[0] == "entry") {
            planned << f.value(1);
            continue;
        }
        if (f.size() < 2)
            continue;
        const QString name = "/sheets/" + f[1], bak = "/sheets/" + SheetBackupName(f[1]);
        if (f[0] == "still") {
            // A note nobody touched is not written, nor is its backup.
            if (Bytes(after + name) != Bytes(start + name) ||
                Bytes(after + bak) != Bytes(start + bak))
                Loss(after + name + ": changed although left alone");
            continue;
        }
        const auto was = NoteText(start + name);
        const auto now = NoteText(after + name);
        if (!was || !now)
            continue;
        // Typing only appends: any version is the old text and a part of what was typed.
        if (!now->startsWith(*was) || !f.value(2).startsWith(now->mid(was->size())))
            Loss(after + name + ": text '" + *now + "' is no version typed");
        if (QFileInfo::exists(pre + name))
            if (const auto saved = NoteText(pre + name); saved && !now->startsWith(*saved))
                Loss(after + name + ": lost text saved before the kill: '" + *saved + "'");
        if (QFileInfo::exists(after + bak))
            if (const auto older = NoteText(after + bak); older && !now->startsWith(*older))
                Loss(after + bak + ": '" + *older + "' is no earlier version");
        landed += *now != *was;
    }

    const QString tt = "/timetable/timetable.ini";
    const TEntries was = TimetableEntries(start + tt).value_or(TEntries{});
    const auto now = TimetableEntries(after + tt);
    if (!now && !was.empty())
        Loss(after + tt + ": missing");
    const TEntries got = now.value_or(TEntries{});
    for (const auto& [note, e] : was)
        if (auto it = got.find(note); it == got.end() || !(it->second == e))
            Loss(after + tt + ": entry " + note + " lost or changed");
    for (const auto& [note, e] : got)
        if (!was.count(note) && !planned.contains(note))
            Loss(after + tt + ": entry " + note + " never added");
    for (const auto& [note, e] : TimetableEntries(pre + tt).value_or(TEntries{}))
        if (!got.count(note))
            Loss(after + tt + ": entry " + note + " saved before the kill is gone");
    landed += static_cast<int>(got.size()) - static_cast<int>(was.size());
    // The backups are whole earlier versions.
    for (const QString& b : QDir(after + "/timetable").entryList({"timetable??.bak"}, QDir::Files))
        for (const auto& [note, e] :
             TimetableEntries(after + "/timetable/" + b).value_or(TEntries{}))
            if (!was.count(note) && !planned.contains(note))
                Loss(after + "/timetable/" + b + ": entry " + note + " never added");

    std::printf("landed %d\n", landed);
    return Losses ? 1 : 0;
}
