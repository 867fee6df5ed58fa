#pragma once

#include "common/DateUtils.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

class TMemIniFile;

// A note's record as it stands in its ".sheet" file. A position that is missing is left
// unset: its default (centred) depends on the window and the screen.
struct TSheetRecord {
    int Width = 350;
    int MinHeight = 80; // the window's client height when saved (16 while collapsed)
    int Height = 80;    // the expanded height, kept while collapsed
    std::optional<int> Left;
    std::optional<int> Top;
    QString Title;
    bool HiPrior = false;
    bool Blocked = false;
    bool ActivationEnabled = false;
    TDateTime ActivationTime = 0;
    QStringList Lines;
};

inline constexpr int MaxSheetLines = 300;

// Reads a record; missing or unreadable values take their defaults, the title and the
// activation time from `now` in the formats in force. Text lines keep their blanks.
TSheetRecord ReadSheetRecord(const TMemIniFile& ini, TDateTime now);
// Writes every key in the order the file keeps them and removes text keys past the last line.
void WriteSheetRecord(TMemIniFile& ini, const TSheetRecord& record);

// Saves the note's file: the image "<file>$" is written and flushed, the previous version
// becomes "<name>.bak" without the live file ever going away, the image replaces the live
// file in one rename, the directory is flushed, and the image is written once more so that
// "<file>$" stays beside the note. At every moment "<file>" holds the previous or the new
// version, complete. False with `error` set when the new version could not be put in place.
bool SaveSheetFile(const QString& fileName, const TSheetRecord& record, QString* error = nullptr);

// "<name>.bak" for "<name>.sheet".
QString SheetBackupName(const QString& fileName);

// Moves a note's file into "deleted/" beside it, replacing a trashed note of the same name,
// copying where a rename cannot cross file systems, and deleting it outright only when
// neither works; its ".bak" and "$" companions are removed. False when the file could be
// neither moved nor deleted.
bool MoveSheetFileToTrash(const QString& fileName);

// A new note's file name (without directory): the date and time as fourteen digits, with a
// number behind it while a note of that name exists in `sheetsDir` or is open (`inUse`: an
// open note has no file until it holds text). Leaves the after-naming formats in force.
QString MakeSheetFileName(const QString& sheetsDir, TDateTime now, const QStringList& inUse = {});

// A note's place pulled onto the desktop so that at least 40 pixels of it stay in reach.
QPoint KeepVisible(QPoint place, int width, const QRect& desktop);

// A note that lies on none of the screens (one was unplugged) is brought onto the nearest
// one, whole where it fits; a note on any screen stays where it is.
QPoint PlaceOnScreens(QPoint place, QSize size, const QList<QRect>& screens);
