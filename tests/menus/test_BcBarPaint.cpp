#include "menus/BcBarPaint.h"

#include <QImage>
#include <QPainter>
#include <QTransform>
#include <gtest/gtest.h>

namespace {

const QColor Yellow(255, 255, 0);
const QColor Black(0, 0, 0);
const QColor FadeYellow(225, 225, 0);

QImage Filled(int w, int h, const QColor& c) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(c);
    return image;
}

QImage Gradient(int w, int h, const QColor& s, const QColor& e, TGradientStyle style) {
    QImage image(w, h, QImage::Format_RGB32);
    PaintGradient(image, s, e, style);
    return image;
}

bool Ink(const QImage& image, QPoint p) {
    return image.valid(p) && qGray(image.pixel(p)) > 128;
}

QRect InkBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Ink(image, {x, y}))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// Share of ink two images have in common, each from its ink's top-left, allowing hinting a
// pixel's slip.
double Overlap(const QImage& a, const QImage& b) {
    const QRect ra = InkBounds(a), rb = InkBounds(b);
    double best = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            int both = 0, either = 0;
            for (int y = -1; y <= std::max(ra.height(), rb.height()); ++y)
                for (int x = -1; x <= std::max(ra.width(), rb.width()); ++x) {
                    const bool ia = Ink(a, ra.topLeft() + QPoint(x, y));
                    const bool ib = Ink(b, rb.topLeft() + QPoint(x + dx, y + dy));
                    both += ia && ib;
                    either += ia || ib;
                }
            best = std::max(best, either ? double(both) / either : 0.0);
        }
    return best;
}

TBcBarCaption Caption(int pixelSize) {
    TBcBarCaption c;
    c.Caption = QStringLiteral("Notella");
    c.Font = QFont(QStringLiteral("Tahoma"));
    c.Font.setPixelSize(pixelSize);
    c.Font.setBold(true);
    c.Font.setItalic(true);
    return c;
}

TBcBar Plain(const QColor& colour) {
    TBcBar bar;
    bar.GradientStart = bar.GradientEnd = colour;
    bar.Width = 25;
    return bar;
}

} // namespace

TEST(BarGradient, DiagonalRunsFromStartAtTopLeftTowardEndAtBottomRight) {
    const QImage g = Gradient(25, 200, Yellow, Black, gsDiagonalLeftRight);
    EXPECT_EQ(g.pixel(0, 0), qRgb(255, 255, 0));
    // k = round((199/200 + 24/25) * 512) = 1001; 255 - 255 * 1001 / 1024 truncated = 6.
    EXPECT_EQ(g.pixel(24, 199), qRgb(6, 6, 0));
    EXPECT_EQ(g.pixel(24, 0), qRgb(133, 133, 0));   // k = round(491.52) = 492
    EXPECT_EQ(g.pixel(0, 199), qRgb(129, 129, 0));  // k = round(509.44) = 509
    EXPECT_EQ(g.pixel(12, 100), qRgb(130, 130, 0)); // k = round(501.76) = 502
    // Rising and falling channels at once; the falling one truncates toward zero (102, not 101).
    EXPECT_EQ(GradientPixel(QColor(10, 200, 100), QColor(250, 0, 100), gsDiagonalLeftRight, 12, 100,
                            25, 200),
              qRgb(127, 102, 100));
    // Steps that fall halfway go to the even one: y / 2 on a 4 x 1024 bar.
    EXPECT_EQ(DiagonalStep(0, 1, 4, 1024), 0);
    EXPECT_EQ(DiagonalStep(0, 3, 4, 1024), 2);
    EXPECT_EQ(DiagonalStep(0, 5, 4, 1024), 2);
    // Huge rectangles do not overflow.
    EXPECT_EQ(DiagonalStep(39999, 39999, 40000, 40000), 1024);
}

