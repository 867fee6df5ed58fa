#include "notes/Trash.h"

#include "common/TextFile.h"
#include "notes/SheetFile.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class TrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        QDir().mkpath(Trashed(""));
    }
    QString Live(const QString& name) const { return Dir.path() + "/sheets/" + name; }
    QString Trashed(const QString& name) const { return Dir.path() + "/sheets/deleted/" + name; }
    static QByteArray Bytes(const QString& path) {
        QByteArray b;
        EXPECT_TRUE(ReadWholeFile(path, b)) << path.toStdString();
        return b;
    }
    static int RowOf(const TTrash& t, const QString& path) {
        for (int i = 0; i < t.Rows().size(); ++i)
            if (t.Rows()[i].Path == path)
                return i;
        return -1;
    }
    QTemporaryDir Dir;
    TTrash Trash{Dir.path() + "/sheets/"};
};

QStringList FileNames(const QList<TTrashRow>& rows) {
    QStringList names;
    for (const TTrashRow& r : rows)
        names << QFileInfo(r.Path).fileName();
    names.sort();
    return names;
}

} // namespace

TEST_F(TrashTest, ListsTheNotesTheStartWouldOpenAndSurvivesAnythingElse) {
    WriteBytes(Trashed("cp.sheet"),
               EncodeText(QString::fromUtf8("[Sheet]\r\nTitle=Zażółć\r\nText0=a\r\nText1=b\r\n")));
    WriteBytes(Trashed("utf.sheet"), "\xEF\xBB\xBF[Sheet]\r\nTitle=\xC4\x99\xE2\x82\xAC\r\n");
    WriteBytes(Trashed("empty.sheet"), "");
    WriteBytes(Trashed("binary.sheet"), QByteArray("\0\x01\xFF[\n=\r\0", 9));
    WriteBytes(Trashed("cut.sheet"), EncodeText(QString::fromUtf8("[Sheet]\r\nTitle=Ucię")));
    QByteArray big = "[Sheet]\r\nTitle=Olbrzym\r\n";
    big.append(10 * 1024 * 1024, 'x');
    WriteBytes(Trashed("big.sheet"), big);
    WriteBytes(Trashed("locked.sheet"), "[Sheet]\r\nTitle=Zamknięta\r\n");
    ::chmod(QFile::encodeName(Trashed("locked.sheet")).constData(), 0);
    WriteBytes(Trashed(".hidden.sheet"), "[Sheet]\r\nTitle=Ukryta\r\n");
    WriteBytes(Trashed("n.bak"), "[Sheet]\r\nTitle=Kopia\r\n");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Trashed("fifo.sheet")).constData(), 0600), 0);
    QDir().mkpath(Trashed("dir.sheet"));
    ASSERT_TRUE(QFile::link(Trashed("fifo.sheet"), Trashed("to-fifo.sheet")));
    ASSERT_TRUE(QFile::link(Trashed("nowhere"), Trashed("dangling.sheet")));

    Trash.Load(); // returns: the pipe is never opened for reading
    // The locked file is listed whether or not it could be read (root reads it).
    EXPECT_EQ(FileNames(Trash.Rows()),
              (QStringList{"big.sheet", "binary.sheet", "cp.sheet", "cut.sheet", "empty.sheet",
                           "locked.sheet", "utf.sheet"}));
    auto row = [&](const QString& name) { return Trash.Rows()[RowOf(Trash, Trashed(name))]; };
    EXPECT_EQ(row("cp.sheet").Title, QString::fromUtf8("Zażółć"));
    EXPECT_EQ(row("cp.sheet").Text, "a b  ") << "each line and the first missing one, with a blank";
    EXPECT_EQ(row("utf.sheet").Title, QString::fromUtf8("ę€"));
    EXPECT_EQ(row("cut.sheet").Title, QString::fromUtf8("Ucię"));
    EXPECT_EQ(row("empty.sheet").Title, "-error-");
    EXPECT_EQ(row("binary.sheet").Title, "-error-");
    EXPECT_EQ(row("big.sheet").Title, "-error-") << "not parsed";
    EXPECT_EQ(Trash.CountText(), "  Lista wyrzuconych karteczek (7)");
}

TEST(TrashRow, TextStopsAfterTheThreeHundredthLine) {
    QByteArray many = "[Sheet]\r\n";
    for (int i = 0; i < 400; ++i)
        many += "Text" + QByteArray::number(i) + "=l\r\n";
    EXPECT_EQ(TrashRowFromBytes(many, "p").Text, QString("l ").repeated(300));
    EXPECT_EQ(TrashRowFromBytes("", "p").Text, " ");
    EXPECT_EQ(TrashCountText(0), "  Lista wyrzuconych karteczek (0)");
}

