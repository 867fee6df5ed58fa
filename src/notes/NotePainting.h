#pragma once

#include <QFont>
#include <QString>

class QPainter;
class QPlainTextEdit;
class QRect;
enum class TTitleButton;

// The settings every note editor shares, also the one that paints notes without an editor.
void SetUpNoteEditor(QPlainTextEdit* editor, const QFont& font);

// A note's title-bar button: `checked` for a button that stays down, `pressed` while the
// pointer holds it.
void PaintTitleButton(QPainter& painter, TTitleButton button, const QRect& place, bool checked,
                      bool pressed);

// Text as the editor keeps it: every kind of paragraph or line break becomes one LF.
QString EditorText(const QString& text);

// What a note's editor shows: the text, its selection and the first line in view.
struct TNoteTextLook {
    QString Text;
    QFont Font;
    int Caret = 0;
    int Anchor = 0;
    int FirstLine = 0;
};

// Paints the text into `target` as an unfocused editor of that size shows it.
void PaintNoteText(QPainter& painter, const QRect& target, const TNoteTextLook& look);
