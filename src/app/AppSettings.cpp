#include "app/AppSettings.h"

#include "common/IniFile.h"

#include <variant>

namespace {

const QString ShowIconKey = QStringLiteral("ShowIconWhenAltTabPressed");

struct TSettingKey {
    const char* Section;
    const char* Key;
    std::variant<bool TAppSettings::*, int TAppSettings::*, QString TAppSettings::*> Field;
};

// In the order in which they are written; a fresh file gets its sections in this order.
const TSettingKey SettingKeys[] = {
    {"ShedulerSettings", "AutomarkDelete", &TAppSettings::AutomarkDelete},
    {"Settings", "DefaultDblClickAction", &TAppSettings::DefaultDblClickAction},
    {"Settings", "AlphaValue", &TAppSettings::AlphaValue},
    {"Settings", "AlphaValueDeactivated", &TAppSettings::AlphaValueDeactivated},
    {"Settings", "Autoresize", &TAppSettings::Autoresize},
    {"Settings", "EditTitleAtCreate", &TAppSettings::EditTitleAtCreate},
    {"Settings", "ApplicationPriority", &TAppSettings::ApplicationPriority},
    // ShowIconWhenAltTabPressed is written here, from outside the record.
    {"Settings", "ShowAboutAtStart", &TAppSettings::ShowAboutAtStart},
    {"Settings", "InternationalBankTransfer", &TAppSettings::InternationalBankTransfer},
    {"Sound", "ActivateSheetPlaySound", &TAppSettings::ActivateSheetPlaySound},
    {"Sound", "ActivateTerminarzPlaySound", &TAppSettings::ActivateTerminarzPlaySound},
    {"Sound", "ActivateSheet", &TAppSettings::ActivateSheet},
    {"Sound", "ActivateTerminarz", &TAppSettings::ActivateTerminarz},
    {"Settings", "HotKeyToFront", &TAppSettings::HotKeyToFront},
    {"Settings", "HotKeyCalendar", &TAppSettings::HotKeyCalendar},
    {"Settings", "HotKeyNewSheet", &TAppSettings::HotKeyNewSheet},
    {"Settings", "HotKeySheduler", &TAppSettings::HotKeySheduler},
    {"Settings", "HotKeyNewShedulerNote", &TAppSettings::HotKeyNewShedulerNote},
    {"Settings", "LastLaunchedVersion", &TAppSettings::LastLaunchedVersion},
};

template <class... F> struct TOverload : F... { using F::operator()...; };
// Spelled out for compilers without deduction for aggregates.
template <class... F> TOverload(F...) -> TOverload<F...>;

} // namespace

void LoadSettings(const QString& fileName, TAppSettings& settings,
                  bool& showIconWhenAltTabPressed) {
    const TMemIniFile ini(fileName);
    const TAppSettings defaults;
    for (const TSettingKey& k : SettingKeys) {
        std::visit(TOverload{
                       [&](bool TAppSettings::*f) {
                           settings.*f = ini.ReadBool(k.Section, k.Key, defaults.*f);
                       },
                       [&](int TAppSettings::*f) {
                           settings.*f = ini.ReadInteger(k.Section, k.Key, defaults.*f);
                       },
                       [&](QString TAppSettings::*f) {
                           settings.*f = ini.ReadString(k.Section, k.Key, defaults.*f);
                       },
                   },
                   k.Field);
    }
    showIconWhenAltTabPressed = ini.ReadBool("Settings", ShowIconKey, false);
}

bool SaveSettings(const QString& fileName, const TAppSettings& settings,
                  bool showIconWhenAltTabPressed, const QString& buildText, QString* error) {
    TMemIniFile ini(fileName);
    for (const TSettingKey& k : SettingKeys) {
        if (k.Field == decltype(k.Field)(&TAppSettings::LastLaunchedVersion)) {
            ini.WriteString(k.Section, k.Key, buildText);
            continue;
        }
        std::visit(
            TOverload{
                [&](bool TAppSettings::*f) { ini.WriteBool(k.Section, k.Key, settings.*f); },
                [&](int TAppSettings::*f) { ini.WriteInteger(k.Section, k.Key, settings.*f); },
                [&](QString TAppSettings::*f) { ini.WriteString(k.Section, k.Key, settings.*f); },
            },
            k.Field);
        if (k.Field == decltype(k.Field)(&TAppSettings::ApplicationPriority))
            ini.WriteBool("Settings", ShowIconKey, showIconWhenAltTabPressed);
    }
    return ini.UpdateFile(error);
}

bool DecideAboutAtStart(TAppSettings& settings, const QString& buildText) {
    if (buildText != settings.LastLaunchedVersion)
        settings.ShowAboutAtStart = true;
    return settings.ShowAboutAtStart;
}
