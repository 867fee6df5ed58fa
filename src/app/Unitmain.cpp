#include "app/Unitmain.h"

#include "app/Contact.h"
#include "app/InstanceGuard.h"
#include "app/Unitabout.h"
#include "app/Unitsettings.h"
#include "common/Formats.h"
#include "common/TextFile.h"
#include "menus/BcBarPopupMenu.h"
#include "notes/SheetFile.h"
#include "notes/Unitsheetslist.h"
#include "platform/GuiServices.h"
#include "platform/InstanceChannel.h"
#include "platform/Platform.h"
#include "scheduler_ui/TerminarzLogic.h"
#include "scheduler_ui/Unitkalendarz.h"
#include "scheduler_ui/Unitterminarz.h"
#include "scheduler_ui/Unitterminarzmanager.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
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
// Set when the user asked never again to be told which commands to bind to keys.
const QString DesktopKeysHelpHidden = QStringLiteral("DesktopKeysHelpHidden");
const QString RunKey = QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");

struct THotKeyRow {
    int Id;
    bool Ctrl;
    char Letter;
    bool TAppSettings::*Setting;
    const char* Keys;
    QAction* TFormMain::*Item; // the item that shows the keys; none for Win+Shift+N
    const char* What;          // the command, as the user is told of it
    const char* Option;        // the command line that does the same
};

const THotKeyRow HotKeyTable[] = {
    {HotKeyToFront, false, 'N', &TAppSettings::HotKeyToFront, "Win+Shift+N", nullptr,
     "karteczki na wierzch", "--to-front"},
    {HotKeyCalendar, false, 'K', &TAppSettings::HotKeyCalendar, "Win+Shift+K",
     &TFormMain::mKalendarz, "kalendarz", "--calendar"},
    {HotKeyNewSheet, true, 'N', &TAppSettings::HotKeyNewSheet, "Win+Shift+Ctrl+N",
     &TFormMain::mNowaKarteczka, "nowa karteczka", "--new-note"},
    {HotKeySheduler, false, 'T', &TAppSettings::HotKeySheduler, "Win+Shift+T",
     &TFormMain::mTerminarz, "terminarz", "--scheduler"},
    {HotKeyNewShedulerNote, true, 'T', &TAppSettings::HotKeyNewShedulerNote, "Win+Shift+Ctrl+T",
     &TFormMain::mWpisTerminarza, "nowy wpis terminarza", "--new-entry"},
};

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
    CreatePopupMenu();
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
    // Before the keys: a warning box runs a nested loop in which keys already held may act.
    Sheets.clear();
    SheetsDir = ProgramDir() + QStringLiteral("/sheets/");
    RegisterHotKeys();
    if (Ended()) // the run ended under a warning about the keys
        return;
    AddTrayIcon();
    // Re-created at every start, so that a moved program folder is followed.
    SyncAutostart(TAutostartMode::Refresh);
    if (!mUruchomPrzyStarcie->isChecked())
        SyncAutostart(TAutostartMode::Toggle);
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
    Timetable().Load();
    Running = true;
    StartupTimer = new QTimer(this);
    StartupTimer->setSingleShot(true);
    StartupTimer->setInterval(2000);
    connect(StartupTimer, &QTimer::timeout, this, &TFormMain::StartupTimerTimer);
    StartupTimer->start();
    RegWriteString(HKEY_CURRENT_USER, RegistryKey, QStringLiteral("LastApplicationDir"),
                   ProgramDir() + '/');
    OpenCommandChannel();
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

void TFormMain::TimerTerminarzTimer() {
    SchedulerTick.Tick();
}

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
    // A note opened during the run (new or restored) alarms with its sound too.
    sheet->SoundFile = Settings.ActivateSheet;
    sheet->PlaySound = Settings.ActivateSheetPlaySound;
    Sheets.append(sheet);
    return sheet;
}

void TFormMain::RestoreSheets() {
    RemoveStaleTemporaries(SheetsDir);
    RemoveStaleTemporaries(SheetsDir + QStringLiteral("deleted"));
    // Regular, visible files only; a directory named like a note is not one.
    const QFileInfoList files = EntriesEndingWith(SheetsDir, QStringLiteral(".sheet"), QDir::Files);
    for (const QFileInfo& file : files) {
        // A link to a pipe passes the filter, and reading a pipe waits for ever.
        if (!file.isFile())
            continue;
        OpenSheet(file.fileName());
    }
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
    RaiseModalWindow();
}

