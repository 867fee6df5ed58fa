#include "platform/Autostart.h"
#include "platform/Platform.h"
#include "platform/TrayClicks.h"
#include "support/PrintQString.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Points the desktop's config folder at a fresh directory for the test's lifetime.
class ScopedConfigHome {
public:
    ScopedConfigHome() : Old(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", Dir.path().toUtf8());
    }
    ~ScopedConfigHome() { qputenv("XDG_CONFIG_HOME", Old); }
    QTemporaryDir Dir;

private:
    QByteArray Old;
};

const QString RunKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

} // namespace

TEST(Autostart, PathsSurviveTheEntryWhateverTheyHold) {
    for (const QString& path :
         {QString("/opt/notella/notella"), QString("/home/ala ma kota/Notatki/notella"),
          QString("/tmp/a\"b$c`d\\e/100% pewne/notella"),
          QString::fromUtf8("/home/żółw/notella")}) {
        const QString entry = AutostartEntryText(path);
        EXPECT_EQ(AutostartEntryProgram(entry), path) << entry.toStdString();
        EXPECT_TRUE(entry.startsWith("[Desktop Entry]\nType=Application\nName=Notella\n"));
        EXPECT_TRUE(entry.contains("X-KDE-autostart-after=panel"));
    }
    EXPECT_TRUE(AutostartEntryText("/home/a b/notella").contains("Exec=\"/home/a b/notella\""));
    EXPECT_TRUE(AutostartEntryText("/x/100%/n").contains("Exec=/x/100%%/n"));

    // Entries switched off, or written by hand.
    const QString on = "[Desktop Entry]\nExec=/usr/bin/notella --x\n";
    EXPECT_EQ(AutostartEntryProgram(on), "/usr/bin/notella");
    EXPECT_EQ(AutostartEntryProgram(on + "Hidden=true\n"), "");
    EXPECT_EQ(AutostartEntryProgram(on + "X-GNOME-Autostart-enabled=false\n"), "");
    EXPECT_EQ(AutostartEntryProgram("[Other]\nExec=/bin/x\n"), "");
    EXPECT_EQ(AutostartEntryProgram(""), "");
}

TEST(Autostart, TheRunValueIsTheDesktopsAutostartEntry) {
    ScopedConfigHome home;
    const QString file = home.Dir.path() + "/autostart/Notella.desktop";
    EXPECT_EQ(AutostartFileName(), file);
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, RunKey, "Notella"), "");

    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, RunKey, "Notella", "/home/a b/notella"));
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, RunKey.toUpper(), "NOTELLA"), "/home/a b/notella")
        << "registry names ignore letter case";
    EXPECT_FALSE(QFile::exists(home.Dir.path() + "/Quorvel/Notella.ini"))
        << "the value lives only in the entry";

    ASSERT_TRUE(RegDeleteValue(HKEY_CURRENT_USER, RunKey, "Notella"));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(RegDeleteValue(HKEY_CURRENT_USER, RunKey, "Notella")) << "already gone is fine";
}

TEST(TrayClicks, EachTrayPathGivesOneButtonDownAndOneDoubleClick) {
    using A = TTrayClicks::TAction;
    // XEmbed: a press, then Qt's double click.
    TTrayClicks xembed(400);
    EXPECT_EQ(xembed.Trigger(1000), A::ButtonDown);
    EXPECT_EQ(xembed.DoubleClick(1200), A::DoubleClick);
    EXPECT_EQ(xembed.Trigger(1300), A::ButtonDown) << "a third press starts a new click";

    // StatusNotifierItem: two triggers only.
    TTrayClicks sni(400);
    EXPECT_EQ(sni.Trigger(1000), A::ButtonDown);
    EXPECT_EQ(sni.Trigger(1300), A::DoubleClick);
    EXPECT_EQ(sni.DoubleClick(1310), A::None) << "a pair is one double click";
    EXPECT_EQ(sni.Trigger(1350), A::ButtonDown);

    // Slow clicks stay single.
    TTrayClicks slow(400);
    EXPECT_EQ(slow.Trigger(0), A::ButtonDown);
    EXPECT_EQ(slow.Trigger(401), A::ButtonDown);
    EXPECT_EQ(slow.Trigger(1000), A::ButtonDown);
}

TEST(Autostart, AnEntryThatIsAPipeReadsAsNoneWithoutWaiting) {
    ScopedConfigHome home;
    ASSERT_TRUE(QDir().mkpath(home.Dir.path() + "/autostart"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(AutostartFileName()).constData(), 0600), 0);
    // A child, so that a wait fails the test instead of holding the run.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(5);
        ::_exit(ReadAutostartEntry().isEmpty() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}
