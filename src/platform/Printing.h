#pragma once

#include <memory>

class QPrinter;
class QWidget;

// Chooses the printer for one print job.
class IPrinting {
public:
    virtual ~IPrinting() = default;
    // Asks the user (the dialog is owned by `parent`); none when the user cancels.
    virtual std::shared_ptr<QPrinter> ChoosePrinter(QWidget* parent) = 0;
};
