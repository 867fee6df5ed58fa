#pragma once

#include <QString>

class QApplication;

// Before the application object exists: picks the X11 platform on a Wayland session with
// XWayland (notes must open where they were left) and checks that a display can be
// reached. False with a one-line reason when there is none.
bool PrepareDisplay(QString& reason);

// Qt's own Polish texts for the standard buttons ("Tak", "Nie", "Anuluj").
void InstallPolishTranslation(QApplication& app);

// Puts the desktop's keyboard state, beep and message boxes in place of the stand-ins.
void InstallGuiServices();

// Opens a folder in the desktop's file manager; the result is not reported.
void ShellOpenFolder(const QString& path);
