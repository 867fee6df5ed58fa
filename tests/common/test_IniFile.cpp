#include "common/Formats.h"
#include "common/IniFile.h"
#include "common/TextFile.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "support/PrintQString.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class IniFileTest : public testing::Test {
protected:
    void SetUp() override {
        SetStartFormats();
        ASSERT_TRUE(Dir.isValid());
    }
    void TearDown() override { SetStartFormats(); }

    QString Path(const QString& name = QStringLiteral("n.ini")) const { return Dir.filePath(name); }

    QByteArray Bytes(const QString& path) const {
        QByteArray b;
        EXPECT_TRUE(ReadWholeFile(path, b));
        return b;
    }

    // Saves the image and loads it back from the disk.
    TMemIniFile Reloaded(TMemIniFile& ini) {
        ini.SetFileName(Path());
        QString error;
        EXPECT_TRUE(ini.UpdateFile(&error)) << error.toStdString();
        return TMemIniFile(Path());
    }

    QTemporaryDir Dir;
};

TMemIniFile FromText(const QString& text) {
    TMemIniFile ini;
    ini.LoadFromText(text);
    return ini;
}

} // namespace

TEST_F(IniFileTest, LookupIgnoresCaseAndKeepsOrder) {
    TMemIniFile ini = FromText("; komentarz\r\n\r\n[Ogólne]\r\nKlucz=wartość\r\n\r\n"
                               "  ; wcięty komentarz\r\n[Żółw]\r\nB=2\nA=1\n");
    EXPECT_TRUE(ini.SectionExists("ogólne"));
    EXPECT_TRUE(ini.SectionExists("ŻÓŁW"));
    EXPECT_FALSE(ini.SectionExists("komentarz"));
    EXPECT_EQ(ini.ReadString("OGÓLNE", "klucz"), QStringLiteral("wartość"));
    EXPECT_EQ(ini.ReadSections(), QStringList({"Ogólne", "Żółw"}));
    EXPECT_EQ(ini.ReadSection("żółw"), QStringList({"B", "A"}));
    EXPECT_FALSE(ini.ValueExists("Ogólne", "; wcięty komentarz"));
    EXPECT_EQ(ini.ReadString("Brak", "x", "domyślna"), QStringLiteral("domyślna"));
    EXPECT_EQ(ini.ReadString("Ogólne", "brak", "domyślna"), QStringLiteral("domyślna"));

    ini.WriteString("NOWA", "z", "1");
    ini.WriteString("nowa", "A", "2");
    ini.WriteString("Ogólne", "KLUCZ", "inna");
    EXPECT_EQ(ini.ReadSections(), QStringList({"Ogólne", "Żółw", "NOWA"}));
    EXPECT_EQ(ini.ReadSection("Nowa"), QStringList({"z", "A"}));
    EXPECT_EQ(ini.ToText(),
              QStringLiteral("[Ogólne]\r\nKlucz=inna\r\n\r\n[Żółw]\r\nB=2\r\nA=1\r\n\r\n"
                             "[NOWA]\r\nz=1\r\nA=2\r\n\r\n"));
}

TEST_F(IniFileTest, RawAndTrimmedStrings) {
    TMemIniFile ini =
        FromText(QStringLiteral("[S]\n  Key  =  wartość z odstępami \t\nQ=\"x\"\nE=\n"));
    EXPECT_EQ(ini.ReadRawString("S", "key"), QStringLiteral("  wartość z odstępami \t"));
    EXPECT_EQ(ini.ReadString("S", "key"), QStringLiteral("wartość z odstępami"));
    EXPECT_EQ(ini.ReadString("S", "q"), QStringLiteral("\"x\""));
    EXPECT_TRUE(ini.ValueExists("S", "E"));
    EXPECT_EQ(ini.ReadString("S", "E", "domyślna"), QString());

    ini.WriteString("S", "Lead", "  odstęp ");
    TMemIniFile back = Reloaded(ini);
    EXPECT_EQ(back.ReadRawString("S", "Lead"), QStringLiteral("  odstęp "));
    EXPECT_EQ(back.ReadRawString("S", "Key"), QStringLiteral("  wartość z odstępami \t"));
    EXPECT_EQ(back.ReadString("S", "Q"), QStringLiteral("\"x\""));
}

