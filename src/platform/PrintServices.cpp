#include "platform/DesktopServices.h"

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

IPrinting& DesktopPrinting() {
    static TQtPrinting printing;
    return printing;
}
