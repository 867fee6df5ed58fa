#include "notes/Unitkart.h"

#include "common/Formats.h"
#include "menus/BcBarPopupMenu.h"
#include "notes/NoteCommands.h"
#include "notes/NotePainting.h"
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
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QToolTip>

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
        // A note is plain text: data without text brings nothing. (Qt's own insertion crashes
        // on the empty X selection a middle click finds when nothing is selected anywhere.)
        if (!source || !source->hasText())
            return;
        if (!Fit)
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

} // namespace

QString TFormKartka::NoteText() const {
    if (!Memo)
        return PaintedText;
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

TFormKartka::TFormKartka(bool* altTabFlag, QPointer<QWidget>* lastActiveSlot,
                         TClosedCallback onClosed, QWidget* mainForm, bool editTitleAtCreate,
                         int alphaInactive, int alphaActive, bool autoresize, bool persistent,
                         const QString& path, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), AltTabFlag(altTabFlag),
      LastActiveSlot(lastActiveSlot), OnClosed(std::move(onClosed)), MainForm(mainForm) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The note paints all of itself, its background too.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true); // the pointer's shape follows the edges
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    MemoFont = QFont(QStringLiteral("Verdana"));
    MemoFont.setPixelSize(12);
    ActivateHint = QString::fromUtf8("Aktywuj karteczkę (F2)");
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
    setWindowTitle(TitleText);
    ApplyPriorityLook();
    if (IsCollapsed())
        Collapse();
    else
        Expand();
    show();
    SetActivation(ActivationEnabled); // a note saved armed alarms within 10 s of the start
    SetReadOnly(false);
    SetLocked(Locked);
    Persistent = persistent;
    // EditTitleTimer: a new note opens with its title being typed; one from a file does not.
    if (editTitleAtCreate)
        QTimer::singleShot(50, this, [this] {
            if (Persistent && !FileExisted)
                StartTitleEdit();
        });
    // The keys of the note commands work wherever the focus is inside the note.
    addActions(TNoteCommands::Instance().KeyedActions());
}

QPlainTextEdit* TFormKartka::Editor() {
    if (!Memo)
        MakeEditor();
    return Memo;
}

void TFormKartka::MakeEditor() {
    auto* memo = new TNoteMemo(this);
    memo->Fit = [this](QStringView inserted) { return FitIntoNote(inserted); };
    memo->LinesHit = [this] { WarnLineLimit(); };
    Memo = memo;
    SetUpNoteEditor(Memo, MemoFont);
    Memo->setReadOnly(ReadOnly);
    Memo->setPlainText(PaintedText);
    Memo->installEventFilter(this);
    // The right button opens the note's menu, never the editor's own.
    Memo->viewport()->installEventFilter(this);
    LayoutControls();
    Memo->show();
    QTextCursor c(Memo->document());
    c.setPosition(AnchorPos);
    c.setPosition(CaretPos, QTextCursor::KeepAnchor);
    Memo->setTextCursor(c);
    Memo->verticalScrollBar()->setValue(FirstLine);
    PaintedText.clear();
    connect(Memo->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) {
                if (!CuttingInsertion) {
                    EditPosition = position;
                    EditAdded = added;
                }
            });
    connect(Memo, &QPlainTextEdit::textChanged, this, &TFormKartka::MemoChange);
    if (hasFocus())
        Memo->setFocus();
    if (!isActiveWindow())
        ScheduleEditorDrop();
}

void TFormKartka::DropEditor() {
    EditorRelease.stop();
    if (!Memo)
        return;
    const QTextCursor c = Memo->textCursor();
    const int firstLine = Memo->verticalScrollBar()->value();
    PaintedText = NoteText();
    CaretPos = c.position();
    AnchorPos = c.anchor();
    FirstLine = firstLine;
    delete Memo;
    Memo = nullptr;
    update(TextRect());
}

void TFormKartka::ScheduleEditorDrop() {
    if (Memo)
        EditorRelease.start(EditorKeepMs, this);
}

