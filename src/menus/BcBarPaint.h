#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QString>

#include <cstdint>

class QImage;

enum TGradientStyle { gsHorizontal, gsVertical, gsDiagonalLeftRight, gsDiagonalRightLeft };
enum TCaptionDirection { dDownToUp, dUpToDown };
enum TCaptionAlignment { caTop, caBottom, caCenter };
enum TSeparatorStyle { ssNormal, ssShortLine, ssCaption };

// The side bar along the menu's left edge.
struct TBcBar {
    int Width = 32;
    // Gap between the bar and the items.
    int Space = 1;
    bool Visible = true;
    QColor GradientStart{175, 189, 216};
    QColor GradientEnd{0, 0, 0};
    TGradientStyle GradientStyle = gsVertical;
};

// The rotated text on the bar.
struct TBcBarCaption {
    QString Caption;
    QFont Font = DefaultFont();
    QColor FontColor{255, 255, 255};
    TCaptionAlignment Alignment = caBottom;
    // Distance from the chosen end of the bar.
    int OffsetY = 6;
    TCaptionDirection Direction = dDownToUp;
    // An invalid colour means no such copy.
    QColor ShadowColor;
    QColor HighlightColor;
    int Depth = 1;
    bool Visible = true;

    static QFont DefaultFont();
};

struct TBcSeparators {
    TSeparatorStyle SeparatorStyle = ssNormal;
    bool Fade = false;
    int FadeWidth = 32;
    // Invalid: the palette's button-shadow colour.
    QColor FadeColor;
    bool FlatLines = false;
    // Background of a separator that carries text (ssCaption).
    QColor GradientStart{128, 128, 128};
    QColor GradientEnd{192, 192, 192};
    TGradientStyle GradientStyle = gsHorizontal;
    // Captioned separators use the desktop's menu font rather than the menu's own.
    bool UseSystemFont = true;
};

// num / den rounded to the nearest integer, a tie going to the even one; den > 0.
std::int64_t RoundHalfEven(std::int64_t num, std::int64_t den);

// One colour channel of the gradient from `start` to `end` at step k of 1024.
int GradientChannel(int start, int end, int k);
// The step (0..1023) of the pixel (x, y) of a w x h diagonal gradient running from the top-left.
int DiagonalStep(int x, int y, int w, int h);
// The gradient's colour at (x, y) of a w x h rectangle.
QRgb GradientPixel(const QColor& start, const QColor& end, TGradientStyle style, int x, int y,
                   int w, int h);
// Fills the whole image, pixel for pixel, with the gradient.
void PaintGradient(QImage& image, const QColor& start, const QColor& end, TGradientStyle style);

// Where the caption text starts on a bar of barWidth x barHeight for a text of
// textWidth x textHeight: the origin of the rotated text (its unrotated top-left corner).
QPoint CaptionOrigin(int barWidth, int barHeight, int textWidth, int textHeight,
                     TCaptionAlignment alignment, int offsetY, TCaptionDirection direction);
// The bar: gradient, then the caption with its highlight and shadow copies, clipped to the image.
void PaintBar(QImage& image, const TBcBar& bar, const TBcBarCaption& caption);

// One channel of a fading pixel at distance d from its end of the line.
int FadeChannel(int below, int fade, int d, int fadeWidth);
// A one-pixel fading line over columns [left, right) of row y, blended into what is there.
void PaintFadingLine(QImage& image, int y, int left, int right, const QColor& fade, int fadeWidth);

// Item heights.
inline constexpr int SeparatorHeight = 12;
inline constexpr int TextSeparatorHeight = 14;
inline constexpr int MinItemHeight = 16;
int MenuItemHeight(bool separator, bool hasText, int textHeight);
// Separator lines stand this far below the item's top.
inline constexpr int SeparatorLineOffset = 4;
