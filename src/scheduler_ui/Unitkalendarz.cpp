#include "scheduler_ui/Unitkalendarz.h"

#include "app/Forms.h"
#include "controls/WindowPlace.h"
#include "menus/BcBarPopupMenu.h"
#include "platform/Platform.h"
#include "scheduler/Timetable.h"
#include "scheduler_ui/TerminarzLogic.h"
#include "scheduler_ui/Unitterminarz.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <memory>

// ---- TCCalendar -------------------------------------------------------------------------

namespace {

const QColor GridLineColour(192, 192, 192);

std::optional<TGridKey> GridKeyOf(const QKeyEvent* e) {
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_Left:
        return TGridKey::Left;
    case Qt::Key_Right:
        return TGridKey::Right;
    case Qt::Key_Up:
        return TGridKey::Up;
    case Qt::Key_Down:
        return TGridKey::Down;
    case Qt::Key_Home:
        return ctrl ? TGridKey::CtrlHome : TGridKey::Home;
    case Qt::Key_End:
        return ctrl ? TGridKey::CtrlEnd : TGridKey::End;
    case Qt::Key_PageUp:
        return TGridKey::PageUp;
    case Qt::Key_PageDown:
        return TGridKey::PageDown;
    default:
        return std::nullopt;
    }
}

} // namespace

TCCalendar::TCCalendar(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setBackgroundRole(QPalette::Button);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(9);
    setFont(f);
}

void TCCalendar::SetCalendarDate(TDateTime date) {
    Grid.SetDate(date);
    update();
    emit Changed();
}

void TCCalendar::SetResting(int year, int month) {
    Grid.Rest(year, month);
    update();
    emit Changed();
}

const QStringList& TCCalendar::HeaderNames() const {
    if (HeaderWidth != width())
        UpdateHeader();
    return Header;
}

void TCCalendar::UpdateHeader() const {
    // The locale's short names, all cut to the longest beginning that fits every cell (some
    // locales' narrow names are mere digits).
    const QLocale locale = this->locale();
    const QFontMetrics metrics(font());
    const int cellWidth = CellExtent(width());
    QStringList names;
    qsizetype length = 1;
    for (int day = 1; day <= 7; ++day) {
        QString name = locale.dayName(day, QLocale::ShortFormat);
        if (name.endsWith('.'))
            name.chop(1);
        names << name;
        length = std::max(length, name.size());
    }
    auto fits = [&](qsizetype n) {
        return std::all_of(names.begin(), names.end(), [&](const QString& name) {
            return metrics.horizontalAdvance(name.left(n)) <= cellWidth;
        });
    };
    while (length > 1 && !fits(length))
        --length;
    Header.clear();
    for (const QString& name : names)
        Header << name.left(length);
    HeaderWidth = width();
}

QString TCCalendar::CellText(TGridCell cell) const {
    if (cell.Col < 0 || cell.Col >= GridColumns)
        return {};
    if (cell.Row == 0)
        return HeaderNames().value(cell.Col);
    const int day = Grid.DayAt(cell);
    return day ? QString::number(day) : QString();
}

QRect TCCalendar::CellRect(TGridCell cell) const {
    const int w = CellExtent(width());
    const int h = CellExtent(height());
    return {cell.Col * (w + 1), cell.Row * (h + 1), w, h};
}

std::optional<TGridCell> TCCalendar::CellAt(QPoint pos) const {
    // A grid line belongs to the cell before it.
    const int w = CellExtent(width()) + 1;
    const int h = CellExtent(height()) + 1;
    if (pos.x() < 0 || pos.y() < 0)
        return std::nullopt;
    const TGridCell cell{pos.y() / h, pos.x() / w};
    if (cell.Row >= GridRows || cell.Col >= GridColumns)
        return std::nullopt;
    return cell;
}

void TCCalendar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const QColor background = pal.color(backgroundRole());
    p.fillRect(rect(), background);
    const QRect last = CellRect(BottomRightCell);
    p.fillRect(QRect(0, 0, last.right() + 1, last.bottom() + 1), GridLineColour);
    for (int row = 0; row < GridRows; ++row)
        for (int col = 0; col < GridColumns; ++col) {
            const TGridCell cell{row, col};
            const QRect r = CellRect(cell);
            const bool current = cell == Grid.Current();
            QColor fill = row == 0 ? pal.color(QPalette::Button) : background;
            QColor text = pal.color(row == 0 ? QPalette::ButtonText : QPalette::Text);
            if (current) {
                fill = pal.color(QPalette::Active, QPalette::Highlight);
                text = pal.color(QPalette::Active, QPalette::HighlightedText);
            }
            p.fillRect(r, fill);
            const QString s = CellText(cell);
            if (!s.isEmpty()) {
                p.setPen(text);
                p.drawText(r, Qt::AlignCenter, s);
            }
        }
}

void TCCalendar::Choose(TGridCell cell) {
    const bool day = Grid.Choose(cell);
    update();
    if (day)
        emit Changed();
}

