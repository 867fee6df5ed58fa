#include "notes/Unitsheetslist.h"

#include "platform/Platform.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>

namespace {

const QString Caption = QStringLiteral("Notella");

class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

QPushButton* CommandButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    // Enter in the list must not delete anything.
    button->setAutoDefault(false);
    return button;
}

} // namespace

TFormSheetsList::TFormSheetsList(const QString& sheetsDir, THost host, QWidget* parent)
    : QDialog(parent), Trash(sheetsDir), Host(std::move(host)) {
    setWindowTitle(QStringLiteral("Wyrzucone karteczki"));
    setModal(true);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);

    LabelCount = new QLabel(this);
    LabelCount->setAutoFillBackground(true);
    QPalette labelColours = LabelCount->palette();
    labelColours.setColor(QPalette::Window, QColor(128, 128, 128));
    labelColours.setColor(QPalette::WindowText, Qt::white);
    LabelCount->setPalette(labelColours);
    QFont labelFont(QStringLiteral("Verdana"));
    labelFont.setPixelSize(12);
    labelFont.setBold(true);
    LabelCount->setFont(labelFont);
    LabelCount->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    ListView1 = new QTreeWidget(this);
    ListView1->setColumnCount(3);
    ListView1->setHeaderLabels(
        {QString::fromUtf8("Tytuł"), QString::fromUtf8("Treść"), QStringLiteral("File")});
    ListView1->header()->setStretchLastSection(false);
    ListView1->setColumnWidth(0, 150);
    ListView1->setColumnWidth(1, 3000);
    ListView1->setColumnHidden(2, true); // the path is for the commands, not for the eye
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The selection stays as visible when the focus is on a button.
    QPalette listColours = ListView1->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        listColours.setColor(QPalette::Inactive, role, listColours.color(QPalette::Active, role));
    ListView1->setPalette(listColours);

    ActionDel = new QAction(QString::fromUtf8("Usuń"), this);
    ActionDel->setShortcut(QKeySequence(Qt::Key_Delete));
    ActionDelAll = new QAction(QString::fromUtf8("Usuń wszystkie"), this);
    ActionDelAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    ActionRestore = new QAction(QString::fromUtf8("Przywróć karteczkę"), this);
    for (QAction* action : {ActionDel, ActionDelAll, ActionRestore}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    connect(ActionDel, &QAction::triggered, this, &TFormSheetsList::ActionDelExecute);
    connect(ActionDelAll, &QAction::triggered, this, &TFormSheetsList::ActionDelAllExecute);
    connect(ActionRestore, &QAction::triggered, this, &TFormSheetsList::ActionRestoreExecute);

    Button3 = CommandButton(QString::fromUtf8("Odzyskaj karteczkę"), this);
    Button1 = CommandButton(ActionDel->text(), this);
    Button2 = CommandButton(ActionDelAll->text(), this);
    ButtonOk = CommandButton(QStringLiteral("Zamknij"), this);
    connect(Button3, &QPushButton::clicked, ActionRestore, &QAction::trigger);
    connect(Button1, &QPushButton::clicked, ActionDel, &QAction::trigger);
    connect(Button2, &QPushButton::clicked, ActionDelAll, &QAction::trigger);
    connect(ButtonOk, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListView1, &QTreeWidget::itemDoubleClicked, ActionRestore, &QAction::trigger);

    ListView1->setFocus(); // Del and Ctrl+Del work at once
    // The buttons on the left and "Zamknij" on the right never overlap.
    setMinimumSize(540, 200);
    resize(DesignedClientWidth, DesignedClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    UpdateCount();
}

void TFormSheetsList::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!Shown) {
        Shown = true;
        FormShow();
    }
}

void TFormSheetsList::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    // Laid out as designed, the edges anchored as they were.
    const int dw = width() - DesignedClientWidth;
    const int dh = height() - DesignedClientHeight;
    LabelCount->setGeometry(10, 11, 723 + dw, 19);
    ListView1->setGeometry(10, 30, 724 + dw, 481 + dh);
    Button3->setGeometry(10, 519 + dh, 136, 24);
    Button1->setGeometry(160, 519 + dh, 114, 24);
    Button2->setGeometry(285, 519 + dh, 114, 24);
    ButtonOk->setGeometry(619 + dw, 519 + dh, 115, 24);
}

void TFormSheetsList::FormShow() {
    {
        TBusyCursor busy;
        Trash.Load();
        FillList();
    }
    UpdateCount();
}

void TFormSheetsList::FillList() {
    ListView1->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(Trash.Rows().size());
    for (const TTrashRow& row : Trash.Rows())
        items << new QTreeWidgetItem(QStringList{row.Title, row.Text, row.Path});
    ListView1->addTopLevelItems(items);
}

void TFormSheetsList::UpdateCount() {
    LabelCount->setText(Trash.CountText());
}

int TFormSheetsList::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    return selected.isEmpty() ? -1 : ListView1->indexOfTopLevelItem(selected.first());
}

void TFormSheetsList::ActionRestoreExecute() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    if (MessageBox(this, QString::fromUtf8("Czy przywrócić wyrzuconą karteczkę?"), Caption,
                   TMsgButtons::YesNo, TMsgIcon::Question) != TMsgResult::Yes)
        return;
    const QStringList inUse = Host.OpenSheetNames ? Host.OpenSheetNames() : QStringList();
    const qsizetype before = Trash.Rows().size();
    const QString name = Trash.Restore(row, inUse);
    if (name.isEmpty()) {
        MessageBox(this, QString::fromUtf8("Wystąpił problem z odzyskaniem karteczki!"), Caption,
                   TMsgButtons::OK, TMsgIcon::Error);
        return;
    }
    if (Trash.Rows().size() < before)
        delete ListView1->takeTopLevelItem(row);
    UpdateCount();
    if (Host.OpenSheet)
        Host.OpenSheet(name);
}

void TFormSheetsList::ActionDelExecute() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    if (MessageBox(this, QString::fromUtf8("Czy na pewno usunąć wybraną karteczkę?"), Caption,
                   TMsgButtons::YesNo, TMsgIcon::Question, TMsgResult::No) != TMsgResult::Yes)
        return;
    const QString path = Trash.Rows()[row].Path;
    if (!Trash.Delete(row)) {
        MessageBox(this, QString::fromUtf8("Nie można usunąć pliku \"%1\".").arg(path),
                   QString::fromUtf8("Ostrzeżenie"), TMsgButtons::OK, TMsgIcon::Warning);
        return;
    }
    delete ListView1->takeTopLevelItem(row);
    UpdateCount();
}

void TFormSheetsList::ActionDelAllExecute() {
    // Whatever row is selected: the question guards it.
    if (Trash.Rows().isEmpty())
        return;
    if (MessageBox(this, QString::fromUtf8("Czy usunąć wszystkie wyrzucone karteczki ?"), Caption,
                   TMsgButtons::YesNo, TMsgIcon::Warning, TMsgResult::No) != TMsgResult::Yes)
        return;
    int failed = 0;
    {
        TBusyCursor busy;
        failed = Trash.DeleteAll();
        FillList();
    }
    UpdateCount();
    if (failed > 0)
        MessageBox(
            this,
            QString::fromUtf8("Liczba karteczek, których nie udało się usunąć: %1.").arg(failed),
            QString::fromUtf8("Ostrzeżenie"), TMsgButtons::OK, TMsgIcon::Warning);
}
