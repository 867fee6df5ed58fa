#include "scheduler/Unitmessage.h"

#include "app/Forms.h"
#include "common/Formats.h"
#include "platform/Platform.h"
#include "scheduler/AlarmLogic.h"
#include "scheduler_ui/Unitterminarz.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <memory>

namespace {

constexpr int DesignWidth = 368;
constexpr int DesignHeight = 276;
const QColor Grey(128, 128, 128);
const QColor ButtonFace(240, 240, 240);

void SetColours(QWidget* w, const QColor& background, const QColor& text) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::Base, background);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Text, text);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QFont Font(const QString& family, int pixelSize, bool bold = false) {
    QFont f(family);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// The white-on-grey labels of the postponement line.
QLabel* GreyLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(Font(QStringLiteral("Verdana"), 11));
    SetColours(label, Grey, Qt::white);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

// Tells an open list window that the timetable has changed.
void RefreshListWindow() {
    if (FormTerminarzManager)
        QMetaObject::invokeMethod(FormTerminarzManager.data(), "RefreshList", Qt::DirectConnection);
}

} // namespace

void SetStayOnTop(QWidget* window, bool onTop) {
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (flags == window->windowFlags())
        return;
    // QWidget::setWindowFlags would hide a shown window and map it anew; the window handle
    // only changes its state hints.
    if (QWindow* handle = window->windowHandle(); handle && window->isVisible()) {
        window->overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        window->setWindowFlags(flags);
    }
}

TFormMessage::TFormMessage(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Aktywowany wpis termnarza"));
    setFont(Font(QStringLiteral("MS Sans Serif"), 11));
    BuildControls();
    // The width is fixed; the height may grow to give the note more room.
    setFixedWidth(DesignWidth);
    setMinimumHeight(DesignHeight);
    setMaximumHeight(QWIDGETSIZE_MAX);
    resize(DesignWidth, DesignHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(DesignWidth / 2, DesignHeight / 2));
    }
}

TFormMessage::~TFormMessage() = default;

void TFormMessage::BuildControls() {
    Panel1 = new QWidget(this);
    SetColours(Panel1, Grey, Qt::white);
    LabelKind = new QLabel(Panel1);
    LabelKind->setFont(Font(QStringLiteral("MS Sans Serif"), 11, true));
    LabelKind->setWordWrap(true);
    LabelKind->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetColours(LabelKind, Grey, Qt::white);

    Label6 = new QLabel(QStringLiteral("Notatka"), this);
    Label6->setFont(Font(QStringLiteral("MS Sans Serif"), 12, true));
    Label6->setAlignment(Qt::AlignCenter);
    SetColours(Label6, Grey, Qt::white);

    MemoNotka = new QPlainTextEdit(this);
    MemoNotka->setReadOnly(true);
    MemoNotka->setTabChangesFocus(true);
    MemoNotka->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    SetColours(MemoNotka, ButtonFace, Qt::black);
    SetColours(MemoNotka->viewport(), ButtonFace, Qt::black);

    LabelRemCpt = GreyLabel(QStringLiteral("Czas aktywacji :"), this);
    LabelRemCpt->hide();
    LabelRem = GreyLabel(QStringLiteral("0000-00-00 00:00"), this);
    LabelRem->hide();
    LabelRemind = GreyLabel(QStringLiteral(" &Przypomnij za"), this);

    ComboBoxRemindV = new QComboBox(this);
    ComboBoxRemindV->setEditable(true);
    // A typed amount is read, never added to the list.
    ComboBoxRemindV->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxRemindV->setMaxVisibleItems(12);
    for (int i = 0; i < 100; ++i)
        ComboBoxRemindV->addItem(QString::number(i));
    LabelRemind->setBuddy(ComboBoxRemindV);
    ComboBoxRemind = new QComboBox(this);
    ComboBoxRemind->addItems(
        {QStringLiteral("minut"), QStringLiteral("godzin"), QStringLiteral("dni")});

    ButtonEdit = new QPushButton(QStringLiteral("&Edytuj"), this);
    CheckBoxDel = new QCheckBox(QStringLiteral("&Usuń wpis !"), this);
    ButtonOK = new QPushButton(QStringLiteral("OK"), this);
    ButtonOK->setDefault(true);

    LabelChanges = new QLabel(QStringLiteral("Wprowadzone zmiany NIE będą zapisane !"), this);
    LabelChanges->setWordWrap(true);
    LabelChanges->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QPalette red = LabelChanges->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    LabelChanges->setPalette(red);

    setTabOrder(MemoNotka, ComboBoxRemindV);
    setTabOrder(ComboBoxRemindV, ComboBoxRemind);
    setTabOrder(ComboBoxRemind, ButtonEdit);
    setTabOrder(ButtonEdit, CheckBoxDel);
    setTabOrder(CheckBoxDel, ButtonOK);
    MemoNotka->setFocus();

    connect(ComboBoxRemindV, &QComboBox::editTextChanged, this,
            &TFormMessage::ComboBoxRemindChange);
    connect(ComboBoxRemindV, &QComboBox::currentIndexChanged, this,
            &TFormMessage::ComboBoxRemindChange);
    connect(ComboBoxRemind, &QComboBox::currentIndexChanged, this,
            &TFormMessage::ComboBoxRemindChange);
    connect(MemoNotka, &QPlainTextEdit::textChanged, this, &TFormMessage::MemoNotkaChange);
    connect(ButtonOK, &QPushButton::clicked, this, &TFormMessage::ButtonOKClick);
    connect(ButtonEdit, &QPushButton::clicked, this, &TFormMessage::ButtonEditClick);
    connect(CheckBoxDel, &QCheckBox::clicked, this, &TFormMessage::CheckBoxDelClick);
}

