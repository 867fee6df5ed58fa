#include "app/Unitabout.h"

#include "app/Contact.h"
#include "app/Forms.h"
#include "app/Unitmain.h"
#include "controls/PaleDialog.h"
#include "platform/Platform.h"

#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>

namespace {

const QColor LinkColour(0, 0, 255);

QLabel* Text(const QString& text, QWidget* parent, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLabel* WrappedText(const QString& text, QWidget* parent, const QRect& place) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(place);
    return label;
}

QLabel* Link(const QString& text, QWidget* parent) {
    QLabel* label = Text(text, parent, 0, 0);
    label->setCursor(Qt::PointingHandCursor);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, LinkColour);
    label->setPalette(p);
    return label;
}

QLineEdit* ReadOnlyField(const QString& text, QWidget* parent, const QRect& place) {
    auto* edit = new QLineEdit(text, parent);
    edit->setReadOnly(true);
    edit->setGeometry(place);
    edit->setCursorPosition(0);
    return edit;
}

} // namespace

TFormAbout::TFormAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint) {
    SetUpPaleDialog(this, QStringLiteral("Informacje o programie"),
                    {DesignedClientWidth, DesignedClientHeight});

    Bevel1 = new QFrame(this);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(15, 15, 266, 76);
    Label1 = Text(QStringLiteral("Notella i Terminarz"), this, 50, 40);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->adjustSize();
    LabelBuild =
        Text(QStringLiteral("build ") + GetVersionText(ExePath(), false, false, false, true), this,
             220, 40);
    Label2 = WrappedText(QString::fromUtf8("Program do tworzenia notatek na żółtych karteczkach "
                                           "umieszczanych na pulpicie."),
                         this, {20, 98, 256, 31});
    Label4 = WrappedText(QString::fromUtf8("Posiada również funkcję terminarza."), this,
                         {20, 131, 256, 17});

    Label7 = WrappedText(QString::fromUtf8("Program jest bezpłatny. Kilka słów od Ciebie to "
                                           "najlepsze podziękowanie."),
                         this, {20, 158, 256, 30});
    Label8 = Text(QStringLiteral("Od autora:"), this, 20, 197);
    EditNr1 = ReadOnlyField(QString(), this, {88, 193, 193, 19});
    CheckBoxZagraniczny = new QCheckBox(QString::fromUtf8("Podziękowanie w innych językach"), this);
    CheckBoxZagraniczny->setGeometry(20, 218, 250, 17);
    Label9 = Text(QStringLiteral("EN / DE:"), this, 40, 219);
    EditNr2 =
        ReadOnlyField(QStringLiteral("Thank you for using Notella!"), this, {88, 216, 193, 19});
    EditNr3 =
        ReadOnlyField(QStringLiteral("Danke, dass Sie Notella nutzen!"), this, {88, 238, 193, 19});

    // The address may be longer than the room left of the window's edge: the links end at
    // the frame's right edge and the caption sits just before the address.
    const int right = Bevel1->geometry().right();
    LabelMail = Link(QLatin1String(ContactMail), this);
    LabelMail->move(right - LabelMail->width(), 265);
    Label6 = Text(QStringLiteral("e-mail:"), this, 0, 265);
    Label6->move(LabelMail->x() - Label6->width() - 3, 265);
    LabelWWW = Link(QLatin1String(ContactWebText), this);
    LabelWWW->move(right - LabelWWW->width(), 278);

    Bevel2 = new QFrame(this);
    Bevel2->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel2->setGeometry(15, 301, 266, 2);
    CheckBoxDontShowAtStartup =
        new QCheckBox(QString::fromUtf8("Nie wyświetlaj przy starcie"), this);
    CheckBoxDontShowAtStartup->setGeometry(15, 303, 186, 17);
    QFont small(QStringLiteral("Arial"));
    small.setPixelSize(9);
    CheckBoxDontShowAtStartup->setFont(small);
    QPalette grey = CheckBoxDontShowAtStartup->palette();
    grey.setColor(QPalette::WindowText, QColor(177, 177, 177));
    CheckBoxDontShowAtStartup->setPalette(grey);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(111, 320, 75, 25);
    Button1->setDefault(true);
    Button1->setFocus();

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(CheckBoxZagraniczny, &QCheckBox::toggled, this, &TFormAbout::CheckBoxZagranicznyClick);

    // FormCreate: the links answer the mouse, the thanks are filled in.
    LabelMail->installEventFilter(this);
    LabelWWW->installEventFilter(this);
    EditNr1->setText(QString::fromUtf8("Miłej pracy z karteczkami!"));
    EditNr1->setCursorPosition(0);
    CheckBoxZagranicznyClick();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() -
             QPoint(DesignedClientWidth / 2, DesignedClientHeight / 2));
}

void TFormAbout::LabelMailClick() {
    Platform().Url->OpenUrl(ContactMailUrl());
}

void TFormAbout::LabelWWWClick() {
    Platform().Url->OpenUrl(ContactWebUrl());
}

void TFormAbout::CheckBoxZagranicznyClick() {
    const bool ticked = CheckBoxZagraniczny->isChecked();
    EditNr2->setVisible(ticked);
    EditNr3->setVisible(ticked);
    Label9->setVisible(ticked);
    CheckBoxZagraniczny->resize(ticked ? 15 : 250, CheckBoxZagraniczny->height());
}

bool TFormAbout::eventFilter(QObject* watched, QEvent* event) {
    auto* label = qobject_cast<QLabel*>(watched);
    if (label != LabelMail && label != LabelWWW)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::Leave: {
        QFont f = label->font();
        f.setUnderline(event->type() == QEvent::Enter);
        label->setFont(f);
        break;
    }
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint())) {
            if (label == LabelMail)
                LabelMailClick();
            else
                LabelWWWClick();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

bool RunAboutWindow(QWidget* owner, bool& dontShowAtStartup, bool& internationalTransfer) {
    const auto clear = qScopeGuard([] { FormAbout = nullptr; });
    // The owner may go while the window is open, and takes the window with it.
    QPointer<TFormAbout> form = new TFormAbout(owner);
    FormAbout = form.data();
    form->CheckBoxDontShowAtStartup->setChecked(dontShowAtStartup);
    form->CheckBoxZagraniczny->setChecked(internationalTransfer);
    form->exec();
    if ((FormMain && FormMain->Ended()) || !form) {
        delete form;
        return false;
    }
    dontShowAtStartup = form->CheckBoxDontShowAtStartup->isChecked();
    internationalTransfer = form->CheckBoxZagraniczny->isChecked();
    delete form;
    return true;
}
