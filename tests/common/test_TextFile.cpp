#include "common/TextFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "support/PrintQString.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray Bom("\xEF\xBB\xBF", 3);

QByteArray ReadBytes(const QString& path) {
    QByteArray b;
    EXPECT_TRUE(ReadWholeFile(path, b)) << path.toStdString();
    return b;
}

} // namespace

TEST(TextFile, Windows1250UnlessTheTextNeedsMore) {
    const QString polish = QString::fromUtf8("Zażółć gęślą jaźń ŻÓŁĆ € „cytat” – §");
    const QByteArray cp = EncodeText(polish);
    EXPECT_FALSE(cp.startsWith(Bom));
    EXPECT_EQ(cp.size(), polish.size()); // one byte a character
    EXPECT_EQ(cp.mid(2, 5), QByteArray("\xBF\xF3\xB3\xE6 "));
    EXPECT_EQ(EncodeText(QString::fromUtf8("ą€")), QByteArray("\xB9\x80"));
    // The bytes the code page leaves undefined read as the C1 controls and go back as they came.
    const QByteArray undefined("\x81\x83\x88\x90\x98");
    EXPECT_EQ(DecodeText(undefined), QString::fromUtf16(u"\u0081\u0083\u0088\u0090\u0098"));
    EXPECT_EQ(EncodeText(DecodeText(undefined)), undefined);
    EXPECT_EQ(DecodeText(cp), polish);

    for (const char* wide : {"日本", "ё", "ą 😀",
                             "a\xE2\x80\x8B"
                             "b"}) {
        const QString text = QString::fromUtf8(wide);
        const QByteArray bytes = EncodeText(text);
        EXPECT_EQ(bytes, Bom + text.toUtf8()) << wide;
        EXPECT_EQ(DecodeText(bytes), text) << wide;
    }

    EXPECT_EQ(EncodeText(QString()), QByteArray());
    EXPECT_EQ(DecodeText(QByteArray()), QString());
    EXPECT_EQ(DecodeText(Bom), QString());
    EXPECT_EQ(DecodeText(Bom + QByteArray("\xC4\x85")), QString::fromUtf8("ą"));
    EXPECT_EQ(DecodeText(QByteArray("\xC4\x85")), QString::fromUtf8("Ä…"));
    const QByteArray withNul("a\0b", 3);
    EXPECT_EQ(DecodeText(EncodeText(DecodeText(withNul))), DecodeText(withNul));
    EXPECT_EQ(DecodeText(withNul).size(), 3);
}

// "ď»ż" in Windows-1250 is the bytes EF BB BF, which a reader would take for a UTF-8 mark.
TEST(TextFile, TextThatLooksLikeAMarkInWindows1250RoundTrips) {
    const QString text = QString::fromUtf8("ď»żnotatka");
    EXPECT_EQ(DecodeText(EncodeText(text)), text);
}

TEST(TextFile, WholeFileReadAndSyncedWrite) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("plik.txt");
    QByteArray bytes;
    EXPECT_FALSE(ReadWholeFile(dir.filePath("brak"), bytes));

    ASSERT_TRUE(WriteFileSynced(path, "dłuższa treść"));
    ASSERT_TRUE(WriteFileSynced(path, "krótka"));
    EXPECT_EQ(ReadBytes(path), QByteArray("krótka"));
    ASSERT_TRUE(WriteFileSynced(path, QByteArray()));
    EXPECT_EQ(ReadBytes(path), QByteArray());
    EXPECT_FALSE(WriteFileSynced(dir.filePath("brak/plik"), "x"));
    EXPECT_TRUE(SyncDirectory(dir.path()));
    EXPECT_FALSE(SyncDirectory(dir.filePath("brak")));
}

