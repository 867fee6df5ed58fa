#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One thrown-away note as the trash window lists it.
struct TTrashRow {
    QString Title;
    QString Text; // the note's lines on one line
    QString Path; // the trashed file
};

// A larger file is listed without being read: no note grows that big.
inline constexpr qint64 MaxTrashedSheetSize = 1024 * 1024;

// "  Lista wyrzuconych karteczek (<rows>)".
QString TrashCountText(int rows);

// A row from a trashed file's bytes: the title ("-error-" when it has none) and every line
// followed by one blank, up to and including the first missing line or the 300th line.
TTrashRow TrashRowFromBytes(const QByteArray& bytes, const QString& path);

// The thrown-away notes of "<sheetsDir>/deleted" and what is done with them. Only the files
// the start would open as notes are listed (regular, visible "*.sheet" files), in the order
// the file system gives them; a file that cannot be read or is too large is listed with the
// title "-error-", so that it can still be deleted.
class TTrash {
public:
    explicit TTrash(const QString& sheetsDir);

    QString TrashDir() const { return FSheetsDir + QStringLiteral("deleted/"); }
    void Load();
    const QList<TTrashRow>& Rows() const { return FRows; }
    QString CountText() const { return TrashCountText(static_cast<int>(FRows.size())); }

    // Brings a row's note back into the live directory under its own name or, when a file
    // or an open note (`inUse`) holds that, under the first free one. Nothing is written
    // over; the trashed file goes once the restored one is on the disk. The name used, or
    // empty when the note could not be restored.
    QString Restore(int row, const QStringList& inUse);
    // Deletes a row's file for good; true when it is gone. The row goes with its file.
    bool Delete(int row);
    // Deletes every listed file (and no other); the rows of the files that are gone go.
    // Returns how many files could not be deleted.
    int DeleteAll();

private:
    // A row goes only when its file is no longer there.
    void DropIfGone(int row);

    QString FSheetsDir;
    QList<TTrashRow> FRows;
};
