#pragma once

#include "notes/Trash.h"

#include <QDialog>

#include <functional>

class QAction;
class QLabel;
class QPushButton;
class QTreeWidget;

// "Wyrzucone karteczki": the thrown-away notes, to restore or to delete for good. Its opener
// shows it modally and frees it; the list is read when it is shown.
class TFormSheetsList : public QDialog {
    Q_OBJECT
public:
    // What the window needs of the note collection.
    struct THost {
        // The file names (without directory) of the open notes, files or not.
        std::function<QStringList()> OpenSheetNames;
        // Opens a note window on a file name of the live directory.
        std::function<void(const QString& name)> OpenSheet;
    };

    TFormSheetsList(const QString& sheetsDir, THost host, QWidget* parent = nullptr);

    // Lists the trash anew.
    void FormShow();
    void ActionRestoreExecute();
    void ActionDelExecute();
    void ActionDelAllExecute();

    QLabel* LabelCount = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QPushButton* Button3 = nullptr;  // "Odzyskaj karteczkę"
    QPushButton* Button1 = nullptr;  // "Usuń"
    QPushButton* Button2 = nullptr;  // "Usuń wszystkie"
    QPushButton* ButtonOk = nullptr; // "Zamknij"
    QAction* ActionDel = nullptr;
    QAction* ActionDelAll = nullptr;
    QAction* ActionRestore = nullptr;

    inline static constexpr int DesignedClientWidth = 744;
    inline static constexpr int DesignedClientHeight = 550;

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // The selected row, -1 with none.
    int SelectedRow() const;
    // The list as the trash holds it now.
    void FillList();
    void UpdateCount();

    TTrash Trash;
    THost Host;
    bool Shown = false;
};
