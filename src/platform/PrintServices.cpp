#include "platform/DesktopServices.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace {

class TQtPrinting final : public IPrinting {
public:
    std::shared_ptr<QPrinter> ChoosePrinter(QWidget* parent) override {
        auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
        QPrintDialog dialog(printer.get(), parent);
        if (dialog.exec() != QDialog::Accepted)
            return {};
        return printer;
    }
};

class TQtFileDialogs final : public IFileDialogs {
public:
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
    }
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filter) override {
        return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
    }
};

} // namespace

IFileDialogs& DesktopFileDialogs() {
    static TQtFileDialogs dialogs;
    return dialogs;
}

IPrinting& DesktopPrinting() {
    static TQtPrinting printing;
    return printing;
}
