#pragma once

#include <QString>
#include <QStringList>

// Sound, printing and iCalendar live in shared modules ("notella-sound.so", ...) that the
// program opens at the first use of the feature: their libraries stay out of every start.

// Where a module is looked for, in order: the running executable's folder, then the folder
// the install puts modules in (relative to the executable, then as configured).
QStringList ModuleDirectories();

// The address of `symbol` in the module `name` (without ".so"), opened once and kept for the
// run. Null when it cannot be had; `error` then says why, in Polish.
void* ModuleSymbol(const char* name, const char* symbol, QString* error = nullptr);

// The one message for a feature whose module is missing: `what` names the feature
// ("Drukowanie").
QString MissingModuleText(const QString& what, const QString& error);
