#pragma once

#include <QDialog>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// "Informacje o programie": the product and its build, the author's links, a word of thanks
// and the choice of showing the window at start. The opener presets the two check boxes and
// reads them back after exec().
class TFormAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* owner = nullptr);

    QFrame* Bevel1 = nullptr;
    QLabel* Label1 = nullptr;     // "Notella i Terminarz"
    QLabel* LabelBuild = nullptr; // "build " and the build text
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* EditNr1 = nullptr;
    QCheckBox* CheckBoxZagraniczny = nullptr;
    QLabel* Label9 = nullptr;
    QLineEdit* EditNr2 = nullptr;
    QLineEdit* EditNr3 = nullptr;
    QLabel* Label6 = nullptr; // "e-mail:"
    QLabel* LabelMail = nullptr;
    QLabel* LabelWWW = nullptr;
    QFrame* Bevel2 = nullptr;
    QCheckBox* CheckBoxDontShowAtStartup = nullptr;
    QPushButton* Button1 = nullptr; // "OK"

    inline static constexpr int DesignedClientWidth = 296;
    inline static constexpr int DesignedClientHeight = 356;

    void LabelMailClick();
    void LabelWWWClick();
    // Ticked: the thanks in other languages, the box narrowed to its square; unticked: the
    // box alone with its caption.
    void CheckBoxZagranicznyClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

// Shows the about window modally with the two boxes preset and FormAbout set while it is open,
// then puts the boxes' states back. False when the run ended under the window: the values are
// then left as they were given.
bool RunAboutWindow(QWidget* owner, bool& dontShowAtStartup, bool& internationalTransfer);