void TFormKartka::timerEvent(QTimerEvent* e) {
    if (e->timerId() != EditorRelease.timerId())
        return QWidget::timerEvent(e);
    EditorRelease.stop();
    // Kept while the note is worked with: active, under the pointer, its menu open, or its
    // editor busy with a drag; and while it holds something to undo, which would go with it.
    const TNoteCommands& commands = TNoteCommands::Instance();
    const bool menuOpen =
        commands.MenuNote() == this && commands.Menu() && commands.Menu()->isVisible();
    if (isActiveWindow() || underMouse() || menuOpen ||
        (Memo && (Memo->underMouse() || Memo->document()->isUndoAvailable())))
        return;
    DropEditor();
}

void TFormKartka::FocusText() {
    if (Memo && Memo->focusPolicy() != Qt::NoFocus)
        Memo->setFocus();
    else if (!Memo)
        setFocus();
}

void TFormKartka::SetText(const QString& text) {
    if (Memo)
        Memo->setPlainText(text);
    else {
        PaintedText = EditorText(text);
        CaretPos = AnchorPos = FirstLine = 0;
        update(TextRect());
    }
}

void TFormKartka::SetTextFont(const QFont& font) {
    MemoFont = font;
    if (Memo)
        Memo->setFont(font);
    update(TextRect());
}

void TFormKartka::SetTitle(const QString& title) {
    TitleText = title;
    update(TitleBarRect());
}

bool TFormKartka::ButtonChecked(TTitleButton button) const {
    return button == TTitleButton::MoveLock ? Locked : Checked[int(button)];
}

QString TFormKartka::ButtonToolTip(TTitleButton button) const {
    switch (button) {
    case TTitleButton::ActivateAt:
        return ActivateHint;
    case TTitleButton::MoveLock:
        return QString::fromUtf8("Blokuj pozycję i zawartość karteczki (F8)");
    case TTitleButton::HiPrior:
        return QString::fromUtf8("Wysoki priorytet karteczki (F9)");
    case TTitleButton::Close:
        return QString::fromUtf8("Wyrzuć kartkę (Ctrl+F4)");
    }
    return {};
}

QRect TFormKartka::ButtonRect(TTitleButton button) const {
    const int w = width();
    switch (button) {
    case TTitleButton::ActivateAt:
        return {w - 54, 2, 13, 12};
    case TTitleButton::MoveLock:
        return {w - 40, 2, 12, 12};
    case TTitleButton::HiPrior:
        return {w - 27, 2, 12, 12};
    case TTitleButton::Close:
        return {w - 14, 2, 12, 12};
    }
    return {};
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

namespace {

// The edge lines and grips, bottom first: later ones lie on top, the title bar between them.
struct TEdge {
    QRect (*Place)(int w, int h);
    QColor Colour;
};
constexpr int TitleBarLayer = 7;
const TEdge Edges[] = {
    {[](int w, int h) { return QRect(0, h - 3, w - 6, 2); }, NoteColour},   // Panel4
    {[](int w, int h) { return QRect(w - 3, 15, 2, h - 21); }, NoteColour}, // Panel3
    {[](int w, int h) { return QRect(w - 1, 0, 1, h - 2); }, Qt::black},    // PanelRight
    {[](int w, int) { return QRect(0, 15, w - 1, 1); }, Silver},            // Panel2
    {[](int w, int h) { return QRect(0, h - 1, w - 2, 1); }, Qt::black},    // PanelBottom
    {[](int w, int h) { return QRect(w - 6, h - 6, 6, 6); }, Qt::black},    // PanelRightBottom
    {[](int w, int h) { return QRect(w - 6, h - 6, 5, 5); }, NoteColour},   // Panel5
    {[](int, int h) { return QRect(0, 0, 1, h); }, Silver},                 // PanelLeft
    {[](int w, int) { return QRect(0, 0, w, 1); }, Silver},                 // Panel1
    {[](int w, int) { return QRect(w - 1, 0, 1, 15); }, Qt::black},         // PanelRightTop
};

} // namespace

void TFormKartka::LayoutControls() {
    if (!Memo)
        return;
    const QRect text = TextRect();
    Memo->setGeometry(text);
    // The edge lines over its first and last row are the note's: the editor leaves them.
    Memo->setMask(QRegion(0, 1, text.width(), std::max(0, text.height() - 2)));
}

void TFormKartka::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(e->rect(), NoteColour);
    if (!Memo && !IsCollapsed() && e->rect().intersects(TextRect())) {
        p.save();
        p.setClipRect(TextRect());
        PaintText(p, e->rect());
        p.restore();
    }
    PaintFrame(p);
}

