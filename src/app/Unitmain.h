#pragma once

#include "app/AppSettings.h"
#include "app/CommandLine.h"
#include "app/Forms.h"
#include "notes/Unitkart.h"
#include "scheduler/SchedulerTick.h"
#include "scheduler/Unitmessage.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class QAction;
class QTimer;
class TBcBarPopupMenu;
class TInstanceChannel;

enum class TAutostartMode { Refresh, Toggle };

// The system-wide keys: identifier, Ctrl besides Win+Shift, the letter.
enum THotKeyId {
    HotKeyToFront = 44100,
    HotKeyCalendar,
    HotKeyNewSheet,
    HotKeySheduler,
    HotKeyNewShedulerNote
};

// The one window that lives for the whole run. It is never shown: it owns the settings,
// the list of open notes and the scheduler timer, and it runs start-up and shut-down.
class TFormMain : public QWidget {
    Q_OBJECT
public:
    // Construction: the single-instance guard, then (when this process may run) the
    // settings, priority, hot keys, tray, autostart, formats and notes.
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    bool InstanceGranted() const { return InstanceAtom; }
    // The shut-down path has run (or a refused process was told to end).
    bool Ended() const { return Destroyed; }

    void FormCreate();
    void FormDestroy();
    // Ends the run through the normal shut-down path; the event loop then ends with exit().
    void Terminate();

    void StartupTimerTimer();
    void TimerTerminarzTimer();
    void AppActivate();
    void AppDeactivate();

    // The note collection.
    TFormKartka* OpenSheet(const QString& name);
    void SheetClosed(TFormKartka* sheet, int reason);
    void BringToFront();
    void CycleSheets(bool forward);
    void WMDisplayChange();
    TFormKartka* ShowHelpSheet();
    void mNowaKarteczkaClick();
    void mKatalogKarteczekClick();

    // The tray and its menu.
    void WMTrayButtonDown();
    void WMTrayDoubleClick();
    void WMTrayContextMenu(QPoint cursor);
    void WMHotKey(int id);
    // The desktop would not bind these keys: the user is told once which commands to bind.
    void HotKeysRefused(const QList<int>& ids);
    // Commands from the command line or from a second process, each run as the matching tray
    // item or key runs, one queued call after another.
    void RunCommands(const TCommandRequest& request);
    void RunCommand(TCommand command, const QString& argument);
    // Listens for the commands of later processes; without it they start a copy of their own.
    void OpenCommandChannel();
    void SyncAutostart(TAutostartMode mode);
    void MarkDefaultMenuItem();
    void mInformacjeClick();
    void mSettingsClick();
    void mObslugaClick();
    void mZamknijClick();
    void mUruchomPrzyStarcieClick();
    void mKalendarzClick();
    void mTerminarzClick();
    void mWpisTerminarzaClick();
    void mUsunieteKarteczkiClick();
    // A minute after start: tells the user once when no tray has shown the icon.
    void TrayCheckTimerTimer();
    // The end of the run: every pending autosave is written now; no note is closed.
    void FlushSheets();

    // SaveSettings with the current build text; a failure is reported in a message box
    // (on stderr while the run ends) and the run goes on.
    bool SaveCurrentSettings();

    QString SheetsDir;
    bool InstanceAtom = false;
    TAppSettings Settings;
    bool Running = false;
    QPointer<QWidget> LastActiveSheet;
    bool ShowIconWhenAltTabPressed = false;
    QTimer* StartupTimer = nullptr;
    QTimer* TimerTerminarz = nullptr;
    QList<QPointer<TFormKartka>> Sheets;
    TAlarmWindowPresenter AlarmPresenter;
    TSchedulerTick SchedulerTick{Timetable(), Settings, &ModalWindowOpen, AlarmPresenter};

    TBcBarPopupMenu* PopupMenu = nullptr;
    QAction* mInformacje = nullptr;
    QAction* mSettings = nullptr;
    QAction* mObsluga = nullptr;
    QAction* mZamknij = nullptr;
    QAction* N2 = nullptr;
    QAction* mUruchomPrzyStarcie = nullptr;
    QAction* N1 = nullptr;
    QAction* mKalendarz = nullptr;
    QAction* mTerminarz = nullptr;
    QAction* mWpisTerminarza = nullptr;
    QAction* N4 = nullptr;
    QAction* mUsunieteKarteczki = nullptr;
    QAction* mKatalogKarteczek = nullptr;
    QAction* mNowaKarteczka = nullptr;
    QTimer* TrayCheckTimer = nullptr;
    // The keys this run holds, in the order they were registered.
    QList<int> RegisteredHotKeys;
    TInstanceChannel* Channel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void RestoreSheets();

    void CreatePopupMenu();
    void RegisterHotKeys();
    void AddTrayIcon();
    void RemoveTrayIcon();
    // A new note with a fresh name, brought up with the others and focused.
    void NewSheetInFront();
    // The about window shown 2 s after start, owned by this window; the boxes come back as
    // the user left them, or as they were given when the run ended under the window.
    virtual void ShowAboutWindowModal(bool& dontShowAtStartup, bool& internationalTransfer);

private:
    bool Destroyed = false;
};
