#pragma once

#include "scheduler/Timetable.h"

#include <QDialog>

#include <cstdint>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class QTreeWidget;
class TBcBarPopupMenu;
class TTerminarzListModel;
class TWindowPlace;

// "Terminarz": the modal list of the scheduler's entries, narrowed by a kind tree and a text
// filter, from which entries are added, edited and deleted through the entry editor. Every
// change of the timetable is saved at once.
class TFormTerminarzManager : public QDialog {
    Q_OBJECT
public:
    // `owner`: none for the application.
    explicit TFormTerminarzManager(QWidget* owner = nullptr, TTimetable& timetable = Timetable());
    ~TFormTerminarzManager() override;

    // Rebuilds the grid from the timetable under the current filters, keeping the selection
    // on the entry it was on. Called by name by the alarm window when it changes entries.
    Q_INVOKABLE void RefreshList();

    // The grid as the design numbers it: row 0 is the header, rows 1 onward the listed
    // entries (one empty row when none passes); column 2 holds the entry's index.
    int RowCount() const;
    QString Cells(int column, int row) const;
    int CurrentRow() const;
    // The timetable index in a row; -1 for the header and an empty row.
    int EntryIndexAt(int row) const;

    // The kind filter: 0 for "Wszystkie", else the kind of the selected node.
    int KindFilter() const;

    // The timetable index that the selection stays on across refreshes.
    int SelectedIndex = 0;

    // Controls, by their layout names.
    QLabel* LabelShowOnly = nullptr; // "&Filtr"
    QLineEdit* EditContain = nullptr;
    QLabel* Label1 = nullptr; // "&Rodzaje wpisów"
    QTreeWidget* TreeViewFilter = nullptr;
    QLabel* Label2 = nullptr; // "&Wpisy terminarza"
    QLabel* LabelCount = nullptr;
    QLabel* LabelFilter = nullptr;
    QTableView* StringGrid = nullptr;
    QFrame* GroupBoxButtons = nullptr;
    QPushButton* ButtonAdd = nullptr;
    QPushButton* ButtonEdit = nullptr;
    QPushButton* ButtonDelete = nullptr;
    QPushButton* ButtonOk = nullptr;
    QTimer* TimerRefresh = nullptr;
    QAction* ActionDodaj = nullptr;
    QAction* ActionUsun = nullptr;
    QAction* ActionEdit = nullptr;
    QAction* ActionEksport = nullptr;
    QAction* ActionImport = nullptr;
    TBcBarPopupMenu* PopupMenu = nullptr;

    // The designed client size, and the outer size (Win32's measure) when none is stored.
    inline static constexpr int DesignedClientWidth = 528;
    inline static constexpr int DesignedClientHeight = 478;
    inline static constexpr int DefaultWidth = 536;
    inline static constexpr int DefaultHeight = 512;
    inline static constexpr int MinimumWidth = 460;
    inline static constexpr int MinimumHeight = 430;

    // Handlers, named after the controls and events of the design.
    void ButtonAddClick();
    void ButtonEditClick();
    void ButtonDeleteClick();
    void ButtonOkClick();
    void ExportClick();
    void ImportClick();
    void FormResize();
    void TimerRefreshTimer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void setVisible(bool visible) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void LayoutControls();
    // A change of either filter: the list follows 200 ms after the last one.
    void FilterChange();
    void EditContainEnter();
    void EditContainExit();
    void RememberSelection();
    void RestoreSelection();
    // The entry of the current row, taken when a command starts; -1 when the row holds none
    // or the grid no longer shows the timetable as it is.
    int TakeCurrentEntry() const;
    // While a question is up the list stays as the user saw it; a refresh asked for meanwhile
    // runs once it is answered.
    void HoldRefresh();
    void ReleaseRefresh();
    // The window is active again for its keys after a box or the editor over it.
    // FormShow and FormHide: the window's place in the settings file's "SchedulerWindow".
    void FormShow();
    void FormHide();

    TTimetable& Table;
    TTerminarzListModel* Model = nullptr;
    TWindowPlace* Place = nullptr;
    // The timetable's layout when the grid was built.
    std::uint64_t GridLayout = 0;
    int RefreshHeld = 0;
    bool RefreshWanted = false;
};
