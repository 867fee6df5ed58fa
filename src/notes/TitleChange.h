#pragma once

#include <QLineEdit>

#include <functional>

// The in-place title editor over a note's title bar. It reports once, through OnDone, and then
// removes itself with deleteLater(): its owner only forgets the pointer.
class TTitleChange : public QLineEdit {
    Q_OBJECT
public:
    using TDoneCallback = std::function<void(const QString& text, bool commit)>;

    TTitleChange(const QColor& colour, const QString& title, QWidget* parent);

    // Takes the typed title, as Enter does; for the note's deactivation.
    void Commit() { Finish(true); }

    TDoneCallback OnDone;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Finish(bool commit);
    void FollowParentWidth();

    bool Finished = false;
};
