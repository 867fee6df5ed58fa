#include "app/Unitmain.h"

#include "app/InstanceGuard.h"
#include "common/Formats.h"
#include "notes/SheetFile.h"
#include "platform/GuiServices.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
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

    qApp->installEventFilter(this);
    auto watchScreen = [this](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, &TFormMain::WMDisplayChange);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watchScreen(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this, watchScreen](QScreen* screen) {
        watchScreen(screen);
        WMDisplayChange();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &TFormMain::WMDisplayChange);

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
    if (Ended()) // the run ended under the window
        return;
    Settings.ShowAboutAtStart = !dontShowAtStartup;
    Settings.InternationalBankTransfer = internationalTransfer;
    SaveCurrentSettings();
}

void TFormMain::TimerTerminarzTimer() {}

void TFormMain::AppActivate() {
    if (!Running)
        return;
    for (TFormKartka* sheet : Sheets)
        if (sheet)
            sheet->ApplyActiveAlpha();
}

void TFormMain::AppDeactivate() {
    if (!Running)
        return;
    for (TFormKartka* sheet : Sheets)
        if (sheet)
            sheet->ApplyInactiveAlpha();
}

TFormKartka* TFormMain::OpenSheet(const QString& name) {
    auto* sheet = new TFormKartka(
        &ShowIconWhenAltTabPressed, &LastActiveSheet,
        [this](TFormKartka* s, int reason) { SheetClosed(s, reason); }, this,
        Settings.EditTitleAtCreate, Settings.AlphaValueDeactivated, Settings.AlphaValue,
        Settings.Autoresize, true, SheetsDir + name);
    Sheets.append(sheet);
    return sheet;
}

void TFormMain::RestoreSheets() {
    // Regular, visible files only; a directory named like a note is not one.
    const QFileInfoList files =
        QDir(SheetsDir).entryInfoList({QStringLiteral("*.sheet")}, QDir::Files, QDir::Unsorted);
    for (const QFileInfo& file : files)
        OpenSheet(file.fileName());
    for (TFormKartka* sheet : Sheets) {
        if (!sheet)
            continue;
        sheet->SoundFile = Settings.ActivateSheet;
        sheet->PlaySound = Settings.ActivateSheetPlaySound;
    }
}

void TFormMain::SheetClosed(TFormKartka* sheet, int reason) {
    if (reason != 1)
        return;
    const qsizetype i = Sheets.indexOf(sheet);
    if (i >= 0)
        Sheets.removeAt(i);
}

void TFormMain::WMDisplayChange() {
    for (TFormKartka* sheet : Sheets)
        if (sheet)
            sheet->RestoreSavedPosition();
}

void TFormMain::BringToFront() {
    // Notes have no owner that lifts them together: each one rises, then the last active
    // one takes the focus.
    for (TFormKartka* sheet : Sheets)
        if (sheet)
            sheet->raise();
    if (LastActiveSheet) {
        LastActiveSheet->raise();
        LastActiveSheet->activateWindow();
    }
}

void TFormMain::CycleSheets(bool forward) {
    QList<TFormKartka*> order;
    for (TFormKartka* sheet : Sheets)
        if (sheet)
            order.append(sheet);
    if (order.isEmpty())
        return;
    std::stable_sort(order.begin(), order.end(),
                     [](const TFormKartka* a, const TFormKartka* b) { return a->x() < b->x(); });
    std::stable_sort(order.begin(), order.end(),
                     [](const TFormKartka* a, const TFormKartka* b) { return a->y() < b->y(); });
    qsizetype current = -1;
    for (qsizetype i = 0; i < order.size(); ++i)
        if (order[i]->IsActive) {
            current = i;
            break;
        }
    qsizetype next = forward ? current + 1 : current - 1;
    if (next >= order.size())
        next = 0;
    if (next < 0)
        next = order.size() - 1;
    order[next]->raise();
    order[next]->activateWindow();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if ((k->modifiers() & Qt::ControlModifier) &&
            (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab)) {
            CycleSheets(!(k->modifiers() & Qt::ShiftModifier) && k->key() == Qt::Key_Tab);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

TFormKartka* TFormMain::ShowHelpSheet() {
    auto* sheet = new TFormKartka(
        &ShowIconWhenAltTabPressed, &LastActiveSheet,
        [this](TFormKartka* s, int reason) { SheetClosed(s, reason); }, this, false, 200, 255,
        false, false, QString());
    sheet->resize(450, 300);
    sheet->ExpandedHeight = 300;
    sheet->CenterOnScreen();
    sheet->SetReadOnly(true);
    QFont font = sheet->Memo->font();
    font.setPointSize(9);
    sheet->Memo->setFont(font);
    sheet->LabelTitle->setText(QString::fromUtf8("Notella - obsługa"));
    static const char* const lines[] = {
        "Podwójne kliknięcie lewym przyciskiem myszki na ikonie programu (tray) powoduje "
        "utworzenie nowej kartki.",
        "Pojedyncze kliknięcie przywołuje otwarte kartki na pierwszy plan.",
        "",
        "Menu podręczne uchwytu karteczki (PPM) zawiera liste dostępnych opcji oraz ich skróty "
        "klawiszowe.",
        "Podwójne kliknięcie lewym przyciskiem myszki na uchwycie karteczki powoduje jej "
        "minimalizację.",
        "Karteczkę można przesuwać oraz zmieniać jej rozmiar.",
        "",
        "Po wyłączeniu i włączeniu komputera wszystkie karteczki są przywracane.",
        "",
        "Zamknięcie okna karteczki powoduje jej wyrzucenie.",
        "Wyrzucone karteczki można odzyskać w oknie \"Wyrzucone karteczki\".",
        "",
        "Uwagi proszę kierować pod adres: notella@example.org",
    };
    QStringList text;
    for (const char* line : lines)
        text << QString::fromUtf8(line);
    sheet->Memo->setPlainText(text.join('\n'));
    Sheets.append(sheet);
    return sheet;
}

void TFormMain::mNowaKarteczkaClick() {
    OpenSheet(MakeSheetFileName(SheetsDir, Now()));
}

void TFormMain::mKatalogKarteczekClick() {
    ShellOpenFolder(SheetsDir);
}

void TFormMain::FlushSheets() {
    for (TFormKartka* sheet : Sheets)
        if (sheet)
            sheet->Storage->FlushPendingSave();
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
    Running = false;
    FlushSheets();
    FormDestroy();
    QCoreApplication::exit(0);
}
