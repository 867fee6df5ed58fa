#include "notes/Unitkart.h"

#include "common/Formats.h"
#include "notes/NoteCommands.h"
#include "notes/NoteText.h"
#include "notes/SheetActivation.h"
#include "notes/SheetFile.h"
#include "notes/TitleChange.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>

namespace {

const QColor NoteColour(255, 255, 183);
const QColor Silver(192, 192, 192);
constexpr int MaxTextLength = 20480;
// Beyond any real note: only a damaged file holds more, and the editor would stall on it.
constexpr int MaxLoadedLength = 65536;

QRect ScreenOf(const QWidget* w) {
    const QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

// The whole desktop, every screen together; its origin may be negative.
QList<QRect> ScreenRects() {
    QList<QRect> rects;
    for (const QScreen* s : QGuiApplication::screens())
        rects << s->geometry();
    return rects;
}

// Every screen together. Read from the list rather than from the window's own screen, which
// may be the one that is going away.
QRect Desktop() {
    QRect all;
    for (const QRect& r : ScreenRects())
        all = all.united(r);
    return all.isEmpty() ? QRect(0, 0, 1024, 768) : all;
}

// The screen that holds most of `r`; the primary one when none holds any of it.
QRect HoldingScreen(const QRect& r) {
    QRect holder;
    qint64 most = 0;
    for (const QRect& s : ScreenRects()) {
        const QRect common = s.intersected(r);
        const qint64 area = qint64(common.width()) * common.height();
        if (!common.isEmpty() && area > most) {
            holder = s;
            most = area;
        }
    }
    if (holder.isEmpty()) {
        const QScreen* primary = QGuiApplication::primaryScreen();
        holder = primary ? primary->geometry() : QRect(0, 0, 1024, 768);
    }
    return holder;
}

// The note's editor. What a key or a paste would bring in beyond the note's limits is cut
// before it goes in, so the text that was there stays as it was, a huge clipboard costs no
// time and undo takes the edit back in one step. Anything else that overruns the limits runs
// as one undo step, so that the change handler's cut joins it.
class TNoteMemo final : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;
    // How much of an insertion fits, the selection it replaces counted as gone.
    std::function<TFit(QStringView)> Fit;
    // An insertion was cut because of the line limit.
    std::function<void()> LinesHit;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        QString text = e->text();
        if (!Fit || isReadOnly() || !Inserting(text))
            return QPlainTextEdit::keyPressEvent(e);
        text.replace('\r', '\n'); // Enter
        const TFit fit = Fit(text);
        if (fit.Keep == text.size())
            return QPlainTextEdit::keyPressEvent(e);
        if (fit.LinesHit && LinesHit)
            LinesHit();
        if (fit.Keep > 0)
            insertPlainText(text.left(fit.Keep));
        e->accept();
    }
    void inputMethodEvent(QInputMethodEvent* e) override {
        QTextCursor step(document());
        step.beginEditBlock();
        QPlainTextEdit::inputMethodEvent(e);
        step.endEditBlock();
    }
    void insertFromMimeData(const QMimeData* source) override {
        if (!Fit || !source->hasText())
            return QPlainTextEdit::insertFromMimeData(source);
        // Every kind of line end is one break, as the editor takes it.
        QString text = source->text();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\r', '\n');
        const TFit fit = Fit(text);
        if (fit.LinesHit && LinesHit)
            LinesHit();
        if (fit.Keep > 0)
            insertPlainText(fit.Keep == text.size() ? text : text.left(fit.Keep));
    }

private:
    static bool Inserting(const QString& text) {
        return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
            return c.isPrint() || c == '\r' || c == '\t';
        });
    }
};

// An edge line or grip of one fixed colour. Painted directly: a palette of its own per strip
// costs more memory than the strip itself, and a desktop may hold hundreds of notes.
class TStrip final : public QWidget {
public:
    TStrip(QWidget* parent, const QColor& colour) : QWidget(parent), Colour(colour) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Colour); }

private:
    QColor Colour;
};

QWidget* Strip(QWidget* parent, const QColor& colour) {
    return new TStrip(parent, colour);
}

// The title bar changes colour with priority and activation.
QWidget* PaletteStrip(QWidget* parent, const QColor& colour) {
    auto* w = new QWidget(parent);
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    return w;
}

