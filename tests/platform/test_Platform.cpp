#include "common/IniFile.h"
#include "platform/GuiServices.h"
#include "platform/Platform.h"
#include "platform/SignalWatcher.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <future>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Points an environment variable somewhere else for one test.
class TScopedEnv {
public:
    TScopedEnv(const char* name, const QByteArray& value)
        : Name(name), Had(qEnvironmentVariableIsSet(name)), Old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~TScopedEnv() {
        if (Had)
            qputenv(Name, Old);
        else
            qunsetenv(Name);
    }

private:
    const char* Name;
    bool Had;
    QByteArray Old;
};

} // namespace

TEST(InstanceMarker, IsAFileInTheRuntimeDirectoryThatOutlivesTheProcess) {
    QTemporaryDir runtime;
    TScopedEnv env("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    IInstanceMarker& marker = *Platform().Marker;
    const QString path = runtime.path() + "/Notella.instance";
    EXPECT_FALSE(marker.Exists());
    EXPECT_TRUE(marker.Add());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_TRUE(marker.Exists());
    EXPECT_TRUE(marker.Add()) << "a second session adds to the marker that is there";
    marker.Delete();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(marker.Exists());
    marker.Delete(); // nothing there: no harm
}

TEST(InstanceMarker, NeverTakesALinkADirectoryOrAnotherUsersFile) {
    QTemporaryDir runtime;
    TScopedEnv env("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    IInstanceMarker& marker = *Platform().Marker;
    const QString path = InstanceMarkerPath();
    EXPECT_EQ(path, runtime.path() + "/Notella.instance");

    // Links planted by someone else: what they point to is never written, nor made.
    const QString victim = runtime.path() + "/cudzy";
    WriteBytes(victim, "cudzy plik");
    for (const QString& target : {victim, runtime.path() + "/nowy"}) {
        ASSERT_TRUE(QFile::link(target, path));
        EXPECT_FALSE(marker.Exists()) << target.toStdString();
        EXPECT_FALSE(marker.Add());
        marker.Delete();
        EXPECT_TRUE(QFileInfo(path).isSymLink()) << "not ours to remove";
        ASSERT_TRUE(QFile::remove(path));
    }
    EXPECT_EQ(ReadText(victim), "cudzy plik");
    EXPECT_FALSE(QFileInfo::exists(runtime.path() + "/nowy"));

    ASSERT_TRUE(QDir().mkdir(path));
    EXPECT_FALSE(marker.Exists());
    EXPECT_FALSE(marker.Add());
    marker.Delete();
    EXPECT_TRUE(QFileInfo(path).isDir());
    ASSERT_TRUE(QDir().rmdir(path));

    EXPECT_EQ(InstanceMarkerState(path, ::geteuid()), TMarkerState::Missing);
    ASSERT_TRUE(marker.Add());
    EXPECT_EQ(InstanceMarkerState(path, ::geteuid()), TMarkerState::Own);
    EXPECT_EQ(InstanceMarkerState(path, ::geteuid() + 1), TMarkerState::Foreign);
    marker.Delete();

    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(InstanceMarkerPath(), QStringLiteral("/tmp/Notella-%1.instance").arg(::getuid()));
}

TEST(UserStore, KeepsValuesPerKeyPathInTheUsersConfiguration) {
    QTemporaryDir config;
    TScopedEnv env("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString key = "\\Software\\Quorvel\\Notella";
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, key, "LastApplicationDir"), "");
    EXPECT_TRUE(RegWriteString(HKEY_CURRENT_USER, key, "LastApplicationDir", "/opt/Notella/ "));
    EXPECT_TRUE(RegWriteString(HKEY_CURRENT_USER, key, "Other", "x"));
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, key, "LastApplicationDir"), "/opt/Notella/ ");
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, "\\Software\\Else", "LastApplicationDir"), "");

    const TMemIniFile file(config.path() + "/Quorvel/Notella.ini");
    EXPECT_EQ(file.ReadRawString(key, "LastApplicationDir"), "/opt/Notella/ ");

    EXPECT_TRUE(RegDeleteValue(HKEY_CURRENT_USER, key, "LastApplicationDir"));
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, key, "LastApplicationDir"), "");
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, key, "Other"), "x");
    EXPECT_TRUE(RegDeleteValue(HKEY_CURRENT_USER, "\\Software\\New", "Nothing"))
        << "deleting opens the key, creating it";
}

TEST(UserStore, AStoreThatCannotBeOpenedAnswersFalseAndEmpty) {
    QTemporaryDir dir;
    const QString notADir = dir.path() + "/file";
    WriteBytes(notADir, "x");
    TScopedEnv env("XDG_CONFIG_HOME", notADir.toLocal8Bit());
    EXPECT_FALSE(RegWriteString(HKEY_CURRENT_USER, "\\K", "V", "1"));
    EXPECT_FALSE(RegDeleteValue(HKEY_CURRENT_USER, "\\K", "V"));
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, "\\K", "V"), "");
}

TEST(BuildText, SelectsComponentsOfTheExecutablesVersion) {
    // The real build: the running executable carries the project's version.
    const QString own = GetVersionText(ExePath(), false, false, false, true);
    bool isNumber = false;
    own.toUInt(&isNumber);
    EXPECT_TRUE(isNumber) << own.toStdString();
    EXPECT_EQ(GetVersionText("/bin/sh", false, false, false, true), "N/A");

    TFakePlatform fake;
    EXPECT_EQ(GetVersionText(ExePath(), false, false, false, true), "93");
    EXPECT_EQ(GetVersionText(ExePath(), true, true, true, true), "1.2.3.93");
    EXPECT_EQ(GetVersionText(ExePath(), true, false, true, false), "1.3");
    EXPECT_EQ(GetVersionText(ExePath(), false, false, false, false), "");
    fake.Build.Version.reset();
    EXPECT_EQ(GetVersionText(ExePath(), false, false, false, true), "N/A");
}