TEST(TextFile, AtomicWriteReplacesAndCleansUp) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("notatki.ini");
    QString error;
    ASSERT_TRUE(WriteFileAtomic(path, "pierwsza", &error)) << error.toStdString();
    EXPECT_EQ(ReadBytes(path), QByteArray("pierwsza"));
    ASSERT_TRUE(WriteFileAtomic(path, "x", &error)) << error.toStdString();
    EXPECT_EQ(ReadBytes(path), QByteArray("x"));
    EXPECT_TRUE(WriteFileAtomic(path, QByteArray()));
    EXPECT_EQ(ReadBytes(path), QByteArray());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList({"notatki.ini"}));

    // The parent is a regular file: nothing can be made under it.
    const QString file = dir.filePath("zwykły");
    ASSERT_TRUE(WriteFileAtomic(file, "treść"));
    error.clear();
    EXPECT_FALSE(WriteFileAtomic(file + "/dziecko", "y", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadBytes(file), QByteArray("treść"));
    error.clear();
    EXPECT_FALSE(WriteFileAtomic(dir.filePath("brak/plik"), "y", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(WriteFileAtomic(dir.filePath("brak/plik"), "y")); // no error wanted
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList({"notatki.ini", "zwykły"}));
}

TEST(TextFile, KilledWriterLeavesTheOldOrTheNewContent) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("notatki.ini");
    // Large and different all the way through, so that a mix or a cut shows.
    QByteArray a(1024 * 1024, 'A'), b(1024 * 1024 + 4099, 'B');
    for (qsizetype i = 0; i < a.size(); i += 4096)
        a[i] = '\n';
    ASSERT_TRUE(WriteFileAtomic(path, a));

    QRandomGenerator rng(20);
    for (int round = 0; round < 20; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                WriteFileAtomic(path, i % 2 ? a : b);
            ::_exit(0);
        }
        ::usleep(static_cast<useconds_t>(1000 + rng.bounded(40000)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        const QByteArray now = ReadBytes(path);
        ASSERT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
    }
}

TEST(TextFile, ReadingNeverWaitsOnWhatIsNotAFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray pipe = QFile::encodeName(dir.filePath("pipe.ini"));
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("dir.ini"));
    ASSERT_EQ(::symlink("loop.ini", QFile::encodeName(dir.filePath("loop.ini")).constData()), 0);
    // A child, so that a wait fails the test instead of holding the run.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(5);
        QByteArray b = "x";
        const bool read = ReadWholeFile(dir.filePath("pipe.ini"), b) ||
                          ReadWholeFile(dir.filePath("dir.ini"), b) ||
                          ReadWholeFile(dir.filePath("loop.ini"), b);
        ::_exit(read ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST(TextFile, AFileThatShrinksWhileReadGivesAPrefixOfIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("notatki.ini");
    QByteArray full(4 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < full.size(); ++i)
        full[i] = static_cast<char>('a' + i % 26);
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(WriteFileAtomic(path, full));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const QByteArray native = QFile::encodeName(path);
            for (off_t size = full.size(); size >= 0; size -= 64 * 1024)
                ::truncate(native.constData(), size);
            ::_exit(0);
        }
        QByteArray b;
        const bool read = ReadWholeFile(path, b);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (read) {
            ASSERT_TRUE(full.startsWith(b)) << "round " << round << ": " << b.size() << " bytes";
        }
    }
}

TEST(TextFile, TemporariesOfDeadProcessesAreRemovedAndLiveOnesKept) {
    QTemporaryDir dir;
    const QString mine = QStringLiteral("timetable.ini.%1.tmp").arg(::getpid());
    // Beyond any pid_max: no such process.
    const QStringList dead{"timetable.ini.99999999.tmp", ".a.sheet.99999998.tmp"};
    const QStringList kept{mine, "notatka.tmp", "x.12ab.tmp", "timetable.ini"};
    for (const QString& name : dead + kept) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    RemoveStaleTemporaries(dir.path());
    for (const QString& name : dead)
        EXPECT_FALSE(QFile::exists(dir.filePath(name))) << name.toStdString();
    for (const QString& name : kept)
        EXPECT_TRUE(QFile::exists(dir.filePath(name))) << name.toStdString();
}

TEST(TextFile, EntriesEndingWithASuffixAsQDirsWildcardFindsThem) {
    QTemporaryDir dir;
    for (const char* name : {"a.sheet", "B.SHEET", "c.sheet.tmp", ".hidden.sheet", "sheet"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir("d.sheet"));
    const auto names = [&](QDir::Filters filters) {
        QStringList found;
        for (const QFileInfo& f : EntriesEndingWith(dir.path(), ".sheet", filters))
            found << f.fileName();
        found.sort();
        return found;
    };
    const QList<QDir::Filters> cases{QDir::Files, QDir::Files | QDir::Hidden,
                                     QDir::Dirs | QDir::NoDotAndDotDot,
                                     QDir::Files | QDir::CaseSensitive};
    for (QDir::Filters filters : cases) {
        QStringList expected =
            QDir(dir.path()).entryList({"*.sheet"}, filters, QDir::Name | QDir::IgnoreCase);
        expected.sort();
        EXPECT_EQ(names(filters), expected) << int(filters);
    }
    EXPECT_EQ(names(QDir::Files), (QStringList{"B.SHEET", "a.sheet"}));
}