bool RaiseModalWindow() {
    // Nothing lifts a modal window that went behind others on Linux, and while it is open the
    // scheduler reports nothing: whatever reaches for the program brings it back up.
    // The entry editor first: it may stand over the list, the calendar or an alarm.
    for (QWidget* w :
         {FormTerminarz.data(), FormMessage.data(), FormAbout.data(), FormKalendarz.data(),
          FormTerminarzManager.data(), FormSettings.data(), FormSheetsList.data()}) {
        if (w && w->isVisible()) {
            w->raise();
            w->activateWindow();
            return true;
        }
    }
    return false;
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
    QFont font = sheet->TextFont();
    font.setPointSize(9);
    sheet->SetTextFont(font);
    sheet->SetTitle(QString::fromUtf8("Notella - obsługa"));
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
        "Uwagi proszę kierować pod adres: ",
    };
    QStringList text;
    for (const char* line : lines)
        text << QString::fromUtf8(line);
    text.last() += QLatin1String(ContactMail);
    sheet->SetText(text.join('\n'));
    Sheets.append(sheet);
    return sheet;
}

void TFormMain::mNowaKarteczkaClick() {
    // An open note has no file until it holds text: its name is taken all the same.
    QStringList inUse;
    for (TFormKartka* sheet : Sheets)
        if (sheet && sheet->Storage && !sheet->Storage->FileName.isEmpty())
            inUse << QFileInfo(sheet->Storage->FileName).fileName();
    OpenSheet(MakeSheetFileName(SheetsDir, Now(), inUse));
}