void TFormKartka::PaintText(QPainter& p, const QRect&) {
    PaintNoteText(p, TextRect(), {PaintedText, MemoFont, CaretPos, AnchorPos, FirstLine});
}

void TFormKartka::PaintFrame(QPainter& p) const {
    const int w = width();
    const int h = height();
    auto edge = [&](const TEdge& e) {
        const QRect r = e.Place(w, h);
        if (r.isValid())
            p.fillRect(r, e.Colour);
    };
    for (int i = 0; i < TitleBarLayer; ++i)
        edge(Edges[i]);
    p.fillRect(TitleBarRect(), BarColour);
    if (!TitleText.isEmpty()) {
        QFont titleFont(QStringLiteral("Arial"));
        titleFont.setPixelSize(12);
        titleFont.setBold(true);
        p.setFont(titleFont);
        p.setPen(TitleTextColour);
        const QRect place(3, 0, w - 57, 13);
        p.save();
        p.setClipRect(place);
        p.drawText(place, Qt::AlignLeft | Qt::AlignVCenter, TitleText);
        p.restore();
    }
    for (int i = 0; i < TitleButtonCount; ++i) {
        const auto b = TTitleButton(i);
        PaintTitleButton(p, b, ButtonRect(b), ButtonChecked(b), HeldButton == b && HeldInside);
    }
    for (int i = TitleBarLayer; i < int(std::size(Edges)); ++i)
        edge(Edges[i]);
}

TFormKartka::TZone TFormKartka::ZoneAt(QPoint pos, TTitleButton* button) const {
    const int w = width();
    const int h = height();
    // Topmost first: the corner lines, the title bar with its buttons, then the grips.
    if (QRect(w - 1, 0, 1, 15).contains(pos))
        return TZone::RightEdge;
    if (QRect(0, 0, w, 1).contains(pos) || QRect(0, 0, 1, h).contains(pos))
        return TZone::None;
    if (TitleBarRect().contains(pos)) {
        for (int i = TitleButtonCount - 1; i >= 0; --i)
            if (ButtonRect(TTitleButton(i)).contains(pos)) {
                if (button)
                    *button = TTitleButton(i);
                return TZone::Button;
            }
        return TZone::TitleBar;
    }
    if (QRect(w - 6, h - 6, 6, 6).contains(pos))
        return TZone::Corner;
    if (QRect(0, h - 1, w - 2, 1).contains(pos))
        return TZone::BottomEdge;
    if (QRect(0, 15, w - 1, 1).contains(pos))
        return TZone::None;
    if (QRect(w - 1, 0, 1, h - 2).contains(pos) || QRect(w - 3, 15, 2, h - 21).contains(pos))
        return TZone::RightEdge;
    if (QRect(0, h - 3, w - 6, 2).contains(pos))
        return TZone::BottomEdge;
    if (TextRect().contains(pos))
        return TZone::Text;
    return TZone::None;
}

void TFormKartka::UpdateCursor(QPoint pos) {
    Qt::CursorShape shape = Qt::ArrowCursor;
    // A collapsed note has no grips.
    if (!IsCollapsed()) {
        switch (ZoneAt(pos)) {
        case TZone::RightEdge:
            shape = Qt::SizeHorCursor;
            break;
        case TZone::BottomEdge:
            shape = Qt::SizeVerCursor;
            break;
        case TZone::Corner:
            shape = Qt::SizeFDiagCursor;
            break;
        case TZone::Text:
            shape = Qt::IBeamCursor;
            break;
        default:
            break;
        }
    }
    if (cursor().shape() != shape)
        setCursor(shape);
}

