#include "scheduler_ui/Unitterminarzmanager.h"

#include "app/Forms.h"
#include "controls/WindowPlace.h"
#include "menus/BcBarPopupMenu.h"
#include "platform/Platform.h"
#include "scheduler_ui/TerminarzFilter.h"
#include "scheduler_ui/TerminarzLogic.h"
#include "scheduler_ui/Unitterminarz.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

const QString Section = QStringLiteral("SchedulerWindow");
const QColor HeadingGrey(128, 128, 128);

constexpr int KindColumnWidth = 200;
constexpr int IndexColumn = 2;
// Even a maximized window shows a few hundred characters of a row: a note of many kilobytes
// is cut for display, so that painting does not lay out text nobody sees.
constexpr qsizetype NoteCellLimit = 1024;

QLabel* Heading(const QString& text, Qt::Alignment alignment, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAutoFillBackground(true);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, HeadingGrey);
    p.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(p);
    label->setAlignment(alignment | Qt::AlignVCenter);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

// The selection looks the same whether the view has the focus or not.
void KeepSelectionColours(QWidget* view) {
    QPalette p = view->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
    view->setPalette(p);
}

// A grid that only shows: typing neither edits a cell nor jumps to a row.
class TStringGrid final : public QTableView {
public:
    using QTableView::QTableView;
    void keyboardSearch(const QString&) override {}
};

} // namespace

// The grid's rows: the listed entries' timetable indices; the texts are read from the
// timetable when a row is shown. With nothing listed there is one empty row.
class TTerminarzListModel final : public QAbstractTableModel {
public:
    TTerminarzListModel(const TTimetable& timetable, QObject* parent)
        : QAbstractTableModel(parent), Table(timetable) {}

    void SetListed(std::vector<int> listed) {
        beginResetModel();
        Listed = std::move(listed);
        endResetModel();
    }
    const std::vector<int>& ListedIndices() const { return Listed; }
    int IndexAt(int row) const {
        return row >= 0 && row < static_cast<int>(Listed.size()) ? Listed[row] : -1;
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : std::max(1, static_cast<int>(Listed.size()));
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 3;
    }
    Qt::ItemFlags flags(const QModelIndex&) const override {
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
        case 0:
            return QStringLiteral("Rodzaj wpisu");
        case 1:
            return QStringLiteral("Notatka");
        default:
            return QString();
        }
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const int at = IndexAt(index.row());
        if (at < 0 || at >= Table.count())
            return {};
        if (role == Qt::UserRole)
            return at;
        if (role != Qt::DisplayRole)
            return {};
        const TTimetableEntry& e = Table.entries()[at];
        switch (index.column()) {
        case 0:
            return EntrySummary(e);
        case 1:
            return NoteColumnText(e.notka.left(NoteCellLimit));
        default:
            return QString::number(at);
        }
    }

private:
    const TTimetable& Table;
    std::vector<int> Listed;
};

// ---- TFormTerminarzManager ------------------------------------------------------------

TFormTerminarzManager::TFormTerminarzManager(QWidget* owner, TTimetable& timetable)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowMinMaxButtonsHint |
                         Qt::WindowCloseButtonHint),
      Table(timetable) {
    setWindowTitle(QStringLiteral("Terminarz"));
    setModal(true);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    resize(DesignedClientWidth, DesignedClientHeight);
    Place = new TWindowPlace(this);
    // Win32's least size is an outer one.
    Place->SetOuterMinimum(QSize(MinimumWidth, MinimumHeight));

    BuildControls();
    LayoutControls();

    // FormCreate: the whole tree on "Wszystkie", and the list.
    TreeViewFilter->expandAll();
    TreeViewFilter->setCurrentItem(TreeViewFilter->topLevelItem(0));
    RefreshList();
    connect(TreeViewFilter, &QTreeWidget::currentItemChanged, this,
            &TFormTerminarzManager::FilterChange);
    connect(EditContain, &QLineEdit::textChanged, this, &TFormTerminarzManager::FilterChange);
    StringGrid->setFocus();
}

TFormTerminarzManager::~TFormTerminarzManager() {
    // Destroyed while shown (the run ended under it): the place is stored all the same.
    if (isVisible())
        hide();
}

