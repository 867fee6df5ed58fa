#include "app/Unitsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>

#include <algorithm>

namespace {

constexpr int CheckBoxHeight = 17;
constexpr int ComboHeight = 21;
constexpr int LabelHeight = 13;

// The font that stands in for "MS Sans Serif" is mostly wider: a caption that would run under
// the control beside it is narrowed into the room it was laid out for, or where the font has
// no narrower face, made a pixel or two smaller.
void FitWidth(QWidget* w, int room) {
    const int need = w->sizeHint().width();
    if (need <= room)
        return;
    QFont font = w->font();
    font.setStretch(std::max(70, room * 100 / need));
    w->setFont(font);
    while (w->sizeHint().width() > room && font.pixelSize() > 9) {
        font.setPixelSize(font.pixelSize() - 1);
        w->setFont(font);
    }
}

// `room` 0: as wide as the caption needs.
QLabel* Label(const QString& text, int x, int y, QWidget* parent, int room = 0) {
    auto* label = new QLabel(text, parent);
    if (room > 0)
        FitWidth(label, room);
    label->adjustSize();
    label->setGeometry(x, y, room > 0 ? std::min(label->width(), room) : label->width(),
                       LabelHeight);
    return label;
}

// `width` 0: as wide as the caption needs.
QCheckBox* CheckBox(const QString& text, int x, int y, int width, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setGeometry(x, y, width > 0 ? width : box->sizeHint().width(), CheckBoxHeight);
    return box;
}

// A drop-down list without a selection.
QComboBox* Combo(const QStringList& items, int x, int y, int width, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->addItems(items);
    box->setCurrentIndex(-1);
    FitWidth(box, width);
    box->setGeometry(x, y, width, ComboHeight);
    return box;
}

QSlider* TrackBar(int x, int y, QSlider::TickPosition ticks, QWidget* parent) {
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setRange(AlphaMin, AlphaMax);
    bar->setTickInterval(15);
    bar->setTickPosition(ticks);
    bar->setGeometry(x, y, 122, 31);
    return bar;
}

QLabel* PercentLabel(int x, int y, QWidget* parent) {
    auto* label = new QLabel(AlphaPercentText(0), parent);
    label->setAutoFillBackground(true);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, QColor(128, 128, 128));
    p.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(p);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(x, y, 22, LabelHeight);
    return label;
}

QGroupBox* Group(const QString& title, int x, int y, int width, int height, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    group->setGeometry(x, y, width, height);
    return group;
}

} // namespace

