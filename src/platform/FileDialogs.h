#pragma once

#include <QString>

class QWidget;

// The desktop's file choosers. An empty name: the user cancelled.
class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    virtual QString OpenFileName(QWidget* parent, const QString& caption,
                                 const QString& filter) = 0;
    // `suggested`: the folder and name first offered.
    virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                 const QString& filter) = 0;
};