TEST(BarGradient, MirroredVerticalEqualAndEmpty) {
    const QImage lr = Gradient(25, 60, Yellow, Black, gsDiagonalLeftRight);
    const QImage rl = Gradient(25, 60, Yellow, Black, gsDiagonalRightLeft);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 25; ++x)
            ASSERT_EQ(rl.pixel(x, y), lr.pixel(24 - x, y)) << x << ',' << y;
    const QImage v = Gradient(25, 200, Yellow, Black, gsVertical);
    EXPECT_EQ(v.pixel(0, 100), qRgb(128, 128, 0)); // 255 - 127.5 truncated
    EXPECT_EQ(v.pixel(24, 100), qRgb(128, 128, 0));
    EXPECT_EQ(Gradient(200, 3, Yellow, Black, gsHorizontal).pixel(100, 2), qRgb(128, 128, 0));
    for (TGradientStyle style : {gsHorizontal, gsVertical, gsDiagonalLeftRight})
        EXPECT_EQ(Gradient(9, 9, FadeYellow, FadeYellow, style), Filled(9, 9, FadeYellow));
    // Nothing to divide by.
    EXPECT_EQ(GradientPixel(Yellow, Black, gsDiagonalLeftRight, 0, 0, 0, 0), Yellow.rgb());
}

TEST(BarCaption, PlacementCentresAcrossWithTiesToEven) {
    const auto x = [](int barWidth, int textHeight) {
        return CaptionOrigin(barWidth, 200, 90, textHeight, caBottom, 6, dDownToUp).x();
    };
    // Differences 5, 6, 8 give 2, 2, 4; odd ones are exact, negative ones round alike.
    EXPECT_EQ(x(25, 20), 2);
    EXPECT_EQ(x(26, 20), 2);
    EXPECT_EQ(x(28, 20), 4);
    EXPECT_EQ(x(27, 20), 3);
    EXPECT_EQ(x(20, 20), 0);
    EXPECT_EQ(x(18, 20), -2);
    EXPECT_EQ(CaptionOrigin(25, 200, 90, 20, caBottom, 6, dDownToUp), QPoint(2, 194));
    EXPECT_EQ(CaptionOrigin(25, 200, 90, 20, caTop, 6, dDownToUp), QPoint(2, 96));
    // (200 + 90) / 2 - 1/2 = 144.5 -> 144; (202 + 90) / 2 - 1/2 = 145.5 -> 146.
    EXPECT_EQ(CaptionOrigin(25, 200, 90, 20, caCenter, 6, dDownToUp).y(), 144);
    EXPECT_EQ(CaptionOrigin(25, 202, 90, 20, caCenter, 6, dDownToUp).y(), 146);
    EXPECT_EQ(CaptionOrigin(25, 200, 90, 20, caBottom, 6, dUpToDown), QPoint(23, 104));
    EXPECT_EQ(CaptionOrigin(25, 200, 90, 20, caTop, 6, dUpToDown), QPoint(23, 6));
}

TEST(BarCaption, TextReadsUpwardsWithShadowUpRightAndHighlightDownLeft) {
    TBcBarCaption caption = Caption(19);
    caption.ShadowColor = Black;
    caption.HighlightColor = QColor(0, 255, 0);
    QImage bar(25, 150, QImage::Format_RGB32);
    PaintBar(bar, Plain(QColor(255, 0, 0)), caption);
    int white = 0;
    for (int y = 1; y + 1 < bar.height(); ++y)
        for (int x = 1; x + 1 < bar.width(); ++x) {
            if (bar.pixel(x, y) != qRgb(255, 255, 255))
                continue;
            ++white;
            // Beside every fully inked pixel lie its copies (or more text): no red shows.
            const QRgb up = bar.pixel(x + 1, y - 1), down = bar.pixel(x - 1, y + 1);
            ASSERT_EQ(qRed(up), qGreen(up)) << x << ',' << y;
            ASSERT_GE(qGreen(down), qRed(down)) << x << ',' << y;
        }
    EXPECT_GT(white, 50);

    // The same caption drawn level and turned a quarter to the left.
    QImage upwards(25, 150, QImage::Format_RGB32);
    PaintBar(upwards, Plain(Black), Caption(19));
    QImage level = Filled(150, 40, Black);
    {
        QPainter p(&level);
        p.setFont(Caption(19).Font);
        p.setPen(Qt::white);
        p.drawText(QPointF(5, 30), QStringLiteral("Notella"));
    }
    EXPECT_GT(Overlap(upwards, level.transformed(QTransform().rotate(-90))), 0.8);
    EXPECT_LT(Overlap(upwards, level.transformed(QTransform().rotate(90))), 0.6);
    EXPECT_NEAR(InkBounds(upwards).bottom(), 150 - 6, 2);

    caption.Visible = false;
    PaintBar(upwards, Plain(Black), caption);
    EXPECT_EQ(upwards, Filled(25, 150, Black));
}