TFormSettings::TFormSettings(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("Ustawienia programu"));
    setModal(true);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(ClientWidth, ClientHeight);

    // Created group by group, so that the tab order runs through them in this order.
    GroupBox1 = Group(QStringLiteral("Aplikacja"), 15, 10, 461, 196, this);
    // Captions end 3 pixels before the control beside them.
    Label5 = Label(QStringLiteral("Priorytet aplikacji: *"), 15, 20, GroupBox1, 302);
    ComboBoxAppPrior = Combo(PriorityItems(), 320, 15, 126, GroupBox1);
    CheckBoxAltTab =
        CheckBox(QString::fromUtf8("Pokaż ikonkę programu po naciśnięciu klawiszy Alt+Tab *"), 15,
                 40, 431, GroupBox1);
    Label1 =
        Label(QString::fromUtf8("Domyślna akcja dla podwójnego kliknięcia na ikonce w tray'u:"), 15,
              65, GroupBox1, 302);
    ComboBoxDefaultDblClickAction = Combo(DblClickActionItems(), 320, 60, 126, GroupBox1);
    // The captions' "Shit" is the window's own text.
    CheckBoxHotKeyToFront = CheckBox(
        QString::fromUtf8("Użyj skrótu Win+Shit+N - Karteczki na wierzch *"), 15, 85, 0, GroupBox1);
    CheckBoxHotKeyNewSheet = CheckBox(
        QString::fromUtf8("Użyj skrótu Win+Shit+Ctrl+N - Nowa karteczka *"), 15, 105, 0, GroupBox1);
    CheckBoxHotKeyCalendar =
        CheckBox(QString::fromUtf8("Użyj skrótu Win+Shit+K - Kalendarz *"), 15, 125, 0, GroupBox1);
    CheckBoxHotKeySheduler =
        CheckBox(QString::fromUtf8("Użyj skrótu Win+Shit+T - Terminarz *"), 15, 145, 0, GroupBox1);
    CheckBoxHotKeyNewShedulerNote =
        CheckBox(QString::fromUtf8("Użyj skrótu Win+Shit+Ctrl+T - Nowy wpis terminarza *"), 15, 165,
                 0, GroupBox1);

    GroupBox3 = Group(QStringLiteral("Karteczki"), 15, 215, 461, 146, this);
    CheckBoxEditTitleAtCreate =
        CheckBox(QString::fromUtf8("Włącz edycje tytułu zaraz po utworzeniu nowej karteczki"), 15,
                 20, 0, GroupBox3);
    CheckBoxAutoresize = CheckBox(QString::fromUtf8("Automatycznie zmieniaj wielkość karteczki *"),
                                  15, 40, 0, GroupBox3);
    Label2 = Label(QString::fromUtf8("Przezroczystość karteczki (Windows 2000/XP) *"), 15, 65,
                   GroupBox3, 285);
    TrackBarAlphaValue = TrackBar(303, 55, QSlider::TicksAbove, GroupBox3);
    LabelAlphaValue = PercentLabel(425, 65, GroupBox3);
    Label4 = Label(QString::fromUtf8("Przezroczystość karteczki gdy aplikacja nie jest aktywna *"),
                   15, 90, GroupBox3, 285);
    TrackBarAlphaValueDeact = TrackBar(303, 80, QSlider::TicksBelow, GroupBox3);
    LabelAlphaValueDeact = PercentLabel(425, 90, GroupBox3);
    CheckBoxSoundKarteczka =
        CheckBox(QString::fromUtf8("Dźwięk przywołania karteczki"), 15, 115, 0, GroupBox3);
    ComboBoxSoundKarteczka = Combo({}, 275, 113, 171, GroupBox3);
    ComboBoxSoundKarteczka->setEnabled(false);

    GroupBox2 = Group(QStringLiteral("Terminarz"), 15, 370, 461, 76, this);
    CheckBoxAutomarkDelete = CheckBox(
        QString::fromUtf8("Automatycznie zaznaczaj do usunięcia aktualne wpisy jednorazowe"), 15,
        20, 0, GroupBox2);
    CheckBoxSoundTerminarz =
        CheckBox(QString::fromUtf8("Dźwięk przywołania wpisu terminarza"), 15, 44, 0, GroupBox2);
    ComboBoxSoundTerminarz = Combo({}, 272, 42, 171, GroupBox2);
    ComboBoxSoundTerminarz->setEnabled(false);

    LabelRestart = Label(QStringLiteral("* Wymagany restart aplikacji"), 15, 450, this);
    QFont bold = LabelRestart->font();
    bold.setBold(true);
    LabelRestart->setFont(bold);
    LabelRestart->adjustSize();
    LabelRestart->resize(LabelRestart->width(), LabelHeight);
    QPalette red = LabelRestart->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    LabelRestart->setPalette(red);
    LabelRestart->hide();

    ButtonOk = new QPushButton(QStringLiteral("OK"), this);
    ButtonOk->setGeometry(158, 465, 75, 25);
    ButtonOk->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("Anuluj"), this);
    ButtonCancel->setGeometry(258, 465, 75, 25);

    // Changes, not clicks: filling the window runs the same handlers as the user's changes.
    for (QCheckBox* box :
         {CheckBoxAltTab, CheckBoxHotKeyToFront, CheckBoxHotKeyNewSheet, CheckBoxHotKeyCalendar,
          CheckBoxHotKeySheduler, CheckBoxHotKeyNewShedulerNote, CheckBoxAutoresize})
        connect(box, &QCheckBox::toggled, this, &TFormSettings::NeedRestart);
    connect(ComboBoxAppPrior, &QComboBox::currentIndexChanged, this, &TFormSettings::NeedRestart);
    connect(TrackBarAlphaValue, &QSlider::valueChanged, this, &TFormSettings::NeedRestart);
    connect(TrackBarAlphaValueDeact, &QSlider::valueChanged, this, &TFormSettings::NeedRestart);
    connect(CheckBoxSoundKarteczka, &QCheckBox::toggled, this,
            &TFormSettings::CheckBoxSoundKarteczkaClick);
    connect(CheckBoxSoundTerminarz, &QCheckBox::toggled, this,
            &TFormSettings::CheckBoxSoundTerminarzClick);
    connect(ButtonOk, &QPushButton::clicked, this, &TFormSettings::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormSettings::ButtonCancelClick);

    // Centred on the screen; the frame, once there is one, moves it by a few pixels only.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TFormSettings::Fill(const TSettingsChoice& choice, const QStringList& sounds) {
    ComboBoxAppPrior->setCurrentIndex(choice.ApplicationPriority);
    ComboBoxDefaultDblClickAction->setCurrentIndex(choice.DefaultDblClickAction);
    CheckBoxAutomarkDelete->setChecked(choice.AutomarkDelete);
    TrackBarAlphaValue->setValue(choice.AlphaValue);
    TrackBarAlphaValueDeact->setValue(choice.AlphaValueDeactivated);
    CheckBoxAutoresize->setChecked(choice.Autoresize);
    CheckBoxEditTitleAtCreate->setChecked(choice.EditTitleAtCreate);
    CheckBoxHotKeyToFront->setChecked(choice.HotKeyToFront);
    CheckBoxHotKeyCalendar->setChecked(choice.HotKeyCalendar);
    CheckBoxHotKeyNewSheet->setChecked(choice.HotKeyNewSheet);
    CheckBoxHotKeySheduler->setChecked(choice.HotKeySheduler);
    CheckBoxHotKeyNewShedulerNote->setChecked(choice.HotKeyNewShedulerNote);
    CheckBoxAltTab->setChecked(choice.ShowIconWhenAltTabPressed);
    CheckBoxSoundKarteczka->setChecked(choice.ActivateSheetPlaySound);
    CheckBoxSoundTerminarz->setChecked(choice.ActivateTerminarzPlaySound);
    for (QComboBox* box : {ComboBoxSoundTerminarz, ComboBoxSoundKarteczka}) {
        box->clear();
        box->addItems(sounds);
        box->setCurrentIndex(-1);
    }
    ComboBoxSoundKarteczka->setCurrentIndex(choice.ActivateSheet);
    ComboBoxSoundTerminarz->setCurrentIndex(choice.ActivateTerminarz);
}

