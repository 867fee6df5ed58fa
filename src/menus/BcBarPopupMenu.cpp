#include "menus/BcBarPopupMenu.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>

// Gives the items their heights and lets the menu draw separators where the style would.
class TBcBarPopupMenu::TStyle : public QProxyStyle {
public:
    explicit TStyle(TBcBarPopupMenu* menu)
        : QProxyStyle(QStyleFactory::create(QApplication::style()->name())), Menu(menu) {
        setParent(menu);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* opt, const QSize& contents,
                           const QWidget* w) const override {
        QSize s = QProxyStyle::sizeFromContents(type, opt, contents, w);
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(opt);
        if (type == CT_MenuItem && item)
            s.setHeight(MenuItemHeight(item->menuItemType == QStyleOptionMenuItem::Separator,
                                       !item->text.isEmpty(), QFontMetrics(item->font).height()));
        return s;
    }

    void drawControl(ControlElement element, const QStyleOption* opt, QPainter* p,
                     const QWidget* w) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(opt);
        if (element == CE_MenuItem && w == Menu && item &&
            item->menuItemType == QStyleOptionMenuItem::Separator) {
            Menu->DrawSeparator(*p, *item, nullptr);
            return;
        }
        QProxyStyle::drawControl(element, opt, p, w);
    }

private:
    const TBcBarPopupMenu* Menu;
};

TBcBarPopupMenu::TBcBarPopupMenu(QWidget* parent) : QMenu(parent) {
    Init();
}

TBcBarPopupMenu::TBcBarPopupMenu(const QString& title, QWidget* parent) : QMenu(title, parent) {
    Init();
}

void TBcBarPopupMenu::Init() {
    setStyle(new TStyle(this));
    UpdateMargins();
}

void TBcBarPopupMenu::SetBar(const TBcBar& bar) {
    BarSettings = bar;
    InvalidateBar();
    UpdateMargins();
}

void TBcBarPopupMenu::SetBarCaption(const TBcBarCaption& caption) {
    CaptionSettings = caption;
    InvalidateBar();
}

void TBcBarPopupMenu::SetSeparators(const TBcSeparators& separators) {
    SeparatorSettings = separators;
    update();
}

bool TBcBarPopupMenu::HasBar() const {
    return BarSettings.Visible && BarSettings.Width > 0;
}

QRect TBcBarPopupMenu::BarRect() const {
    if (!HasBar())
        return {};
    const int fw = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    const QRect r(fw, fw, BarSettings.Width, height() - 2 * fw);
    return r.isEmpty() ? QRect() : r;
}

void TBcBarPopupMenu::UpdateMargins() {
    // The items move right by the bar and its gap; a negative gap would put them on the bar.
    const int left = HasBar() ? BarSettings.Width + std::max(BarSettings.Space, 0) : 0;
    setContentsMargins(left, 0, 0, 0);
    if (isVisible())
        resize(sizeHint());
}

void TBcBarPopupMenu::InvalidateBar() {
    BarBufferValid = false;
    update();
}

const QImage& TBcBarPopupMenu::BarImage() {
    const QSize size = BarRect().size();
    const qreal dpr = devicePixelRatio();
    if (!BarBufferValid || BarBufferSize != size || BarBufferDpr != dpr) {
        BarBuffer = QImage(size * dpr, QImage::Format_RGB32);
        BarBuffer.setDevicePixelRatio(dpr);
        PaintBar(BarBuffer, BarSettings, CaptionSettings);
        BarBufferSize = size;
        BarBufferDpr = dpr;
        BarBufferValid = true;
        ++BarPaints;
    }
    return BarBuffer;
}

bool TBcBarPopupMenu::ItemsOverflow() const {
    const int fw = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    const int vm = style()->pixelMetric(QStyle::PM_MenuVMargin, nullptr, this);
    for (QAction* a : actions()) {
        const QRect r = actionGeometry(a);
        if (!r.isEmpty() && (r.top() < fw + vm || r.bottom() >= height() - fw - vm))
            return true;
    }
    return false;
}

QColor TBcBarPopupMenu::FadeColour() const {
    return SeparatorSettings.FadeColor.isValid() ? SeparatorSettings.FadeColor
                                                 : palette().color(QPalette::Dark);
}

void TBcBarPopupMenu::DrawSeparator(QPainter& p, const QStyleOptionMenuItem& opt,
                                    QList<TFadeLine>* fades) const {
    // Backed like an empty ordinary item, so that it matches its neighbours in every style.
    QStyleOptionMenuItem back = opt;
    back.menuItemType = QStyleOptionMenuItem::Normal;
    back.text.clear();
    back.icon = QIcon();
    back.checkType = QStyleOptionMenuItem::NotCheckable;
    back.checked = false;
    back.state &= ~(QStyle::State_Selected | QStyle::State_Sunken);
    style()->drawControl(QStyle::CE_MenuItem, &back, &p, this);

    const TBcSeparators& s = SeparatorSettings;
    const QRect r = opt.rect;
    if (!opt.text.isEmpty() && s.SeparatorStyle == ssCaption) {
        const qreal dpr = p.device() ? p.device()->devicePixelRatio() : 1.0;
        QImage background(r.size() * dpr, QImage::Format_RGB32);
        background.setDevicePixelRatio(dpr);
        PaintGradient(background, s.GradientStart, s.GradientEnd, s.GradientStyle);
        p.drawImage(r.topLeft(), background);
        p.setFont(s.UseSystemFont ? QApplication::font("QMenu") : font());
        p.setPen(palette().color(QPalette::BrightText));
        p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, opt.text);
        return;
    }

    int left = r.left();
    const int right = r.left() + r.width();
    if (s.SeparatorStyle == ssShortLine) // starts beside the icon column
        left = std::min(right, left + std::max(opt.maxIconWidth, 16) + 4);
    const int y = r.top() + SeparatorLineOffset;
    const auto line = [&](int ly, const QColor& colour, bool fade) {
        if (!fade) {
            p.fillRect(QRect(left, ly, right - left, 1), colour);
        } else if (fades) {
            fades->append({ly, left, right, colour});
        } else {
            // No pixels to read here: blending by alpha gives the same ramp to within a level.
            const int length = right - left;
            for (int i = 0; i < length; ++i) {
                const int d = std::min(i, length - 1 - i);
                QColor c = colour;
                if (d < s.FadeWidth)
                    c.setAlpha(255 * d / s.FadeWidth);
                p.fillRect(QRect(left + i, ly, 1, 1), c);
            }
        }
    };
    const QColor light = palette().color(QPalette::Light);
    if (s.Fade) {
        if (!s.FlatLines)
            line(y + 1, light, true);
        line(y, FadeColour(), true);
    } else {
        line(y, FadeColour(), false);
        if (!s.FlatLines)
            line(y + 1, light, false);
    }
}

