#include "notes/Unitdateselect.h"

#include "common/Formats.h"
#include "controls/DateTimePicker.h"
#include "controls/PaleDialog.h"
#include "platform/Platform.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

QLabel* RowLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAutoFillBackground(true);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, QColor(128, 128, 128));
    p.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(p);
    QFont f(QStringLiteral("Verdana"));
    f.setPixelSize(11);
    label->setFont(f);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TFormDateSelect::TFormDateSelect(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    SetUpPaleDialog(this, QStringLiteral("Wybór czasu aktywacji"),
                    {DesignedClientWidth, DesignedClientHeight});

    Bevel1 = new QFrame(this);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(10, 5, 238, 76);
    DateTimePickerDate = new TDateTimePicker(TDateTimePicker::TKind::Date, this);
    DateTimePickerDate->setGeometry(140, 15, 96, 21);
    DateTimePickerTime = new TDateTimePicker(TDateTimePicker::TKind::Time, this);
    DateTimePickerTime->setGeometry(140, 45, 96, 21);
    Label3 = RowLabel(QStringLiteral("&Dzień aktywacji "), DateTimePickerDate, this);
    Label3->setGeometry(25, 15, 115, 20);
    Label4 = RowLabel(QStringLiteral("&Godzina aktywacji "), DateTimePickerTime, this);
    Label4->setGeometry(25, 45, 115, 20);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(45, 95, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Anuluj"), this);
    Button2->setGeometry(135, 95, 75, 25);

    setTabOrder(DateTimePickerDate, DateTimePickerTime);
    setTabOrder(DateTimePickerTime, Button1);
    setTabOrder(Button1, Button2);
    DateTimePickerDate->setFocus();

    connect(Button1, &QPushButton::clicked, this, &TFormDateSelect::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() -
             QPoint(DesignedClientWidth / 2, DesignedClientHeight / 2));
}

void TFormDateSelect::SetMoment(TDateTime t) {
    DateTimePickerDate->SetValue(t);
    DateTimePickerTime->SetValue(t);
}

TDateTime TFormDateSelect::Moment() const {
    return ReplaceTimePart(DateTimePickerDate->Value(), DateTimePickerTime->Value());
}

void TFormDateSelect::Button1Click() {
    const TDateTime t = Moment();
    if (Now() > t)
        MessageBox(this,
                   FormatDate(t) + ' ' + FormatTime(t) +
                       QStringLiteral("\n\nWpisany czas jest czasem przeszłym!"),
                   QStringLiteral("Notella"), TMsgButtons::OK, TMsgIcon::Warning);
    accept();
}
