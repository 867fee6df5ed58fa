#include "app/InstanceGuard.h"

#include "platform/Platform.h"

const char* const SecondSessionQuestion =
    "Jedna sesja programu jest już uruchomiona,\nlub została nieprawidłowo zamknięta.\n\n"
    "Czy na pewno uruchomić nową sesję programu?";

bool RunInstanceGuard(QWidget* parent) {
    TPlatformServices& p = Platform();
    if (p.Keyboard->ShiftDown()) {
        p.Marker->Delete();
        p.Beeper->Beep();
    }
    if (!p.Marker->Exists()) {
        p.Marker->Add();
        return true;
    }
    const TMsgResult answer =
        MessageBox(parent, QString::fromUtf8(SecondSessionQuestion), QStringLiteral("Notella"),
                   TMsgButtons::YesNo, TMsgIcon::Question);
    if (answer != TMsgResult::Yes)
        return false;
    // A second reference added and one removed: the marker stays as it was.
    p.Marker->Add();
    return true;
}
