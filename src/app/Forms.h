#pragma once

#include <QPointer>
#include <QWidget>

class TFormMain;

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

// Any of the windows that must not open twice is open.
bool ModalWindowOpen();

// Raises and activates the program's open modal window, if one is shown; false when none is.
bool RaiseModalWindow();
