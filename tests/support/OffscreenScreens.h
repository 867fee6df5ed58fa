#pragma once

#include <QJsonObject>
#include <QList>
#include <QRect>

// Gives the offscreen platform other screens for its lifetime, then puts the old ones back.
// Qt reports each change through its screen signals, as it does for a monitor that comes or
// goes; a screen keeps its name (s0, s1, ...) so that a new size is a geometry change.
class TScopedScreens {
public:
    explicit TScopedScreens(const QList<QRect>& screens);
    ~TScopedScreens();
    TScopedScreens(const TScopedScreens&) = delete;
    TScopedScreens& operator=(const TScopedScreens&) = delete;

    void Set(const QList<QRect>& screens);

private:
    QJsonObject Saved;
};
