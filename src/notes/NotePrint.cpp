#include "notes/NotePrint.h"

#include "platform/Modules.h"
#include "platform/Platform.h"

using TPrintNoteTo = void (*)(QPrinter&, const QString&, const QStringList&);
// Linked in by the tests; the program opens it in the print module.
extern "C" __attribute__((weak)) void NotellaPrintNoteTo(QPrinter& printer, const QString& title,
                                                         const QStringList& lines);

void PrintNote(QWidget* parent, const QString& title, const QStringList& lines) {
    TPrintNoteTo printTo = NotellaPrintNoteTo;
    QString error;
    if (!printTo)
        printTo = reinterpret_cast<TPrintNoteTo>(
            ModuleSymbol("notella-print", "NotellaPrintNoteTo", &error));
    if (!printTo) {
        MessageBox(parent, MissingModuleText(QStringLiteral("Drukowanie"), error),
                   QStringLiteral("Notella"), TMsgButtons::OK, TMsgIcon::Warning);
        return;
    }
    const std::shared_ptr<QPrinter> printer = Platform().Printing->ChoosePrinter(parent);
    if (printer)
        printTo(*printer, title, lines);
}
