#pragma once

#include <QSize>
#include <QString>

class QDialog;

// The program's small fixed dialogs on the notes' pale yellow: caption, modal, the form font,
// the background and a fixed client size.
void SetUpPaleDialog(QDialog* dialog, const QString& caption, QSize clientSize);