void SetBackground(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::Base, colour);
    w->setPalette(p);
}

} // namespace

QString TFormKartka::NoteText() const {
    // The raw text keeps non-breaking spaces, which Windows-1250 holds too.
    QString text = Memo->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, '\n');
    text.replace(QChar::LineSeparator, '\n');
    return text;
}

QStringList SplitNoteText(const QString& text) {
    if (text.isEmpty())
        return {};
    return text.split('\n');
}

TTitleButton::TTitleButton(TMotif motif, QWidget* parent) : QAbstractButton(parent), Motif(motif) {
    setFocusPolicy(Qt::NoFocus);
    setCheckable(motif != TMotif::Close);
}

void TTitleButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool down = isChecked();
    const bool pressed = isDown();
    const bool enabled = isEnabled();
    if (pressed || down) {
        p.setPen(QColor(128, 128, 128));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    const QColor grey = enabled ? QColor(96, 96, 96) : QColor(170, 170, 170);
    const QColor red = enabled ? QColor(220, 0, 0) : QColor(220, 150, 150);
    const QPoint o = pressed ? QPoint(1, 1) : QPoint(0, 0);
    p.translate(o);
    switch (Motif) {
    case TMotif::Clock: {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
        p.setPen(QPen(down ? red : Qt::black, 1.2));
        p.drawLine(QPointF(6, 6), QPointF(6, 3));
        p.drawLine(QPointF(6, 6), QPointF(8.5, 6));
        break;
    }
    case TMotif::MoveLock: {
        const QColor c = down ? QColor(255, 110, 110) : grey;
        p.setPen(c);
        p.drawLine(6, 1, 6, 10);
        p.drawLine(1, 5, 11, 5);
        p.drawLine(5, 2, 7, 2);
        p.drawLine(5, 9, 7, 9);
        p.drawLine(2, 4, 2, 6);
        p.drawLine(10, 4, 10, 6);
        if (down)
            p.drawRect(0, 0, 11, 10);
        break;
    }
    case TMotif::HiPrior: {
        const QColor c = down ? red : grey;
        p.fillRect(5, 1, 2, 6, c);
        p.fillRect(5, 9, 2, 2, c);
        break;
    }
    case TMotif::Close: {
        p.setPen(QPen(grey, 1.5));
        p.drawLine(2, 2, 9, 9);
        p.drawLine(9, 2, 2, 9);
        break;
    }
    }
}

TFormKartka::TFormKartka(bool* altTabFlag, QPointer<QWidget>* lastActiveSlot,
                         TClosedCallback onClosed, QWidget* mainForm, bool editTitleAtCreate,
                         int alphaInactive, int alphaActive, bool autoresize, bool persistent,
                         const QString& path, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), AltTabFlag(altTabFlag),
      LastActiveSlot(lastActiveSlot), OnClosed(std::move(onClosed)), MainForm(mainForm) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    BuildControls();
    AlphaActive = alphaActive;
    AlphaInactive = alphaInactive;
    ApplyAlpha(AlphaActive);
    FileExisted = !path.isEmpty() && QFileInfo::exists(path);
    // A collapsed note loads at its title bar's height; Collapse/Expand then set the limit.
    // The largest size comes from the screen that holds the note, once it is placed.
    setMinimumSize(50, TitleBarHeight + 1);
    resize(104, 104);
    Storage =
        new TSheetStorage(path, persistent, TitleBarHeight + 1, autoresize, this, Now(), this);
    setWindowTitle(LabelTitle->text());
    ApplyPriorityLook();
    if (IsCollapsed())
        Collapse();
    else
        Expand();
    show();
    SetActivation(ActivationEnabled); // a note saved armed alarms within 10 s of the start
    SetReadOnly(false);
    SetLocked(SpeedButtonMoveLock->isChecked());
    Persistent = persistent;
    // EditTitleTimer: a new note opens with its title being typed; one from a file does not.
    if (editTitleAtCreate)
        QTimer::singleShot(50, this, [this] {
            if (Persistent && !FileExisted)
                StartTitleEdit();
        });
    connect(Memo->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) {
                if (!CuttingInsertion) {
                    EditPosition = position;
                    EditAdded = added;
                }
            });
    connect(Memo, &QPlainTextEdit::textChanged, this, &TFormKartka::MemoChange);
    // The keys of the note commands work wherever the focus is inside the note.
    addActions(TNoteCommands::Instance().KeyedActions());
}

