#pragma once

#include "menus/BcBarPaint.h"

#include <QImage>
#include <QMenu>

class QStyleOptionMenuItem;

// A popup menu with a gradient side bar carrying a rotated caption, and separators drawn as
// (optionally fading) lines. Ordinary items look as the style draws them.
class TBcBarPopupMenu : public QMenu {
    Q_OBJECT
public:
    explicit TBcBarPopupMenu(QWidget* parent = nullptr);
    explicit TBcBarPopupMenu(const QString& title, QWidget* parent = nullptr);

    const TBcBar& Bar() const { return BarSettings; }
    const TBcBarCaption& BarCaption() const { return CaptionSettings; }
    const TBcSeparators& Separators() const { return SeparatorSettings; }
    void SetBar(const TBcBar& bar);
    void SetBarCaption(const TBcBarCaption& caption);
    void SetSeparators(const TBcSeparators& separators);

    // The bar's place in the menu; empty when there is no bar.
    QRect BarRect() const;
    // How often the bar's buffer has been painted: hovering over items must not repaint it.
    int BarPaintCount() const { return BarPaints; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    class TStyle;
    struct TFadeLine {
        int Y, Left, Right;
        QColor Colour;
    };

    void Init();
    bool HasBar() const;
    void UpdateMargins();
    void InvalidateBar();
    const QImage& BarImage();
    bool ItemsOverflow() const;
    QColor FadeColour() const;
    // Fading lines go to `fades` when given, for exact blending into the pixels below.
    void DrawSeparator(QPainter& p, const QStyleOptionMenuItem& opt, QList<TFadeLine>* fades) const;

    TBcBar BarSettings;
    TBcBarCaption CaptionSettings;
    TBcSeparators SeparatorSettings;
    QImage BarBuffer;
    QSize BarBufferSize;
    qreal BarBufferDpr = 0;
    bool BarBufferValid = false;
    int BarPaints = 0;
};

// The looks of the program's menus; their items are added by their owners.
void ConfigureTrayMenu(TBcBarPopupMenu& menu);
void ConfigureNoteMenu(TBcBarPopupMenu& menu);
// The scheduler list's and the year calendar's menus: no bar, the same separators.
void ConfigureBarlessMenu(TBcBarPopupMenu& menu);