void TFormKartka::resizeEvent(QResizeEvent*) {
    LayoutControls();
    update();
    if (Discarding)
        return;
    SetReadOnly(!Persistent || Locked || IsCollapsed());
}

void TFormKartka::SetTitleColour(const QColor& colour) {
    TitleTextColour = colour;
    update(TitleBarRect());
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
    SetTitleBarColour(looks[ButtonChecked(TTitleButton::HiPrior)][IsActive]);
}

void TFormKartka::SetTitleBarColour(const QColor& colour) {
    BarColour = colour;
    update(TitleBarRect());
}

void TFormKartka::SetReadOnly(bool readOnly) {
    ReadOnly = readOnly;
    if (Memo)
        Memo->setReadOnly(readOnly);
}

void TFormKartka::SetLocked(bool locked) {
    Locked = locked;
    update(ButtonRect(TTitleButton::MoveLock));
    SetReadOnly(locked || !Persistent || IsCollapsed());
}

void TFormKartka::Collapse() {
    setMinimumHeight(TitleBarHeight + 1);
    resize(width(), TitleBarHeight + 1);
}

void TFormKartka::Expand() {
    setMinimumHeight(2 * TitleBarHeight);
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
    FitLimitsToScreen(QRect(reachable(), size()));
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

void TFormKartka::FitLimitsToScreen(const QRect& place) {
    const QRect holder = HoldingScreen(place);
    setMaximumSize(holder.width() - 30, holder.height() - 30);
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
    FitLimitsToScreen(geometry());
    Home.reset();
    Storage->MarkModified(true);
}

bool TFormKartka::MoveKey(QKeyEvent* k) {
    const auto mods = k->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier);
    if (mods != Qt::AltModifier)
        return false;
    // Any key with Alt pulls the note into reach; only the arrows move it, and only they are
    // kept from the editor.
    MoveByKeyboard(k->key());
    return k->key() == Qt::Key_Left || k->key() == Qt::Key_Right || k->key() == Qt::Key_Up ||
           k->key() == Qt::Key_Down;
}

