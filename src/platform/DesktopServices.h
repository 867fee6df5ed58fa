#pragma once

#include "platform/Platform.h"

// The tray icon, the system-wide keys, the opening of addresses and the printers of the
// desktop, put in place by InstallGuiServices.
ITrayIcon& DesktopTray();
IHotKeys& DesktopHotKeys();
IUrlOpener& DesktopUrlOpener();
IPrinting& DesktopPrinting();
IFileDialogs& DesktopFileDialogs();
