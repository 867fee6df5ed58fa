// Part of the print module (notella-print.so): the printer dialog of Qt Print Support.
#include "platform/Printing.h"

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

} // namespace

extern "C" __attribute__((visibility("default"))) IPrinting* NotellaPrinting() {
    static TQtPrinting printing;
    return &printing;
}
