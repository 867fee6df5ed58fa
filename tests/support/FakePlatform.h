#pragma once

#include "platform/Platform.h"
#include "support/PrintQString.h"

#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <deque>
#include <functional>
#include <vector>

class TFakeClock final : public IClock {
public:
    TDateTime Now() const override { return Value; }
    TDateTime Value = 0;
};

// A program directory in a fresh temporary folder; the executable is "notella" there.
class TFakeProgramDirectory final : public IProgramDirectory {
public:
    TFakeProgramDirectory();
    QString ExePath() const override { return Root.path() + QStringLiteral("/notella"); }
    QString Dir() const override { return Root.path(); }
    QTemporaryDir Root;
};

class TFakeMarker final : public IInstanceMarker {
public:
    bool Exists() const override { return Present; }
    bool Add() override {
        ++Adds;
        if (CannotMake)
            return false;
        Present = true;
        return true;
    }
    void Delete() override {
        ++Deletes;
        Present = false;
    }
    bool Present = false;
    bool CannotMake = false; // something else lies where the marker goes
    int Adds = 0;
    int Deletes = 0;
};

class TFakeUserStore final : public IUserStore {
public:
    bool WriteString(const QString& keyPath, const QString& name, const QString& value) override;
    QString ReadString(const QString& keyPath, const QString& name) const override;
    bool DeleteValue(const QString& keyPath, const QString& name) override;
    QMap<QString, QMap<QString, QString>> Keys;
    bool Writable = true;
};

class TFakePriority final : public IProcessPriority {
public:
    void SetPriorityClass(int applicationPriority) override {
        Calls.push_back(applicationPriority);
    }
    std::vector<int> Calls;
};

class TFakeKeyboard final : public IKeyboardState {
public:
    bool ShiftDown() const override { return Shift; }
    bool CtrlDown() const override { return Ctrl; }
    bool Shift = false;
    bool Ctrl = false;
};

class TFakeBeeper final : public IBeeper {
public:
    void Beep() override { ++Beeps; }
    int Beeps = 0;
};

class TFakeBuildInfo final : public IBuildInfo {
public:
    std::optional<TFileVersion> FileVersion(const QString&) const override { return Version; }
    std::optional<TFileVersion> Version = TFileVersion{1, 2, 3, 93};
};

// Answers boxes from a script, in order, and records every box shown. A box with no
// scripted answer fails the test and answers as a box closed without an answer.
class TScriptedMessageBoxes final : public IMessageBoxes {
public:
    TMsgResult Show(QWidget* parent, const TMessage& message) override;
    void Answer(TMsgResult r) { Script.push_back(r); }
    std::deque<TMsgResult> Script;
    std::vector<TMessage> Shown;
    // Runs while the box is open, before it answers.
    std::function<void(const TMessage&)> WhileOpen;
    bool FailUnscripted = true;
};

// Records the last switcher and stay-on-top states asked for each window.
class TFakeWindowStyles final : public IWindowStyles {
public:
    void SetSkipSwitcher(QWidget* window, bool skip) override { Skip[window] = skip; }
    void SetStayOnTop(QWidget* window, bool onTop) override { OnTop[window] = onTop; }
    QMap<QWidget*, bool> Skip;
    QMap<QWidget*, bool> OnTop;
};

// Records the files asked for; `Playing` stands for a sound that has not ended yet.
class TFakeSoundPlayer final : public ISoundPlayer {
public:
    bool IsPlaying() const override { return Playing; }
    void PlayFile(const QString& path) override { Played << path; }
    bool Playing = false;
    QStringList Played;
};

// A tray that is there (or not); tests call the callbacks as the mouse would.
class TFakeTray final : public ITrayIcon {
public:
    void Add(const QString& tip) override {
        ++Adds;
        Tip = tip;
    }
    void Remove() override { ++Removes; }
    bool TrayExists() const override { return Exists; }
    bool Exists = true;
    int Adds = 0;
    int Removes = 0;
    QString Tip;
};

// Keys listed in `Taken` are held by another application.
class TFakeHotKeys final : public IHotKeys {
public:
    THotKeyResult Register(int id, bool, QChar, const QString&) override {
        if (!Available)
            return THotKeyResult::Unavailable;
        if (Taken.contains(id))
            return THotKeyResult::Taken;
        Registered << id;
        return THotKeyResult::Registered;
    }
    bool Available = true;
    QList<int> Taken;
    QList<int> Registered;
};

// Answers each chooser with the next name of `Names` (empty: cancelled) and records its caption.
class TFakeFileDialogs final : public IFileDialogs {
public:
    QString OpenFileName(QWidget*, const QString& caption, const QString&) override {
        return Next(caption);
    }
    QString SaveFileName(QWidget*, const QString& caption, const QString&,
                         const QString&) override {
        return Next(caption);
    }
    QStringList Names;
    QStringList Captions;

private:
    QString Next(const QString& caption) {
        Captions << caption;
        return Names.isEmpty() ? QString() : Names.takeFirst();
    }
};

// Records every address handed to the desktop.
class TFakeUrlOpener final : public IUrlOpener {
public:
    void OpenUrl(const QUrl& url) override { Opened << url; }
    QList<QUrl> Opened;
};

// Chooses a PDF printer writing to `OutputFile`, or none when the user is to cancel.
class TFakePrinting final : public IPrinting {
public:
    std::shared_ptr<QPrinter> ChoosePrinter(QWidget* parent) override;
    QString OutputFile;
    bool Cancel = false;
    QList<QWidget*> Parents; // one per dialog shown
};

// Puts a fake in place of every platform service for its lifetime, then restores the
// services that were in force.
class TFakePlatform {
public:
    TFakePlatform();
    ~TFakePlatform();
    TFakePlatform(const TFakePlatform&) = delete;
    TFakePlatform& operator=(const TFakePlatform&) = delete;

    TFakeClock Clock;
    TFakeProgramDirectory Directory;
    TFakeMarker Marker;
    TFakeUserStore UserStore;
    TFakePriority Priority;
    TFakeKeyboard Keyboard;
    TFakeBeeper Beeper;
    TFakeBuildInfo Build;
    TScriptedMessageBoxes MessageBoxes;
    TFakeWindowStyles WindowStyles;
    TFakeSoundPlayer Sound;
    TFakeTray Tray;
    TFakeHotKeys HotKeys;
    TFakeUrlOpener Url;
    TFakePrinting Printing;
    TFakeFileDialogs FileDialogs;

private:
    TPlatformServices Saved;
    QByteArray SavedRuntimeDir = qgetenv("XDG_RUNTIME_DIR");
};

// Reads a whole file as text (Windows-1250 or UTF-8 with its mark).
QString ReadText(const QString& path);
// Writes bytes to a file, replacing it.
void WriteBytes(const QString& path, const QByteArray& bytes);

// The run's end (Terminate) outside an event loop leaves Qt's request to quit standing, and
// every later modal loop of the test binary would return at once: one empty round of the
// application's loop takes it back.
void ClearQuitRequest();
