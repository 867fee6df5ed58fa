#include "notes/SheetFile.h"

#include "common/Formats.h"
#include "common/IniFile.h"
#include "common/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString SizeSection = QStringLiteral("Size");
const QString PositionSection = QStringLiteral("Position");
const QString SheetSection = QStringLiteral("Sheet");
const QString ActivationSection = QStringLiteral("Activation");

QString TextKey(int i) {
    return QStringLiteral("Text%1").arg(i);
}

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

std::optional<int> ReadOptionalInt(const TMemIniFile& ini, const QString& section,
                                   const QString& key) {
    // Two different defaults tell a missing or unreadable value apart from any number.
    const int a = ini.ReadInteger(section, key, 0);
    if (a != 0 || ini.ReadInteger(section, key, 1) == 0)
        return a;
    return std::nullopt;
}

// Keeps the previous version as ".bak" while the live file stays where it is.
void KeepBackup(const QString& fileName) {
    const QString bak = SheetBackupName(fileName);
    ::unlink(Native(bak).constData());
    if (QFileInfo::exists(fileName))
        LinkOrCopyFile(fileName, bak);
}

QString ErrnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

void SyncFile(const QString& path) {
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

TPlaceResult MoveFileNoReplace(const QString& from, const QString& to) {
    if (::renameat2(AT_FDCWD, Native(from).constData(), AT_FDCWD, Native(to).constData(),
                    RENAME_NOREPLACE) == 0) {
        SyncDirectory(QFileInfo(to).absolutePath());
        return TPlaceResult::Done;
    }
    if (errno == EEXIST)
        return TPlaceResult::Taken;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return TPlaceResult::Failed;
    // Another file system, or no such rename on this one: a second name, then the first goes.
    const TPlaceResult r = LinkFileNoReplace(from, to);
    if (r == TPlaceResult::Done && ::unlink(Native(from).constData()) != 0 && errno != ENOENT) {
        ::unlink(Native(to).constData());
        return TPlaceResult::Failed;
    }
    return r;
}

} // namespace

TSheetRecord ReadSheetRecord(const TMemIniFile& ini, TDateTime now) {
    TSheetRecord r;
    r.Width = ini.ReadInteger(SizeSection, QStringLiteral("Width"), r.Width);
    r.MinHeight = ini.ReadInteger(SizeSection, QStringLiteral("MinHeight"), r.MinHeight);
    r.Height = ini.ReadInteger(SizeSection, QStringLiteral("Height"), r.Height);
    r.Left = ReadOptionalInt(ini, PositionSection, QStringLiteral("Left"));
    r.Top = ReadOptionalInt(ini, PositionSection, QStringLiteral("Top"));
    r.Title = ini.ReadString(SheetSection, QStringLiteral("Title"),
                             FormatDate(now) + QStringLiteral("  ") + FormatTime(now));
    r.HiPrior = ini.ReadBool(SheetSection, QStringLiteral("HiPrior"), false);
    r.Blocked = ini.ReadBool(SheetSection, QStringLiteral("Blocked"), false);
    r.ActivationEnabled = ini.ReadBool(ActivationSection, QStringLiteral("Enabled"), false);
    r.ActivationTime = ini.ReadDateTime(ActivationSection, QStringLiteral("DateTime"), now);

    // The walk stops after the first missing key; trailing empty lines are dropped. A line
    // of blanks is text: indentation survives a reload.
    // A note may hold more lines than the editor lets it grow to: every one is read.
    int lastNonEmpty = 0;
    for (int i = 0;; ++i) {
        const QString line = ini.ReadRawString(SheetSection, TextKey(i));
        if (!line.isEmpty())
            lastNonEmpty = i;
        r.Lines << line;
        if (!ini.ValueExists(SheetSection, TextKey(i)))
            break;
    }
    r.Lines.erase(r.Lines.begin() + lastNonEmpty + 1, r.Lines.end());
    if (lastNonEmpty == 0 && r.Lines.first().isEmpty())
        r.Lines.clear();
    return r;
}

