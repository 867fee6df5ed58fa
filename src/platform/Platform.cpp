#include "platform/Platform.h"

#include "common/IniFile.h"
#include "platform/Autostart.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString EnvPath(const char* name, const QString& fallback) {
    const QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? fallback : v;
}

class TSystemClock final : public IClock {
public:
    TDateTime Now() const override {
        const QDateTime now = QDateTime::currentDateTime();
        const QDate d = now.date();
        const QTime t = now.time();
        return EncodeDate(d.year(), d.month(), d.day()) +
               EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
    }
};

class TProgramDirectory final : public IProgramDirectory {
public:
    // Read once: an upgrade that replaces the executable while it runs turns the link into
    // "<path> (deleted)", which would otherwise become an empty path.
    QString ExePath() const override {
        if (CachedExe.isEmpty()) {
            QString exe = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
            const QString deleted = QStringLiteral(" (deleted)");
            if (exe.endsWith(deleted))
                exe.chop(deleted.size());
            CachedExe = exe;
        }
        return CachedExe;
    }

    QString Dir() const override {
        if (Cached.isEmpty()) {
            const QString exeDir = QFileInfo(ExePath()).absolutePath();
            if (::access(QFile::encodeName(exeDir).constData(), W_OK) == 0) {
                Cached = exeDir;
            } else {
                // An installed copy: keep the files in the user's data directory.
                Cached = EnvPath("XDG_DATA_HOME", QDir::homePath() + "/.local/share") +
                         QStringLiteral("/Notella");
                QDir().mkpath(Cached);
            }
        }
        return Cached;
    }

private:
    mutable QString Cached;
    mutable QString CachedExe;
};

// Only a plain file of this user counts: in /tmp another user may plant a link or a file of
// their own at the marker's path, and neither may be written, taken or removed.
class TMarkerFile final : public IInstanceMarker {
public:
    bool Exists() const override { return State() == TMarkerState::Own; }

    bool Add() override {
        const QString path = InstanceMarkerPath();
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            const int error = errno;
            if (error == EEXIST && State() == TMarkerState::Own)
                return true; // another session's marker counts for this one too
            const QString reason = error == EEXIST
                                       ? QString::fromUtf8("jest tam dowiązanie, katalog lub plik "
                                                           "innego użytkownika")
                                       : QString::fromLocal8Bit(std::strerror(error));
            std::fprintf(stderr, "Notella: nie można utworzyć znacznika sesji %s: %s\n",
                         qUtf8Printable(path), qUtf8Printable(reason));
            return false;
        }
        // The number only helps a person who finds the file; the file itself is the marker.
        const QByteArray pid = QByteArray::number(::getpid()) + '\n';
        [[maybe_unused]] const ssize_t written =
            ::write(fd, pid.constData(), static_cast<size_t>(pid.size()));
        ::close(fd);
        return true;
    }

    void Delete() override {
        if (State() == TMarkerState::Own)
            ::unlink(QFile::encodeName(InstanceMarkerPath()).constData());
    }

private:
    static TMarkerState State() { return InstanceMarkerState(InstanceMarkerPath(), ::geteuid()); }
};

} // namespace

QString InstanceMarkerPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + QStringLiteral("/Notella.instance");
    return QStringLiteral("/tmp/Notella-%1.instance").arg(::getuid());
}

TMarkerState InstanceMarkerState(const QString& path, uid_t owner) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? TMarkerState::Missing : TMarkerState::Foreign;
    return S_ISREG(st.st_mode) && st.st_uid == owner ? TMarkerState::Own : TMarkerState::Foreign;
}

namespace {

// The autostart list's value for this program lives in the desktop's autostart entry.
bool IsAutostartValue(const QString& keyPath, const QString& name) {
    return keyPath.compare(QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
                           Qt::CaseInsensitive) == 0 &&
           name.compare(QStringLiteral("Notella"), Qt::CaseInsensitive) == 0;
}

// One INI file per user, one section per key path.
class TUserStoreFile final : public IUserStore {
public:
    bool WriteString(const QString& keyPath, const QString& name, const QString& value) override {
        if (IsAutostartValue(keyPath, name))
            return WriteAutostartEntry(value);
        TMemIniFile ini(Path());
        ini.WriteString(keyPath, name, value);
        return Save(ini);
    }

