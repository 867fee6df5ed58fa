#include "app/Unitmain.h"

#include "app/InstanceGuard.h"
#include "common/Formats.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

TFormMain* FormMain = nullptr;
QPointer<QWidget> FormTerminarz;
QPointer<QWidget> FormKalendarz;
QPointer<QWidget> FormTerminarzManager;
QPointer<QWidget> FormMessage;
QPointer<QWidget> FormAbout;
QPointer<QWidget> FormSettings;
QPointer<QWidget> FormSheetsList;
QPointer<QWidget> FormDateSelect;

namespace {
const QString RegistryKey = QStringLiteral("\\Software\\Quorvel\\Notella");

QString BuildText() {
    return GetVersionText(ExePath(), false, false, false, true);
}
} // namespace

TFormMain::TFormMain(QWidget* parent) : QWidget(parent) {
    FormMain = this;
    setWindowTitle(QStringLiteral("Notella i Terminarz"));
    Running = false;
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    AppActivate();
                else
                    AppDeactivate();
            });

    InstanceAtom = RunInstanceGuard(nullptr);
    if (!InstanceAtom)
        return;

    LastActiveSheet = nullptr;
    LoadSettings(SettingsFileName(), Settings, ShowIconWhenAltTabPressed);
    MarkDefaultMenuItem();
    Platform().Priority->SetPriorityClass(Settings.ApplicationPriority);
    RegisterHotKeys();
    Sheets.clear();
    SheetsDir = ProgramDir() + QStringLiteral("/sheets/");
    AddTrayIcon();
    RefreshAutostart();
    SetStartFormats();
    FormTerminarz = nullptr;
    FormKalendarz = nullptr;
    FormTerminarzManager = nullptr;
    FormSheetsList = nullptr;
    RestoreSheets();

    TimerTerminarz = new QTimer(this);
    TimerTerminarz->setInterval(20000);
    connect(TimerTerminarz, &QTimer::timeout, this, &TFormMain::TimerTerminarzTimer);
    TimerTerminarz->start();
}

TFormMain::~TFormMain() {
    FormDestroy();
    if (FormMain == this)
        FormMain = nullptr;
}

void TFormMain::FormCreate() {
    LoadTimetable();
    Running = true;
    StartupTimer = new QTimer(this);
    StartupTimer->setSingleShot(true);
    StartupTimer->setInterval(2000);
    connect(StartupTimer, &QTimer::timeout, this, &TFormMain::StartupTimerTimer);
    StartupTimer->start();
    RegWriteString(HKEY_CURRENT_USER, RegistryKey, QStringLiteral("LastApplicationDir"),
                   ProgramDir() + '/');
}

void TFormMain::StartupTimerTimer() {
    if (StartupTimer) {
        StartupTimer->deleteLater();
        StartupTimer = nullptr;
    }
    if (!DecideAboutAtStart(Settings, BuildText()))
        return;
    bool dontShowAtStartup = !Settings.ShowAboutAtStart;
    bool internationalTransfer = Settings.InternationalBankTransfer;
    ShowAboutWindowModal(dontShowAtStartup, internationalTransfer);
    Settings.ShowAboutAtStart = !dontShowAtStartup;
    Settings.InternationalBankTransfer = internationalTransfer;
    SaveCurrentSettings();
}

void TFormMain::TimerTerminarzTimer() {}

void TFormMain::AppActivate() {
    if (!Running)
        return;
}

void TFormMain::AppDeactivate() {
    if (!Running)
        return;
}

bool TFormMain::SaveCurrentSettings() {
    QString error;
    const QString file = SettingsFileName();
    if (SaveSettings(file, Settings, ShowIconWhenAltTabPressed, BuildText(), &error))
        return true;
    MessageBox(nullptr,
               QStringLiteral("Nie można zapisać ustawień do pliku \"%1\".\n\n%2").arg(file, error),
               QStringLiteral("Błąd"), TMsgButtons::OK, TMsgIcon::Error);
    return false;
}

void TFormMain::FormDestroy() {
    if (Destroyed)
        return;
    Destroyed = true;
    Running = false;
    if (!InstanceAtom)
        return;
    if (StartupTimer) {
        StartupTimer->stop();
        StartupTimer = nullptr;
    }
    if (TimerTerminarz)
        TimerTerminarz->stop();
    Platform().Marker->Delete();
    SaveCurrentSettings();
    RemoveTrayIcon();
    Sheets.clear();
}

void TFormMain::Terminate() {
    // No modal box may appear now: a failure goes to stderr.
    SetShuttingDown(true);
    FormDestroy();
    QCoreApplication::exit(0);
}