void TFormKartka::MemoChange() {
    if (CuttingInsertion)
        return;
    // Only what the edit brought in is cut, so a key typed into a full note never costs the
    // note its end; a longer note from its file keeps its text and may not grow past it.
    const auto cut = LimitInsertion(Memo->document()->toRawText(), EditPosition, EditAdded, Limits);
    EditAdded = 0;
    if (cut) {
        if (cut->LinesHit)
            WarnLineLimit();
        CuttingInsertion = true;
        QTextCursor c(Memo->document());
        // Part of the edit it trims: one undo takes both back.
        c.joinPreviousEditBlock();
        c.setPosition(cut->From);
        c.setPosition(cut->From + cut->Length, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        c.endEditBlock();
        CuttingInsertion = false;
    }
    Storage->MarkModified(false);
}

void TFormKartka::WarnLineLimit() {
    // After the edit, once: never from inside the editor's change signal.
    if (LineWarningDue)
        return;
    LineWarningDue = true;
    QTimer::singleShot(0, this, [this] {
        LineWarningDue = false;
        MessageBox(this, QStringLiteral("Maksymalna liczba linii wynosi %1 !").arg(MaxSheetLines),
                   QString::fromUtf8("Ostrzeżenie"), TMsgButtons::OK, TMsgIcon::Warning);
    });
}

TFit TFormKartka::FitIntoNote(QStringView inserted) const {
    const QTextCursor c = Memo->textCursor();
    QString rest = Memo->document()->toRawText();
    rest.remove(c.selectionStart(), c.selectionEnd() - c.selectionStart());
    return FitInsertion(inserted, rest.size(), HardLines(rest), Limits);
}

TFormKartka::~TFormKartka() = default;

void TFormKartka::BuildControls() {
    setAutoFillBackground(true);
    SetBackground(this, NoteColour);
    QFont formFont(QStringLiteral("MS Sans Serif"));
    formFont.setPixelSize(11);
    setFont(formFont);

    auto* memo = new TNoteMemo(this);
    memo->Fit = [this](QStringView inserted) { return FitIntoNote(inserted); };
    memo->LinesHit = [this] { WarnLineLimit(); };
    Memo = memo;
    Memo->setFrameShape(QFrame::NoFrame);
    Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo->setTabChangesFocus(false);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo->document()->setDocumentMargin(0);
    QFont memoFont(QStringLiteral("Verdana"));
    memoFont.setPixelSize(12);
    Memo->setFont(memoFont);
    SetBackground(Memo, NoteColour);
    SetBackground(Memo->viewport(), NoteColour);
    Memo->installEventFilter(this);
    // The right button opens the note's menu, never the editor's own.
    Memo->viewport()->installEventFilter(this);

    Panel4 = Strip(this, NoteColour);
    Panel3 = Strip(this, NoteColour);
    PanelRight = Strip(this, Qt::black);
    Panel2 = Strip(this, Silver);
    PanelBottom = Strip(this, Qt::black);
    PanelRightBottom = Strip(this, Qt::black);
    Panel5 = Strip(this, NoteColour);

    Panel = PaletteStrip(this, QColor(255, 255, 149));
    LabelTitle = new QLabel(Panel);
    // A title from a file is shown as it is written, never as markup.
    LabelTitle->setTextFormat(Qt::PlainText);
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(12);
    titleFont.setBold(true);
    LabelTitle->setFont(titleFont);
    SetTitleColour(QColor(128, 128, 0));
    SpeedButtonActivateAt = new TTitleButton(TTitleButton::TMotif::Clock, Panel);
    SpeedButtonMoveLock = new TTitleButton(TTitleButton::TMotif::MoveLock, Panel);
    SpeedButtonHiPrior = new TTitleButton(TTitleButton::TMotif::HiPrior, Panel);
    SpeedButtonClose = new TTitleButton(TTitleButton::TMotif::Close, Panel);
    Panel->installEventFilter(this);
    LabelTitle->installEventFilter(this);

    PanelLeft = Strip(this, Silver);
    Panel1 = Strip(this, Silver);
    PanelRightTop = Strip(this, Qt::black);

    Grips = {{PanelRight, true, false}, {PanelRightTop, true, false},
             {Panel3, true, false},     {PanelBottom, false, true},
             {Panel4, false, true},     {PanelRightBottom, true, true},
             {Panel5, true, true}};
    for (const TGrip& g : Grips) {
        g.Widget->installEventFilter(this);
        g.Widget->setCursor(g.Width && g.Height ? Qt::SizeFDiagCursor
                            : g.Width           ? Qt::SizeHorCursor
                                                : Qt::SizeVerCursor);
    }
    // Later ones lie on top.
    for (QWidget* w : {static_cast<QWidget*>(Memo), Panel4, Panel3, PanelRight, Panel2, PanelBottom,
                       PanelRightBottom, Panel5, Panel, PanelLeft, Panel1, PanelRightTop})
        w->raise();
    Panel1->setObjectName(QStringLiteral("Panel1"));
    PanelLeft->setObjectName(QStringLiteral("PanelLeft"));
    Panel2->setObjectName(QStringLiteral("Panel2"));
    PanelRight->setObjectName(QStringLiteral("PanelRight"));
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel5->setObjectName(QStringLiteral("Panel5"));

    connect(SpeedButtonHiPrior, &QAbstractButton::clicked, this, [this] {
        ApplyPriorityLook();
        Storage->MarkModified(true);
    });
    connect(SpeedButtonMoveLock, &QAbstractButton::clicked, this, [this](bool down) {
        if (down && TitleEditor)
            TitleEditor->Commit();
        SetLocked(down);
        Storage->MarkModified(true);
    });
    connect(SpeedButtonClose, &QAbstractButton::clicked, this, &TFormKartka::Discard);
    connect(SpeedButtonActivateAt, &QAbstractButton::clicked, this,
            &TFormKartka::ActivationCommand);
    SpeedButtonClose->setToolTip(QString::fromUtf8("Wyrzuć kartkę (Ctrl+F4)"));
    SpeedButtonHiPrior->setToolTip(QString::fromUtf8("Wysoki priorytet karteczki (F9)"));
    SpeedButtonMoveLock->setToolTip(QString::fromUtf8("Blokuj pozycję i zawartość karteczki (F8)"));
    SpeedButtonActivateAt->setToolTip(QString::fromUtf8("Aktywuj karteczkę (F2)"));
    Memo->setFocus();
}

void TFormKartka::LayoutControls() {
    const int w = width();
    const int h = height();
    Panel->setGeometry(0, 0, w, TitleBarHeight);
    LabelTitle->setGeometry(3, 0, w - 57, 13);
    SpeedButtonActivateAt->setGeometry(w - 54, 2, 13, 12);
    SpeedButtonMoveLock->setGeometry(w - 40, 2, 12, 12);
    SpeedButtonHiPrior->setGeometry(w - 27, 2, 12, 12);
    SpeedButtonClose->setGeometry(w - 14, 2, 12, 12);
    Memo->setGeometry(3, 15, w - 6, h - 17);
    Panel1->setGeometry(0, 0, w, 1);
    PanelLeft->setGeometry(0, 0, 1, h);
    Panel2->setGeometry(0, 15, w - 1, 1);
    PanelRight->setGeometry(w - 1, 0, 1, h - 2);
    PanelRightTop->setGeometry(w - 1, 0, 1, 15);
    Panel3->setGeometry(w - 3, 15, 2, h - 21);
    PanelBottom->setGeometry(0, h - 1, w - 2, 1);
    Panel4->setGeometry(0, h - 3, w - 6, 2);
    PanelRightBottom->setGeometry(w - 6, h - 6, 6, 6);
    Panel5->setGeometry(w - 6, h - 6, 5, 5);
}

void TFormKartka::resizeEvent(QResizeEvent*) {
    LayoutControls();
    if (Discarding)
        return;
    SetReadOnly(!Persistent || Locked || IsCollapsed());
}

void TFormKartka::SetTitleColour(const QColor& colour) {
    QPalette p = LabelTitle->palette();
    p.setColor(QPalette::WindowText, colour);
    LabelTitle->setPalette(p);
}

void TFormKartka::ApplyAlpha(int alpha) {
    setWindowOpacity(alpha / 255.0);
    // Fully opaque, the note is an ordinary window again: listed in the task switcher.
    if (alpha == 255)
        Platform().WindowStyles->SetSkipSwitcher(this, false);
    AlphaCurrent = alpha;
}

void TFormKartka::SetSwitcherStyle(bool active) {
    if (AltTabFlag && *AltTabFlag)
        return;
    // Listed (and opaque until the next ApplyAlpha) only while active.
    Platform().WindowStyles->SetSkipSwitcher(this, !active);
    if (active)
        setWindowOpacity(1.0);
}

void TFormKartka::ApplyPriorityLook() {
    static const QColor looks[2][2] = {{QColor(255, 255, 149), QColor(193, 193, 255)},
                                       {QColor(244, 216, 11), QColor(157, 157, 255)}};
    SetTitleBarColour(looks[SpeedButtonHiPrior->isChecked()][IsActive]);
}

void TFormKartka::SetTitleBarColour(const QColor& colour) {
    SetBackground(Panel, colour);
    Panel->update();
}

void TFormKartka::SetReadOnly(bool readOnly) {
    Memo->setReadOnly(readOnly);
}

void TFormKartka::SetLocked(bool locked) {
    SpeedButtonMoveLock->setChecked(locked);
    Locked = locked;
    SetReadOnly(locked || !Persistent || IsCollapsed());
}

void TFormKartka::Collapse() {
    setMinimumHeight(TitleBarHeight + 1);
    resize(width(), TitleBarHeight + 1);
    for (QWidget* w : {PanelBottom, PanelRightBottom, PanelRightTop})
        w->setCursor(Qt::ArrowCursor);
}

void TFormKartka::Expand() {
    setMinimumHeight(2 * TitleBarHeight);
    PanelBottom->setCursor(Qt::SizeVerCursor);
    PanelRightBottom->setCursor(Qt::SizeFDiagCursor);
    PanelRightTop->setCursor(Qt::SizeHorCursor);
    resize(width(), ExpandedHeight);
}

void TFormKartka::ToggleCollapse() {
    if (IsCollapsed())
        Expand();
    else
        Collapse();
    Storage->MarkModified(true);
}

void TFormKartka::RestoreSavedPosition() {
    PlaceOnScreen({Storage->LastLeft, Storage->LastTop});
}

void TFormKartka::PlaceOnScreen(QPoint wanted) {
    const QList<QRect> screens = ScreenRects();
    auto reachable = [&] {
        return KeepVisible(PlaceOnScreens(wanted, size(), screens), width(), Desktop());
    };
    const QRect holder = HoldingScreen(QRect(reachable(), size()));
    setMaximumSize(holder.width() - 30, holder.height() - 30);
    const QPoint place = reachable(); // the limits may have made the note smaller
    move(place);
    // Put on another screen because its own is gone, the note keeps its place in its file
    // until the user moves it: it goes back there when that screen returns.
    if (PlaceOnScreens(wanted, size(), screens) != wanted) {
        Home = wanted;
        HomeShownAt = place;
    } else {
        Home.reset();
    }
}

QPoint TFormKartka::OwnPlace() const {
    return Home && pos() == HomeShownAt ? *Home : pos();
}

void TFormKartka::CenterOnScreen() {
    const QRect s = ScreenOf(this);
    move(s.x() + s.width() / 2 - width() / 2, s.y() + s.height() / 2 - ExpandedHeight / 2);
}

void TFormKartka::KeepOnScreen() {
    const QRect d = Desktop();
    QPoint p = pos();
    if (p.x() < d.left())
        p.setX(d.left());
    if (p.x() + width() > d.left() + d.width())
        p.setX(d.left() + d.width() - width());
    if (p.y() < d.top())
        p.setY(d.top());
    if (p.y() + 40 > d.top() + d.height())
        p.setY(d.top() + d.height() - 40);
    move(p);
}

void TFormKartka::showEvent(QShowEvent* e) {
    SetSwitcherStyle(false);
    const bool home = Home && pos() == HomeShownAt;
    KeepOnScreen();
    if (home)
        HomeShownAt = pos();
    QWidget::showEvent(e);
}

void TFormKartka::MoveByKeyboard(int key) {
    QPoint p = pos();
    switch (key) {
    case Qt::Key_Left:
        p.rx() -= 30;
        break;
    case Qt::Key_Right:
        p.rx() += 30;
        break;
    case Qt::Key_Up:
        p.ry() -= 30;
        break;
    case Qt::Key_Down:
        p.ry() += 30;
        break;
    default:
        break;
    }
    move(KeepVisible(p, width(), Desktop()));
    Home.reset();
    Storage->MarkModified(true);
}

bool TFormKartka::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    const bool editor = watched == Memo || (TitleEditor && watched == TitleEditor);
    if (type == QEvent::ContextMenu &&
        (editor || watched == Memo->viewport() || watched == Panel || watched == LabelTitle)) {
        OpenPopupMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (editor && type == QEvent::ShortcutOverride) {
        // The editors would keep some of the note's keys for themselves (Ctrl+E moves to the
        // end of a line there); select-all is theirs either way.
        auto* k = static_cast<QKeyEvent*>(event);
        const QKeySequence key(k->keyCombination());
        if (key != QKeySequence(QKeySequence::SelectAll) &&
            TNoteCommands::Instance().IsCommandKey(key)) {
            event->ignore();
            return true;
        }
        return false;
    }
    if (editor && type == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        const auto mods =
            k->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier);
        const bool arrow = k->key() == Qt::Key_Left || k->key() == Qt::Key_Right ||
                           k->key() == Qt::Key_Up || k->key() == Qt::Key_Down;
        if (mods == Qt::AltModifier) {
            // Any key with Alt pulls the note into reach; only the arrows move it, and only
            // they are kept from the editor.
            MoveByKeyboard(k->key());
            return arrow;
        }
        return false;
    }
    auto* m = dynamic_cast<QMouseEvent*>(event);
    if (!m)
        return QWidget::eventFilter(watched, event);
    if (watched == Panel || watched == LabelTitle) {
        if (type == QEvent::MouseButtonPress && m->button() == Qt::LeftButton) {
            MoveGrab = m->globalPosition().toPoint() - pos();
            return true;
        }
        if (type == QEvent::MouseMove && (m->buttons() & Qt::LeftButton) && !Locked) {
            Storage->MarkModified(true);
            Home.reset();
            // From the pointer's place, not by deltas: X11 moves arrive late.
            move(m->globalPosition().toPoint() - MoveGrab);
            return true;
        }
        if (type == QEvent::MouseButtonDblClick && m->button() == Qt::LeftButton) {
            ToggleCollapse();
            return true;
        }
        if (type == QEvent::MouseButtonPress && m->button() == Qt::MiddleButton) {
            StartTitleEdit();
            return true;
        }
        return false;
    }
    for (const TGrip& g : Grips) {
        if (watched != g.Widget || IsCollapsed())
            continue;
        if (type == QEvent::MouseButtonPress && m->button() == Qt::LeftButton) {
            ResizeGrabGlobal = m->globalPosition().toPoint();
            ResizeStartSize = size();
            return true;
        }
        if (type == QEvent::MouseMove && (m->buttons() & Qt::LeftButton)) {
            const QPoint d = m->globalPosition().toPoint() - ResizeGrabGlobal;
            QSize s = ResizeStartSize;
            if (g.Width)
                s.rwidth() += d.x();
            if (g.Height)
                s.rheight() += d.y();
            resize(s.boundedTo(maximumSize()).expandedTo(minimumSize()));
            ExpandedHeight = height();
            Storage->MarkModified(true);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormKartka::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) {
            SetTitleColour(Qt::black);
            IsActive = true;
            ApplyPriorityLook();
            SetSwitcherStyle(true);
            if (LastActiveSlot)
                *LastActiveSlot = this;
        } else if (!Discarding) {
            if (TitleEditor)
                TitleEditor->Commit();
            IsActive = false;
            ApplyPriorityLook();
            SetTitleColour(QColor(128, 128, 128));
            SetSwitcherStyle(false);
        }
    }
    QWidget::changeEvent(e);
}

