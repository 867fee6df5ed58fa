#include "common/IniFile.h"
#include "platform/Platform.h"
#include "platform/SignalWatcher.h"
#include "support/FakePlatform.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

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

TEST(SignalWatcher, TurnsTerminationSignalsIntoAQueuedSignal) {
    TSignalWatcher watcher;
    QSignalSpy spy(&watcher, &TSignalWatcher::TerminationRequested);
    for (int s : {SIGTERM, SIGHUP, SIGINT}) {
        ::raise(s);
        ASSERT_TRUE(spy.count() > 0 || spy.wait(2000)) << s;
        EXPECT_EQ(spy.takeFirst().at(0).toInt(), s);
    }
}
