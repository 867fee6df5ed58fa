#include "notes/TitleChange.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>
#include <utility>

namespace {
constexpr int TitleLength = 128;
constexpr int Left = 3;
constexpr int Height = 14;
// Room kept on the right for the title bar's buttons.
constexpr int RightMargin = 62;
} // namespace

TTitleChange::TTitleChange(const QColor& colour, const QString& title, QWidget* parent)
    : QLineEdit(parent) {
    setFrame(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    QPalette p = palette();
    p.setColor(QPalette::Base, colour);
    p.setColor(QPalette::Window, colour);
    setPalette(p);
    setFont(QFont("Arial", 8, QFont::Bold));
    // A longer title from a file stays whole until the user shortens it.
    setMaxLength(std::max<int>(TitleLength, title.size()));
    setText(title);
    FollowParentWidth();
    parent->installEventFilter(this);
    show();
    setFocus(Qt::OtherFocusReason);
}

void TTitleChange::FollowParentWidth() {
    setGeometry(Left, 0, parentWidget()->width() - RightMargin, Height);
}

bool TTitleChange::eventFilter(QObject* watched, QEvent* e) {
    if (watched == parentWidget() && e->type() == QEvent::Resize)
        FollowParentWidth();
    return false;
}

void TTitleChange::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Finish(true);
        return;
    case Qt::Key_Escape:
        Finish(false);
        return;
    default:
        QLineEdit::keyPressEvent(e);
    }
}

void TTitleChange::mousePressEvent(QMouseEvent* e) {
    // The right button belongs to the title bar, which opens the note's menu.
    if (e->button() == Qt::RightButton) {
        e->ignore();
        return;
    }
    QLineEdit::mousePressEvent(e);
}

void TTitleChange::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // The note's own menu keeps the edit open. The window losing the activation is the note's
    // to handle (it calls Commit): a window being destroyed deactivates too, and its note may
    // be half gone by then.
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason)
        return;
    Finish(true);
}

void TTitleChange::Finish(bool commit) {
    if (Finished)
        return;
    Finished = true;
    parentWidget()->removeEventFilter(this);
    const TDoneCallback done = std::exchange(OnDone, nullptr);
    // A pasted line break would be shown and mailed but saved as a blank.
    QString title = text();
    for (QChar& c : title)
        if (c == '\r' || c == '\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = ' ';
    QPointer<TTitleChange> self(this);
    if (done)
        done(title, commit);
    if (!self)
        return;
    hide();
    deleteLater();
}