bool TFormKartka::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    const bool editor = (Memo && watched == Memo) || (TitleEditor && watched == TitleEditor);
    if (type == QEvent::ContextMenu && (editor || (Memo && watched == Memo->viewport()))) {
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
    if (editor && type == QEvent::KeyPress)
        return MoveKey(static_cast<QKeyEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

void TFormKartka::keyPressEvent(QKeyEvent* e) {
    if (MoveKey(e))
        return;
    // A key may come before the activation that gives the text the focus: the text takes it
    // all the same, as it would had it been focused.
    // One the editor leaves comes back here, and so does one the text or the title editor
    // had the focus for and did not want (a modifier alone): it goes no further.
    const QWidget* focused = focusWidget();
    if (ForwardingKey || (focused && focused != this && focused->hasFocus()))
        return QWidget::keyPressEvent(e);
    QPlainTextEdit* editor = Editor();
    editor->setFocus(Qt::OtherFocusReason);
    ForwardingKey = true;
    QCoreApplication::sendEvent(editor, e);
    ForwardingKey = false;
}

namespace {

// The same pointer event at the same place of the screen, for another widget. One the editor
// ignores (the right button's press) comes back up to the note: it goes no further.
void ForwardMouse(QMouseEvent* e, QWidget* from, QWidget* to) {
    static bool forwarding = false;
    if (forwarding) {
        e->ignore();
        return;
    }
    const QPointF local = to->mapFrom(from, e->position());
    QMouseEvent copy(e->type(), local, e->scenePosition(), e->globalPosition(), e->button(),
                     e->buttons(), e->modifiers(), e->pointingDevice());
    copy.setTimestamp(e->timestamp());
    forwarding = true;
    QCoreApplication::sendEvent(to, &copy);
    forwarding = false;
    e->setAccepted(copy.isAccepted());
}

} // namespace

void TFormKartka::mousePressEvent(QMouseEvent* e) {
    TTitleButton button{};
    const QPoint at = e->position().toPoint();
    const TZone zone = ZoneAt(at, &button);
    if (zone == TZone::Text && !IsCollapsed()) {
        // The editor takes the press as if it had been there: the caret goes where the click was.
        Grabbed = TZone::Text;
        ForwardMouse(e, this, Editor()->viewport());
        return;
    }
    if (e->button() == Qt::MiddleButton && (zone == TZone::TitleBar || zone == TZone::Button)) {
        StartTitleEdit();
        return;
    }
    if (e->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(e);
    switch (zone) {
    case TZone::Button:
        HeldButton = button;
        HeldInside = true;
        update(ButtonRect(button));
        return;
    case TZone::TitleBar:
        Grabbed = zone;
        MoveGrab = e->globalPosition().toPoint() - pos();
        return;
    case TZone::RightEdge:
    case TZone::BottomEdge:
    case TZone::Corner:
        if (IsCollapsed())
            break;
        Grabbed = zone;
        ResizeGrabGlobal = e->globalPosition().toPoint();
        ResizeStartSize = size();
        return;
    default:
        break;
    }
    QWidget::mousePressEvent(e);
}

void TFormKartka::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    const QPoint global = e->globalPosition().toPoint();
    if (HeldButton) {
        const bool inside = ButtonRect(*HeldButton).contains(at);
        if (inside != HeldInside) {
            HeldInside = inside;
            update(ButtonRect(*HeldButton));
        }
        return;
    }
    const bool left = e->buttons() & Qt::LeftButton;
    switch (Grabbed) {
    case TZone::Text:
        if (Memo)
            ForwardMouse(e, this, Memo->viewport());
        return;
    case TZone::TitleBar:
        if (left && !Locked) {
            Storage->MarkModified(true);
            Home.reset();
            // From the pointer's place, not by deltas: X11 moves arrive late.
            move(global - MoveGrab);
        }
        return;
    case TZone::RightEdge:
    case TZone::BottomEdge:
    case TZone::Corner:
        if (left) {
            const QPoint d = global - ResizeGrabGlobal;
            QSize size = ResizeStartSize;
            if (Grabbed != TZone::BottomEdge)
                size.rwidth() += d.x();
            if (Grabbed != TZone::RightEdge)
                size.rheight() += d.y();
            resize(size.boundedTo(maximumSize()).expandedTo(minimumSize()));
            ExpandedHeight = height();
            Storage->MarkModified(true);
        }
        return;
    default:
        UpdateCursor(at);
    }
}

void TFormKartka::mouseReleaseEvent(QMouseEvent* e) {
    if (Grabbed == TZone::Text && Memo)
        ForwardMouse(e, this, Memo->viewport());
    if (Grabbed == TZone::TitleBar)
        FitLimitsToScreen(geometry()); // dropped on a screen of another size
    Grabbed = TZone::None;
    if (HeldButton && e->button() == Qt::LeftButton) {
        const TTitleButton button = *HeldButton;
        const bool clicked = HeldInside;
        HeldButton.reset();
        update(ButtonRect(button));
        if (clicked)
            ClickButton(button);
    }
}

void TFormKartka::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && ZoneAt(e->position().toPoint()) == TZone::TitleBar)
        ToggleCollapse();
    else
        mousePressEvent(e);
}

void TFormKartka::ClickButton(TTitleButton button) {
    // A button is its command's other way in.
    static constexpr TNoteCommand commands[TitleButtonCount] = {
        TNoteCommand::ActivationTime, TNoteCommand::Lock, TNoteCommand::Priority,
        TNoteCommand::Discard};
    RunCommand(commands[int(button)]);
}

