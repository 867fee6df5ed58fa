#include "app/InstanceGuard.h"

#include "platform/Platform.h"

const char* const SecondSessionQuestion =
    "Jedna sesja programu jest już uruchomiona,\nlub została nieprawidłowo zamknięta.\n\n"
    "Czy na pewno uruchomić nową sesję programu?";

namespace {

// Without its marker this session goes on, but the next start would not know of it.
void TakeMarker(QWidget* parent) {
    if (Platform().Marker->Add())
        return;
    MessageBox(parent,
               QString::fromUtf8("Nie można utworzyć znacznika sesji programu, więc kolejne "
                                 "uruchomienie nie ostrzeże, że program już działa."),
               QStringLiteral("Notella"), TMsgButtons::OK, TMsgIcon::Warning);
}

} // namespace

bool RunInstanceGuard(QWidget* parent) {
    TPlatformServices& p = Platform();
    if (p.Keyboard->ShiftDown()) {
        p.Marker->Delete();
        p.Beeper->Beep();
    }
    if (!p.Marker->Exists()) {
        TakeMarker(parent);
        return true;
    }
    const TMsgResult answer =
        MessageBox(parent, QString::fromUtf8(SecondSessionQuestion), QStringLiteral("Notella"),
                   TMsgButtons::YesNo, TMsgIcon::Question);
    if (answer != TMsgResult::Yes)
        return false;
    // A second reference added and one removed: the marker stays as it was.
    TakeMarker(parent);
    return true;
}
