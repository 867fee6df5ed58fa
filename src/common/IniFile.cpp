#include "common/IniFile.h"

#include "common/Formats.h"
#include "common/TextFile.h"

#include <QFile>
#include <QFileInfo>

QString TrimControl(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= ' ')
        ++b;
    while (e > b && s[e - 1].unicode() <= ' ')
        --e;
    return s.mid(b, e - b);
}

namespace {

QString Flat(const QString& s) {
    // A raw line break would split the value into lines of its own.
    if (!s.contains('\r') && !s.contains('\n'))
        return s;
    QString out = s;
    out.replace('\r', ' ');
    out.replace('\n', ' ');
    return out;
}

} // namespace

TMemIniFile::TMemIniFile(const QString& fileName) : FFileName(fileName) {
    QByteArray bytes;
    if (ReadWholeFile(fileName, bytes))
        LoadFromText(DecodeText(bytes));
    else
        Unreadable = QFileInfo::exists(fileName);
}

void TMemIniFile::Clear() {
    Preamble.clear();
    Sections.clear();
    SectionIndex.clear();
}

void TMemIniFile::LoadFromText(const QString& text) {
    Clear();
    TSection* current = nullptr;
    qsizetype start = 0;
    while (start <= text.size()) {
        // CR LF, a bare LF and a bare CR each end a line.
        qsizetype end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        const QString line = text.mid(start, end - start);
        start = end + 1;
        if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
        const QString trimmed = TrimControl(line);
        if (trimmed.isEmpty() || trimmed.startsWith(';'))
            continue;
        if (trimmed.startsWith('[') && trimmed.endsWith(']') && trimmed.size() >= 2) {
            const QString name = TrimControl(trimmed.mid(1, trimmed.size() - 2));
            Sections.push_back(TSection{name, {}, {}});
            current = &Sections.back();
            const QString lower = name.toLower();
            if (!SectionIndex.contains(lower)) // the first of duplicate sections wins
                SectionIndex.insert(lower, static_cast<qsizetype>(Sections.size() - 1));
            continue;
        }
        if (!current) {
            Preamble << line;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        TEntry entry;
        if (eq < 0) {
            entry.Key = trimmed;
            entry.HasValue = false;
        } else {
            entry.Key = TrimControl(line.left(eq));
            entry.Value = line.mid(eq + 1);
        }
        const QString lower = entry.Key.toLower();
        if (entry.HasValue && !current->Index.contains(lower))
            current->Index.insert(lower, static_cast<qsizetype>(current->Entries.size()));
        current->Entries.push_back(std::move(entry));
    }
}

QString TMemIniFile::ToText() const {
    QString out;
    for (const QString& line : Preamble)
        out += Flat(line) + QStringLiteral("\r\n");
    for (const TSection& s : Sections) {
        out += '[' + Flat(s.Name) + QStringLiteral("]\r\n");
        for (const TEntry& e : s.Entries) {
            out += Flat(e.Key);
            if (e.HasValue)
                out += '=' + Flat(e.Value);
            out += QStringLiteral("\r\n");
        }
        out += QStringLiteral("\r\n");
    }
    return out;
}

bool TMemIniFile::SectionExists(const QString& section) const {
    return SectionIndex.contains(section.trimmed().toLower());
}

const TMemIniFile::TEntry* TMemIniFile::Find(const QString& section, const QString& key) const {
    const auto s = SectionIndex.constFind(section.trimmed().toLower());
    if (s == SectionIndex.cend())
        return nullptr;
    const TSection& sec = Sections[static_cast<size_t>(*s)];
    const auto e = sec.Index.constFind(key.trimmed().toLower());
    if (e == sec.Index.cend())
        return nullptr;
    return &sec.Entries[static_cast<size_t>(*e)];
}

bool TMemIniFile::ValueExists(const QString& section, const QString& key) const {
    return Find(section, key) != nullptr;
}

QStringList TMemIniFile::ReadSections() const {
    QStringList names;
    for (const TSection& s : Sections)
        names << s.Name;
    return names;
}

QStringList TMemIniFile::ReadSection(const QString& section) const {
    QStringList keys;
    const auto s = SectionIndex.constFind(section.trimmed().toLower());
    if (s == SectionIndex.cend())
        return keys;
    for (const TEntry& e : Sections[static_cast<size_t>(*s)].Entries)
        if (e.HasValue)
            keys << e.Key;
    return keys;
}

QString TMemIniFile::ReadRawString(const QString& section, const QString& key,
                                   const QString& defaultValue) const {
    const TEntry* e = Find(section, key);
    return e ? e->Value : defaultValue;
}

QString TMemIniFile::ReadString(const QString& section, const QString& key,
                                const QString& defaultValue) const {
    const TEntry* e = Find(section, key);
    return e ? TrimControl(e->Value) : defaultValue;
}

int TMemIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
    const TEntry* e = Find(section, key);
    if (!e)
        return defaultValue;
    const QString v = TrimControl(e->Value);
    if (v.isEmpty())
        return defaultValue;
    for (qsizetype i = (v[0] == '+' || v[0] == '-') ? 1 : 0; i < v.size(); ++i)
        if (v[i] < '0' || v[i] > '9')
            return defaultValue;
    bool ok = false;
    const int n = v.toInt(&ok, 10);
    return ok ? n : defaultValue;
}

