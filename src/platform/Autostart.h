#pragma once

#include <QString>

// The per-user autostart list as the desktop keeps it: one entry file under
// $XDG_CONFIG_HOME/autostart. Paths are compared exactly: letter case matters on Linux.

// "<config>/autostart/Notella.desktop".
QString AutostartFileName();

// The entry that starts `exePath` once the session's panel (and so the tray) is up.
QString AutostartEntryText(const QString& exePath);

// The program an entry starts, unquoted and unescaped; empty when the entry is switched off
// (Hidden=true, X-GNOME-Autostart-enabled=false) or holds no Exec line.
QString AutostartEntryProgram(const QString& entryText);

// Reading, writing and deleting the entry file. Write goes through a flushed temporary file.
QString ReadAutostartEntry();
bool WriteAutostartEntry(const QString& exePath);
bool DeleteAutostartEntry();
