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

// Moves a note's file into "deleted/" beside it, under a free name when a thrown-away note
// already has its name, copying where a rename cannot cross file systems, and deleting it
// outright only when neither works; its ".bak" and "$" companions are removed. False when
// the file could be neither moved nor deleted.
bool MoveSheetFileToTrash(const QString& fileName);

// A new note's file name (without directory): the date and time as fourteen digits, with a
// number behind it while a note of that name exists in `sheetsDir` or is open (`inUse`: an
// open note has no file until it holds text). Leaves the after-naming formats in force.
QString MakeSheetFileName(const QString& sheetsDir, TDateTime now, const QStringList& inUse = {});

// The n-th choice of a note's name: the name itself, then its base with 1, 2, ... behind it.
QString SheetNameCandidate(const QString& name, int n);

enum class TPlaceResult { Done, Taken, Failed };

// Gives the file `from` the second name `to` without ever replacing what lies at `to` (Taken
// then): a hard link, or where links are refused a flushed copy put in place with
// CopyFileNoReplace. Done only once the new name and its bytes are on the disk.
TPlaceResult LinkFileNoReplace(const QString& from, const QString& to);
// The copy: a flushed temporary file beside `to`, with the bytes and permission bits of
// `from`, moved to `to` only while nothing is there.
TPlaceResult CopyFileNoReplace(const QString& from, const QString& to);

// Puts `from` into `dir` under `name` or the first free choice after it (SheetNameCandidate;
// names in `inUse` are skipped as taken), moving it or, with `keepSource`, linking or copying
// it. Nothing in `dir` is ever replaced. The name used, or empty when it could not be placed.
QString PlaceUnderFreeName(const QString& from, const QString& dir, const QString& name,
                           const QStringList& inUse, bool keepSource);

// A note's place pulled onto the desktop so that at least 40 pixels of it stay in reach.
QPoint KeepVisible(QPoint place, int width, const QRect& desktop);

// A note that lies on none of the screens (one was unplugged) is brought onto the nearest
// one, whole where it fits; a note on any screen stays where it is.
QPoint PlaceOnScreens(QPoint place, QSize size, const QList<QRect>& screens);