void TFormTerminarzManager::BuildControls() {
    LabelShowOnly = Heading(QStringLiteral("&Filtr"), Qt::AlignLeft, this);
    EditContain = new QLineEdit(this);
    Label1 = Heading(QStringLiteral("&Rodzaje wpisów"), Qt::AlignLeft, this);

    TreeViewFilter = new QTreeWidget(this);
    TreeViewFilter->setHeaderHidden(true);
    TreeViewFilter->setColumnCount(1);
    TreeViewFilter->setRootIsDecorated(false);
    TreeViewFilter->setItemsExpandable(false);
    TreeViewFilter->setIndentation(19);
    TreeViewFilter->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeViewFilter->setSelectionBehavior(QAbstractItemView::SelectRows);
    TreeViewFilter->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeViewFilter->setMouseTracking(true); // hot tracking
    TreeViewFilter->setAttribute(Qt::WA_Hover);
    KeepSelectionColours(TreeViewFilter);
    const QStringList kinds = KindFilterNames();
    auto* root = new QTreeWidgetItem(TreeViewFilter, QStringList{kinds[0]});
    for (qsizetype i = 1; i < kinds.size(); ++i)
        new QTreeWidgetItem(root, QStringList{kinds[i]});

    Label2 = Heading(QStringLiteral("&Wpisy terminarza"), Qt::AlignLeft, this);
    LabelCount = Heading(QString(), Qt::AlignLeft, this);
    LabelFilter = Heading(QStringLiteral("Wszystkie"), Qt::AlignRight, this);
    // The count keeps in view over a long description.
    LabelFilter->lower();

    Model = new TTerminarzListModel(Table, this);
    StringGrid = new TStringGrid(this);
    StringGrid->setModel(Model);
    StringGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid->setTabKeyNavigation(false);
    StringGrid->setShowGrid(true);
    StringGrid->setWordWrap(false);
    StringGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    StringGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    StringGrid->verticalHeader()->hide();
    StringGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid->verticalHeader()->setMinimumSectionSize(1);
    StringGrid->verticalHeader()->setDefaultSectionSize(16);
    StringGrid->horizontalHeader()->setHighlightSections(false);
    StringGrid->horizontalHeader()->setStretchLastSection(false);
    StringGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    KeepSelectionColours(StringGrid);

    GroupBoxButtons = new QFrame(this);
    GroupBoxButtons->setFrameStyle(QFrame::Box | QFrame::Sunken);
    ButtonAdd = new QPushButton(QStringLiteral("Dodaj"), GroupBoxButtons);
    ButtonEdit = new QPushButton(QStringLiteral("Edytuj"), GroupBoxButtons);
    ButtonDelete = new QPushButton(QStringLiteral("Usuń"), GroupBoxButtons);
    ButtonOk = new QPushButton(QStringLiteral("Zamknij"), this);
    // No button is the default: Enter in the list or the filter presses none of them.
    for (QPushButton* b : {ButtonAdd, ButtonEdit, ButtonDelete, ButtonOk}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    TimerRefresh = new QTimer(this);
    TimerRefresh->setSingleShot(true);
    TimerRefresh->setInterval(200);

    ActionDodaj = new QAction(QStringLiteral("Dodaj"), this);
    ActionDodaj->setShortcut(QKeySequence(Qt::Key_Insert));
    ActionUsun = new QAction(QStringLiteral("Usuń"), this);
    ActionUsun->setShortcut(QKeySequence(Qt::Key_Delete));
    ActionEdit = new QAction(QStringLiteral("Edytuj"), this);
    ActionEdit->setShortcut(QKeySequence(Qt::Key_E));
    addActions({ActionDodaj, ActionUsun, ActionEdit});

    PopupMenu = new TBcBarPopupMenu(this);
    ConfigureBarlessMenu(*PopupMenu);
    PopupMenu->addAction(ActionDodaj);
    PopupMenu->addAction(ActionUsun);
    PopupMenu->addSeparator();
    PopupMenu->addAction(ActionEdit);
    PopupMenu->addSeparator();
    ActionEksport = PopupMenu->addAction(QString::fromUtf8("Eksportuj do pliku iCalendar..."));
    ActionImport = PopupMenu->addAction(QString::fromUtf8("Importuj z pliku iCalendar..."));
    connect(ActionEksport, &QAction::triggered, this, &TFormTerminarzManager::ExportClick);
    connect(ActionImport, &QAction::triggered, this, &TFormTerminarzManager::ImportClick);

    LabelShowOnly->setBuddy(EditContain);
    Label1->setBuddy(TreeViewFilter);
    Label2->setBuddy(StringGrid);

    connect(ButtonAdd, &QPushButton::clicked, this, &TFormTerminarzManager::ButtonAddClick);
    connect(ButtonEdit, &QPushButton::clicked, this, &TFormTerminarzManager::ButtonEditClick);
    connect(ButtonDelete, &QPushButton::clicked, this, &TFormTerminarzManager::ButtonDeleteClick);
    connect(ButtonOk, &QPushButton::clicked, this, &TFormTerminarzManager::ButtonOkClick);
    connect(ActionDodaj, &QAction::triggered, this, &TFormTerminarzManager::ButtonAddClick);
    connect(ActionUsun, &QAction::triggered, this, &TFormTerminarzManager::ButtonDeleteClick);
    connect(ActionEdit, &QAction::triggered, this, &TFormTerminarzManager::ButtonEditClick);
    connect(TimerRefresh, &QTimer::timeout, this, &TFormTerminarzManager::TimerRefreshTimer);
    connect(StringGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu->popup(StringGrid->viewport()->mapToGlobal(at));
    });

    EditContain->installEventFilter(this);
    StringGrid->viewport()->installEventFilter(this);
    StringGrid->horizontalHeader()->viewport()->installEventFilter(this);

    const QList<QWidget*> order{StringGrid, EditContain,  TreeViewFilter, ButtonAdd,
                                ButtonEdit, ButtonDelete, ButtonOk};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TFormTerminarzManager::LayoutControls() {
    // Designed client geometry; the grid and its headings follow the right and bottom edges,
    // the buttons the bottom edge.
    const int dw = width() - DesignedClientWidth;
    const int dh = height() - DesignedClientHeight;
    LabelShowOnly->setGeometry(10, 16, 114, 16);
    EditContain->setGeometry(10, 32, 114, 21);
    Label1->setGeometry(10, 71, 114, 16);
    TreeViewFilter->setGeometry(10, 87, 114, 149);
    Label2->setGeometry(130, 16, 126, 16);
    LabelCount->setGeometry(255, 16, 99, 16);
    LabelFilter->setGeometry(295, 16, std::max(0, 224 + dw), 16);
    GroupBoxButtons->setGeometry(10, 327 + dh, 114, 111);
    ButtonAdd->setGeometry(10, 9, 95, 24);
    ButtonEdit->setGeometry(9, 43, 95, 24);
    ButtonDelete->setGeometry(10, 77, 95, 24);
    ButtonOk->setGeometry(10, 449 + dh, 114, 24);
    StringGrid->setGeometry(130, 32, std::max(0, 389 + dw), std::max(0, 441 + dh));
}

int TFormTerminarzManager::KindFilter() const {
    const QTreeWidgetItem* item = TreeViewFilter->currentItem();
    if (!item || !item->parent())
        return 0;
    return item->parent()->indexOfChild(const_cast<QTreeWidgetItem*>(item)) + 1;
}

int TFormTerminarzManager::RowCount() const {
    return Model->rowCount() + 1;
}

QString TFormTerminarzManager::Cells(int column, int row) const {
    if (row == 0)
        return Model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    return Model->data(Model->index(row - 1, column), Qt::DisplayRole).toString();
}

int TFormTerminarzManager::CurrentRow() const {
    const QModelIndex current = StringGrid->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

int TFormTerminarzManager::EntryIndexAt(int row) const {
    return row >= 1 ? Model->IndexAt(row - 1) : -1;
}

// ---- List ---------------------------------------------------------------------------------

void TFormTerminarzManager::RefreshList() {
    if (RefreshHeld > 0) {
        RefreshWanted = true;
        return;
    }
    const int kind = KindFilter();
    const QString text = EditContain->text();
    LabelFilter->setText(FilterDescription(kind, text));
    RememberSelection();
    const bool any = Table.count() >= 1;
    ButtonDelete->setEnabled(any);
    ButtonEdit->setEnabled(any);
    std::vector<int> listed = FilterEntries(Table.entries(), {kind, text});
    const int shown = static_cast<int>(listed.size());
    Model->SetListed(std::move(listed));
    GridLayout = Table.LayoutVersion();
    // A reset model brings every column back to its default.
    StringGrid->setColumnWidth(0, KindColumnWidth);
    StringGrid->setColumnHidden(IndexColumn, true);
    FormResize();
    LabelCount->setText(CountText(shown, Table.count()));
    RestoreSelection();
}

void TFormTerminarzManager::RememberSelection() {
    if (const int index = EntryIndexAt(CurrentRow()); index >= 0)
        SelectedIndex = index;
}

void TFormTerminarzManager::RestoreSelection() {
    const int row = RowForIndex(Model->ListedIndices(), SelectedIndex);
    const QModelIndex at = Model->index(row, 0);
    StringGrid->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
    StringGrid->scrollTo(at);
}

void TFormTerminarzManager::FormResize() {
    StringGrid->setColumnWidth(1,
                               std::max(0, StringGrid->width() - StringGrid->columnWidth(0) - 25));
}

void TFormTerminarzManager::FilterChange() {
    TimerRefresh->start();
}

void TFormTerminarzManager::TimerRefreshTimer() {
    TimerRefresh->stop();
    RefreshList();
}

void TFormTerminarzManager::HoldRefresh() {
    if (RefreshHeld++ == 0 && TimerRefresh->isActive()) {
        TimerRefresh->stop();
        RefreshWanted = true;
    }
}

void TFormTerminarzManager::ReleaseRefresh() {
    if (--RefreshHeld == 0 && RefreshWanted) {
        RefreshWanted = false;
        RefreshList();
    }
}

int TFormTerminarzManager::TakeCurrentEntry() const {
    const int index = EntryIndexAt(CurrentRow());
    if (index < 0 || index >= Table.count() || GridLayout != Table.LayoutVersion())
        return -1;
    return index;
}

// ---- Commands -----------------------------------------------------------------------------

void TFormTerminarzManager::ButtonAddClick() {
    if (!TimetableHasRoom(Table))
        return;
    const int kind = KindFilter();
    auto editor = std::make_unique<TFormTerminarz>();
    FormTerminarz = editor.get();
    struct TClearReference {
        ~TClearReference() { FormTerminarz = nullptr; }
    } clearReference;
    editor->SetupNewEntry(Now());
    if (kind > 0)
        editor->SetKind(kind);
    const int result = editor->exec();
    if (ShuttingDown())
        return;
    TakeBackActivation(this);
    if (result != QDialog::Accepted)
        return;
    const int at = Table.Insert(editor->Entry);
    if (at < 0) {
        TimetableHasRoom(Table); // full all the same: told, and nothing is saved
        return;
    }
    RefreshList();
    Table.Save();
    SelectedIndex = at;
    RestoreSelection();
}

void TFormTerminarzManager::ButtonEditClick() {
    if (!ButtonEdit->isEnabled())
        return;
    const int index = TakeCurrentEntry();
    if (index < 0)
        return;
    const std::uint64_t layout = Table.LayoutVersion();
    auto editor = std::make_unique<TFormTerminarz>();
    FormTerminarz = editor.get();
    struct TClearReference {
        ~TClearReference() { FormTerminarz = nullptr; }
    } clearReference;
    editor->LoadEntry(Table.entries()[index]);
    const int result = editor->exec();
    if (ShuttingDown())
        return;
    TakeBackActivation(this);
    if (result != QDialog::Accepted)
        return;
    // Whatever moved the entries meanwhile took the one being edited from its place.
    if (Table.LayoutVersion() != layout)
        return;
    const int at = Table.Replace(index, editor->Entry);
    RefreshList();
    Table.Save();
    SelectedIndex = at;
    RestoreSelection();
}

void TFormTerminarzManager::ButtonDeleteClick() {
    if (!ButtonDelete->isEnabled())
        return;
    // The entry is the one the user saw selected when asking, whatever the box lets happen.
    const int index = TakeCurrentEntry();
    if (index < 0)
        return;
    const std::uint64_t layout = Table.LayoutVersion();
    HoldRefresh();
    const TMsgResult answer =
        MessageBox(this, QStringLiteral("Czy usunąć wybrany wpis"), QStringLiteral("Usuwanie"),
                   TMsgButtons::YesNo, TMsgIcon::Question);
    if (!ShuttingDown())
        TakeBackActivation(this);
    const bool remove =
        answer == TMsgResult::Yes && !ShuttingDown() && Table.LayoutVersion() == layout;
    if (remove) {
        Table.Remove(index);
        RefreshWanted = true;
    }
    // The refresh remembers the deleted entry's row: the selection goes to the entry that
    // followed it, or to the last listed one before it.
    ReleaseRefresh();
    if (remove)
        Table.Save();
}

void TFormTerminarzManager::ButtonOkClick() {
    accept();
}

// ---- Keys and mouse -------------------------------------------------------------------

void TFormTerminarzManager::EditContainEnter() {
    // Insert, Delete and E edit the filter's text there.
    for (QAction* a : {ActionDodaj, ActionUsun, ActionEdit})
        a->setEnabled(false);
}

void TFormTerminarzManager::EditContainExit() {
    for (QAction* a : {ActionDodaj, ActionUsun, ActionEdit})
        a->setEnabled(true);
}

bool TFormTerminarzManager::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EditContain) {
        if (event->type() == QEvent::FocusIn)
            EditContainEnter();
        else if (event->type() == QEvent::FocusOut)
            EditContainExit();
    } else if (watched == StringGrid->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            ButtonEditClick();
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease)
            FormResize();
    } else if (watched == StringGrid->horizontalHeader()->viewport() &&
               event->type() == QEvent::MouseButtonRelease) {
        // After the user dragged a column border.
        QTimer::singleShot(0, this, &TFormTerminarzManager::FormResize);
    }
    return QDialog::eventFilter(watched, event);
}

