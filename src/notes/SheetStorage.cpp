#include "notes/SheetStorage.h"

#include "common/IniFile.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace {
// The memo's line height: its 12-pixel font plus two.
constexpr int LineHeight = 14;
} // namespace

TSheetStorage::TSheetStorage(const QString& fileName, bool saveEnabled, int collapsedHeight,
                             bool autoResize, ISheetView* view, TDateTime now, QObject* parent)
    : QObject(parent), FileName(fileName), AutoResize(autoResize), CollapsedHeight(collapsedHeight),
      SaveEnabled(saveEnabled), View(view) {
    const TSheetRecord record = ReadSheetRecord(TMemIniFile(fileName), now);
    const QPoint loaded = View->ApplyRecord(record);
    LastLeft = loaded.x();
    LastTop = loaded.y();
    LastLineCount = View->DisplayedLineCount();
}

void TSheetStorage::MarkModified(bool geometryChange) {
    GeometryChange = geometryChange;
    if (!SaveTimer) {
        SaveTimer = new QTimer(this);
        SaveTimer->setSingleShot(true);
        connect(SaveTimer, &QTimer::timeout, this, &TSheetStorage::OnSaveTimer);
    }
    SaveTimer->start(SaveDelayMs);
    Unsaved = true;
}

bool TSheetStorage::SavePending() const {
    return (SaveTimer && SaveTimer->isActive()) || (Unsaved && SaveEnabled);
}

void TSheetStorage::OnSaveTimer() {
    if (SaveTimer) {
        SaveTimer->deleteLater();
        SaveTimer = nullptr;
    }
    if (!View->TextEmpty() && !GeometryChange)
        AdjustHeight();
    Save();
}

void TSheetStorage::FlushPendingSave() {
    if (!SavePending())
        return;
    if (SaveTimer) {
        SaveTimer->deleteLater();
        SaveTimer = nullptr;
    }
    Save();
}

void TSheetStorage::AdjustHeight() {
    const int n = View->DisplayedLineCount();
    if (n == LastLineCount)
        return;
    LastLineCount = n;
    if (GeometryChange || !AutoResize || View->WindowHeight() == CollapsedHeight)
        return;
    FitHeight(50);
    FitHeight(10);
    View->SetExpandedHeight(View->WindowHeight());
}

void TSheetStorage::FitHeight(int step) {
    auto needed = [&] { return (View->DisplayedLineCount() + 1) * LineHeight; };
    // Bounded by the window's own minimum: a height that stops changing ends the pass.
    while (needed() < View->MemoHeight()) {
        const int before = View->WindowHeight();
        View->SetWindowHeight(before - step);
        if (View->WindowHeight() == before)
            break;
    }
    while (needed() > View->MemoHeight()) {
        const int before = View->WindowHeight();
        View->SetWindowHeight(before + step);
        if (View->WindowHeight() >= View->MaxWindowHeight() || View->WindowHeight() == before)
            break;
    }
}

void TSheetStorage::Save() {
    if (!SaveEnabled)
        return;
    const TSheetRecord record = View->CurrentRecord();
    if (!QFileInfo::exists(FileName) && record.Lines.isEmpty() && !KeepEmpty &&
        !record.ActivationEnabled) {
        Unsaved = false; // an empty new note has nothing to keep
        return;
    }
    const QString dir = QFileInfo(FileName).absolutePath();
    // Said once per note, like a failed write; after that the write's beep tells.
    if (!QDir().mkpath(dir) && !WriteErrorShown)
        MessageBox(
            nullptr,
            QString::fromUtf8("Katalog z kartkami (sheets) nie istnieje i nie można go utworzyć!"),
            QString::fromUtf8("Błąd"), TMsgButtons::OK, TMsgIcon::Error);
    LastLeft = record.Left.value_or(0);
    LastTop = record.Top.value_or(0);
    if (SaveSheetFile(FileName, record)) {
        ++Writes;
        Unsaved = false;
        return;
    }
    if (!WriteErrorShown) {
        WriteErrorShown = true;
        MessageBox(nullptr, QString::fromUtf8("Nie można zapisywać do pliku ") + FileName,
                   QString::fromUtf8("Ostrzeżenie"), TMsgButtons::OK, TMsgIcon::Warning);
    } else {
        Platform().Beeper->Beep();
    }
}

void TSheetStorage::MoveToTrash() {
    if (FileName.isEmpty())
        return;
    SaveEnabled = false;
    if (SaveTimer) {
        SaveTimer->stop();
        SaveTimer->deleteLater();
        SaveTimer = nullptr;
    }
    if (!MoveSheetFileToTrash(FileName))
        MessageBox(nullptr,
                   QString::fromUtf8("Nie można usunąć pliku kartki \"") + FileName +
                       QString::fromUtf8("\".\nUsuń zabazpieczenie przed zapisem."),
                   QString::fromUtf8("Ostrzeżenie"), TMsgButtons::OK, TMsgIcon::Warning);
}
