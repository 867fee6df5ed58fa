#pragma once

#include "notes/SheetFile.h"

#include <QObject>
#include <QPoint>

class QTimer;

// What the storage needs of its note window.
class ISheetView {
public:
    virtual ~ISheetView() = default;
    // The note as it stands on the screen, in the form of its file record.
    virtual TSheetRecord CurrentRecord() const = 0;
    // Puts a loaded record into the window (size, place, title, buttons, activation, text)
    // and keeps it on the screen; returns the place as loaded, before that.
    virtual QPoint ApplyRecord(const TSheetRecord& record) = 0;
    virtual bool TextEmpty() const = 0;
    // Lines as displayed: soft-wrapped lines count, a final empty line does not.
    virtual int DisplayedLineCount() const = 0;
    virtual int MemoHeight() const = 0;
    virtual int WindowHeight() const = 0;
    virtual void SetWindowHeight(int height) = 0;
    virtual int MaxWindowHeight() const = 0;
    // The expanded height, stored as Size/Height.
    virtual void SetExpandedHeight(int height) = 0;
};

// Reads a note's file into its window, writes it back two seconds after the last change,
// and moves it into the trash when the note is thrown away.
class TSheetStorage : public QObject {
    Q_OBJECT
public:
    // Two seconds after the last change.
    int SaveDelayMs = 2000;

    TSheetStorage(const QString& fileName, bool saveEnabled, int collapsedHeight, bool autoResize,
                  ISheetView* view, TDateTime now, QObject* parent = nullptr);

    // Records a change and restarts the autosave delay. Only the text editor passes false.
    void MarkModified(bool geometryChange);
    void Save();
    void AdjustHeight();
    // At the end of the run: a pending autosave is written now (without the height pass).
    void FlushPendingSave();
    bool SavePending() const;
    void MoveToTrash();

    int LastLeft = 0;
    int LastTop = 0;
    QString FileName;
    bool WriteErrorShown = false;
    bool GeometryChange = false;
    bool AutoResize = true;
    int CollapsedHeight = 16;
    int LastLineCount = 0;
    bool SaveEnabled = true;
    // A new note without text gets a file all the same: it was given a title or armed.
    bool KeepEmpty = false;
    // Versions put in place during the run.
    int Writes = 0;
    // A change not yet on disk, also after a failed write: the end of the run tries again.
    bool Unsaved = false;

private:
    void OnSaveTimer();
    void FitHeight(int step);

    ISheetView* View;
    QTimer* SaveTimer = nullptr;
};