    QString ReadString(const QString& keyPath, const QString& name) const override {
        if (IsAutostartValue(keyPath, name))
            return ReadAutostartEntry();
        return TMemIniFile(Path()).ReadRawString(keyPath, name);
    }

    bool DeleteValue(const QString& keyPath, const QString& name) override {
        if (IsAutostartValue(keyPath, name))
            return DeleteAutostartEntry();
        TMemIniFile ini(Path());
        if (!ini.SectionExists(keyPath))
            ini.WriteString(keyPath, name, {}); // opening creates the key
        ini.DeleteKey(keyPath, name);
        return Save(ini);
    }

private:
    static QString Path() {
        return EnvPath("XDG_CONFIG_HOME", QDir::homePath() + "/.config") +
               QStringLiteral("/Quorvel/Notella.ini");
    }
    static bool Save(const TMemIniFile& ini) {
        return QDir().mkpath(QFileInfo(ini.FileName()).absolutePath()) && ini.UpdateFile();
    }
};

class TProcessPriority final : public IProcessPriority {
public:
    // Linux keeps a nice value per thread: every thread Qt has started gets it too, and
    // threads started later take it from the thread that starts them.
    void SetPriorityClass(int applicationPriority) override {
        const int nice = NiceForPriority(applicationPriority);
        // An unprivileged user cannot raise the priority; the refusal is not an error here.
        ::setpriority(PRIO_PROCESS, 0, nice);
        DIR* tasks = ::opendir("/proc/self/task");
        if (!tasks)
            return;
        while (const dirent* task = ::readdir(tasks)) {
            const long tid = std::strtol(task->d_name, nullptr, 10);
            if (tid > 0)
                ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice);
        }
        ::closedir(tasks);
    }
};

class TNoKeyboard final : public IKeyboardState {
public:
    bool ShiftDown() const override { return false; }
    bool CtrlDown() const override { return false; }
};

class TNoBeeper final : public IBeeper {
public:
    void Beep() override {}
};

class TCompiledBuildInfo final : public IBuildInfo {
public:
    std::optional<TFileVersion> FileVersion(const QString& exePath) const override {
#ifdef NOTELLA_VERSION
        const QStringList parts = QStringLiteral(NOTELLA_VERSION).split('.');
        if (parts.size() == 4 && exePath == Platform().Directory->ExePath()) {
            TFileVersion v{};
            for (int i = 0; i < 4; ++i)
                v[static_cast<size_t>(i)] = static_cast<std::uint16_t>(parts[i].toUInt());
            return v;
        }
#else
        Q_UNUSED(exePath);
#endif
        return std::nullopt;
    }
};

// Before the GUI exists, and in tools without one: the message goes to stderr.
class TStderrMessageBoxes final : public IMessageBoxes {
public:
    TMsgResult Show(QWidget*, const TMessage& m) override {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(m.Caption), qUtf8Printable(m.Text));
        return NoAnswer(m.Buttons);
    }
};

class TNoWindowStyles final : public IWindowStyles {
public:
    void SetSkipSwitcher(QWidget*, bool) override {}
    void SetStayOnTop(QWidget*, bool) override {}
};

// Tools without a desktop stay silent.
class TNoSound final : public ISoundPlayer {
public:
    bool IsPlaying() const override { return false; }
    void PlayFile(const QString&) override {}
};

// Without a desktop there is no tray and no system-wide key.
class TNoTray final : public ITrayIcon {
public:
    void Add(const QString&) override {}
    void Remove() override {}
    bool TrayExists() const override { return false; }
};

class TNoHotKeys final : public IHotKeys {
public:
    THotKeyResult Register(int, bool, QChar, const QString&) override {
        return THotKeyResult::Unavailable;
    }
};

// Nothing to open an address with before the desktop is there.
class TNoUrlOpener final : public IUrlOpener {
public:
    void OpenUrl(const QUrl&) override {}
};

