#pragma once

#include <QList>
#include <QMargins>
#include <QObject>
#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

// A top-level window's place in Win32's measures, which the settings file keeps: outer (frame)
// sizes and the frame's top-left corner, so that a window neither grows nor drifts from one
// opening to the next. The window manager's frame is known only once the window is mapped;
// until then the frame last seen in this run stands in, and the place is put right as soon as
// the real one is known (the window's moves and resizes are watched for that).
class TWindowPlace final : public QObject {
public:
    explicit TWindowPlace(QWidget* window);

    // Before the window is shown. A missing size keeps the window's own; a missing left or top
    // centres the window across or down on the primary screen. The size is cut to the screen
    // the window lands on, and a place on no screen is brought onto the nearest one.
    void Restore(std::optional<int> outerWidth, std::optional<int> outerHeight,
                 std::optional<int> left, std::optional<int> top);
    // The least outer size; the client's least size follows the frame.
    void SetOuterMinimum(QSize size);
    // The window's frame, or the last one seen in this run while it has none yet.
    QMargins Frame() const;
    // Applies a place that waited for the frame; right after showing, where the frame is known
    // as soon as the window exists.
    void Apply();
    // At hide: a place still waiting is dropped, the frame is remembered.
    void Hidden();
    // Right after the window was shown: placed (where the frame is known at once), never left
    // minimized, on top of the others and active.
    void Shown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TRequest {
        std::optional<int> Width, Height, Left, Top;
    };
    void Place(const TRequest& request, QMargins frame);
    void UpdateMinimum(QMargins frame);

    QWidget* Window;
    std::optional<QSize> OuterMinimum;
    std::optional<TRequest> Pending;
    bool Applying = false;
};

// The default place: centred on the primary screen, each half truncated.
int CentredLeft(int outerWidth);
int CentredTop(int outerHeight);
QList<QRect> ScreenRects();

// Nothing hands the activation back to a window once a box or a dialog over it has gone (a
// desktop without a window manager least of all): a visible window takes it back itself.
void TakeBackActivation(QWidget* window);

// A window's place as the settings file's `section` holds it; a missing key, or a value that is
// not an integer, is left unset.
struct TStoredPlace {
    std::optional<int> Width, Height, Left, Top;
    bool Maximized = false;
};
TStoredPlace ReadStoredPlace(const QString& section);

// Writes the window's place into `section` of the settings file at once: "Maximized", and when
// it is not maximized the outer "Width" (with `withWidth`), "Height", "Left" and "Top". A file
// that cannot be written is reported.
void StoreWindowPlace(const QWidget* window, const QString& section, bool withWidth);