void TFormKartka::contextMenuEvent(QContextMenuEvent* e) {
    const TZone zone = ZoneAt(e->pos());
    if (e->reason() == QContextMenuEvent::Keyboard || zone == TZone::Text ||
        zone == TZone::TitleBar || zone == TZone::Button)
        OpenPopupMenu(e->globalPos());
    else
        e->ignore();
}

bool TFormKartka::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        TTitleButton button{};
        if (ZoneAt(help->pos(), &button) == TZone::Button) {
            QToolTip::showText(help->globalPos(), ButtonToolTip(button), this, ButtonRect(button));
        } else {
            QToolTip::hideText();
            e->ignore();
        }
        return true;
    }
    return QWidget::event(e);
}

void TFormKartka::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    // The keys go to the text: the editor comes for them.
    Editor()->setFocus(e->reason());
}

void TFormKartka::enterEvent(QEnterEvent* e) {
    EditorRelease.stop();
    // Ready before the click: the pointer over the text is the editor's at once.
    if (!IsCollapsed())
        Editor();
    QWidget::enterEvent(e);
}

void TFormKartka::leaveEvent(QEvent* e) {
    if (!isActiveWindow())
        ScheduleEditorDrop();
    QWidget::leaveEvent(e);
}

void TFormKartka::dragEnterEvent(QDragEnterEvent* e) {
    if (IsCollapsed())
        return e->ignore();
    // A drag over the painted text: the editor takes it from here.
    QWidget* target = Editor()->viewport();
    QDragEnterEvent copy(target->mapFrom(this, e->position().toPoint()), e->possibleActions(),
                         e->mimeData(), e->buttons(), e->modifiers());
    QCoreApplication::sendEvent(target, &copy);
    e->setDropAction(copy.dropAction());
    e->setAccepted(copy.isAccepted());
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
            EditorRelease.stop();
        } else if (!Discarding) {
            if (TitleEditor)
                TitleEditor->Commit();
            if (!underMouse())
                ScheduleEditorDrop();
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
        } else if (ButtonChecked(TTitleButton::HiPrior)) {
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
    r.Title = TitleText;
    r.HiPrior = ButtonChecked(TTitleButton::HiPrior);
    r.Blocked = Locked;
    r.ActivationEnabled = ActivationEnabled;
    r.ActivationTime = ActivationTime;
    r.Lines = SplitNoteText(NoteText() + HiddenTail);
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
    SetTitle(r.Title);
    Checked[int(TTitleButton::HiPrior)] = r.HiPrior;
    Locked = r.Blocked;
    ActivationEnabled = r.ActivationEnabled;
    ActivationTime = r.ActivationTime;
    // Past this length the editor's layout stalls the start. What it does not show is kept
    // and written back after the shown text, so that no save loses it.
    QString text = r.Lines.join('\n');
    qsizetype shown = std::min<qsizetype>(text.size(), MaxLoadedLength);
    if (shown < text.size() && text[shown - 1].isHighSurrogate())
        --shown;
    HiddenTail = text.mid(shown);
    text.truncate(shown);
    Limits.Characters = std::max<qsizetype>(MaxTextLength, text.size());
    Limits.Lines = std::max<qsizetype>(MaxSheetLines, HardLines(text));
    if (Memo) {
        const QSignalBlocker quiet(Memo);
        Memo->setPlainText(text);
        Memo->moveCursor(QTextCursor::Start);
    } else {
        SetText(text);
    }
    PlaceOnScreen(loaded);
    LayoutControls();
    return loaded;
}

bool TFormKartka::TextEmpty() const {
    return Memo ? Memo->document()->isEmpty() : PaintedText.isEmpty();
}

int TFormKartka::DisplayedLineCount() const {
    // Laid out here rather than read from the editor, which the note may not have. Wrapped as
    // the editor's plain text reads, non-breaking spaces as spaces.
    const qreal width = std::max(1, TextRect().width());
    int count = 0;
    const QStringList lines = SplitNoteText(NoteText().replace(QChar::Nbsp, ' '));
    for (const QString& line : lines) {
        if (line.isEmpty()) {
            ++count;
            continue;
        }
        QTextLayout layout(line, MemoFont);
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
