#include "menus/BcBarPaint.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace {

// start + (end - start) * num / den, the division truncating toward zero.
int Lerp(int start, int end, std::int64_t num, std::int64_t den) {
    return start + static_cast<int>((end - start) * num / den);
}

QRgb LerpRgb(const QColor& s, const QColor& e, std::int64_t num, std::int64_t den) {
    return qRgb(Lerp(s.red(), e.red(), num, den), Lerp(s.green(), e.green(), num, den),
                Lerp(s.blue(), e.blue(), num, den));
}

} // namespace

QFont TBcBarCaption::DefaultFont() {
    QFont f(QStringLiteral("Tahoma"), 14);
    f.setBold(true);
    f.setItalic(true);
    return f;
}

std::int64_t RoundHalfEven(std::int64_t num, std::int64_t den) {
    std::int64_t q = num / den;
    std::int64_t r = num % den;
    if (r < 0) { // floor, not truncation
        --q;
        r += den;
    }
    if (2 * r > den || (2 * r == den && q % 2 != 0))
        ++q;
    return q;
}

int GradientChannel(int start, int end, int k) {
    return Lerp(start, end, k, 1024);
}

int DiagonalStep(int x, int y, int w, int h) {
    // (y / h + x / w) * 512 over the common denominator; 64 bits keep large bars exact.
    const std::int64_t num = (std::int64_t(y) * w + std::int64_t(x) * h) * 512;
    return static_cast<int>(RoundHalfEven(num, std::int64_t(w) * h));
}

QRgb GradientPixel(const QColor& start, const QColor& end, TGradientStyle style, int x, int y,
                   int w, int h) {
    if (start.rgb() == end.rgb() || w <= 0 || h <= 0)
        return start.rgb();
    switch (style) {
    case gsHorizontal:
        return LerpRgb(start, end, x, w);
    case gsVertical:
        return LerpRgb(start, end, y, h);
    case gsDiagonalLeftRight:
        return LerpRgb(start, end, DiagonalStep(x, y, w, h), 1024);
    case gsDiagonalRightLeft:
        return LerpRgb(start, end, DiagonalStep(w - 1 - x, y, w, h), 1024);
    }
    return start.rgb();
}

void PaintGradient(QImage& image, const QColor& start, const QColor& end, TGradientStyle style) {
    if (image.isNull())
        return;
    if (image.depth() != 32)
        image = image.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = GradientPixel(start, end, style, x, y, w, h);
    }
}

QPoint CaptionOrigin(int barWidth, int barHeight, int textWidth, int textHeight,
                     TCaptionAlignment alignment, int offsetY, TCaptionDirection direction) {
    // (barWidth - textHeight) / 2 - 1/2 with ties to even: 5 -> 2, 6 -> 2, 8 -> 4.
    int x = static_cast<int>(RoundHalfEven(std::int64_t(barWidth) - textHeight - 1, 2));
    int y = 0;
    switch (alignment) {
    case caBottom:
        y = barHeight - offsetY;
        break;
    case caTop:
        y = offsetY + textWidth;
        break;
    case caCenter:
        y = static_cast<int>(RoundHalfEven(std::int64_t(barHeight) + textWidth - 1, 2));
        break;
    }
    if (direction == dUpToDown) {
        y -= textWidth;
        x += textHeight + 1;
    }
    return {x, y};
}

void PaintBar(QImage& image, const TBcBar& bar, const TBcBarCaption& caption) {
    PaintGradient(image, bar.GradientStart, bar.GradientEnd, bar.GradientStyle);
    if (!caption.Visible || caption.Caption.isEmpty() || image.isNull())
        return;

    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(caption.Font);
    const QFontMetrics fm(caption.Font, &image);
    const QSizeF size = image.deviceIndependentSize();
    const QPoint at = CaptionOrigin(qRound(size.width()), qRound(size.height()),
                                    fm.horizontalAdvance(caption.Caption), fm.height(),
                                    caption.Alignment, caption.OffsetY, caption.Direction);
    const auto draw = [&](QPoint origin, const QColor& colour) {
        p.save();
        p.translate(origin);
        p.rotate(caption.Direction == dDownToUp ? -90 : 90);
        p.setPen(colour);
        p.drawText(QPointF(0, fm.ascent()), caption.Caption);
        p.restore();
    };
    const int depth = caption.Depth;
    if (caption.HighlightColor.isValid())
        draw(at + QPoint(-depth, depth), caption.HighlightColor);
    if (caption.ShadowColor.isValid())
        draw(at + QPoint(depth, -depth), caption.ShadowColor);
    draw(at, caption.FontColor);
}

int FadeChannel(int below, int fade, int d, int fadeWidth) {
    if (fadeWidth <= 0 || d >= fadeWidth)
        return fade;
    return below + d * (fade - below) / fadeWidth;
}

void PaintFadingLine(QImage& image, int y, int left, int right, const QColor& fade, int fadeWidth) {
    if (y < 0 || y >= image.height())
        return;
    const int length = right - left;
    const int from = std::max(left, 0);
    const int to = std::min(right, image.width());
    for (int x = from; x < to; ++x) {
        // Each half fades in from its own end, so a short line has no solid middle.
        const int d = std::min(x - left, length - 1 - (x - left));
        const QRgb below = image.pixel(x, y);
        image.setPixel(x, y,
                       qRgb(FadeChannel(qRed(below), fade.red(), d, fadeWidth),
                            FadeChannel(qGreen(below), fade.green(), d, fadeWidth),
                            FadeChannel(qBlue(below), fade.blue(), d, fadeWidth)));
    }
}

int MenuItemHeight(bool separator, bool hasText, int textHeight) {
    if (separator)
        return hasText ? TextSeparatorHeight : SeparatorHeight;
    return std::max(MinItemHeight, textHeight + 6);
}