void TFormKartka::Discard() {
    Discarding = true;
    close();
}

void TFormKartka::closeEvent(QCloseEvent* e) {
    if (Closed) {
        e->accept();
        return;
    }
    bool deleteFile = false;
    if (Discarding) {
        if (Platform().Keyboard->ShiftDown()) {
            const auto answer = MessageBox(
                this,
                QString::fromUtf8("Wyrzucasz karteczkę przytrzymując klawisz SHIFT!\n\n"
                                  "W ten sposób wyrzuconej karteczki nie można potem odzyskać.\n\n"
                                  "Czy na pewno wyrzucić karteczkę?"),
                QStringLiteral("Notella"), TMsgButtons::YesNo, TMsgIcon::Error, TMsgResult::No);
            if (answer != TMsgResult::Yes) {
                Discarding = false;
                e->ignore();
                return;
            }
            deleteFile = true;
        } else if (SpeedButtonHiPrior->isChecked()) {
            const auto answer =
                MessageBox(this,
                           QString::fromUtf8("Karteczka z wysokim priorytetem.\n\n"
                                             "Czy wyrzucić karteczkę ?"),
                           QStringLiteral("Notella"), TMsgButtons::YesNo, TMsgIcon::Warning);
            if (answer != TMsgResult::Yes) {
                Discarding = false;
                e->ignore();
                return;
            }
        }
    }
    // A title being typed is part of the note that goes to the trash.
    if (TitleEditor)
        TitleEditor->Commit();
    delete Activation; // no alarm goes on for a note that is gone
    Activation = nullptr;
    if (deleteFile)
        QFile::remove(Storage->FileName);
    else
        Storage->FlushPendingSave(); // the trash gets what was typed a moment ago
    Storage->MoveToTrash();
    Closed = true;
    e->accept();
    if (OnClosed)
        OnClosed(this, 1);
    deleteLater();
}

