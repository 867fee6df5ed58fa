#include "scheduler_ui/Unitterminarz.h"

#include "common/IniText.h"
#include "controls/WindowPlace.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>

#include <algorithm>

namespace {

const QString Section = QStringLiteral("ScheduleEditWindow");

// Win32 keeps the outer height at least 330, that is a client of 296 under its 34-pixel
// caption and borders; here the client keeps that least height whatever the frame.
constexpr int MinClientHeight = 296;

const QColor SectionGrey(128, 128, 128);

QLabel* SectionLabel(const QString& text, bool bold, Qt::Alignment alignment, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAutoFillBackground(true);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, SectionGrey);
    p.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(p);
    label->setAlignment(alignment | Qt::AlignVCenter);
    if (bold) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

QComboBox* Combo(const QStringList& items, bool editable, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setEditable(editable);
    if (editable) {
        // The text stays as typed: no completion, and Enter adds no item.
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setCompleter(nullptr);
    }
    box->addItems(items);
    box->setCurrentIndex(-1);
    return box;
}

// An editable box shows its item when the text is one, else the text alone.
void SetComboText(QComboBox* box, const QString& text) {
    const int i = box->findText(text, Qt::MatchExactly);
    box->setCurrentIndex(i);
    if (i < 0 && box->isEditable())
        box->setEditText(text);
}

void SetComboIndex(QComboBox* box, int index) {
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

bool CanFocus(const QWidget* w) {
    return w->isEnabled() && w->isVisible() && w->focusPolicy() != Qt::NoFocus;
}

// Qt names a letter key by its capital; the Polish AltGr+E gives "Ę" (Latin-1 has no name).
constexpr int KeyEOgonek = 0x0118;

bool IsEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

// ---- TFormTerminarz -------------------------------------------------------------------

TFormTerminarz::TFormTerminarz(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowMinMaxButtonsHint |
                         Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Wpis terminarza"));
    setModal(true);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    // Resizable in height only.
    setMinimumSize(DesignedClientWidth, MinClientHeight);
    setMaximumWidth(DesignedClientWidth);
    resize(DesignedClientWidth, DesignedClientHeight);
    Place = new TWindowPlace(this);

    BuildControls();
    LayoutControls();

    // Key preview: the window sees every key of its controls before they do (and the kind
    // heading's accelerator, see eventFilter).
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);

    RadioButtonActJednClick();
    DateTimePickerDate->setFocus();
}

TFormTerminarz::~TFormTerminarz() {
    // Destroyed while shown (the run ended under it): the place is stored all the same.
    if (isVisible())
        hide();
}

void TFormTerminarz::BuildControls() {
    Frame = new QFrame(this);
    Frame->setFrameStyle(QFrame::Box | QFrame::Sunken);

    LabelShowOnly = SectionLabel(QStringLiteral("&Rodzaj aktywacji"), true, Qt::AlignLeft, this);

    PanelKind = new QFrame(this);
    PanelKind->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    RadioButtonActJedn = new QRadioButton(QStringLiteral("Jednorazowo"), PanelKind);
    RadioButtonActMinut = new QRadioButton(QStringLiteral("Co             minut"), PanelKind);
    RadioButtonActDzien = new QRadioButton(QStringLiteral("Codziennie"), PanelKind);
    RadioButtonActTydzien = new QRadioButton(QStringLiteral("Co tydzień"), PanelKind);
    RadioButtonActMiesiac = new QRadioButton(QStringLiteral("Co miesiąc"), PanelKind);
    RadioButtonActRok = new QRadioButton(QStringLiteral("Co rok"), PanelKind);
    // Over the blanks of "Co             minut".
    EditMinut = new QLineEdit(QStringLiteral("60"), PanelKind);
    EditMinut->raise();
    RadioButtonActJedn->setChecked(true);

    const Qt::Alignment right = Qt::AlignRight;
    Label1 = SectionLabel(QStringLiteral("&Data "), false, right, this);
    Label2 = SectionLabel(QStringLiteral("&Godzina "), false, right, this);
    Label3 = SectionLabel(QStringLiteral("Dzień &tygodnia "), false, right, this);
    Label4 = SectionLabel(QStringLiteral("Dzień &miesiąca "), false, right, this);
    Label5 = SectionLabel(QStringLiteral("Mie&siąc "), false, right, this);

    DateTimePickerDate = new TDateTimePicker(TDateTimePicker::TKind::Date, this);
    DateTimePickerTime = new TDateTimePicker(TDateTimePicker::TKind::Time, this);
    ComboBoxTydzien = Combo(WeekdayItems(), false, this);
    ComboBoxDMiesiaca = Combo(DayOfMonthItems(), true, this);
    ComboBoxDMiesiaca->setMaxVisibleItems(12);
    ComboBoxMiesiac = Combo(MonthItems(), false, this);
    ComboBoxMiesiac->setMaxVisibleItems(12);

    LabelRemind1 = SectionLabel(QStringLiteral(" &Przypomnij"), false, Qt::AlignLeft, this);
    ComboBoxRemindV = Combo({}, true, this);
    ComboBoxRemindV->setMinimumContentsLength(3); // "100", "-99"
    ComboBoxRemind = Combo(RemindUnitItems(), false, this);
    ComboBoxRemind->setCurrentIndex(0);
    ComboBoxRemindV->clear();
    ComboBoxRemindV->addItems(RemindAmountItems());
    SetComboText(ComboBoxRemindV, QStringLiteral("0"));
    LabelRemind2 = SectionLabel(QStringLiteral(" wcześniej"), false, Qt::AlignLeft, this);

    Label6 = SectionLabel(QStringLiteral("&Notatka"), true, Qt::AlignLeft, this);
    MemoNotka = new QPlainTextEdit(this);
    MemoNotka->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoNotka->setTabChangesFocus(true);

    ButtonOK = new QPushButton(QStringLiteral("OK"), this);
    ButtonOK->setDefault(true);
    ButtonOK->setEnabled(false);
    ButtonCancel = new QPushButton(QStringLiteral("Anuluj"), this);

    // Accelerators. The kind heading only focuses "Jednorazowo" (a buddy button would be
    // clicked too): its shortcut is taken over in eventFilter.
    LabelShowOnly->setBuddy(RadioButtonActJedn);
    Label1->setBuddy(DateTimePickerDate);
    Label2->setBuddy(DateTimePickerTime);
    Label3->setBuddy(ComboBoxTydzien);
    Label4->setBuddy(ComboBoxDMiesiaca);
    Label5->setBuddy(ComboBoxMiesiac);
    LabelRemind1->setBuddy(ComboBoxRemindV);
    Label6->setBuddy(MemoNotka);

    for (QRadioButton* b : {RadioButtonActJedn, RadioButtonActMinut, RadioButtonActDzien,
                            RadioButtonActTydzien, RadioButtonActMiesiac, RadioButtonActRok})
        connect(b, &QRadioButton::toggled, this, &TFormTerminarz::RadioButtonActJednClick);
    connect(MemoNotka, &QPlainTextEdit::textChanged, this, &TFormTerminarz::MemoNotkaChange);
    connect(ButtonOK, &QPushButton::clicked, this, &TFormTerminarz::ButtonOKClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormTerminarz::ButtonCancelClick);

    const QList<QWidget*> order{
        DateTimePickerDate, DateTimePickerTime,  ComboBoxTydzien,       ComboBoxDMiesiaca,
        ComboBoxMiesiac,    ComboBoxRemindV,     ComboBoxRemind,        MemoNotka,
        ButtonOK,           ButtonCancel,        RadioButtonActJedn,    RadioButtonActMinut,
        EditMinut,          RadioButtonActDzien, RadioButtonActTydzien, RadioButtonActMiesiac,
        RadioButtonActRok};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TFormTerminarz::LayoutControls() {
    // Designed client geometry; the note and the buttons follow the bottom edge.
    const int dh = height() - DesignedClientHeight;
    Frame->setGeometry(6, 10, 356, 181);
    LabelShowOnly->setGeometry(16, 20, 126, 16);
    PanelKind->setGeometry(15, 36, 126, 145);
    const QList<QRadioButton*> kinds{RadioButtonActJedn,    RadioButtonActMinut,
                                     RadioButtonActDzien,   RadioButtonActTydzien,
                                     RadioButtonActMiesiac, RadioButtonActRok};
    // The design's widths suit MS Sans Serif; a wider substitute gets what it needs of the
    // panel, so that "Co             minut" is not cut.
    const int panelRight = PanelKind->contentsRect().right();
    for (qsizetype i = 0; i < kinds.size(); ++i) {
        const int width = std::clamp(kinds[i]->sizeHint().width(), 106, panelRight - 10);
        kinds[i]->setGeometry(10, 10 + 22 * static_cast<int>(i), width, 17);
    }
    EditMinut->setGeometry(45, 30, 31, 19);

    const QList<QLabel*> labels{Label1, Label2, Label3, Label4, Label5};
    const QList<QWidget*> boxes{DateTimePickerDate, DateTimePickerTime, ComboBoxTydzien,
                                ComboBoxDMiesiaca, ComboBoxMiesiac};
    for (qsizetype i = 0; i < labels.size(); ++i) {
        labels[i]->setGeometry(150, 21 + 24 * static_cast<int>(i), 93, 18);
        boxes[i]->setGeometry(243, 20 + 24 * static_cast<int>(i), 111, 21);
    }
    LabelRemind1->setGeometry(150, 141, 204, 18);
    // The amount needs two digits; the unit box takes what its words need from it.
    const int spare = std::max(0, 61 - ComboBoxRemindV->minimumSizeHint().width());
    const int extra = std::clamp(ComboBoxRemind->sizeHint().width() - 61, 0, spare);
    ComboBoxRemindV->setGeometry(150, 160, 61 - extra, 21);
    ComboBoxRemind->setGeometry(211 - extra, 160, 61 + extra, 21);
    LabelRemind2->setGeometry(272, 161, 82, 18);

    Label6->setGeometry(6, 200, 356, 14);
    MemoNotka->setGeometry(6, 213, 356, std::max(0, 63 + dh));
    ButtonOK->setGeometry(102, 289 + dh, 75, 25);
    ButtonCancel->setGeometry(192, 289 + dh, 75, 25);
}

int TFormTerminarz::CheckedKind() const {
    const QList<const QRadioButton*> kinds{RadioButtonActJedn,    RadioButtonActMinut,
                                           RadioButtonActDzien,   RadioButtonActTydzien,
                                           RadioButtonActMiesiac, RadioButtonActRok};
    for (qsizetype i = 0; i < kinds.size(); ++i)
        if (kinds[i]->isChecked())
            return static_cast<int>(i) + 1;
    return 0;
}

void TFormTerminarz::SetKind(int kind) {
    const QList<QRadioButton*> kinds{RadioButtonActJedn,    RadioButtonActMinut,
                                     RadioButtonActDzien,   RadioButtonActTydzien,
                                     RadioButtonActMiesiac, RadioButtonActRok};
    if (kind < 1 || kind > kinds.size())
        return;
    kinds[kind - 1]->setChecked(true);
    RadioButtonActJednClick();
}

void TFormTerminarz::RadioButtonActJednClick() {
    const TKindEnabling e = EnablingFor(CheckedKind());
    DateTimePickerDate->setEnabled(e.Date);
    DateTimePickerTime->setEnabled(e.Time);
    ComboBoxTydzien->setEnabled(e.Weekday);
    ComboBoxDMiesiaca->setEnabled(e.DayOfMonth);
    ComboBoxMiesiac->setEnabled(e.Month);
    EditMinut->setEnabled(e.Interval);
    for (QWidget* w :
         {static_cast<QWidget*>(LabelRemind1), static_cast<QWidget*>(LabelRemind2),
          static_cast<QWidget*>(ComboBoxRemind), static_cast<QWidget*>(ComboBoxRemindV)})
        w->setEnabled(e.Remind);
}

QString TFormTerminarz::NoteText() const {
    // The raw text keeps non-breaking spaces.
    QString text = MemoNotka->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, '\n');
    text.replace(QChar::LineSeparator, '\n');
    return text;
}

void TFormTerminarz::MemoNotkaChange() {
    // Blanks and line breaks count as characters.
    ButtonOK->setEnabled(!MemoNotka->document()->isEmpty());
}

TEditorValues TFormTerminarz::CurrentValues() const {
    TEditorValues v;
    v.Kind = CheckedKind();
    v.Date = DateTimePickerDate->Value();
    v.Time = DateTimePickerTime->Value();
    v.WeekdayIndex = ComboBoxTydzien->currentIndex();
    v.DayOfMonthText = ComboBoxDMiesiaca->currentText();
    v.MonthIndex = ComboBoxMiesiac->currentIndex();
    v.IntervalText = EditMinut->text();
    v.RemindAmountText = ComboBoxRemindV->currentText();
    v.RemindUnit = ComboBoxRemind->currentIndex();
    v.Note = NoteText();
    return v;
}

void TFormTerminarz::ApplyValues(const TEditorValues& v) {
    DateTimePickerDate->SetValue(v.Date);
    DateTimePickerTime->SetValue(v.Time);
    SetComboIndex(ComboBoxTydzien, v.WeekdayIndex);
    SetComboText(ComboBoxDMiesiaca, v.DayOfMonthText);
    SetComboIndex(ComboBoxMiesiac, v.MonthIndex);
    EditMinut->setText(v.IntervalText);
    SetComboIndex(ComboBoxRemind, v.RemindUnit);
    SetComboText(ComboBoxRemindV, v.RemindAmountText);
    MemoNotka->setPlainText(FromCrLf(v.Note));
    MemoNotkaChange();
    SetKind(v.Kind);
}

void TFormTerminarz::SetupNewEntry(TDateTime day) {
    const TEditorValues v = ValuesForNewEntry(CurrentValues(), day, Now());
    DateTimePickerDate->SetValue(v.Date);
    DateTimePickerTime->SetValue(v.Time);
    SetComboIndex(ComboBoxTydzien, v.WeekdayIndex);
    SetComboText(ComboBoxDMiesiaca, v.DayOfMonthText);
    SetComboIndex(ComboBoxMiesiac, v.MonthIndex);
}

void TFormTerminarz::LoadEntry(const TTimetableEntry& entry) {
    ApplyValues(ValuesFromEntry(entry));
}

void TFormTerminarz::ButtonOKClick() {
    const TAcceptResult r = BuildEntry(CurrentValues(), Now());
    QWidget* focus = nullptr;
    switch (r.Failure) {
    case TAcceptFailure::None:
        Entry = r.Entry;
        accept();
        return;
    case TAcceptFailure::RemindAmount:
        focus = ComboBoxRemindV;
        break;
    case TAcceptFailure::IntervalTooFar:
    case TAcceptFailure::Interval:
        focus = EditMinut;
        break;
    case TAcceptFailure::DayOfMonth:
        focus = ComboBoxDMiesiaca;
        break;
    }
    // A number that does not read is an error; one out of range a warning.
    const bool notANumber =
        r.Failure == TAcceptFailure::DayOfMonth || r.Failure == TAcceptFailure::Interval;
    MessageBox(this, r.Message, QStringLiteral("Notella"), TMsgButtons::OK,
               notANumber ? TMsgIcon::Error : TMsgIcon::Warning);
    if (focus && CanFocus(focus))
        focus->setFocus(Qt::OtherFocusReason);
}

void TFormTerminarz::ButtonCancelClick() {
    reject();
}

bool TFormTerminarz::FormKeyDown(QObject* watched, QKeyEvent* e) {
    auto* w = qobject_cast<QWidget*>(watched);
    const bool inMemo = w && (w == MemoNotka || MemoNotka->isAncestorOf(w));
    const int key = e->key();
    if (IsEnterKey(key) && (e->modifiers() & Qt::ControlModifier)) {
        if (ButtonOK->isEnabled())
            ButtonOKClick();
        return true;
    }
    if (key == Qt::Key_Escape) {
        // In the note the key's release closes the window (MemoNotkaKeyUp).
        if (!inMemo)
            ButtonCancelClick();
        return true;
    }
    // E, with AltGr also the Polish "ę": to the note, and the letter is typed there.
    if ((key == Qt::Key_E || key == KeyEOgonek) && !inMemo && CanFocus(MemoNotka)) {
        MemoNotka->setFocus(Qt::OtherFocusReason);
        QKeyEvent copy(e->type(), e->key(), e->modifiers(), e->nativeScanCode(),
                       e->nativeVirtualKey(), e->nativeModifiers(), e->text(), e->isAutoRepeat(),
                       e->count());
        QCoreApplication::sendEvent(MemoNotka, &copy);
        return true;
    }
    return false;
}

bool TFormTerminarz::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LabelShowOnly && event->type() == QEvent::Shortcut) {
        if (CanFocus(RadioButtonActJedn))
            RadioButtonActJedn->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    auto* w = qobject_cast<QWidget*>(watched);
    // Popups (a combo box's list, the calendar) handle their own keys.
    if (!w || w->window() != this)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress)
        return FormKeyDown(watched, static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::KeyRelease) {
        auto* e = static_cast<QKeyEvent*>(event);
        if (e->key() == Qt::Key_Escape && !e->isAutoRepeat() &&
            (w == MemoNotka || MemoNotka->isAncestorOf(w))) {
            ButtonCancelClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- Window position ------------------------------------------------------------------

void TFormTerminarz::setVisible(bool visible) {
    const bool showing = visible && !isVisible();
    if (showing)
        FormShow();
    QDialog::setVisible(visible);
    if (showing)
        Place->Shown();
}

void TFormTerminarz::FormShow() {
    const TStoredPlace stored = ReadStoredPlace(Section);
    // The width is neither read nor stored.
    Place->Restore(std::nullopt, stored.Height.value_or(DefaultHeight), stored.Left, stored.Top);
    if (stored.Maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TFormTerminarz::resizeEvent(QResizeEvent* event) {
    LayoutControls();
    QDialog::resizeEvent(event);
}

void TFormTerminarz::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    // A minimized window is hidden by the system; only a close stores the place.
    if (!event->spontaneous())
        FormHide();
}

void TFormTerminarz::FormHide() {
    Place->Hidden();
    StoreWindowPlace(this, Section, false);
}