bool TMemIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

TDateTime TMemIniFile::ReadDateTime(const QString& section, const QString& key,
                                    TDateTime defaultValue) const {
    const TEntry* e = Find(section, key);
    if (!e)
        return defaultValue;
    const auto t = ParseMoment(TrimControl(e->Value));
    return t ? *t : defaultValue;
}

TMemIniFile::TSection& TMemIniFile::SectionForWrite(const QString& section) {
    const QString name = section.trimmed();
    const auto s = SectionIndex.constFind(name.toLower());
    if (s != SectionIndex.cend())
        return Sections[static_cast<size_t>(*s)];
    Sections.push_back(TSection{name, {}, {}});
    SectionIndex.insert(name.toLower(), static_cast<qsizetype>(Sections.size() - 1));
    return Sections.back();
}

void TMemIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    TSection& s = SectionForWrite(section);
    const QString name = key.trimmed();
    const auto e = s.Index.constFind(name.toLower());
    if (e != s.Index.cend()) {
        s.Entries[static_cast<size_t>(*e)].Value = value;
        return;
    }
    s.Index.insert(name.toLower(), static_cast<qsizetype>(s.Entries.size()));
    s.Entries.push_back(TEntry{name, value, true});
}

void TMemIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void TMemIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TMemIniFile::WriteDateTime(const QString& section, const QString& key, TDateTime value) {
    WriteString(section, key, FormatFileMoment(value));
}

void TMemIniFile::DeleteKey(const QString& section, const QString& key) {
    const auto s = SectionIndex.constFind(section.trimmed().toLower());
    if (s == SectionIndex.cend())
        return;
    TSection& sec = Sections[static_cast<size_t>(*s)];
    const QString lower = key.trimmed().toLower();
    if (!sec.Index.contains(lower))
        return;
    // Duplicates go too, so that a deleted key does not come back from a later line.
    std::erase_if(sec.Entries,
                  [&](const TEntry& e) { return e.HasValue && e.Key.toLower() == lower; });
    sec.Index.clear();
    for (qsizetype i = 0; i < static_cast<qsizetype>(sec.Entries.size()); ++i) {
        const TEntry& entry = sec.Entries[static_cast<size_t>(i)];
        if (entry.HasValue && !sec.Index.contains(entry.Key.toLower()))
            sec.Index.insert(entry.Key.toLower(), i);
    }
}

void TMemIniFile::EraseSection(const QString& section) {
    const QString lower = section.trimmed().toLower();
    if (!SectionIndex.contains(lower))
        return;
    // Every section of that name goes, duplicates included.
    std::erase_if(Sections, [&](const TSection& s) { return s.Name.toLower() == lower; });
    SectionIndex.clear();
    for (qsizetype i = 0; i < static_cast<qsizetype>(Sections.size()); ++i) {
        const QString l = Sections[static_cast<size_t>(i)].Name.toLower();
        if (!SectionIndex.contains(l))
            SectionIndex.insert(l, i);
    }
}

bool TMemIniFile::UpdateFile(QString* error) const {
    if (Unreadable) {
        // Writing the empty image would lose everything the file holds.
        if (error)
            *error = FFileName + QString::fromUtf8(": nie można odczytać pliku");
        return false;
    }
    return WriteFileAtomic(FFileName, EncodeText(ToText()), error);
}
