#pragma once

#include "common/DateUtils.h"
#include "platform/Clock.h"
#include "platform/FileDialogs.h"
#include "platform/Printing.h"
#include "platform/UrlOpener.h"

#include <QList>
#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <sys/types.h>

class QWidget;

// Every service the program takes from the desktop goes through one of these interfaces, so
// that tests can put a fake in its place (see TScopedService in the test support library).

class IProgramDirectory {
public:
    virtual ~IProgramDirectory() = default;
    // Full path of the running executable.
    virtual QString ExePath() const = 0;
    // Where the program keeps its files: the executable's directory, or a per-user data
    // directory when that one is not writable. No trailing slash.
    virtual QString Dir() const = 0;
};

// The single-instance marker: named after the product, it outlives a process that ended
// without cleaning up and is gone after logout.
class IInstanceMarker {
public:
    virtual ~IInstanceMarker() = default;
    virtual bool Exists() const = 0;
    virtual bool Add() = 0;
    virtual void Delete() = 0;
};

// The marker's file: "Notella.instance" in $XDG_RUNTIME_DIR, else /tmp/Notella-<uid>.instance.
QString InstanceMarkerPath();

// What lies at the marker's path for the user `owner`. Only a plain file of that user is a
// marker: a symbolic link, a directory or another user's file may have been planted there.
enum class TMarkerState { Missing, Own, Foreign };
TMarkerState InstanceMarkerState(const QString& path, uid_t owner);

// Per-user string values grouped under key paths.
class IUserStore {
public:
    virtual ~IUserStore() = default;
    // False when the key could not be opened or created.
    virtual bool WriteString(const QString& keyPath, const QString& name, const QString& value) = 0;
    // Empty when the key or the value does not exist.
    virtual QString ReadString(const QString& keyPath, const QString& name) const = 0;
    virtual bool DeleteValue(const QString& keyPath, const QString& name) = 0;
};

class IProcessPriority {
public:
    virtual ~IProcessPriority() = default;
    // ApplicationPriority: 0 realtime, 1 high, 2 normal, 3 idle, others high.
    virtual void SetPriorityClass(int applicationPriority) = 0;
};

class IKeyboardState {
public:
    virtual ~IKeyboardState() = default;
    virtual bool ShiftDown() const = 0;
    virtual bool CtrlDown() const = 0;
};

class IBeeper {
public:
    virtual ~IBeeper() = default;
    virtual void Beep() = 0;
};

using TFileVersion = std::array<std::uint16_t, 4>; // major, minor, release, build

class IBuildInfo {
public:
    virtual ~IBuildInfo() = default;
    // The version of the executable at `exePath`; none when it carries no version.
    virtual std::optional<TFileVersion> FileVersion(const QString& exePath) const = 0;
};

enum class TMsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class TMsgIcon { None, Information, Warning, Error, Question };
enum class TMsgResult { OK, Cancel, Yes, No };

struct TMessage {
    QString Text;
    QString Caption;
    TMsgButtons Buttons = TMsgButtons::OK;
    TMsgIcon Icon = TMsgIcon::None;
    // The button that Enter presses; none leaves the box's own choice.
    std::optional<TMsgResult> Default;
    // With a text, the box carries a check box that starts as *Checked and leaves its state
    // there, whatever button ends the box.
    QString CheckBox;
    bool* Checked = nullptr;
};

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    virtual TMsgResult Show(QWidget* parent, const TMessage& message) = 0;
};

// Window-manager hints that change while a window is shown (flags would re-map it).
class IWindowStyles {
public:
    virtual ~IWindowStyles() = default;
    // Keeps a window out of the task switcher (Alt+Tab) and pagers, or lets it in. Notes never
    // get a taskbar button either way.
    virtual void SetSkipSwitcher(QWidget* window, bool skip) = 0;
    // Keeps a shown window above all others, or lets it back among them.
    virtual void SetStayOnTop(QWidget* window, bool onTop) = 0;
};