void TFormMain::NewSheetInFront() {
    BringToFront();
    mNowaKarteczkaClick();
    if (Sheets.isEmpty() || !Sheets.last())
        return;
    TFormKartka* sheet = Sheets.last();
    sheet->show();
    sheet->raise();
    sheet->activateWindow();
    sheet->FocusText();
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
    if (TrayCheckTimer)
        TrayCheckTimer->stop();
    Platform().HotKeys->OnHotKey = nullptr;
    Platform().HotKeys->OnRefused = nullptr;
    if (Channel)
        Channel->Close();
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

// --- tray, menu, hot keys ----------------------------------------------------------------

bool ModalWindowOpen() {
    return FormAbout || FormKalendarz || FormTerminarz || FormTerminarzManager || FormSettings ||
           FormSheetsList;
}

namespace {
// The list, the calendar and a new entry move the entries under an open alarm window. The
// window in the way comes up instead.
bool SchedulerWindowsBlocked() {
    if (!ModalWindowOpen() && !FormMessage)
        return false;
    RaiseModalWindow();
    return true;
}
} // namespace

void TFormMain::CreatePopupMenu() {
    PopupMenu = new TBcBarPopupMenu(this);
    ConfigureTrayMenu(*PopupMenu);
    auto item = [this](const char* caption, void (TFormMain::*handler)()) {
        QAction* a = PopupMenu->addAction(QString::fromUtf8(caption));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    mInformacje = item("O programie...", &TFormMain::mInformacjeClick);
    // The icon is looked up in the desktop's theme, which costs the start half a megabyte: it
    // comes when the menu first opens.
    connect(PopupMenu, &QMenu::aboutToShow, this, [this] {
        if (mInformacje->icon().isNull())
            mInformacje->setIcon(
                QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation));
    });
    mSettings = item("Ustawienia...", &TFormMain::mSettingsClick);
    mObsluga = item("Obsługa...", &TFormMain::mObslugaClick);
    mZamknij = item("Zamknij", &TFormMain::mZamknijClick);
    N2 = PopupMenu->addSeparator();
    mUruchomPrzyStarcie = item("Uruchom przy starcie", &TFormMain::mUruchomPrzyStarcieClick);
    mUruchomPrzyStarcie->setCheckable(true);
    N1 = PopupMenu->addSeparator();
    mKalendarz = item("Kalendarz", &TFormMain::mKalendarzClick);
    mTerminarz = item("Terminarz...", &TFormMain::mTerminarzClick);
    mWpisTerminarza = item("Nowy wpis terminarza", &TFormMain::mWpisTerminarzaClick);
    N4 = PopupMenu->addSeparator();
    mUsunieteKarteczki = item("Wyrzucone karteczki", &TFormMain::mUsunieteKarteczkiClick);
    mKatalogKarteczek = item("Katalog karteczek", &TFormMain::mKatalogKarteczekClick);
    mNowaKarteczka = item("Nowa karteczka", &TFormMain::mNowaKarteczkaClick);
}

void TFormMain::MarkDefaultMenuItem() {
    QAction* item = nullptr;
    switch (Settings.DefaultDblClickAction) {
    case 1:
        item = mNowaKarteczka;
        break;
    case 2:
        item = mTerminarz;
        break;
    case 3:
        item = mKalendarz;
        break;
    case 4:
        item = mWpisTerminarza;
        break;
    default:
        break;
    }
    PopupMenu->setDefaultAction(item);
}

void TFormMain::RegisterHotKeys() {
    IHotKeys* keys = Platform().HotKeys;
    keys->OnHotKey = [this](int id) { WMHotKey(id); };
    keys->OnRefused = [this](const QList<int>& ids) { HotKeysRefused(ids); };
    for (const THotKeyRow& row : HotKeyTable) {
        if (!(Settings.*row.Setting))
            continue;
        const QString what = QString::fromUtf8(row.What);
        switch (keys->Register(row.Id, row.Ctrl, QChar(row.Letter),
                               what.left(1).toUpper() + what.mid(1))) {
        case THotKeyResult::Pending:
        case THotKeyResult::Registered:
            RegisteredHotKeys << row.Id;
            if (row.Item)
                (this->*row.Item)->setText((this->*row.Item)->text() + '\t' + row.Keys);
            break;
        case THotKeyResult::Taken:
            // Off before the box: a run that ends under it saves the settings.
            Settings.*row.Setting = false;
            BringToFront();
            MessageBox(nullptr,
                       QString::fromUtf8("Skrót klawiszowy %1 jest zajęty przez inną aplikację!"
                                         "\n\nSkrót zostanie wyłączony.")
                           .arg(QLatin1String(row.Keys)),
                       QStringLiteral("Notella"), TMsgButtons::OK, TMsgIcon::Warning);
            break;
        case THotKeyResult::Unavailable:
            // No system-wide keys on this desktop: the settings stay as they are.
            break;
        }
    }
}

void TFormMain::AddTrayIcon() {
    ITrayIcon* tray = Platform().Tray;
    tray->OnButtonDown = [this] { WMTrayButtonDown(); };
    tray->OnDoubleClick = [this] { WMTrayDoubleClick(); };
    tray->OnContextMenu = [this](QPoint cursor) { WMTrayContextMenu(cursor); };
    tray->Add(QStringLiteral("Notella"));
    TrayCheckTimer = new QTimer(this);
    TrayCheckTimer->setSingleShot(true);
    TrayCheckTimer->setInterval(60000);
    connect(TrayCheckTimer, &QTimer::timeout, this, &TFormMain::TrayCheckTimerTimer);
    TrayCheckTimer->start();
}

void TFormMain::RemoveTrayIcon() {
    ITrayIcon* tray = Platform().Tray;
    tray->OnButtonDown = nullptr;
    tray->OnDoubleClick = nullptr;
    tray->OnContextMenu = nullptr;
    tray->Remove();
}

void TFormMain::TrayCheckTimerTimer() {
    if (TrayCheckTimer) {
        TrayCheckTimer->deleteLater();
        TrayCheckTimer = nullptr;
    }
    if (Platform().Tray->TrayExists())
        return;
    QString text = QString::fromUtf8(
        "Nie można wyświetlić ikony programu Notella: na pulpicie nie ma obszaru powiadomień "
        "(zasobnika systemowego).\n\n");
    QStringList keys;
    for (const THotKeyRow& row : HotKeyTable) {
        if (!RegisteredHotKeys.contains(row.Id))
            continue;
        keys << QStringLiteral("%1 - %2").arg(QLatin1String(row.Keys), QString::fromUtf8(row.What));
    }
    if (!keys.isEmpty())
        text += QString::fromUtf8("Program jest dostępny przez skróty klawiszowe:\n") +
                keys.join('\n') + QStringLiteral("\n\n");
    text += QString::fromUtf8(
        "Program jest też dostępny z menu aplikacji pulpitu: pozycja \"Notella\" przywołuje "
        "karteczki, a jej menu podręczne (prawy przycisk myszy) tworzy nową karteczkę lub wpis "
        "terminarza i otwiera terminarz oraz kalendarz.\n\n"
        "To samo robią polecenia (np. w skrótach klawiszowych pulpitu):\n"
        "notella --to-front, notella --new-note, notella --new-entry, notella --scheduler, "
        "notella --calendar, notella --trash, notella --settings");
    MessageBox(nullptr, text, QStringLiteral("Notella"), TMsgButtons::OK, TMsgIcon::Warning);
}

void TFormMain::HotKeysRefused(const QList<int>& ids) {
    for (int id : ids)
        RegisteredHotKeys.removeAll(id);
    if (!Running || Ended() ||
        RegReadString(HKEY_CURRENT_USER, RegistryKey, DesktopKeysHelpHidden) == QLatin1String("1"))
        return;
    QStringList lines;
    for (const THotKeyRow& row : HotKeyTable)
        if (ids.contains(row.Id))
            lines << QStringLiteral("%1 - notella %2 (%3)")
                         .arg(QLatin1String(row.Keys), QLatin1String(row.Option),
                              QString::fromUtf8(row.What));
    if (lines.isEmpty())
        return;
    bool hide = false;
    TMessage m;
    m.Text = QString::fromUtf8("Pulpit nie przypisał programowi skrótów klawiszowych, które "
                               "działają w każdym oknie.\n\n"
                               "Aby z nich korzystać, przypisz w ustawieniach klawiatury pulpitu "
                               "(skróty własne) te polecenia:\n") +
             lines.join('\n');
    m.Caption = QStringLiteral("Notella");
    m.Icon = TMsgIcon::Information;
    m.CheckBox = QString::fromUtf8("Nie pokazuj więcej tej wiadomości");
    m.Checked = &hide;
    MessageBox(nullptr, m);
    if (hide)
        RegWriteString(HKEY_CURRENT_USER, RegistryKey, DesktopKeysHelpHidden, QStringLiteral("1"));
}

void TFormMain::WMTrayButtonDown() {
    if (!Running || Ended())
        return;
    BringToFront();
}

void TFormMain::WMTrayDoubleClick() {
    if (!Running || Ended())
        return;
    switch (Settings.DefaultDblClickAction) {
    case 1:
        NewSheetInFront();
        break;
    case 2:
        mTerminarzClick();
        break;
    case 3:
        mKalendarzClick();
        break;
    case 4:
        mWpisTerminarzaClick();
        break;
    default:
        break;
    }
}

void TFormMain::WMTrayContextMenu(QPoint cursor) {
    if (!Running || Ended())
        return;
    BringToFront();
    PopupMenu->popup(cursor);
}

void TFormMain::WMHotKey(int id) {
    if (!Running || Ended())
        return;
    switch (id) {
    case HotKeyToFront:
        BringToFront();
        break;
    case HotKeyCalendar:
        BringToFront();
        mKalendarzClick();
        break;
    case HotKeyNewSheet:
        NewSheetInFront();
        break;
    case HotKeySheduler:
        BringToFront();
        mTerminarzClick();
        break;
    case HotKeyNewShedulerNote:
        BringToFront();
        mWpisTerminarzaClick();
        break;
    default:
        break;
    }
}

void TFormMain::SyncAutostart(TAutostartMode mode) {
    // Paths on Linux differ by letter case: another case is another program.
    const QString exe = ExePath();
    const bool equal = RegReadString(HKEY_CURRENT_USER, RunKey, QStringLiteral("Notella")) == exe;
    if (mode == TAutostartMode::Refresh) {
        mUruchomPrzyStarcie->setChecked(equal);
        return;
    }
    if (equal) {
        mUruchomPrzyStarcie->setChecked(false);
        RegDeleteValue(HKEY_CURRENT_USER, RunKey, QStringLiteral("Notella"));
    } else {
        mUruchomPrzyStarcie->setChecked(true);
        RegWriteString(HKEY_CURRENT_USER, RunKey, QStringLiteral("Notella"), exe);
    }
}

void TFormMain::ShowAboutWindowModal(bool& dontShowAtStartup, bool& internationalTransfer) {
    RunAboutWindow(this, dontShowAtStartup, internationalTransfer);
}

void TFormMain::mInformacjeClick() {
    if (ModalWindowOpen()) {
        RaiseModalWindow();
        return;
    }
    bool dontShowAtStartup = !Settings.ShowAboutAtStart;
    bool internationalTransfer = Settings.InternationalBankTransfer;
    if (!RunAboutWindow(nullptr, dontShowAtStartup, internationalTransfer))
        return; // the run ended under the window
    // Stored by the next save: the settings window's OK or the end of the run.
    Settings.ShowAboutAtStart = !dontShowAtStartup;
    Settings.InternationalBankTransfer = internationalTransfer;
}

void TFormMain::mSettingsClick() {
    if (ModalWindowOpen()) {
        RaiseModalWindow();
        return;
    }
    const QStringList sounds = SoundFileNames(SoundDir());
    QPointer<TFormSettings> form = new TFormSettings;
    FormSettings = form;
    form->Fill(ChoiceFromSettings(Settings, ShowIconWhenAltTabPressed, sounds), sounds);
    if (form->exec() == QDialog::Accepted && form && !Ended()) {
        ApplyChoice(form->Choice(), sounds, Settings, ShowIconWhenAltTabPressed);
        MarkDefaultMenuItem();
        // A failure is reported there, and the new values stay in force for this run.
        SaveCurrentSettings();
        for (TFormKartka* sheet : Sheets) {
            if (!sheet)
                continue;
            sheet->SoundFile = Settings.ActivateSheet;
            sheet->PlaySound = Settings.ActivateSheetPlaySound;
        }
    }
    delete form;
    FormSettings = nullptr;
}

void TFormMain::mObslugaClick() {
    TFormKartka* help = ShowHelpSheet();
    help->show();
    help->raise();
    help->activateWindow();
}

void TFormMain::mZamknijClick() {
    Terminate();
}

void TFormMain::mUruchomPrzyStarcieClick() {
    SyncAutostart(TAutostartMode::Toggle);
}

void TFormMain::mKalendarzClick() {
    if (SchedulerWindowsBlocked())
        return;
    auto* calendar = new TFormKalendarz;
    FormKalendarz = calendar;
    calendar->exec();
    if (!Ended())
        BringToFront();
    delete calendar;
    FormKalendarz = nullptr;
}

void TFormMain::mTerminarzClick() {
    if (SchedulerWindowsBlocked())
        return;
    auto* list = new TFormTerminarzManager;
    FormTerminarzManager = list;
    list->exec();
    delete list;
    FormTerminarzManager = nullptr;
}

void TFormMain::mWpisTerminarzaClick() {
    if (SchedulerWindowsBlocked() || !TimetableHasRoom())
        return;
    auto* editor = new TFormTerminarz;
    FormTerminarz = editor;
    editor->SetupNewEntry(Now());
    if (editor->exec() == QDialog::Accepted && !Ended()) {
        if (Timetable().Insert(editor->Entry) >= 0)
            Timetable().Save();
        else
            TimetableHasRoom();
    }
    delete editor;
    FormTerminarz = nullptr;
}

void TFormMain::mUsunieteKarteczkiClick() {
    if (ModalWindowOpen()) {
        RaiseModalWindow();
        return;
    }
    TFormSheetsList::THost host;
    host.OpenSheetNames = [this] {
        // An open note has no file until it holds text: its name is taken all the same.
        QStringList names;
        for (TFormKartka* sheet : Sheets)
            if (sheet && sheet->Storage && !sheet->Storage->FileName.isEmpty())
                names << QFileInfo(sheet->Storage->FileName).fileName();
        return names;
    };
    host.OpenSheet = [this](const QString& name) {
        if (!Ended())
            OpenSheet(name);
    };
    const std::unique_ptr<TFormSheetsList> form(new TFormSheetsList(SheetsDir, std::move(host)));
    FormSheetsList = form.get();
    // However the window ends, the reference goes before the window does.
    const auto clear = qScopeGuard([] { FormSheetsList = nullptr; });
    form->exec();
    if (!Ended())
        BringToFront();
}