void TBcBarPopupMenu::paintEvent(QPaintEvent* e) {
    if (ItemsOverflow() || isTearOffEnabled()) {
        // Scrolling and tear-off belong to the base class's painting.
        QMenu::paintEvent(e);
        if (!BarRect().isEmpty()) {
            QPainter p(this);
            p.drawImage(BarRect().topLeft(), BarImage());
        }
        return;
    }

    // Painted off screen first: fading separators blend into the pixels beneath them.
    const qreal dpr = devicePixelRatio();
    QImage canvas(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(dpr);
    canvas.fill(Qt::transparent);
    QList<TFadeLine> fades;
    {
        QPainter p(&canvas);
        QStyleOptionMenuItem menuOpt;
        menuOpt.initFrom(this);
        menuOpt.state = QStyle::State_None;
        menuOpt.checkType = QStyleOptionMenuItem::NotCheckable;
        menuOpt.maxIconWidth = 0;
        menuOpt.reservedShortcutWidth = 0;
        style()->drawPrimitive(QStyle::PE_PanelMenu, &menuOpt, &p, this);

        QRegion emptyArea(rect());
        for (QAction* a : actions()) {
            const QRect r = actionGeometry(a);
            if (r.isEmpty())
                continue;
            emptyArea -= r;
            QStyleOptionMenuItem opt;
            initStyleOption(&opt, a);
            opt.rect = r;
            p.setClipRect(r);
            if (a->isSeparator())
                DrawSeparator(p, opt, &fades);
            else
                style()->drawControl(QStyle::CE_MenuItem, &opt, &p, this);
        }

        const int fw = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
        if (fw > 0) {
            const QRegion border = QRegion(rect()) - rect().adjusted(fw, fw, -fw, -fw);
            p.setClipRegion(border);
            emptyArea -= border;
            QStyleOptionFrame frame;
            frame.rect = rect();
            frame.palette = palette();
            frame.state = QStyle::State_None;
            frame.lineWidth = fw;
            frame.midLineWidth = 0;
            style()->drawPrimitive(QStyle::PE_FrameMenu, &frame, &p, this);
        }
        p.setClipRegion(emptyArea);
        menuOpt.menuItemType = QStyleOptionMenuItem::EmptyArea;
        menuOpt.rect = rect();
        menuOpt.menuRect = rect();
        style()->drawControl(QStyle::CE_MenuEmptyArea, &menuOpt, &p, this);
        p.setClipping(false);

        if (!BarRect().isEmpty())
            p.drawImage(BarRect().topLeft(), BarImage());
    }

    // Lines in device pixels: a line one unit high covers dpr rows.
    const auto dev = [dpr](int v) { return qRound(v * dpr); };
    for (const TFadeLine& f : std::as_const(fades))
        for (int row = dev(f.Y); row < dev(f.Y + 1); ++row)
            PaintFadingLine(canvas, row, dev(f.Left), dev(f.Right), f.Colour,
                            dev(SeparatorSettings.FadeWidth));

    QPainter(this).drawImage(0, 0, canvas);
}

namespace {

TBcBar SideBar(int width) {
    TBcBar bar;
    bar.Width = width;
    bar.GradientStart = QColor(255, 255, 0);
    bar.GradientEnd = QColor(0, 0, 0);
    bar.GradientStyle = gsDiagonalLeftRight;
    return bar;
}

TBcBarCaption ProgramCaption(int pixelSize) {
    TBcBarCaption caption;
    caption.Caption = QStringLiteral("Notella");
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setItalic(true);
    caption.Font = font;
    caption.FontColor = QColor(255, 255, 255);
    caption.ShadowColor = QColor(0, 0, 0);
    return caption;
}

TBcSeparators FadingSeparators() {
    TBcSeparators s;
    s.SeparatorStyle = ssCaption;
    s.Fade = true;
    s.FadeColor = QColor(225, 225, 0);
    s.FlatLines = true;
    return s;
}

} // namespace

void ConfigureTrayMenu(TBcBarPopupMenu& menu) {
    menu.SetBar(SideBar(25));
    menu.SetBarCaption(ProgramCaption(19));
    menu.SetSeparators(FadingSeparators());
}

void ConfigureNoteMenu(TBcBarPopupMenu& menu) {
    menu.SetBar(SideBar(20));
    menu.SetBarCaption(ProgramCaption(13));
    menu.SetSeparators(FadingSeparators());
}

void ConfigureBarlessMenu(TBcBarPopupMenu& menu) {
    TBcBar bar;
    bar.Visible = false;
    menu.SetBar(bar);
    menu.SetSeparators(FadingSeparators());
}