TEST_F(IniFileTest, IntegersAndBools) {
    TMemIniFile ini = FromText("[N]\na=42\nb= -7 \nc=+3\nd=12abc\ne=\nf=2147483647\n"
                               "g=2147483648\nh=-2147483649\ni=1.5\nj=0x10\nk=-\nl=2\nm=0\nn=tak\n"
                               "o=\t5\x01\n");
    EXPECT_EQ(ini.ReadInteger("N", "a", -1), 42);
    EXPECT_EQ(ini.ReadInteger("N", "b", -1), -7);
    EXPECT_EQ(ini.ReadInteger("N", "c", -1), 3);
    EXPECT_EQ(ini.ReadInteger("N", "f", -1), 2147483647);
    EXPECT_EQ(ini.ReadInteger("N", "o", -1), 5);
    for (const char* key : {"d", "e", "g", "h", "i", "j", "k", "n", "missing"})
        EXPECT_EQ(ini.ReadInteger("N", key, -99), -99) << key;

    EXPECT_TRUE(ini.ReadBool("N", "l", false));
    EXPECT_TRUE(ini.ReadBool("N", "b", false));
    EXPECT_FALSE(ini.ReadBool("N", "m", true));
    EXPECT_TRUE(ini.ReadBool("N", "n", true));
    EXPECT_FALSE(ini.ReadBool("N", "n", false));
    EXPECT_TRUE(ini.ReadBool("N", "missing", true));

    ini.WriteInteger("W", "i", -123);
    ini.WriteBool("W", "t", true);
    ini.WriteBool("W", "f", false);
    EXPECT_EQ(ini.ReadRawString("W", "t"), QStringLiteral("1"));
    TMemIniFile back = Reloaded(ini);
    EXPECT_EQ(back.ReadInteger("W", "i", 0), -123);
    EXPECT_TRUE(back.ReadBool("W", "t", false));
    EXPECT_FALSE(back.ReadBool("W", "f", true));
}

TEST_F(IniFileTest, DateTimesCarryAFourDigitYear) {
    const TDateTime t = EncodeDate(1999, 12, 30) + EncodeTime(13, 45, 12, 0);
    SetAfterNamingFormats();
    TMemIniFile ini;
    ini.WriteDateTime("D", "when", t);
    ini.WriteDateTime("D", "day", EncodeDate(2005, 1, 9));
    ini.WriteDateTime("D", "unset", 0.0);
    EXPECT_EQ(ini.ReadRawString("D", "when"), QStringLiteral("1999-12-30 13:45:12"));
    EXPECT_EQ(ini.ReadRawString("D", "day"), QStringLiteral("2005-01-09"));
    EXPECT_EQ(ini.ReadRawString("D", "unset"), QStringLiteral("1899-12-30"));
    TMemIniFile back = Reloaded(ini);
    EXPECT_DOUBLE_EQ(back.ReadDateTime("D", "when", -1), t);
    EXPECT_EQ(back.ReadDateTime("D", "unset", -1), 0.0);

    SetStartFormats();
    TMemIniFile other = FromText("[D]\nx= 2026-12-07 08:05 \ny=jutro\nz=2026-02-30\n");
    EXPECT_DOUBLE_EQ(other.ReadDateTime("D", "x", -1),
                     EncodeDate(2026, 12, 7) + EncodeTime(8, 5, 0, 0));
    EXPECT_EQ(other.ReadDateTime("D", "y", -1), -1);
    EXPECT_EQ(other.ReadDateTime("D", "z", -1), -1);
    EXPECT_EQ(other.ReadDateTime("D", "missing", -1), -1);
}

TEST_F(IniFileTest, DuplicatesFirstWinsAndSurvive) {
    TMemIniFile ini = FromText("[A]\nk=1\nK=2\nx=9\n[B]\nb=1\n[a]\nk=3\ny=4\n");
    EXPECT_EQ(ini.ReadString("A", "k"), QStringLiteral("1"));
    EXPECT_FALSE(ini.ValueExists("A", "y")); // only in the second [a]
    ini.WriteString("A", "k", "5");
    EXPECT_EQ(ini.ReadString("a", "K"), QStringLiteral("5"));

    TMemIniFile back = Reloaded(ini);
    EXPECT_EQ(back.ReadString("A", "k"), QStringLiteral("5"));
    EXPECT_EQ(ReadText(Path()),
              QStringLiteral(
                  "[A]\r\nk=5\r\nK=2\r\nx=9\r\n\r\n[B]\r\nb=1\r\n\r\n[a]\r\nk=3\r\ny=4\r\n\r\n"));

    back.DeleteKey("a", "K");
    EXPECT_FALSE(back.ValueExists("A", "k"));
    EXPECT_EQ(back.ReadSection("A"), QStringList({"x"}));
    EXPECT_EQ(back.ReadInteger("A", "k", -1), -1);
    back.DeleteKey("A", "nothing");
    back.DeleteKey("Nothing", "k");
    TMemIniFile again = Reloaded(back);
    EXPECT_FALSE(again.ValueExists("A", "k"));
    EXPECT_EQ(again.ReadString("B", "b"), QStringLiteral("1"));

    again.EraseSection("A");
    EXPECT_FALSE(again.SectionExists("a"));
    EXPECT_EQ(again.ReadSections(), QStringList({"B"}));
}

