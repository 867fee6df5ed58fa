#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The longest mailto text handed to the mail program.
inline constexpr qsizetype MaxMailtoLength = 1585;

struct TNoteMailto {
    QString Url;
    bool Cut = false; // the note did not fit and its end was left off
};

// "mailto:?subject=<title>&body=<line>%0D%0A..." for a note's title and hard lines.
TNoteMailto NoteMailto(const QString& title, const QStringList& lines);

// Hands the note to the desktop's mail program; warns first when its end had to be left off.
void SendNoteByMail(QWidget* parent, const QString& title, const QStringList& lines);
