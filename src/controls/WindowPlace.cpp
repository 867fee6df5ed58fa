#include "controls/WindowPlace.h"

#include "common/IniFile.h"
#include "notes/SheetFile.h"
#include "platform/Platform.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

// The window manager's frame, as last seen on a window of this run: a fresh window has none
// until it is mapped, and its stored outer size needs it before that.
QMargins LastFrame;

QRect PrimaryScreenRect() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry() : QRect(0, 0, 1024, 768);
}

// The screen a window at `left`, `top` of `width` × `height` falls on: the one it overlaps
// most, else the nearest. Edges in 64 bits: a damaged file may hold any 32-bit place.
QRect ScreenUnder(qint64 left, qint64 top, qint64 width, qint64 height) {
    const qint64 right = left + width, bottom = top + height;
    std::optional<QRect> best;
    qint64 bestOverlap = 0, bestGap = 0;
    for (const QRect& s : ScreenRects()) {
        const qint64 sl = s.x(), st = s.y(), sr = sl + s.width(), sb = st + s.height();
        const qint64 ow = std::min(right, sr) - std::max(left, sl);
        const qint64 oh = std::min(bottom, sb) - std::max(top, st);
        const qint64 overlap = ow > 0 && oh > 0 ? ow * oh : 0;
        const qint64 dx = std::max({qint64(0), sl - right, left - sr});
        const qint64 dy = std::max({qint64(0), st - bottom, top - sb});
        const qint64 gap = dx * dx + dy * dy;
        if (!best || overlap > bestOverlap || (overlap == 0 && bestOverlap == 0 && gap < bestGap)) {
            best = s;
            bestOverlap = overlap;
            bestGap = gap;
        }
    }
    return best.value_or(PrimaryScreenRect());
}

} // namespace

int CentredLeft(int outerWidth) {
    const QRect screen = PrimaryScreenRect();
    return screen.x() + screen.width() / 2 - outerWidth / 2;
}

int CentredTop(int outerHeight) {
    const QRect screen = PrimaryScreenRect();
    return screen.y() + screen.height() / 2 - outerHeight / 2;
}

QList<QRect> ScreenRects() {
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens << s->geometry();
    return screens;
}