TEST_F(IniFileTest, LineBreaksInValuesNeverSplitTheLine) {
    TMemIniFile ini;
    ini.WriteString("S", "text", "jeden\r\ndwa\nx=trzy\r[Z]");
    ini.WriteString("S", "after", "ok");
    const QString written = ini.ToText();
    EXPECT_EQ(written.count('\n'), 4);
    TMemIniFile back = Reloaded(ini);
    EXPECT_EQ(back.ReadSections(), QStringList({"S"}));
    EXPECT_EQ(back.ReadSection("S"), QStringList({"text", "after"}));
    EXPECT_EQ(back.ReadString("S", "text"), QStringLiteral("jeden  dwa x=trzy [Z]"));
    EXPECT_EQ(back.ReadString("S", "after"), QStringLiteral("ok"));
}

TEST_F(IniFileTest, EncodingOnDisk) {
    const QString polish = QString::fromUtf8("zażółć gęślą jaźń €");
    TMemIniFile ini;
    ini.WriteString("Notatka", "Tekst", polish);
    TMemIniFile back = Reloaded(ini);
    const QByteArray raw = Bytes(Path());
    EXPECT_FALSE(raw.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(raw.contains("za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1 \x80"))
        << raw.toHex().toStdString();
    EXPECT_EQ(back.ReadString("Notatka", "Tekst"), polish);

    const QString wide = QString::fromUtf8("日本 ё 😀 ą");
    ini.WriteString("Notatka", "Tekst", wide);
    back = Reloaded(ini);
    const QByteArray utf8 = Bytes(Path());
    EXPECT_TRUE(utf8.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(utf8.contains(wide.toUtf8()));
    EXPECT_EQ(back.ReadString("Notatka", "Tekst"), wide);

    // Without the mark the bytes are Windows-1250, even when they would be valid UTF-8.
    WriteBytes(Path(), "[S]\r\nk=\xC4\x85\r\n");
    EXPECT_EQ(TMemIniFile(Path()).ReadString("S", "k"), QString::fromUtf8("Ä…"));
}

TEST_F(IniFileTest, MalformedInputIsReadAsFarAsItGoes) {
    EXPECT_TRUE(FromText("").ReadSections().isEmpty());
    EXPECT_TRUE(TMemIniFile(Path("missing.ini")).ReadSections().isEmpty());

    // Keys before any section, a lone "[", a line without "=" and a truncated last line.
    TMemIniFile ini = FromText("sierota=1\r\n[\r\n[S]\r\n[\r\nbez równości\r\n=pusty klucz\r\n"
                               "k=v\r\n[T]\r\nucięt");
    EXPECT_EQ(ini.ReadSections(), QStringList({"S", "T"}));
    EXPECT_EQ(ini.ReadString("S", "k"), QStringLiteral("v"));
    EXPECT_FALSE(ini.ValueExists("T", "ucięt"));
    ini.WriteString("S", "nowy", "1");
    TMemIniFile back = Reloaded(ini);
    EXPECT_EQ(ReadText(Path()),
              QStringLiteral("sierota=1\r\n[\r\n[S]\r\n[\r\nbez równości\r\n"
                             "=pusty klucz\r\nk=v\r\nnowy=1\r\n\r\n[T]\r\nucięt\r\n\r\n"));
    EXPECT_EQ(back.ReadString("S", "nowy"), QStringLiteral("1"));

    // Random bytes with NULs and stray CRs around one good section.
    QRandomGenerator rng(1250);
    QByteArray garbage(64 * 1024, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng.bounded(256));
    WriteBytes(Path(), garbage + "\n[Dobra]\nklucz=ok\n" + garbage);
    TMemIniFile junk(Path());
    EXPECT_EQ(junk.ReadString("Dobra", "klucz"), QStringLiteral("ok"));
    const QString firstImage = junk.ToText();
    junk.WriteString("Dobra", "dopisany", "tak");
    TMemIniFile junkBack = Reloaded(junk);
    EXPECT_EQ(junkBack.ReadString("Dobra", "klucz"), QStringLiteral("ok"));
    EXPECT_EQ(junkBack.ReadString("Dobra", "dopisany"), QStringLiteral("tak"));
    junkBack.DeleteKey("Dobra", "dopisany");
    EXPECT_EQ(junkBack.ToText(), firstImage);
}

TEST_F(IniFileTest, LargeFileLoads) {
    QByteArray big;
    big.reserve(11 * 1024 * 1024);
    for (int s = 0; big.size() < 10 * 1024 * 1024; ++s) {
        big += "[Sekcja" + QByteArray::number(s) + "]\r\n";
        for (int k = 0; k < 50; ++k)
            big += "Klucz" + QByteArray::number(k) + "=" + QByteArray(60, 'x') + "\r\n";
    }
    big += "[Ostatnia]\r\nszukany=znaleziony\r\n";
    WriteBytes(Path(), big);
    const TMemIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("ostatnia", "SZUKANY"), QStringLiteral("znaleziony"));
    EXPECT_EQ(ini.ReadString("Sekcja0", "Klucz49"), QString(60, 'x'));
    EXPECT_GT(ini.ReadSections().size(), 1000);
}

TEST_F(IniFileTest, FailedUpdateLeavesTheOldFile) {
    TMemIniFile ini;
    ini.WriteString("S", "k", "nowy");

    WriteBytes(Path("plik"), "zwykły plik");
    ini.SetFileName(Path("plik") + "/n.ini");
    QString error;
    EXPECT_FALSE(ini.UpdateFile(&error));
    EXPECT_FALSE(error.isEmpty());

    ini.SetFileName(Path("brak/n.ini"));
    error.clear();
    EXPECT_FALSE(ini.UpdateFile(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QDir(Path("brak")).exists());

    // The old file stays whole when its temporary file cannot be made.
    WriteBytes(Path(), "[S]\r\nk=stary\r\n");
    ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("n.ini.%1.tmp").arg(::getpid())));
    ini.SetFileName(Path());
    error.clear();
    EXPECT_FALSE(ini.UpdateFile(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(Bytes(Path()), QByteArray("[S]\r\nk=stary\r\n"));

    // A directory in the file's place: the last step fails and leaves no temporary file.
    ASSERT_TRUE(QDir(Dir.path()).rmdir(QStringLiteral("n.ini.%1.tmp").arg(::getpid())));
    ASSERT_TRUE(QDir(Dir.path()).mkdir("katalog.ini"));
    ini.SetFileName(Path("katalog.ini"));
    error.clear();
    EXPECT_FALSE(ini.UpdateFile(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(Path("katalog.ini")).isDir());
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), (QStringList{"n.ini", "plik"}));
}

TEST_F(IniFileTest, OldMacLineEndsAndAMarkInsideTheTextSurvive) {
    TMemIniFile ini = FromText("[Other]\rA=1\r[Settings]\rX=5\r");
    EXPECT_EQ(ini.ReadInteger("Settings", "X", 0), 5);
    EXPECT_EQ(ini.ReadString("Other", "A"), "1");

    TMemIniFile text;
    text.SetFileName(Path());
    text.WriteString("S", "V", QString(QChar(0xFEFF)) + QString::fromUtf8("日本"));
    ASSERT_TRUE(text.UpdateFile());
    EXPECT_EQ(TMemIniFile(Path()).ReadRawString("S", "V"),
              QString(QChar(0xFEFF)) + QString::fromUtf8("日本"));
}

TEST_F(IniFileTest, WholeFileWritesKeepModeAndFollowLinks) {
    TMemIniFile ini;
    ini.SetFileName(Path());
    ini.WriteString("S", "K", "1");
    ASSERT_TRUE(ini.UpdateFile());
    ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(QFileInfo(Path()).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0)
        << "a private file stays private";

    ASSERT_TRUE(QFile::link(Path(), Path("link.ini")));
    TMemIniFile viaLink(Path("link.ini"));
    viaLink.WriteString("S", "K", "2");
    ASSERT_TRUE(viaLink.UpdateFile());
    EXPECT_TRUE(QFileInfo(Path("link.ini")).isSymLink());
    EXPECT_EQ(TMemIniFile(Path()).ReadString("S", "K"), "2");
}
