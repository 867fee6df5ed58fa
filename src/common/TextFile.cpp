#include "common/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
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

// Windows-1250 as a table, taken once from the system's converter. Converting through it
// character by character is many times slower than a lookup, and archives run to megabytes.
struct TCp1250 {
    std::array<char16_t, 256> ToUnicode{};
    std::vector<std::int16_t> FromUnicode = std::vector<std::int16_t>(65536, -1);

    TCp1250() {
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = static_cast<char>(i);
        QStringDecoder decoder("windows-1250");
        QString chars = decoder.isValid() ? decoder.decode(all) : QString();
        if (chars.size() != 256)
            chars = QString::fromLatin1(all);
        for (int i = 0; i < 256; ++i) {
            const char16_t c = chars[i].unicode();
            ToUnicode[static_cast<size_t>(i)] = c;
            // A byte the code page leaves undefined may come back as the replacement
            // character: that one never goes out as a byte.
            if (c != QChar::ReplacementCharacter && FromUnicode[c] < 0)
                FromUnicode[c] = static_cast<std::int16_t>(i);
        }
    }
};

const TCp1250& Cp1250() {
    static const TCp1250 table;
    return table;
}

} // namespace

QString DecodeText(const QByteArray& bytes) {
    if (bytes.startsWith(Utf8Bom)) {
        // The decoder drops the one mark itself; a U+FEFF of the text behind it stays.
        QStringDecoder utf8(QStringDecoder::Utf8);
        return utf8.decode(bytes);
    }
    const TCp1250& cp = Cp1250();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = cp.ToUnicode[static_cast<unsigned char>(bytes[i])];
    return text;
}

QByteArray EncodeText(const QString& text) {
    const TCp1250& cp = Cp1250();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    bool fits = true;
    for (qsizetype i = 0; i < text.size() && fits; ++i) {
        const std::int16_t b = cp.FromUnicode[text[i].unicode()];
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

void RemoveStaleTemporaries(const QString& dirPath) {
    static const QRegularExpression temporary(QStringLiteral("\\.(\\d{1,10})\\.tmp$"));
    const QFileInfoList files =
        QDir(dirPath).entryInfoList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& file : files) {
        const QRegularExpressionMatch m = temporary.match(file.fileName());
        if (!m.hasMatch() || file.isSymLink())
            continue;
        const qint64 pid = m.captured(1).toLongLong();
        if (pid > 0 && pid <= std::numeric_limits<pid_t>::max() && ::kill(pid_t(pid), 0) != 0 &&
            errno == ESRCH)
            QFile::remove(file.filePath());
    }
}
