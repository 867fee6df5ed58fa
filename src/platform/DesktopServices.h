#pragma once

#include "platform/Platform.h"

// The tray icon and the system-wide keys of the desktop, put in place by InstallGuiServices.
ITrayIcon& DesktopTray();
IHotKeys& DesktopHotKeys();