void TFormTerminarzManager::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        ButtonOk->click();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Only a button with the focus takes Enter.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget());
            button && button->window() == this && button->isEnabled())
            button->click();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

// ---- Window position ------------------------------------------------------------------

void TFormTerminarzManager::resizeEvent(QResizeEvent* event) {
    LayoutControls();
    QDialog::resizeEvent(event);
    FormResize();
}

void TFormTerminarzManager::setVisible(bool visible) {
    const bool showing = visible && !isVisible();
    if (showing)
        FormShow();
    QDialog::setVisible(visible);
    if (showing)
        Place->Shown();
}

void TFormTerminarzManager::FormShow() {
    const TStoredPlace stored = ReadStoredPlace(Section);
    Place->Restore(stored.Width.value_or(DefaultWidth), stored.Height.value_or(DefaultHeight),
                   stored.Left, stored.Top);
    if (stored.Maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TFormTerminarzManager::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    // A minimized window is hidden by the system; only a close stores the place.
    if (!event->spontaneous())
        FormHide();
}

void TFormTerminarzManager::FormHide() {
    Place->Hidden();
    StoreWindowPlace(this, Section, true);
}

void TFormTerminarzManager::ExportClick() {
    QString path = Platform().FileDialogs->SaveFileName(
        this, QString::fromUtf8("Eksportuj do pliku iCalendar"),
        QDir::homePath() + QStringLiteral("/terminarz.ics"), ICalendarFilter());
    if (path.isEmpty() || ShuttingDown())
        return;
    // Calendar programs look for the extension.
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".ics");
    ExportTimetableTo(this, Table, path);
}

void TFormTerminarzManager::ImportClick() {
    const QString path = Platform().FileDialogs->OpenFileName(
        this, QString::fromUtf8("Importuj z pliku iCalendar"), ICalendarFilter());
    if (path.isEmpty() || ShuttingDown())
        return;
    if (ImportTimetableFrom(this, Table, path))
        RefreshList();
}
