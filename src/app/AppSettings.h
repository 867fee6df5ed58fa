#pragma once

#include <QString>

// Every setting kept in the settings file; the main window holds the one instance.
struct TAppSettings {
    bool AutomarkDelete = true;
    int DefaultDblClickAction = 1;
    int AlphaValue = 240;
    int AlphaValueDeactivated = 140;
    bool Autoresize = true;
    bool EditTitleAtCreate = false;
    int ApplicationPriority = 1;
    bool ShowAboutAtStart = true;
    bool InternationalBankTransfer = false;
    bool ActivateSheetPlaySound = false;
    bool ActivateTerminarzPlaySound = false;
    QString ActivateSheet = QStringLiteral("eGem.wav");
    QString ActivateTerminarz = QStringLiteral("iWhisper.wav");
    bool HotKeyToFront = true;
    bool HotKeyCalendar = true;
    bool HotKeyNewSheet = true;
    bool HotKeySheduler = false;
    bool HotKeyNewShedulerNote = false;
    QString LastLaunchedVersion;

    bool operator==(const TAppSettings&) const = default;
};

// Fills the record from the settings file; a missing file or key gives the defaults and a
// value that does not parse gives its key's default. Values are not range-checked.
// "ShowIconWhenAltTabPressed" lives outside the record and reads as false here.
void LoadSettings(const QString& fileName, TAppSettings& settings, bool& showIconWhenAltTabPressed);

// Writes every key into the image of the file (other sections and keys survive) and writes
// the image back; "LastLaunchedVersion" is written as `buildText`, not from the record.
// False with `error` set when the file cannot be written; the record is not touched.
bool SaveSettings(const QString& fileName, const TAppSettings& settings,
                  bool showIconWhenAltTabPressed, const QString& buildText,
                  QString* error = nullptr);

// Decides, 2 s after start, whether the about window opens: always after a change of build.
// Sets ShowAboutAtStart when the build differs from the last saving run's.
bool DecideAboutAtStart(TAppSettings& settings, const QString& buildText);