// Without a desktop no printer is chosen: every job counts as cancelled.
class TNoPrinting final : public IPrinting {
public:
    std::shared_ptr<QPrinter> ChoosePrinter(QWidget*) override { return {}; }
};

// Without a desktop no file is chosen.
class TNoFileDialogs final : public IFileDialogs {
public:
    QString OpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
};

bool ShuttingDownFlag = false;

} // namespace

TPlatformServices& Platform() {
    static TSystemClock clock;
    static TProgramDirectory directory;
    static TMarkerFile marker;
    static TUserStoreFile store;
    static TProcessPriority priority;
    static TNoKeyboard keyboard;
    static TNoBeeper beeper;
    static TCompiledBuildInfo build;
    static TStderrMessageBoxes boxes;
    static TNoWindowStyles styles;
    static TNoSound sound;
    static TNoTray tray;
    static TNoHotKeys hotKeys;
    static TNoUrlOpener url;
    static TNoPrinting printing;
    static TNoFileDialogs files;
    static TPlatformServices services{
        &clock, &directory, &marker, &store, &priority, &keyboard, &beeper,   &build,
        &boxes, &styles,    &sound,  &tray,  &hotKeys,  &url,      &printing, &files};
    return services;
}

TDateTime Now() {
    return Platform().Clock->Now();
}

TMsgResult NoAnswer(TMsgButtons buttons) {
    return buttons == TMsgButtons::YesNo ? TMsgResult::No : TMsgResult::Cancel;
}

TMsgResult MessageBox(QWidget* parent, const QString& text, const QString& caption,
                      TMsgButtons buttons, TMsgIcon icon, std::optional<TMsgResult> defaultButton) {
    return MessageBox(parent, TMessage{text, caption, buttons, icon, defaultButton, {}, nullptr});
}

TMsgResult MessageBox(QWidget* parent, const TMessage& message) {
    if (ShuttingDownFlag) {
        // One line per message on stderr.
        const QString line = message.Text.simplified();
        std::fprintf(stderr, "Notella: %s: %s\n", qUtf8Printable(message.Caption),
                     qUtf8Printable(line));
        return NoAnswer(message.Buttons);
    }
    return Platform().MessageBoxes->Show(parent, message);
}

void SetShuttingDown(bool shuttingDown) {
    ShuttingDownFlag = shuttingDown;
}

bool ShuttingDown() {
    return ShuttingDownFlag;
}

void PlaySoundFile(const QString& path) {
    ISoundPlayer* sound = Platform().Sound;
    if (!sound || sound->IsPlaying() || !QFileInfo(path).isFile())
        return;
    sound->PlayFile(path);
}

QString ProgramDir() {
    return Platform().Directory->Dir();
}

QString ProgramFile(const QString& relative) {
    return ProgramDir() + '/' + relative;
}

QString ExePath() {
    return Platform().Directory->ExePath();
}

QString SettingsFileName() {
    return ProgramFile(QFileInfo(ExePath()).completeBaseName() + QStringLiteral(".ini"));
}

QString GetVersionText(const QString& exePath, bool major, bool minor, bool release, bool build) {
    const bool selected[4] = {major, minor, release, build};
    if (!major && !minor && !release && !build)
        return {};
    const auto version = Platform().Build->FileVersion(exePath);
    if (!version)
        return QStringLiteral("N/A");
    QStringList parts;
    for (size_t i = 0; i < 4; ++i)
        if (selected[i])
            parts << QString::number((*version)[i]);
    return parts.join('.');
}

bool RegWriteString(TRegRoot, const QString& keyPath, const QString& name, const QString& value) {
    return Platform().UserStore->WriteString(keyPath, name, value);
}

QString RegReadString(TRegRoot, const QString& keyPath, const QString& name) {
    return Platform().UserStore->ReadString(keyPath, name);
}

bool RegDeleteValue(TRegRoot, const QString& keyPath, const QString& name) {
    return Platform().UserStore->DeleteValue(keyPath, name);
}

int NiceForPriority(int applicationPriority) {
    switch (applicationPriority) {
    case 0:
        return -20;
    case 2:
        return 0;
    case 3:
        return 19;
    default:
        return -10;
    }
}
