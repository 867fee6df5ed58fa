#include "controls/PaleDialog.h"

#include <QDialog>

void SetUpPaleDialog(QDialog* dialog, const QString& caption, QSize clientSize) {
    dialog->setWindowTitle(caption);
    dialog->setModal(true);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    dialog->setFont(font);
    dialog->setAutoFillBackground(true);
    QPalette p = dialog->palette();
    p.setColor(QPalette::Window, QColor(255, 255, 183));
    dialog->setPalette(p);
    dialog->setFixedSize(clientSize);
}
