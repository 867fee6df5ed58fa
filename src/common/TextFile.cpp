#include "common/TextFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF", 3);

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

bool WriteAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Windows-1250 above ASCII. The five bytes the code page leaves undefined (0x81, 0x83, 0x88,
// 0x90, 0x98) stand for the C1 controls of the same number, both ways, so that any byte
// survives a round trip. Built in: the system's converter would load ICU and its data.
constexpr std::array<char16_t, 128> Cp1250High{
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

struct TUnicodeByte {
    char16_t Unicode;
    unsigned char Byte;
};

// The same table by code point, for encoding.
constexpr std::array<TUnicodeByte, 128> Cp1250ByUnicode = [] {
    std::array<TUnicodeByte, 128> pairs{};
    for (size_t i = 0; i < pairs.size(); ++i)
        pairs[i] = {Cp1250High[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(pairs.begin(), pairs.end(),
              [](const TUnicodeByte& a, const TUnicodeByte& b) { return a.Unicode < b.Unicode; });
    return pairs;
}();

// The byte for `c`, or -1 when the code page has none.
int Cp1250Byte(char16_t c) {
    if (c < 0x80)
        return c;
    const auto it = std::lower_bound(
        Cp1250ByUnicode.begin(), Cp1250ByUnicode.end(), c,
        [](const TUnicodeByte& pair, char16_t value) { return pair.Unicode < value; });
    return it != Cp1250ByUnicode.end() && it->Unicode == c ? it->Byte : -1;
}

} // namespace

QString DecodeText(const QByteArray& bytes) {
    if (bytes.startsWith(Utf8Bom)) {
        // The decoder drops the one mark itself; a U+FEFF of the text behind it stays.
        QStringDecoder utf8(QStringDecoder::Utf8);
        return utf8.decode(bytes);
    }
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = b < 0x80 ? char16_t(b) : Cp1250High[b - 0x80];
    }
    return text;
}

QByteArray EncodeText(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    bool fits = true;
    for (qsizetype i = 0; i < text.size() && fits; ++i) {
        const int b = Cp1250Byte(text[i].unicode());
        fits = b >= 0;
        bytes[i] = static_cast<char>(b);
    }
    // Bytes that would read back as a UTF-8 mark must go out as UTF-8 with the mark.
    if (fits && !bytes.startsWith(Utf8Bom))
        return bytes;
    QStringEncoder utf8(QStringEncoder::Utf8);
    return Utf8Bom + QByteArray(utf8.encode(text));
}

bool ReadWholeFile(const QString& path, QByteArray& bytes) {
    // Opening a pipe would wait for a writer: it is opened without waiting, then refused.
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = false;
    // A file cut short while read gives bytes it never held (zeros on some file systems):
    // such a read is done again.
    for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
        struct stat before {
        }, after{};
        if (::fstat(fd, &before) != 0 || !S_ISREG(before.st_mode))
            break;
        QByteArray read(std::max<qsizetype>(before.st_size, 0) + 1, Qt::Uninitialized);
        qsizetype at = 0;
        for (;;) {
            if (at == read.size())
                read.resize(read.size() * 2);
            const ssize_t n =
                ::pread(fd, read.data() + at, static_cast<size_t>(read.size() - at), at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            at += n;
        }
        read.resize(at);
        ok = ok && ::fstat(fd, &after) == 0 && after.st_size == before.st_size &&
             after.st_size == at && after.st_mtim.tv_sec == before.st_mtim.tv_sec &&
             after.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
        if (ok)
            bytes = std::move(read);
    }
    ::close(fd);
    return ok;
}

bool WriteFileSynced(const QString& path, const QByteArray& bytes, int mode) {
    const int fd = ::open(Native(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = (mode < 0 || ::fchmod(fd, static_cast<mode_t>(mode)) == 0) && WriteAll(fd, bytes) &&
              ::fsync(fd) == 0;
    const int savedErrno = errno;
    if (::close(fd) != 0)
        ok = false;
    else
        errno = savedErrno;
    return ok;
}

bool LinkOrCopyFile(const QString& from, const QString& to) {
    if (::link(Native(from).constData(), Native(to).constData()) == 0)
        return true;
    QByteArray bytes;
    if (ReadWholeFile(from, bytes) && WriteFileSynced(to, bytes))
        return true;
    // A torn copy would pass for a good backup.
    ::unlink(Native(to).constData());
    return false;
}

bool SyncDirectory(const QString& dirPath) {
    const int fd = ::open(Native(dirPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool PrepareReplace(const QString& path, QString& target, int& mode, QString* error) {
    const QFileInfo info(path);
    target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    mode = -1;
    struct stat st {};
    if (::stat(Native(target).constData(), &st) != 0)
        return true;
    mode = static_cast<int>(st.st_mode & 07777);
    if (!S_ISREG(st.st_mode))
        return true;
    // A file without any write bit was made read-only on purpose: root keeps off it too.
    if ((st.st_mode & 0222) == 0)
        errno = EACCES;
    else if (::access(Native(target).constData(), W_OK) == 0)
        return true;
    if (error)
        *error = target + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

bool WriteFileAtomic(const QString& path, const QByteArray& bytes, QString* error) {
    QString target;
    int mode = -1;
    if (!PrepareReplace(path, target, mode, error))
        return false;
    // A per-process name keeps two running instances from writing into one temporary file.
    const QString temp = target + QStringLiteral(".%1.tmp").arg(::getpid());
    auto fail = [&](const QString& step) {
        const int e = errno;
        if (error)
            *error = step + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(e));
        ::unlink(Native(temp).constData());
        errno = e;
        return false;
    };
    if (!WriteFileSynced(temp, bytes, mode))
        return fail(temp);
    if (::rename(Native(temp).constData(), Native(target).constData()) != 0)
        return fail(target);
    SyncDirectory(QFileInfo(target).absolutePath());
    return true;
}

namespace {

// The process id in a name "<file>.<pid>.tmp"; -1 when it has none.
qint64 TemporaryPid(const QString& name) {
    const QLatin1StringView suffix(".tmp");
    if (!name.endsWith(suffix))
        return -1;
    const qsizetype end = name.size() - suffix.size();
    qsizetype start = end;
    while (start > 0 && name[start - 1] >= u'0' && name[start - 1] <= u'9')
        --start;
    if (start == end || end - start > 10 || start == 0 || name[start - 1] != u'.')
        return -1;
    return QStringView(name).sliced(start, end - start).toLongLong();
}

} // namespace

void RemoveStaleTemporaries(const QString& dirPath) {
    // No name filter, not even QDir's "*": it would be matched through a regular expression.
    QDirIterator files(dirPath, QDir::Files | QDir::Hidden);
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        const qint64 pid = TemporaryPid(file.fileName());
        if (pid < 0 || file.isSymLink())
            continue;
        if (pid > 0 && pid <= std::numeric_limits<pid_t>::max() && ::kill(pid_t(pid), 0) != 0 &&
            errno == ESRCH)
            QFile::remove(file.filePath());
    }
}

QFileInfoList EntriesEndingWith(const QString& dirPath, const QString& suffix,
                                QDir::Filters filters) {
    const Qt::CaseSensitivity cs =
        filters.testFlag(QDir::CaseSensitive) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    QFileInfoList found;
    QDirIterator entries(dirPath, filters);
    while (entries.hasNext()) {
        entries.next();
        if (entries.fileName().endsWith(suffix, cs))
            found.append(entries.fileInfo());
    }
    return found;
}