void TFormMessage::LayoutControls() {
    // Below the note everything keeps its distance from the bottom edge.
    const int dy = height() - DesignHeight;
    Panel1->setGeometry(5, 5, 356, 46);
    LabelKind->setGeometry(5, 4, 346, 39);
    Label6->setGeometry(5, 60, 356, 15);
    MemoNotka->setGeometry(5, 74, 356, 127 + dy);
    LabelRemCpt->setGeometry(5, 201 + dy, 100, 15);
    LabelRem->setGeometry(105, 201 + dy, 111, 15);
    LabelRemind->setGeometry(5, 215 + dy, 95, 20);
    ComboBoxRemindV->setGeometry(100, 215 + dy, 56, 21);
    ComboBoxRemind->setGeometry(155, 215 + dy, 61, 21);
    ButtonEdit->setGeometry(310, 215 + dy, 51, 21);
    CheckBoxDel->setGeometry(4, 255 + dy, 97, 17);
    ButtonOK->setGeometry(146, 245 + dy, 75, 25);
    LabelChanges->setGeometry(257, 245 + dy, 108, 28);
}

void TFormMessage::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutControls();
}

void TFormMessage::SetEntry(TTimetable& timetable, int index, std::int64_t offset, TDateTime due,
                            TAlarmCause cause) {
    Table = &timetable;
    Index = index;
    if (index < 0 || index >= timetable.count())
        return;
    const TTimetableEntry& entry = timetable.entries()[index];
    // Only a one-time entry whose moment has come may go away with OK.
    if (entry.kind != KindOnce || offset > 0)
        CheckBoxDel->setChecked(false);
    FillFromEntry();
    LabelKind->setText(AlarmHeading(entry, due, offset, cause));
}

int TFormMessage::ShowEntry(TTimetable& timetable, int index, std::int64_t offset, TDateTime due,
                            TAlarmCause cause) {
    SetEntry(timetable, index, offset, due, cause);
    // However the window ends, the entry is no longer on display.
    struct TClearShown {
        TFormMessage* Window;
        ~TClearShown() {
            if (const int at = Window->CurrentIndex(); at >= 0)
                Window->Table->entries()[at].shown = false;
        }
    } clearShown{this};
    return exec();
}

void TFormMessage::FillFromEntry() {
    if (!Table || Index < 0 || Index >= Table->count())
        return;
    TTimetableEntry& entry = Table->entries()[Index];
    entry.shown = true;
    QString note = entry.notka;
    note.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    MemoNotka->setPlainText(note);
    LabelChanges->hide();
    LabelKind->setText(EntrySummary(entry));
}

int TFormMessage::CurrentIndex() const {
    return Table ? LocateShownEntry(*Table, Index) : -1;
}

void TFormMessage::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && !FormShown) {
        FormShown = true;
        FormShow();
    }
}

void TFormMessage::FormShow() {
    ComboBoxRemind->setCurrentIndex(0);
    ComboBoxRemindV->clear();
    for (int i = 0; i < 100; ++i)
        ComboBoxRemindV->addItem(QString::number(i));
    ComboBoxRemindV->setCurrentIndex(0);
    raise();
    activateWindow();
}