TSheetRecord TFormKartka::CurrentRecord() const {
    TSheetRecord r;
    r.Width = width();
    r.MinHeight = height();
    r.Height = ExpandedHeight;
    const QPoint place = OwnPlace();
    r.Left = place.x();
    r.Top = place.y();
    r.Title = LabelTitle->text();
    r.HiPrior = SpeedButtonHiPrior->isChecked();
    r.Blocked = SpeedButtonMoveLock->isChecked();
    r.ActivationEnabled = ActivationEnabled;
    r.ActivationTime = ActivationTime;
    r.Lines = SplitNoteText(NoteText());
    return r;
}

QPoint TFormKartka::ApplyRecord(const TSheetRecord& r) {
    // Bounded once the note is placed, by the screen that holds it.
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(r.Width, r.MinHeight);
    ExpandedHeight = r.Height;
    const QRect screen = ScreenOf(this);
    const QPoint loaded(r.Left.value_or(screen.x() + screen.width() / 2 - width() / 2),
                        r.Top.value_or(screen.y() + screen.height() / 2 - height() / 2));
    LabelTitle->setText(r.Title);
    SpeedButtonHiPrior->setChecked(r.HiPrior);
    SpeedButtonMoveLock->setChecked(r.Blocked);
    ActivationEnabled = r.ActivationEnabled;
    ActivationTime = r.ActivationTime;
    {
        const QSignalBlocker quiet(Memo);
        const QString text = r.Lines.join('\n').left(MaxLoadedLength);
        Limits.Characters = std::max<qsizetype>(MaxTextLength, text.size());
        Limits.Lines = std::max<qsizetype>(MaxSheetLines, HardLines(text));
        Memo->setPlainText(text);
        Memo->moveCursor(QTextCursor::Start);
    }
    PlaceOnScreen(loaded);
    // The editor takes its width now, not at the first show: the line count of the loaded
    // text must be the one the next edit is compared with.
    LayoutControls();
    return loaded;
}

bool TFormKartka::TextEmpty() const {
    return Memo->document()->isEmpty();
}

int TFormKartka::DisplayedLineCount() const {
    // Laid out here rather than read from the editor, whose layout is lazy.
    const qreal width = std::max(1, Memo->width());
    int count = 0;
    const QStringList lines = SplitNoteText(Memo->toPlainText());
    for (const QString& line : lines) {
        if (line.isEmpty()) {
            ++count;
            continue;
        }
        QTextLayout layout(line, Memo->font());
        QTextOption wrap;
        wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(wrap);
        layout.beginLayout();
        for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
            l.setLineWidth(width);
            ++count;
        }
        layout.endLayout();
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        --count;
    return count;
}

void TFormKartka::SetWindowHeight(int h) {
    resize(width(), h);
}
