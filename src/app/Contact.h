#pragma once

#include <QString>
#include <QUrl>

// How users reach the author: the about window's links and the help note.
inline constexpr char ContactMail[] = "notella@example.org";
// The web page, and the shorter text that stands for it on screen.
inline constexpr char ContactWeb[] = "https://notella.example.org/";
inline constexpr char ContactWebText[] = "notella.example.org";

inline QUrl ContactMailUrl() {
    return QUrl(QStringLiteral("mailto:") + QLatin1String(ContactMail));
}

inline QUrl ContactWebUrl() {
    return QUrl(QLatin1String(ContactWeb));
}
