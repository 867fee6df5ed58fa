#pragma once

#include "common/DateUtils.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

// The whole of an INI file in memory. Sections and keys are found without regard to letter
// case and kept in first-written order; whatever a writer does not know survives its write.
// With duplicate sections or keys the first occurrence is the one that is read and written.
// Values are kept as read; the typed reads trim blanks and control characters.
class TMemIniFile {
public:
    TMemIniFile() = default;
    // Loads `fileName` when it exists; a missing or unreadable file gives an empty image, and
    // an existing file that could not be read is never written over (UpdateFile fails).
    explicit TMemIniFile(const QString& fileName);

    const QString& FileName() const { return FFileName; }
    // The file exists but could not be read: writing the image would lose it.
    bool IsUnreadable() const { return Unreadable; }
    void SetFileName(const QString& fileName) { FFileName = fileName; }

    void LoadFromText(const QString& text);
    QString ToText() const;

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    QStringList ReadSections() const;
    QStringList ReadSection(const QString& section) const; // key names

    // The value exactly as stored, blanks included.
    QString ReadRawString(const QString& section, const QString& key,
                          const QString& defaultValue = {}) const;
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue = {}) const;
    // Decimal, with an optional sign; anything else gives the default.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    // Any non-zero integer is true; a non-number gives the default.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    // A date, or a date and a time; text that does not parse gives the default.
    TDateTime ReadDateTime(const QString& section, const QString& key,
                           TDateTime defaultValue) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);
    // Four-digit year always; the time in the time format in force, left out at midnight.
    void WriteDateTime(const QString& section, const QString& key, TDateTime value);

    void DeleteKey(const QString& section, const QString& key);
    void EraseSection(const QString& section);
    void Clear();

    // Writes the whole image to FileName() through a flushed temporary file and a rename.
    // On failure the file on disk is untouched and `error` says why.
    bool UpdateFile(QString* error = nullptr) const;

private:
    struct TEntry {
        QString Key;
        QString Value;
        bool HasValue = true; // a line without "=" is kept as it stands
    };
    struct TSection {
        QString Name;
        std::vector<TEntry> Entries;
        QHash<QString, qsizetype> Index; // lower-case key -> first entry
    };

    const TEntry* Find(const QString& section, const QString& key) const;
    TSection& SectionForWrite(const QString& section);

    QString FFileName;
    bool Unreadable = false;
    QStringList Preamble; // lines before the first section, kept as they were
    std::vector<TSection> Sections;
    QHash<QString, qsizetype> SectionIndex; // lower-case name -> first section
};

// Trims blanks and control characters (everything up to U+0020) from both ends.
QString TrimControl(const QString& s);