void WriteSheetRecord(TMemIniFile& ini, const TSheetRecord& r) {
    ini.WriteInteger(SizeSection, QStringLiteral("Width"), r.Width);
    ini.WriteInteger(SizeSection, QStringLiteral("MinHeight"), r.MinHeight);
    ini.WriteInteger(SizeSection, QStringLiteral("Height"), r.Height);
    ini.WriteInteger(PositionSection, QStringLiteral("Left"), r.Left.value_or(0));
    ini.WriteInteger(PositionSection, QStringLiteral("Top"), r.Top.value_or(0));
    ini.WriteString(SheetSection, QStringLiteral("Title"), r.Title);
    ini.WriteBool(SheetSection, QStringLiteral("HiPrior"), r.HiPrior);
    ini.WriteBool(SheetSection, QStringLiteral("Blocked"), r.Blocked);
    ini.WriteBool(ActivationSection, QStringLiteral("Enabled"), r.ActivationEnabled);
    ini.WriteDateTime(ActivationSection, QStringLiteral("DateTime"), r.ActivationTime);
    // Every line the note holds: a note loaded with more than the editor's limit keeps them.
    const int count = static_cast<int>(r.Lines.size());
    for (int i = 0; i < count; ++i)
        ini.WriteString(SheetSection, TextKey(i), r.Lines[i]);
    for (int j = count; ini.ValueExists(SheetSection, TextKey(j)) || j < MaxSheetLines; ++j)
        ini.DeleteKey(SheetSection, TextKey(j));
}

QString SheetBackupName(const QString& fileName) {
    const QFileInfo fi(fileName);
    return fi.path() + '/' + fi.completeBaseName() + QStringLiteral(".bak");
}

bool SaveSheetFile(const QString& path, const TSheetRecord& record, QString* error) {
    QString fileName;
    int mode = -1;
    if (!PrepareReplace(path, fileName, mode, error))
        return false;
    const QString image = fileName + '$';
    // Keys this program does not know come from the note itself; the image stands in only
    // for a note that has no file yet.
    TMemIniFile ini(QFileInfo::exists(fileName) ? fileName : image);
    if (ini.IsUnreadable() && QFileInfo::exists(fileName)) {
        // Its keys and text could not be read: a new version would replace them with nothing.
        if (error)
            *error = fileName + QStringLiteral(": nie można odczytać pliku");
        return false;
    }
    WriteSheetRecord(ini, record);
    const QByteArray bytes = EncodeText(ini.ToText());
    bool ok = WriteFileSynced(image, bytes, mode);
    if (!ok && error)
        *error = image + QStringLiteral(": ") + ErrnoText();
    if (ok) {
        KeepBackup(fileName);
        ok = ::rename(Native(image).constData(), Native(fileName).constData()) == 0;
        if (!ok && error)
            *error = fileName + QStringLiteral(": ") + ErrnoText();
        SyncDirectory(QFileInfo(fileName).absolutePath());
    }
    // The image stays beside the note whether or not the swap worked.
    WriteFileSynced(image, bytes, mode);
    return ok;
}

bool MoveSheetFileToTrash(const QString& fileName) {
    const QFileInfo fi(fileName);
    const QString trashDir = fi.path() + QStringLiteral("/deleted");
    QDir().mkpath(trashDir);
    bool ok = true;
    if (fi.exists()) {
        // A note thrown away earlier under the same name keeps its place in the trash.
        if (PlaceUnderFreeName(fileName, trashDir, fi.fileName(), {}, false).isEmpty())
            ok = ::unlink(Native(fileName).constData()) == 0 || errno == ENOENT;
        SyncDirectory(fi.absolutePath());
    }
    QFile::remove(SheetBackupName(fileName));
    QFile::remove(fileName + '$');
    return ok;
}

QString SheetNameCandidate(const QString& name, int n) {
    if (n == 0)
        return name;
    const qsizetype dot = name.lastIndexOf('.');
    if (dot <= 0)
        return name + QString::number(n);
    return name.left(dot) + QString::number(n) + name.mid(dot);
}

QString MakeSheetFileName(const QString& sheetsDir, TDateTime now, const QStringList& inUse) {
    SetNamingFormats();
    const QString first = FormatDate(now) + FormatTime(now) + QStringLiteral(".sheet");
    SetAfterNamingFormats();
    QString dir = sheetsDir;
    if (!dir.endsWith('/'))
        dir += '/';
    auto taken = [&](const QString& name) {
        return QFileInfo::exists(dir + name) || inUse.contains(name);
    };
    QString candidate = first;
    for (int n = 1; taken(candidate); ++n)
        candidate = SheetNameCandidate(first, n);
    return candidate;
}

TPlaceResult LinkFileNoReplace(const QString& from, const QString& to) {
    // A second name for a symbolic link would be a link itself, its relative target read
    // from another folder: the bytes it leads to are what is wanted.
    struct stat st {};
    if (::lstat(Native(from).constData(), &st) == 0 && S_ISLNK(st.st_mode))
        return CopyFileNoReplace(from, to);
    if (::link(Native(from).constData(), Native(to).constData()) != 0) {
        if (errno == EEXIST)
            return TPlaceResult::Taken;
        // A file system without links, or another file system.
        return CopyFileNoReplace(from, to);
    }
    SyncFile(to);
    SyncDirectory(QFileInfo(to).absolutePath());
    return TPlaceResult::Done;
}

