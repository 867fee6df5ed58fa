#pragma once

#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

// Prints a note on `printer` under the job title "Notella : <title>": the title in bold, an
// empty line, then the lines as plain text, an inch of paper left free all round. Part of the
// print module (NotePrintPage.cpp): the program reaches it through PrintNote.
void PrintNoteTo(QPrinter& printer, const QString& title, const QStringList& lines);

// Asks for a printer (the dialog owned by `parent`) and prints the note; a cancelled dialog
// prints nothing, and without the print module the user is told why nothing is printed.
void PrintNote(QWidget* parent, const QString& title, const QStringList& lines);
