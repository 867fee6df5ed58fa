#pragma once

#include <QApplication>

// The application object. An exception that reaches the event loop is shown and the loop
// goes on; Qt's own quit (also the session manager's) ends the run through the main
// window's shut-down path instead of closing every window. The session manager is told
// never to restart the program: the autostart entry is what starts it at login.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

protected:
    bool event(QEvent* event) override;
};

// Shows an exception the way the program reports any failure.
void ShowException(const char* what);