void TCCalendar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (const auto cell = CellAt(event->position().toPoint()); cell && cell->Row > 0)
        Choose(*cell);
}

void TCCalendar::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    // The second press of a double click chooses its cell as the first one did.
    mousePressEvent(event);
    emit DoubleClicked();
}

void TCCalendar::keyPressEvent(QKeyEvent* event) {
    const auto key = GridKeyOf(event);
    if (!key) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Ctrl with an arrow scrolls a grid, and this one has nothing to scroll.
    const bool arrow = event->key() == Qt::Key_Left || event->key() == Qt::Key_Right ||
                       event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (!(arrow && (event->modifiers() & Qt::ControlModifier)))
        Choose(MoveCell(Grid.Current(), *key));
}

void TCCalendar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LocaleChange)
        HeaderWidth = -1;
    QWidget::changeEvent(event);
}

// ---- TFormKalendarz ---------------------------------------------------------------------

namespace {

const QColor BarGrey(128, 128, 128);

QLabel* BarLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAutoFillBackground(true);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, BarGrey);
    p.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(p);
    label->setAlignment(Qt::AlignCenter);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

const char* const MonthHeadings[12] = {
    "1. Styczeń", "2. Luty",     "3. Marzec",   "4. Kwiecień",     "5. Maj",       "6. Czerwiec",
    "7. Lipiec",  "8. Sierpień", "9. Wrzesień", "10. Październik", "11. Listopad", "12. Grudzień"};

bool IsKey(const QKeyEvent* e, Qt::Key plain, Qt::Key shifted) {
    return e->key() == plain || e->key() == shifted;
}

} // namespace

TFormKalendarz::TFormKalendarz(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Kalendarz"));
    setModal(true);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(ClientWidth, ClientHeight);
    BuildControls();
    // Key preview: the window's keys come before the grids' own.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    move(area.x() + area.width() / 2 - width() / 2, area.y() + area.height() / 2 - height() / 2);
    ShowDate(Now(), true);
}

void TFormKalendarz::BuildControls() {
    LabelYear = BarLabel(QString(), this);
    LabelYear->setGeometry(10, 10, 472, 17);

    PopupMenu = new TBcBarPopupMenu(this);
    ConfigureBarlessMenu(*PopupMenu);
    mDodajWpis = PopupMenu->addAction(QStringLiteral("Dodaj wpis terminarza"));
    PopupMenu->addSeparator();
    mNastepnyRok = PopupMenu->addAction(QString::fromUtf8("Następny rok"));
    mPoprzedniRok = PopupMenu->addAction(QStringLiteral("Poprzedni rok"));
    connect(mDodajWpis, &QAction::triggered, this, &TFormKalendarz::ButtonInsertClick);
    connect(mNastepnyRok, &QAction::triggered, this, &TFormKalendarz::ButtonNextClick);
    connect(mPoprzedniRok, &QAction::triggered, this, &TFormKalendarz::ButtonPrevClick);

    for (int i = 0; i < 12; ++i) {
        const int left = 10 + 120 * (i % 4);
        const int top = 35 + 103 * (i / 4);
        QLabel* heading = BarLabel(QString::fromUtf8(MonthHeadings[i]), this);
        heading->setGeometry(left, top, 112, 13);
        MonthLabels << heading;
        auto* grid = new TCCalendar(this);
        grid->setGeometry(left, top + 13, 112, 77);
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this,
                [this, grid](QPoint pos) { PopupMenu->popup(grid->mapToGlobal(pos)); });
        connect(grid, &TCCalendar::Changed, this, [this, grid] { CCalendar1Change(grid); });
        connect(grid, &TCCalendar::DoubleClicked, this, [this, grid] { CCalendar1DblClick(grid); });
        Calendars << grid;
    }

    PanelDate = new QFrame(this);
    PanelDate->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelDate->setAutoFillBackground(true);
    QPalette white = PanelDate->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    PanelDate->setPalette(white);
    PanelDate->setGeometry(10, 344, 135, 25);
    LabelDate = new QLabel(PanelDate);
    LabelDate->setGeometry(10, 6, 122, 14);

    ButtonClose = new QPushButton(QStringLiteral("Zamknij"), this);
    ButtonClose->setGeometry(197, 344, 75, 25);

    FrameButtons = new QFrame(this);
    FrameButtons->setFrameStyle(QFrame::Box | QFrame::Sunken);
    FrameButtons->setGeometry(325, 339, 155, 32);
    ButtonInsert = new QPushButton(QStringLiteral("+"), this);
    ButtonInsert->setGeometry(342, 344, 20, 22);
    ButtonInsert->setToolTip(QStringLiteral("Dodaj wpis terminarza"));
    ButtonInsert->setDefault(true);
    ButtonPrev = new QPushButton(QStringLiteral("<<"), this);
    ButtonPrev->setGeometry(380, 344, 40, 22);
    ButtonPrev->setToolTip(QStringLiteral("Poprzedni rok"));
    ButtonNext = new QPushButton(QStringLiteral(">>"), this);
    ButtonNext->setGeometry(430, 344, 40, 22);
    ButtonNext->setToolTip(QString::fromUtf8("Następny rok"));

    connect(ButtonClose, &QPushButton::clicked, this, &TFormKalendarz::ButtonCloseClick);
    connect(ButtonInsert, &QPushButton::clicked, this, &TFormKalendarz::ButtonInsertClick);
    connect(ButtonPrev, &QPushButton::clicked, this, &TFormKalendarz::ButtonPrevClick);
    connect(ButtonNext, &QPushButton::clicked, this, &TFormKalendarz::ButtonNextClick);

    QList<QWidget*> order{ButtonClose};
    for (TCCalendar* grid : Calendars)
        order << grid;
    order << ButtonNext << ButtonPrev << ButtonInsert;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