TPlaceResult CopyFileNoReplace(const QString& from, const QString& to) {
    // Never waits on a pipe or a device that took the file's place.
    const int in = ::open(Native(from).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (in < 0)
        return TPlaceResult::Failed;
    struct stat st {};
    QByteArray bytes;
    bool read = ::fstat(in, &st) == 0 && S_ISREG(st.st_mode);
    if (read) {
        QFile source;
        read = source.open(in, QIODevice::ReadOnly, QFileDevice::DontCloseHandle);
        if (read) {
            bytes = source.readAll();
            read = source.error() == QFileDevice::NoError;
        }
    }
    ::close(in);
    if (!read)
        return TPlaceResult::Failed;

    const QFileInfo target(to);
    const QString temp = target.path() + QStringLiteral("/.") + target.fileName() +
                         QStringLiteral(".%1.tmp").arg(::getpid());
    const QByteArray nativeTemp = Native(temp), nativeTo = Native(to);
    ::unlink(nativeTemp.constData()); // left by a run of this process id that crashed
    if (!WriteFileSynced(temp, bytes, static_cast<int>(st.st_mode & 07777))) {
        ::unlink(nativeTemp.constData());
        return TPlaceResult::Failed;
    }
    TPlaceResult result = TPlaceResult::Failed;
    bool renamed = false;
    if (::renameat2(AT_FDCWD, nativeTemp.constData(), AT_FDCWD, nativeTo.constData(),
                    RENAME_NOREPLACE) == 0) {
        result = TPlaceResult::Done;
        renamed = true;
    } else if (errno == EEXIST) {
        result = TPlaceResult::Taken;
    } else if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        // No such rename on this file system: a link never replaces either.
        if (::link(nativeTemp.constData(), nativeTo.constData()) == 0)
            result = TPlaceResult::Done;
        else if (errno == EEXIST)
            result = TPlaceResult::Taken;
    }
    if (!renamed)
        ::unlink(nativeTemp.constData());
    if (result == TPlaceResult::Done)
        SyncDirectory(target.absolutePath());
    return result;
}

QString PlaceUnderFreeName(const QString& from, const QString& dir, const QString& name,
                           const QStringList& inUse, bool keepSource) {
    const QString prefix = dir.endsWith('/') ? dir : dir + '/';
    for (int n = 0; n < 100000; ++n) {
        const QString candidate = SheetNameCandidate(name, n);
        if (inUse.contains(candidate))
            continue;
        const QString to = prefix + candidate;
        const TPlaceResult r =
            keepSource ? LinkFileNoReplace(from, to) : MoveFileNoReplace(from, to);
        if (r == TPlaceResult::Done)
            return candidate;
        if (r == TPlaceResult::Failed)
            return {};
    }
    return {};
}

QPoint KeepVisible(QPoint place, int width, const QRect& d) {
    // In 64 bits: a damaged file may hold any 32-bit place.
    qint64 x = place.x(), y = place.y();
    const qint64 left = d.left(), top = d.top();
    if (x + width < left + 40)
        x = left + 40 - width;
    if (x > left + d.width() - 40)
        x = left + d.width() - 40;
    if (y < top)
        y = top;
    if (y > top + d.height() - 40)
        y = top + d.height() - 40;
    return {static_cast<int>(x), static_cast<int>(y)};
}

QPoint PlaceOnScreens(QPoint place, QSize size, const QList<QRect>& screens) {
    // Edges in 64 bits, right and bottom exclusive: a damaged file may hold any 32-bit place.
    const qint64 nl = place.x(), nt = place.y();
    const qint64 nr = nl + size.width(), nb = nt + size.height();
    const QRect* nearest = nullptr;
    qint64 best = 0;
    for (const QRect& screen : screens) {
        const qint64 sl = screen.x(), st = screen.y();
        const qint64 sr = sl + screen.width(), sb = st + screen.height();
        // The gap between the two rectangles; none when they overlap.
        const qint64 dx = std::max({qint64(0), sl - nr, nl - sr});
        const qint64 dy = std::max({qint64(0), st - nb, nt - sb});
        if (dx == 0 && dy == 0 && nl < sr && sl < nr && nt < sb && st < nb)
            return place;
        const qint64 distance = dx * dx + dy * dy;
        if (!nearest || distance < best) {
            nearest = &screen;
            best = distance;
        }
    }
    if (!nearest)
        return place;
    const qint64 maxX =
        std::max<qint64>(nearest->x(), qint64(nearest->x()) + nearest->width() - size.width());
    const qint64 maxY =
        std::max<qint64>(nearest->y(), qint64(nearest->y()) + nearest->height() - size.height());
    return {static_cast<int>(std::clamp<qint64>(nl, nearest->x(), maxX)),
            static_cast<int>(std::clamp<qint64>(nt, nearest->y(), maxY))};
}