void TakeBackActivation(QWidget* window) {
    if (window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
}

TWindowPlace::TWindowPlace(QWidget* window) : QObject(window), Window(window) {
    window->installEventFilter(this);
}

QMargins TWindowPlace::Frame() const {
    const QWindow* w = Window->windowHandle();
    const QMargins own = w ? w->frameMargins() : QMargins();
    return own.isNull() ? LastFrame : own;
}

void TWindowPlace::SetOuterMinimum(QSize size) {
    OuterMinimum = size;
    UpdateMinimum(Frame());
}

void TWindowPlace::UpdateMinimum(QMargins frame) {
    if (!OuterMinimum)
        return;
    Window->setMinimumSize(std::max(0, OuterMinimum->width() - frame.left() - frame.right()),
                           std::max(0, OuterMinimum->height() - frame.top() - frame.bottom()));
}

void TWindowPlace::Restore(std::optional<int> outerWidth, std::optional<int> outerHeight,
                           std::optional<int> left, std::optional<int> top) {
    const TRequest request{outerWidth, outerHeight, left, top};
    Pending.reset();
    const QWindow* w = Window->windowHandle();
    const bool frameKnown = w && !w->frameMargins().isNull();
    Place(request, Frame());
    if (!frameKnown)
        Pending = request;
}

void TWindowPlace::Place(const TRequest& r, QMargins frame) {
    UpdateMinimum(frame);
    const qint64 fw = frame.left() + frame.right(), fh = frame.top() + frame.bottom();
    const QSize least = Window->minimumSize(), most = Window->maximumSize();
    // Outer sizes as the window can take them.
    auto outerWidth = [&](qint64 outer) {
        return std::clamp<qint64>(outer - fw, least.width(), most.width()) + fw;
    };
    auto outerHeight = [&](qint64 outer) {
        return std::clamp<qint64>(outer - fh, least.height(), most.height()) + fh;
    };
    qint64 width = outerWidth(r.Width ? *r.Width : Window->width() + fw);
    qint64 height = outerHeight(r.Height ? *r.Height : Window->height() + fh);

    // Cut to the screen it lands on; its least size still wins.
    const qint64 roughLeft = r.Left ? *r.Left : CentredLeft(int(std::min<qint64>(width, 1 << 24)));
    const qint64 roughTop = r.Top ? *r.Top : CentredTop(int(std::min<qint64>(height, 1 << 24)));
    const QRect screen = ScreenUnder(roughLeft, roughTop, width, height);
    width = outerWidth(std::min<qint64>(width, screen.width()));
    height = outerHeight(std::min<qint64>(height, screen.height()));

    Window->resize(int(width - fw), int(height - fh));
    const QSize outer{static_cast<int>(width), static_cast<int>(height)};
    const QPoint place(r.Left ? *r.Left : CentredLeft(outer.width()),
                       r.Top ? *r.Top : CentredTop(outer.height()));
    // A window not yet created is placed by its frame, as Win32's Left and Top are.
    Window->move(PlaceOnScreens(place, outer, ScreenRects()));
}

void TWindowPlace::Shown() {
    Apply();
    if (Window->isMinimized())
        Window->setWindowState(Window->windowState() & ~Qt::WindowMinimized);
    Window->raise();
    Window->activateWindow();
}

void TWindowPlace::Apply() {
    if (Applying || !Window->isVisible())
        return;
    const QWindow* w = Window->windowHandle();
    const QMargins frame = w ? w->frameMargins() : QMargins();
    if (frame.isNull())
        return;
    LastFrame = frame;
    Applying = true;
    if (Pending && !Window->isMaximized() && !Window->isFullScreen())
        Place(*Pending, frame);
    else
        UpdateMinimum(frame);
    Pending.reset();
    Applying = false;
}

void TWindowPlace::Hidden() {
    Pending.reset();
    const QWindow* w = Window->windowHandle();
    if (const QMargins frame = w ? w->frameMargins() : QMargins(); !frame.isNull())
        LastFrame = frame;
}

bool TWindowPlace::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Window && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        Apply();
    return QObject::eventFilter(watched, event);
}

TStoredPlace ReadStoredPlace(const QString& section) {
    const TMemIniFile ini(SettingsFileName());
    auto value = [&](const char* key) -> std::optional<int> {
        const QString name = QString::fromLatin1(key);
        // Two different defaults tell a stored integer from text that is none.
        const int a = ini.ReadInteger(section, name, 0);
        if (a != ini.ReadInteger(section, name, 1))
            return std::nullopt;
        return a;
    };
    TStoredPlace place;
    place.Width = value("Width");
    place.Height = value("Height");
    place.Left = value("Left");
    place.Top = value("Top");
    place.Maximized = value("Maximized").value_or(0) != 0;
    return place;
}

void StoreWindowPlace(const QWidget* window, const QString& section, bool withWidth) {
    TMemIniFile ini(SettingsFileName());
    const bool maximized = window->isMaximized();
    ini.WriteInteger(section, QStringLiteral("Maximized"), maximized ? 1 : 0);
    if (!maximized) {
        const QRect outer = window->frameGeometry();
        if (withWidth)
            ini.WriteInteger(section, QStringLiteral("Width"), outer.width());
        ini.WriteInteger(section, QStringLiteral("Height"), outer.height());
        ini.WriteInteger(section, QStringLiteral("Left"), outer.x());
        ini.WriteInteger(section, QStringLiteral("Top"), outer.y());
    }
    QString error;
    if (!ini.UpdateFile(&error))
        MessageBox(nullptr,
                   QStringLiteral("Nie można zapisać położenia okna do pliku \"%1\".\n\n%2")
                       .arg(ini.FileName(), error),
                   QStringLiteral("Błąd"), TMsgButtons::OK, TMsgIcon::Error);
}
