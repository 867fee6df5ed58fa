#pragma once

#include "app/AppSettings.h"

#include <QString>
#include <QStringList>

// What the settings window shows, control by control: list positions are indexes (-1 for
// no selection), the sounds index the list of sound files.
struct TSettingsChoice {
    int ApplicationPriority = -1;
    bool ShowIconWhenAltTabPressed = false;
    int DefaultDblClickAction = -1;
    bool HotKeyToFront = false;
    bool HotKeyNewSheet = false;
    bool HotKeyCalendar = false;
    bool HotKeySheduler = false;
    bool HotKeyNewShedulerNote = false;
    bool EditTitleAtCreate = false;
    bool Autoresize = false;
    int AlphaValue = 0;
    int AlphaValueDeactivated = 0;
    bool ActivateSheetPlaySound = false;
    int ActivateSheet = -1;
    bool AutomarkDelete = false;
    bool ActivateTerminarzPlaySound = false;
    int ActivateTerminarz = -1;

    bool operator==(const TSettingsChoice&) const = default;
};

// The lists' items; a stored value outside a list shows no selection.
QStringList PriorityItems();
QStringList DblClickActionItems();
// The track bars' range.
inline constexpr int AlphaMin = 0;
inline constexpr int AlphaMax = 255;

// The window filled from the settings: values outside a list select nothing, the alpha values
// are clamped as the track bars clamp them, a sound is looked up with FindSoundFile.
TSettingsChoice ChoiceFromSettings(const TAppSettings& settings, bool showIconWhenAltTabPressed,
                                   const QStringList& sounds);
// OK: every value read back. A list without a selection stores -1; a sound box without one
// keeps the stored name (a fresh install has no files to choose from yet).
void ApplyChoice(const TSettingsChoice& choice, const QStringList& sounds, TAppSettings& settings,
                 bool& showIconWhenAltTabPressed);

// A track bar's position as the percent its label shows: 240 gives "94".
QString AlphaPercentText(int position);

// The folder of the sound files, beside the program.
QString SoundDir();
// The names of the WAV files in `dir` in the order the file system gives them: plain files
// only (hidden ones too), whatever the letter case of ".wav".
QStringList SoundFileNames(const QString& dir);
// The file in `names` that a stored sound name means: the name itself, else the first one
// equal to it but for letter case (the files came from a system that ignores case); -1.
int FindSoundFile(const QStringList& names, const QString& name);
// The file a stored sound name plays, found in the sound folder as FindSoundFile finds it;
// a name found there in no form is taken as it is.
QString SoundFilePath(const QString& name);
