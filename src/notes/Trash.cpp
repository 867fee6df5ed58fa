#include "notes/Trash.h"

#include "common/IniFile.h"
#include "common/TextFile.h"
#include "notes/SheetFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString SheetSection = QStringLiteral("Sheet");
const QString ErrorTitle = QStringLiteral("-error-");

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

enum class TReadResult { Read, NotRegular, Unreadable };

// A regular file of at most MaxTrashedSheetSize bytes. A pipe or a device is never opened,
// and one that takes a regular file's place meanwhile is refused without waiting on it.
TReadResult ReadSmallRegularFile(const QString& path, QByteArray& bytes) {
    const QByteArray native = Native(path);
    struct stat st {};
    if (::stat(native.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return TReadResult::NotRegular;
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return TReadResult::Unreadable;
    TReadResult result = TReadResult::Unreadable;
    if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
        result = TReadResult::NotRegular;
    } else if (st.st_size <= MaxTrashedSheetSize) {
        QFile file;
        if (file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
            // One byte more tells a file that grew past the limit.
            bytes = file.read(MaxTrashedSheetSize + 1);
            if (file.error() == QFileDevice::NoError && bytes.size() <= MaxTrashedSheetSize)
                result = TReadResult::Read;
        }
    }
    ::close(fd);
    return result;
}

bool Gone(const QString& path) {
    struct stat st {};
    return ::lstat(Native(path).constData(), &st) != 0 && errno == ENOENT;
}

} // namespace

QString TrashCountText(int rows) {
    return QStringLiteral("  Lista wyrzuconych karteczek (%1)").arg(rows);
}

TTrashRow TrashRowFromBytes(const QByteArray& bytes, const QString& path) {
    TMemIniFile ini;
    ini.LoadFromText(DecodeText(bytes));
    TTrashRow row;
    row.Path = path;
    row.Title = ini.ValueExists(SheetSection, QStringLiteral("Title"))
                    ? ini.ReadString(SheetSection, QStringLiteral("Title"))
                    : ErrorTitle;
    for (int i = 0; i < MaxSheetLines; ++i) {
        const QString key = QStringLiteral("Text%1").arg(i);
        row.Text += ini.ReadString(SheetSection, key) + ' ';
        if (!ini.ValueExists(SheetSection, key))
            break;
    }
    return row;
}

TTrash::TTrash(const QString& sheetsDir)
    : FSheetsDir(sheetsDir.endsWith('/') ? sheetsDir : sheetsDir + '/') {}

void TTrash::Load() {
    FRows.clear();
    // The notes the start would open: a hidden note brought back would be lost at the next
    // start, and a pipe, a device or a link to one is no note.
    const QFileInfoList files =
        QDir(TrashDir()).entryInfoList({QStringLiteral("*.sheet")}, QDir::Files, QDir::Unsorted);
    FRows.reserve(files.size());
    for (const QFileInfo& file : files) {
        const QString path = file.filePath();
        QByteArray bytes;
        switch (ReadSmallRegularFile(path, bytes)) {
        case TReadResult::Read:
            FRows << TrashRowFromBytes(bytes, path);
            break;
        case TReadResult::Unreadable:
            FRows << TTrashRow{ErrorTitle, QString(), path};
            break;
        case TReadResult::NotRegular:
            break;
        }
    }
}

QString TTrash::Restore(int row, const QStringList& inUse) {
    if (row < 0 || row >= FRows.size())
        return {};
    const QString path = FRows[row].Path;
    QDir().mkpath(FSheetsDir);
    // The trashed file stays until its second name is on the disk.
    const QString name =
        PlaceUnderFreeName(path, FSheetsDir, QFileInfo(path).fileName(), inUse, true);
    if (name.isEmpty())
        return {};
    ::unlink(Native(path).constData());
    SyncDirectory(TrashDir());
    DropIfGone(row);
    return name;
}

bool TTrash::Delete(int row) {
    if (row < 0 || row >= FRows.size())
        return false;
    ::unlink(Native(FRows[row].Path).constData());
    const bool gone = Gone(FRows[row].Path);
    DropIfGone(row);
    return gone;
}

int TTrash::DeleteAll() {
    int failed = 0;
    for (int row = static_cast<int>(FRows.size()) - 1; row >= 0; --row)
        if (!Delete(row))
            ++failed;
    return failed;
}

void TTrash::DropIfGone(int row) {
    if (Gone(FRows[row].Path))
        FRows.removeAt(row);
}
