#pragma once

#include <QByteArray>
#include <QDir>
#include <QFileInfoList>
#include <QString>

// Text files are Windows-1250 unless they start with a UTF-8 byte-order mark. A text that
// Windows-1250 cannot hold whole is written as UTF-8 with the mark, so nothing is lost.
QString DecodeText(const QByteArray& bytes);
QByteArray EncodeText(const QString& text);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const QString& path, QByteArray& bytes);

// Writes the bytes to `path` and flushes them to the disk; false (with errno kept) on any
// failure, in which case a partial file may be left at `path`.
// `mode`, when not negative, is given to the file (as the file it replaces had it).
bool WriteFileSynced(const QString& path, const QByteArray& bytes, int mode = -1);

// Where a whole-file write of `path` must go: through a symbolic link to its target. The
// permission bits of an existing file are kept in `mode` (-1 for a new file). False when the
// existing file may not be written: it is read-only to us, or has no write bit at all (then
// even for root, as a read-only attribute would be).
bool PrepareReplace(const QString& path, QString& target, int& mode, QString* error = nullptr);

// Gives the file `from` the second name `to` (which must not exist) without moving it: a hard
// link, or a flushed copy on file systems without links. False when neither worked.
bool LinkOrCopyFile(const QString& from, const QString& to);

// Flushes a directory's entries (renames, links) to the disk.
bool SyncDirectory(const QString& dirPath);

// Replaces `path` whole: a temporary file in the same directory is written and flushed, then
// renamed over `path`, then the directory is flushed. At every moment `path` holds the old
// content or the new one. On failure `path` is untouched and `error` says why.
// Removes the "<name>.<pid>.tmp" files in `dirPath` that a process killed in the middle of a
// save left behind; those of a live process are its saves under way.
void RemoveStaleTemporaries(const QString& dirPath);

// The entries of `dirPath` that `filters` take and whose names end in `suffix` (".sheet"; in
// any case unless the filters say QDir::CaseSensitive), in the directory's own order. What
// QDir's "*.sheet" finds, without the regular expression that QDir matches a wildcard with.
QFileInfoList EntriesEndingWith(const QString& dirPath, const QString& suffix,
                                QDir::Filters filters);

bool WriteFileAtomic(const QString& path, const QByteArray& bytes, QString* error = nullptr);