TCCalendar* TFormKalendarz::MonthGrid(int month) const {
    return Calendars.value(month - 1);
}

bool TFormKalendarz::IsSelectedMonth(const TCCalendar* grid) const {
    return grid->backgroundRole() == QPalette::Base;
}

void TFormKalendarz::ShowDate(TDateTime date, bool rebuild) {
    Updating = true;
    LabelDate->setText(DateCaption(date));
    SelectedDate = date;
    LabelYear->setText(YearCaption(date));
    ForceForeground();
    const TDateParts p = DecodeDate(date);
    const TCCalendar* selected = MonthGrid(p.Month);
    // A day chosen in the selected month: that grid is up to date already.
    if (!rebuild && IsSelectedMonth(selected) && selected->Year() == p.Year) {
        Updating = false;
        return;
    }
    for (int month = 1; month <= 12; ++month)
        SetupMonthGrid(MonthGrid(month), date, month);
    MonthGrid(p.Month)->setFocus();
    Updating = false;
}

void TFormKalendarz::SetupMonthGrid(TCCalendar* grid, TDateTime date, int month) {
    const TDateParts p = DecodeDate(date);
    if (month == p.Month) {
        grid->setBackgroundRole(QPalette::Base);
        grid->SetCalendarDate(date);
    } else {
        // No day number highlighted but the selected one.
        grid->setBackgroundRole(QPalette::Button);
        grid->SetResting(p.Year, month);
    }
}

void TFormKalendarz::ForceForeground() {
    if (!isVisible())
        return;
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    if (QApplication::activeWindow() == this)
        return;
    raise();
    activateWindow();
}

void TFormKalendarz::setVisible(bool visible) {
    const bool showing = visible && !isVisible();
    QDialog::setVisible(visible);
    if (showing)
        ForceForeground();
}

void TFormKalendarz::CCalendar1Change(TCCalendar* grid) {
    if (Updating)
        return;
    ShowDate(grid->CalendarDate(), false);
}

void TFormKalendarz::CCalendar1DblClick(TCCalendar* grid) {
    // The first click on a day of another month has made that month the selected one.
    if (IsSelectedMonth(grid))
        ButtonInsertClick();
    else
        Platform().Beeper->Beep();
}

void TFormKalendarz::StepYears(int years) {
    if (Updating)
        return;
    const std::optional<TDateTime> date = StepYear(SelectedDate, years);
    if (!date) {
        Platform().Beeper->Beep();
        return;
    }
    ShowDate(*date, true);
}

void TFormKalendarz::ButtonNextClick() {
    StepYears(1);
}

void TFormKalendarz::ButtonPrevClick() {
    StepYears(-1);
}

void TFormKalendarz::ButtonCloseClick() {
    accept();
}

void TFormKalendarz::ButtonInsertClick() {
    // Told before anything is typed that would be lost.
    if (!TimetableHasRoom())
        return;
    auto editor = std::make_unique<TFormTerminarz>(this);
    FormTerminarz = editor.get();
    struct TClearReference {
        ~TClearReference() { FormTerminarz = nullptr; }
    } clearReference;
    editor->SetupNewEntry(SelectedDate);
    const int result = editor->exec();
    if (ShuttingDown())
        return;
    if (result != QDialog::Accepted) {
        TakeBackActivation(this);
        return;
    }
    if (Timetable().Insert(editor->Entry) >= 0)
        Timetable().Save();
    else
        TimetableHasRoom();
    TakeBackActivation(this);
}

bool TFormKalendarz::FormKeyDown(QKeyEvent* e) {
    if (e->key() == Qt::Key_Insert) {
        ButtonInsertClick();
        return true;
    }
    if (IsKey(e, Qt::Key_BracketRight, Qt::Key_BraceRight)) {
        ButtonNextClick();
        return true;
    }
    if (IsKey(e, Qt::Key_BracketLeft, Qt::Key_BraceLeft)) {
        ButtonPrevClick();
        return true;
    }
    if (e->key() == Qt::Key_Escape) {
        ButtonCloseClick();
        return true;
    }
    return false;
}

bool TFormKalendarz::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    // The editor and the menu handle their own keys.
    if (event->type() == QEvent::KeyPress && w && w->window() == this)
        return FormKeyDown(static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}