// WAV playback for alarms: asynchronous, never the desktop's default sound, never waiting.
class ISoundPlayer {
public:
    virtual ~ISoundPlayer() = default;
    // A sound of the program is still playing.
    virtual bool IsPlaying() const = 0;
    // Starts the file and returns at once. An unreadable file or no audio device is silence.
    virtual void PlayFile(const QString& path) = 0;
};

// The icon in the notification area. The mouse actions arrive through the callbacks.
class ITrayIcon {
public:
    virtual ~ITrayIcon() = default;
    // Puts the icon up once; where no tray exists yet it appears as soon as one does.
    virtual void Add(const QString& tip) = 0;
    virtual void Remove() = 0;
    // A tray host is running on the desktop.
    virtual bool TrayExists() const = 0;
    std::function<void()> OnButtonDown;
    std::function<void()> OnDoubleClick;
    // The right button, with the cursor position.
    std::function<void(QPoint)> OnContextMenu;
};

// Pending: the desktop binds the key later (a portal); a refusal then comes through
// OnRefused.
enum class THotKeyResult { Registered, Taken, Unavailable, Pending };

// System-wide keys: Win+Shift+<key>, or Win+Shift+Ctrl+<key> with `ctrl`.
class IHotKeys {
public:
    virtual ~IHotKeys() = default;
    // `description` names the command for a desktop that lists the keys it binds.
    virtual THotKeyResult Register(int id, bool ctrl, QChar key, const QString& description) = 0;
    std::function<void(int)> OnHotKey;
    // The Pending keys that the desktop did not bind (refused, no answer in time, no portal),
    // told once, from the event loop.
    std::function<void(const QList<int>&)> OnRefused;
};

struct TPlatformServices {
    IClock* Clock;
    IProgramDirectory* Directory;
    IInstanceMarker* Marker;
    IUserStore* UserStore;
    IProcessPriority* Priority;
    IKeyboardState* Keyboard;
    IBeeper* Beeper;
    IBuildInfo* Build;
    IMessageBoxes* MessageBoxes;
    IWindowStyles* WindowStyles;
    ISoundPlayer* Sound;
    ITrayIcon* Tray;
    IHotKeys* HotKeys;
    IUrlOpener* Url;
    IPrinting* Printing;
    IFileDialogs* FileDialogs;
};

// The services in force. Starts with the desktop-free implementations; the program entry
// puts the GUI ones (keyboard, beep, message boxes) in place once the application exists.
TPlatformServices& Platform();

// What a box that ends without an answer answers: No or Cancel, never Yes.
TMsgResult NoAnswer(TMsgButtons buttons);

// The one way the program shows a message box. While the run is ending no modal box is
// shown: the message goes to stderr and the box answers as if it ended without an answer.
TMsgResult MessageBox(QWidget* parent, const QString& text, const QString& caption,
                      TMsgButtons buttons = TMsgButtons::OK, TMsgIcon icon = TMsgIcon::None,
                      std::optional<TMsgResult> defaultButton = std::nullopt);
TMsgResult MessageBox(QWidget* parent, const TMessage& message);
void SetShuttingDown(bool shuttingDown);
bool ShuttingDown();

// Plays a WAV file without waiting. A missing file plays nothing, and while a sound of the
// program plays the new one is skipped rather than cutting it off.
void PlaySoundFile(const QString& path);

// The program directory (no trailing slash) and paths inside it.
QString ProgramDir();
QString ProgramFile(const QString& relative);
QString ExePath();
// The settings file: the executable's name with ".ini", in the program directory.
QString SettingsFileName();

// The build text: the selected components of the version, in decimal, joined by ".";
// "N/A" when the executable has no version; empty when nothing is selected.
QString GetVersionText(const QString& exePath, bool major, bool minor, bool release, bool build);

// Per-user store in the registry's terms: the root key is always the current user's.
enum TRegRoot { HKEY_CURRENT_USER };
bool RegWriteString(TRegRoot root, const QString& keyPath, const QString& name,
                    const QString& value);
QString RegReadString(TRegRoot root, const QString& keyPath, const QString& name);
bool RegDeleteValue(TRegRoot root, const QString& keyPath, const QString& name);

// The nice value for an ApplicationPriority setting.
int NiceForPriority(int applicationPriority);