TEST(BarSeparator, FadingLineBlendsIntoThePixelsBelowFromBothEnds) {
    QImage image = Filled(200, 3, QColor(255, 255, 255));
    PaintFadingLine(image, 1, 10, 190, FadeYellow, 32);
    EXPECT_EQ(image.pixel(10, 1), qRgb(255, 255, 255)); // d = 0
    EXPECT_EQ(image.pixel(11, 1), qRgb(255, 255, 248)); // 255 - 30/32 truncates to 255
    EXPECT_EQ(image.pixel(26, 1), qRgb(240, 240, 128)); // d = 16
    EXPECT_EQ(image.pixel(41, 1), qRgb(226, 226, 8));   // d = 31
    EXPECT_EQ(image.pixel(42, 1), qRgb(225, 225, 0));   // d = 32: solid
    EXPECT_EQ(image.pixel(158, 1), qRgb(226, 226, 8));  // d = 31 from the right end
    EXPECT_EQ(image.pixel(189, 1), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(190, 1), qRgb(255, 255, 255));
    EXPECT_EQ(image.copy(0, 0, 200, 1), Filled(200, 1, QColor(255, 255, 255)));
    EXPECT_EQ(image.copy(0, 2, 200, 1), Filled(200, 1, QColor(255, 255, 255)));

    QImage dark = Filled(100, 1, Black);
    dark.setPixel(16, 0, qRgb(100, 0, 200));
    PaintFadingLine(dark, 0, 0, 100, FadeYellow, 32);
    EXPECT_EQ(dark.pixel(15, 0), qRgb(105, 105, 0));
    EXPECT_EQ(dark.pixel(16, 0), qRgb(162, 112, 100));

    // Distances count from the true ends where the line leaves the image; no fading: solid.
    QImage clipped = Filled(50, 2, QColor(255, 255, 255));
    PaintFadingLine(clipped, 0, -10, 200, FadeYellow, 32);
    PaintFadingLine(clipped, 1, 0, 50, FadeYellow, 0);
    PaintFadingLine(clipped, 2, 0, 50, Black, 32); // below the image: nothing
    EXPECT_EQ(clipped.pixel(6, 0), qRgb(240, 240, 128));
    EXPECT_EQ(clipped.copy(0, 1, 50, 1), Filled(50, 1, FadeYellow));
}

TEST(BarSeparator, ShortLineHasNoSolidMiddle) {
    for (int length : {40, 41, 64}) {
        QImage image = Filled(length, 1, QColor(255, 255, 255));
        PaintFadingLine(image, 0, 0, length, FadeYellow, 32);
        for (int x = 0; x < length; ++x) {
            ASSERT_NE(image.pixel(x, 0), FadeYellow.rgb()) << length << ':' << x;
            ASSERT_EQ(image.pixel(x, 0), image.pixel(length - 1 - x, 0)) << length << ':' << x;
        }
        if (length == 40) {
            EXPECT_EQ(image.pixel(20, 0), qRgb(238, 238, 104)); // d = 19
        }
    }
}
