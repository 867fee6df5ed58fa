#include "app/SettingsForm.h"

#include "platform/Platform.h"

#include <QDir>

#include <algorithm>

namespace {

int ListIndex(int value, const QStringList& items) {
    return value >= 0 && value < items.size() ? value : -1;
}

QString SoundName(int index, const QStringList& sounds, const QString& stored) {
    return index >= 0 && index < sounds.size() ? sounds[index] : stored;
}

} // namespace

QStringList PriorityItems() {
    return {QStringLiteral("Czasu rzeczywistego"), QStringLiteral("Wysoki"),
            QStringLiteral("Normalny"), QStringLiteral("Niski")};
}

QStringList DblClickActionItems() {
    return {QStringLiteral("[BRAK]"), QStringLiteral("Nowa karteczka"), QStringLiteral("Terminarz"),
            QStringLiteral("Kalendarz"), QStringLiteral("Nowy wpis terminarza")};
}

TSettingsChoice ChoiceFromSettings(const TAppSettings& settings, bool showIconWhenAltTabPressed,
                                   const QStringList& sounds) {
    TSettingsChoice c;
    c.ApplicationPriority = ListIndex(settings.ApplicationPriority, PriorityItems());
    c.ShowIconWhenAltTabPressed = showIconWhenAltTabPressed;
    c.DefaultDblClickAction = ListIndex(settings.DefaultDblClickAction, DblClickActionItems());
    c.HotKeyToFront = settings.HotKeyToFront;
    c.HotKeyNewSheet = settings.HotKeyNewSheet;
    c.HotKeyCalendar = settings.HotKeyCalendar;
    c.HotKeySheduler = settings.HotKeySheduler;
    c.HotKeyNewShedulerNote = settings.HotKeyNewShedulerNote;
    c.EditTitleAtCreate = settings.EditTitleAtCreate;
    c.Autoresize = settings.Autoresize;
    c.AlphaValue = std::clamp(settings.AlphaValue, AlphaMin, AlphaMax);
    c.AlphaValueDeactivated = std::clamp(settings.AlphaValueDeactivated, AlphaMin, AlphaMax);
    c.ActivateSheetPlaySound = settings.ActivateSheetPlaySound;
    c.ActivateSheet = FindSoundFile(sounds, settings.ActivateSheet);
    c.AutomarkDelete = settings.AutomarkDelete;
    c.ActivateTerminarzPlaySound = settings.ActivateTerminarzPlaySound;
    c.ActivateTerminarz = FindSoundFile(sounds, settings.ActivateTerminarz);
    return c;
}

void ApplyChoice(const TSettingsChoice& choice, const QStringList& sounds, TAppSettings& settings,
                 bool& showIconWhenAltTabPressed) {
    settings.ApplicationPriority = choice.ApplicationPriority;
    settings.DefaultDblClickAction = choice.DefaultDblClickAction;
    settings.AutomarkDelete = choice.AutomarkDelete;
    settings.AlphaValue = choice.AlphaValue;
    settings.AlphaValueDeactivated = choice.AlphaValueDeactivated;
    settings.Autoresize = choice.Autoresize;
    settings.EditTitleAtCreate = choice.EditTitleAtCreate;
    settings.HotKeyToFront = choice.HotKeyToFront;
    settings.HotKeyCalendar = choice.HotKeyCalendar;
    settings.HotKeyNewSheet = choice.HotKeyNewSheet;
    settings.HotKeySheduler = choice.HotKeySheduler;
    settings.HotKeyNewShedulerNote = choice.HotKeyNewShedulerNote;
    showIconWhenAltTabPressed = choice.ShowIconWhenAltTabPressed;
    settings.ActivateSheetPlaySound = choice.ActivateSheetPlaySound;
    settings.ActivateTerminarzPlaySound = choice.ActivateTerminarzPlaySound;
    settings.ActivateSheet = SoundName(choice.ActivateSheet, sounds, settings.ActivateSheet);
    settings.ActivateTerminarz =
        SoundName(choice.ActivateTerminarz, sounds, settings.ActivateTerminarz);
}

QString AlphaPercentText(int position) {
    return QString::number(position * 100 / 255);
}

QString SoundDir() {
    return ProgramFile(QStringLiteral("sound"));
}

QStringList SoundFileNames(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("*.wav")}, QDir::Files | QDir::Hidden,
                               QDir::Unsorted);
}

int FindSoundFile(const QStringList& names, const QString& name) {
    // Here "a.wav" and "A.wav" are two files: the stored name wins, another case only stands in.
    if (const int exact = int(names.indexOf(name)); exact >= 0)
        return exact;
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString SoundFilePath(const QString& name) {
    const QString dir = SoundDir();
    const QStringList names = SoundFileNames(dir);
    const int i = FindSoundFile(names, name);
    return dir + '/' + (i >= 0 ? names[i] : name);
}