TEST_F(TrashTest, RestoreTakesTheFirstFreeNameAndWritesOverNothing) {
    const QByteArray trashed = "[Sheet]\r\nTitle=Wyrzucona\r\nText0=stara\r\n";
    const QByteArray live = "[Sheet]\r\nTitle=Żywa\r\n";
    WriteBytes(Trashed("n.sheet"), trashed);
    WriteBytes(Live("n.sheet"), live);
    Trash.Load();
    // n1.sheet is an open note that has no file yet.
    EXPECT_EQ(Trash.Restore(0, {"n1.sheet"}), "n2.sheet");
    EXPECT_EQ(Bytes(Live("n.sheet")), live);
    EXPECT_FALSE(QFile::exists(Live("n1.sheet")));
    EXPECT_EQ(Bytes(Live("n2.sheet")), trashed);
    EXPECT_FALSE(QFile::exists(Trashed("n.sheet")));
    EXPECT_TRUE(Trash.Rows().isEmpty());

    // Gone from the trash meanwhile: nothing to restore, nothing written.
    WriteBytes(Trashed("m.sheet"), trashed);
    Trash.Load();
    QFile::remove(Trashed("m.sheet"));
    EXPECT_EQ(Trash.Restore(0, {}), "");
    EXPECT_FALSE(QFile::exists(Live("m.sheet")));

    // A relative link in the trash: the note it leads to comes back, not a dangling link.
    WriteBytes(Trashed("target.bin"), trashed);
    ASSERT_EQ(::symlink("target.bin", QFile::encodeName(Trashed("l.sheet")).constData()), 0);
    Trash.Load();
    ASSERT_EQ(Trash.Rows().size(), 1);
    EXPECT_EQ(Trash.Restore(0, {}), "l.sheet");
    EXPECT_FALSE(QFileInfo(Live("l.sheet")).isSymLink());
    EXPECT_EQ(Bytes(Live("l.sheet")), trashed);
}

TEST_F(TrashTest, ACopyNeverReplacesAFileAndKeepsTheBytes) {
    const QByteArray bytes("[Sheet]\r\nText0=\xEA\r\n\0tail", 23);
    WriteBytes(Trashed("a.sheet"), bytes);
    ::chmod(QFile::encodeName(Trashed("a.sheet")).constData(), 0640);
    WriteBytes(Trashed("b.sheet"), "inna");
    EXPECT_EQ(CopyFileNoReplace(Trashed("a.sheet"), Trashed("b.sheet")), TPlaceResult::Taken);
    EXPECT_EQ(LinkFileNoReplace(Trashed("a.sheet"), Trashed("b.sheet")), TPlaceResult::Taken);
    EXPECT_EQ(Bytes(Trashed("b.sheet")), "inna");
    EXPECT_EQ(CopyFileNoReplace(Trashed("a.sheet"), Trashed("c.sheet")), TPlaceResult::Done);
    EXPECT_EQ(Bytes(Trashed("c.sheet")), bytes);
    EXPECT_EQ(QFileInfo(Trashed("c.sheet")).permissions(),
              QFileInfo(Trashed("a.sheet")).permissions());
    EXPECT_EQ(QDir(Trashed("")).entryList(QDir::Files | QDir::Hidden).size(), 3)
        << "no temporary file stays";
    EXPECT_EQ(CopyFileNoReplace(Trashed("none.sheet"), Trashed("d.sheet")), TPlaceResult::Failed);
}

TEST_F(TrashTest, DeletesTakeOnlyListedFilesAndKeepTheRowsOfThoseThatStay) {
    for (const char* name : {"a.sheet", "b.sheet", "c.sheet"})
        WriteBytes(Trashed(name), "[Sheet]\r\nTitle=x\r\n");
    Trash.Load();
    // Something no one can unlink, root included, took b's place.
    QFile::remove(Trashed("b.sheet"));
    QDir().mkpath(Trashed("b.sheet/inside"));
    EXPECT_FALSE(Trash.Delete(RowOf(Trash, Trashed("b.sheet"))));
    EXPECT_EQ(Trash.Rows().size(), 3);
    EXPECT_TRUE(Trash.Delete(RowOf(Trash, Trashed("a.sheet"))));
    EXPECT_FALSE(QFile::exists(Trashed("a.sheet")));
    EXPECT_EQ(Trash.Rows().size(), 2);

    WriteBytes(Trashed("later.sheet"), "[Sheet]\r\nTitle=x\r\n");
    EXPECT_EQ(Trash.DeleteAll(), 1);
    EXPECT_EQ(FileNames(Trash.Rows()), QStringList{"b.sheet"});
    EXPECT_FALSE(QFile::exists(Trashed("c.sheet")));
    EXPECT_TRUE(QFile::exists(Trashed("later.sheet"))) << "not listed, not deleted";
    EXPECT_EQ(Trash.CountText(), "  Lista wyrzuconych karteczek (1)");
}
