#include "notes/NotePainting.h"

#include "notes/Unitkart.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>

namespace {

const QColor NoteColour(255, 255, 183);

void SetBackground(QWidget* w) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, NoteColour);
    p.setColor(QPalette::Base, NoteColour);
    w->setPalette(p);
}

// One editor, never shown, paints every note that has none: the painted text is then the
// editor's own, pixel for pixel, and a note costs no editor until it is used.
QPlainTextEdit* Painter() {
    static QPlainTextEdit* editor = nullptr;
    if (!editor) {
        editor = new QPlainTextEdit;
        SetUpNoteEditor(editor, QFont());
        qAddPostRoutine([] {
            delete editor;
            editor = nullptr;
        });
    }
    return editor;
}

} // namespace

void SetUpNoteEditor(QPlainTextEdit* editor, const QFont& font) {
    editor->setFrameShape(QFrame::NoFrame);
    editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    editor->setTabChangesFocus(false);
    editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor->document()->setDocumentMargin(0);
    editor->setFont(font);
    SetBackground(editor);
    SetBackground(editor->viewport());
}

void PaintTitleButton(QPainter& p, TTitleButton button, const QRect& place, bool down,
                      bool pressed) {
    p.save();
    p.translate(place.topLeft());
    if (pressed || down) {
        p.setPen(QColor(128, 128, 128));
        p.drawRect(QRect(QPoint(0, 0), place.size()).adjusted(0, 0, -1, -1));
    }
    const QColor grey(96, 96, 96);
    const QColor red(220, 0, 0);
    if (pressed)
        p.translate(1, 1);
    switch (button) {
    case TTitleButton::ActivateAt: {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
        p.setPen(QPen(down ? red : Qt::black, 1.2));
        p.drawLine(QPointF(6, 6), QPointF(6, 3));
        p.drawLine(QPointF(6, 6), QPointF(8.5, 6));
        break;
    }
    case TTitleButton::MoveLock: {
        const QColor c = down ? QColor(255, 110, 110) : grey;
        p.setPen(c);
        p.drawLine(6, 1, 6, 10);
        p.drawLine(1, 5, 11, 5);
        p.drawLine(5, 2, 7, 2);
        p.drawLine(5, 9, 7, 9);
        p.drawLine(2, 4, 2, 6);
        p.drawLine(10, 4, 10, 6);
        if (down)
            p.drawRect(0, 0, 11, 10);
        break;
    }
    case TTitleButton::HiPrior: {
        const QColor c = down ? red : grey;
        p.fillRect(5, 1, 2, 6, c);
        p.fillRect(5, 9, 2, 2, c);
        break;
    }
    case TTitleButton::Close: {
        p.setPen(QPen(grey, 1.5));
        p.drawLine(2, 2, 9, 9);
        p.drawLine(9, 2, 2, 9);
        break;
    }
    }
    p.restore();
}

QString EditorText(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c == '\r' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator ||
            c == QChar(0xFDD0) || c == QChar(0xFDD1))
            c = '\n';
    return out;
}

void PaintNoteText(QPainter& painter, const QRect& target, const TNoteTextLook& look) {
    if (target.width() <= 0 || target.height() <= 0)
        return;
    QPlainTextEdit* editor = Painter();
    if (editor->font() != look.Font)
        editor->setFont(look.Font);
    editor->setPlainText(look.Text);
    const QSize old = editor->size();
    editor->resize(target.size());
    // Hidden, the editor would lay itself out only when painted: the first line in view needs
    // the layout first.
    QResizeEvent resized(target.size(), QSize(-1, old.height()));
    QCoreApplication::sendEvent(editor, &resized);
    QTextCursor c(editor->document());
    c.setPosition(std::clamp(look.Anchor, 0, int(look.Text.size())));
    c.setPosition(std::clamp(look.Caret, 0, int(look.Text.size())), QTextCursor::KeepAnchor);
    editor->setTextCursor(c);
    editor->verticalScrollBar()->setValue(look.FirstLine);
    editor->render(&painter, target.topLeft(), QRegion(),
                   QWidget::DrawWindowBackground | QWidget::DrawChildren);
}