TEST(ProgramDirectory, IsTheExecutablesDirectoryAndNamesTheSettingsFile) {
    const QString exe = ExePath();
    EXPECT_TRUE(QFileInfo(exe).isExecutable()) << exe.toStdString();
    EXPECT_EQ(ProgramDir(), QFileInfo(exe).absolutePath()) << "the build directory is writable";
    EXPECT_EQ(SettingsFileName(), ProgramDir() + "/" + QFileInfo(exe).completeBaseName() + ".ini");
    EXPECT_EQ(ProgramFile("sheets"), ProgramDir() + "/sheets");

    TFakePlatform fake;
    EXPECT_EQ(SettingsFileName(), fake.Directory.Dir() + "/notella.ini");
}

TEST(Priority, MapsTheSettingToNiceValues) {
    EXPECT_EQ(NiceForPriority(0), -20);
    EXPECT_EQ(NiceForPriority(1), -10);
    EXPECT_EQ(NiceForPriority(2), 0);
    EXPECT_EQ(NiceForPriority(3), 19);
    EXPECT_EQ(NiceForPriority(7), -10) << "anything else acts as high";
    EXPECT_EQ(NiceForPriority(-1), -10);
}

TEST(Priority, ReachesThreadsStartedBeforeTheChange) {
    // In a child process: an unprivileged test could not take a lower priority back.
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::promise<pid_t> started;
        std::promise<void> done;
        std::thread worker([&started, finished = done.get_future()] {
            started.set_value(static_cast<pid_t>(::syscall(SYS_gettid)));
            finished.wait();
        });
        const pid_t tid = started.get_future().get();
        Platform().Priority->SetPriorityClass(3);
        const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
        done.set_value();
        worker.join();
        ::_exit(::write(out[1], &nice, sizeof nice) == sizeof nice ? 0 : 1);
    }
    ::close(out[1]);
    int nice = -100;
    EXPECT_EQ(::read(out[0], &nice, sizeof nice), static_cast<ssize_t>(sizeof nice));
    ::close(out[0]);
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(nice, 19);
}

TEST(Clock, GivesTheLocalMomentWithMilliseconds) {
    const QDateTime before = QDateTime::currentDateTime();
    const TDateTime now = Now();
    const QDateTime after = QDateTime::currentDateTime();
    const TDateParts d = DecodeDate(now);
    const TTimeParts t = DecodeTime(now);
    const QDateTime got(QDate(d.Year, d.Month, d.Day), QTime(t.Hour, t.Minute, t.Second, t.MSec));
    EXPECT_GE(got, before.addMSecs(-1));
    EXPECT_LE(got, after.addMSecs(1));
}

TEST(MessageBoxes, GoThroughOneFunctionAndNeverAskWhileTheRunEnds) {
    TFakePlatform fake;
    fake.MessageBoxes.Answer(TMsgResult::Yes);
    EXPECT_EQ(MessageBox(nullptr, "Pytanie?", "Notella", TMsgButtons::YesNo, TMsgIcon::Question),
              TMsgResult::Yes);
    ASSERT_EQ(fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(fake.MessageBoxes.Shown[0].Text, "Pytanie?");

    SetShuttingDown(true);
    EXPECT_TRUE(ShuttingDown());
    fake.MessageBoxes.Answer(TMsgResult::Yes);
    EXPECT_EQ(MessageBox(nullptr, "Pytanie?", "Notella", TMsgButtons::YesNo), TMsgResult::No);
    EXPECT_EQ(MessageBox(nullptr, "Dalej?", "Notella", TMsgButtons::YesNoCancel),
              TMsgResult::Cancel);
    EXPECT_EQ(fake.MessageBoxes.Shown.size(), 1u) << "no box shown while the run ends";
    SetShuttingDown(false);

    EXPECT_EQ(NoAnswer(TMsgButtons::YesNo), TMsgResult::No);
    EXPECT_EQ(NoAnswer(TMsgButtons::OKCancel), TMsgResult::Cancel);
}

// A path or a title in a box is shown as written: "<b>" is no markup there.
TEST(MessageBoxes, TheDesktopBoxShowsItsTextAsPlainText) {
    TFakePlatform fake;
    InstallGuiServices();
    Qt::TextFormat format = Qt::RichText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        format = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(
        MessageBox(nullptr, "Nie można zapisywać do pliku /tmp/<b>x</b>.sheet", "Ostrzeżenie"),
        TMsgResult::OK);
    EXPECT_EQ(format, Qt::PlainText);
}

TEST(SignalWatcher, TurnsTerminationSignalsIntoAQueuedSignal) {
    TSignalWatcher watcher;
    QSignalSpy spy(&watcher, &TSignalWatcher::TerminationRequested);
    for (int s : {SIGTERM, SIGHUP, SIGINT}) {
        ::raise(s);
        ASSERT_TRUE(spy.count() > 0 || spy.wait(2000)) << s;
        EXPECT_EQ(spy.takeFirst().at(0).toInt(), s);
    }
}