TSettingsChoice TFormSettings::Choice() const {
    TSettingsChoice c;
    c.ApplicationPriority = ComboBoxAppPrior->currentIndex();
    c.ShowIconWhenAltTabPressed = CheckBoxAltTab->isChecked();
    c.DefaultDblClickAction = ComboBoxDefaultDblClickAction->currentIndex();
    c.HotKeyToFront = CheckBoxHotKeyToFront->isChecked();
    c.HotKeyNewSheet = CheckBoxHotKeyNewSheet->isChecked();
    c.HotKeyCalendar = CheckBoxHotKeyCalendar->isChecked();
    c.HotKeySheduler = CheckBoxHotKeySheduler->isChecked();
    c.HotKeyNewShedulerNote = CheckBoxHotKeyNewShedulerNote->isChecked();
    c.EditTitleAtCreate = CheckBoxEditTitleAtCreate->isChecked();
    c.Autoresize = CheckBoxAutoresize->isChecked();
    c.AlphaValue = TrackBarAlphaValue->value();
    c.AlphaValueDeactivated = TrackBarAlphaValueDeact->value();
    c.ActivateSheetPlaySound = CheckBoxSoundKarteczka->isChecked();
    c.ActivateSheet = ComboBoxSoundKarteczka->currentIndex();
    c.AutomarkDelete = CheckBoxAutomarkDelete->isChecked();
    c.ActivateTerminarzPlaySound = CheckBoxSoundTerminarz->isChecked();
    c.ActivateTerminarz = ComboBoxSoundTerminarz->currentIndex();
    return c;
}

void TFormSettings::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A restore from the taskbar is no new showing.
    if (!event->spontaneous())
        FormShow();
}

void TFormSettings::FormShow() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    // Filling the window showed it for every starred control it set.
    LabelRestart->hide();
}

void TFormSettings::NeedRestart() {
    LabelRestart->show();
    if (sender() == TrackBarAlphaValue)
        LabelAlphaValue->setText(AlphaPercentText(TrackBarAlphaValue->value()));
    else if (sender() == TrackBarAlphaValueDeact)
        LabelAlphaValueDeact->setText(AlphaPercentText(TrackBarAlphaValueDeact->value()));
}

void TFormSettings::CheckBoxSoundKarteczkaClick() {
    ComboBoxSoundKarteczka->setEnabled(CheckBoxSoundKarteczka->isChecked());
}

void TFormSettings::CheckBoxSoundTerminarzClick() {
    ComboBoxSoundTerminarz->setEnabled(CheckBoxSoundTerminarz->isChecked());
}

void TFormSettings::ButtonOkClick() {
    accept();
}

void TFormSettings::ButtonCancelClick() {
    reject();
}
