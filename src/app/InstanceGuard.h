#pragma once

class QWidget;

// The question asked when the marker of another session is found.
extern const char* const SecondSessionQuestion;

// Decides whether this process may run. Shift held at start clears a stale marker first
// (with a beep). With no marker this process takes it; with one, the user is asked and
// "Tak" keeps the marker for this process too. A marker that cannot be made is told with a
// warning and the start goes on. True when this process is the instance.
bool RunInstanceGuard(QWidget* parent = nullptr);
