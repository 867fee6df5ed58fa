#pragma once

#include "app/AppSettings.h"
#include "notes/Unitkart.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class QTimer;

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void RestoreSheets();

    // Steps whose services are not built yet; each keeps its place in the order.
    virtual void MarkDefaultMenuItem() {}
    virtual void RegisterHotKeys() {}
    virtual void AddTrayIcon() {}
    virtual void RemoveTrayIcon() {}
    virtual void RefreshAutostart() {}
    virtual void LoadTimetable() {}
    // The about window shown 2 s after start; it may change the two check boxes. Without
    // the window the boxes keep the values they were given.
    virtual void ShowAboutWindowModal(bool& dontShowAtStartup, bool& internationalTransfer) {
        Q_UNUSED(dontShowAtStartup);
        Q_UNUSED(internationalTransfer);
    }

private:
    bool Destroyed = false;
};

// One reference per window class: the open instance, or none.
extern TFormMain* FormMain;
extern QPointer<QWidget> FormTerminarz;
extern QPointer<QWidget> FormKalendarz;
extern QPointer<QWidget> FormTerminarzManager;
extern QPointer<QWidget> FormMessage;
extern QPointer<QWidget> FormAbout;
extern QPointer<QWidget> FormSettings;
extern QPointer<QWidget> FormSheetsList;
extern QPointer<QWidget> FormDateSelect;