void TFormMessage::ComboBoxRemindChange() {
    const auto moment =
        ComboBoxRemindV->isEnabled()
            ? PostponedMoment(ComboBoxRemindV->currentText(), ComboBoxRemind->currentIndex(), Now())
            : std::nullopt;
    if (moment) {
        // A postponement takes back the delete mark; it may be set again afterwards.
        CheckBoxDel->setChecked(false);
        LabelRemCpt->show();
        LabelRem->show();
        // Always with the time, even at midnight: it says when the alarm comes back.
        LabelRem->setText(FormatDate(*moment) + ' ' + FormatTime(*moment));
    } else {
        LabelRem->clear();
        LabelRemCpt->hide();
        LabelRem->hide();
    }
}

void TFormMessage::MemoNotkaChange() {
    LabelChanges->show();
}

void TFormMessage::ButtonOKClick() {
    const int at = CurrentIndex();
    if (at < 0) {
        // The entry went away under the window: there is nothing left to acknowledge.
        accept();
        return;
    }
    if (CheckBoxDel->isChecked()) {
        SetStayOnTop(this, false);
        const TMsgResult answer = MessageBox(
            this, QStringLiteral("Czy na pewno usunąć aktualnie wyświetlany wpis terminarza?"),
            QStringLiteral("Usuwanie wpisu terminarza"), TMsgButtons::YesNoCancel,
            TMsgIcon::Question);
        SetStayOnTop(this, true);
        if (answer == TMsgResult::Cancel)
            return;
        if (answer == TMsgResult::Yes) {
            hide();
            Table->Remove(at);
            Index = -1;
            RefreshListWindow();
            Table->Save();
            accept();
            return;
        }
    }
    const QString amount =
        ComboBoxRemindV->isEnabled() ? ComboBoxRemindV->currentText() : QStringLiteral("0");
    if (!AcknowledgeAlarm(Table->entries()[at], amount, ComboBoxRemind->currentIndex())) {
        MessageBox(this, QStringLiteral("Nieprawidłowa wartość!"), QStringLiteral("Notella"),
                   TMsgButtons::OK, TMsgIcon::Warning);
        if (ComboBoxRemindV->isEnabled() && ComboBoxRemindV->isVisible())
            ComboBoxRemindV->setFocus();
        return;
    }
    Table->Save();
    accept();
}

void TFormMessage::ButtonEditClick() {
    if (FormTerminarz) {
        MessageBox(this,
                   QStringLiteral("Zamknij najpierw poprzednie okienko edycji wpisów terminarza"),
                   QStringLiteral("Informacja"), TMsgButtons::OK, TMsgIcon::Information);
        return;
    }
    const int at = CurrentIndex();
    if (at < 0)
        return;
    std::unique_ptr<TFormTerminarz> editor = std::make_unique<TFormTerminarz>(this);
    FormTerminarz = editor.get();
    struct TClearReference {
        ~TClearReference() { FormTerminarz = nullptr; }
    } clearReference;
    editor->LoadEntry(Table->entries()[at]);
    if (editor->exec() != QDialog::Accepted)
        return;
    // The editor's modal loop may have let the timetable change: look the entry up again.
    const int from = CurrentIndex();
    if (from < 0)
        return;
    const int to = Table->Replace(from, editor->Entry);
    if (to < 0)
        return;
    Index = to;
    Table->Save();
    RefreshListWindow();
    FillFromEntry();
    CheckBoxDel->setChecked(false);
}

void TFormMessage::keyPressEvent(QKeyEvent* event) {
    // Esc is OK here, with its checks and its saving; only the title bar cancels.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        ButtonOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormMessage::closeEvent(QCloseEvent* event) {
    SetStayOnTop(this, false);
    QDialog::closeEvent(event);
}

void TAlarmWindowPresenter::ShowAlarm(TTimetable& timetable, int index, TDateTime due,
                                      std::int64_t offset, TAlarmCause cause, bool markDelete) {
    if (index < 0 || index >= timetable.count())
        return;
    auto window = std::make_unique<TFormMessage>();
    FormMessage = window.get();
    struct TClearReference {
        ~TClearReference() { FormMessage = nullptr; }
    } clearReference;
    window->CheckBoxDel->setChecked(markDelete);
    window->ShowEntry(timetable, index, offset, due, cause);
}
