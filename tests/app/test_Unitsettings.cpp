#include "app/Unitmain.h"
#include "app/Unitsettings.h"
#include "common/Formats.h"
#include "common/IniFile.h"
#include "menus/BcBarPopupMenu.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(Fake.Directory.Dir() + "/sound")); }
    void TearDown() override {
        SetStartFormats();
        ClearQuitRequest();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<TFormKartka*>(w))
                delete w;
    }
    QString Ini() const { return Fake.Directory.Dir() + "/notella.ini"; }
    QByteArray IniBytes() const {
        QFile f(Ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void Wav(const QString& name) { WriteBytes(Fake.Directory.Dir() + "/sound/" + name, "RIFF"); }
    // The tray item, with `user` acting in the open window; a window still shown after it is
    // cancelled. False when no window opened.
    static bool OpenSettings(TFormMain& f, const std::function<void(TFormSettings&)>& user) {
        bool opened = false;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* w = qobject_cast<TFormSettings*>(FormSettings.data());
            opened = w && w->isVisible();
            if (!opened)
                return;
            user(*w);
            if (w->isVisible())
                w->reject();
        });
        timer.start(0);
        f.mSettingsClick();
        EXPECT_FALSE(FormSettings);
        return opened;
    }
    TFakePlatform Fake;
};

} // namespace

TEST_F(SettingsWindowTest, EveryControlHasItsCaptionPlaceAndRange) {
    TFormSettings w;
    EXPECT_EQ(w.windowTitle(), "Ustawienia programu");
    EXPECT_EQ(w.size(), QSize(490, 503));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w.font().family(), "MS Sans Serif");
    EXPECT_EQ(w.font().pixelSize(), 11);
    struct TRow {
        QWidget* Control;
        QWidget* Parent;
        const char* Caption;
        QRect Place; // a zero size: only the place is fixed
    };
    const TRow rows[] = {
        {w.GroupBox1, &w, "Aplikacja", {15, 10, 461, 196}},
        {w.Label5, w.GroupBox1, "Priorytet aplikacji: *", {15, 20, 0, 0}},
        {w.ComboBoxAppPrior, w.GroupBox1, "", {320, 15, 126, 21}},
        {w.CheckBoxAltTab,
         w.GroupBox1,
         "Pokaż ikonkę programu po naciśnięciu klawiszy Alt+Tab *",
         {15, 40, 431, 17}},
        {w.Label1,
         w.GroupBox1,
         "Domyślna akcja dla podwójnego kliknięcia na ikonce w tray'u:",
         {15, 65, 0, 0}},
        {w.ComboBoxDefaultDblClickAction, w.GroupBox1, "", {320, 60, 126, 21}},
        {w.CheckBoxHotKeyToFront,
         w.GroupBox1,
         "Użyj skrótu Win+Shit+N - Karteczki na wierzch *",
         {15, 85, 0, 0}},
        {w.CheckBoxHotKeyNewSheet,
         w.GroupBox1,
         "Użyj skrótu Win+Shit+Ctrl+N - Nowa karteczka *",
         {15, 105, 0, 0}},
        {w.CheckBoxHotKeyCalendar,
         w.GroupBox1,
         "Użyj skrótu Win+Shit+K - Kalendarz *",
         {15, 125, 0, 0}},
        {w.CheckBoxHotKeySheduler,
         w.GroupBox1,
         "Użyj skrótu Win+Shit+T - Terminarz *",
         {15, 145, 0, 0}},
        {w.CheckBoxHotKeyNewShedulerNote,
         w.GroupBox1,
         "Użyj skrótu Win+Shit+Ctrl+T - Nowy wpis terminarza *",
         {15, 165, 0, 0}},
        {w.GroupBox3, &w, "Karteczki", {15, 215, 461, 146}},
        {w.CheckBoxEditTitleAtCreate,
         w.GroupBox3,
         "Włącz edycje tytułu zaraz po utworzeniu nowej karteczki",
         {15, 20, 0, 0}},
        {w.CheckBoxAutoresize,
         w.GroupBox3,
         "Automatycznie zmieniaj wielkość karteczki *",
         {15, 40, 0, 0}},
        {w.Label2, w.GroupBox3, "Przezroczystość karteczki (Windows 2000/XP) *", {15, 65, 0, 0}},
        {w.TrackBarAlphaValue, w.GroupBox3, "", {303, 55, 122, 31}},
        {w.LabelAlphaValue, w.GroupBox3, "0", {425, 65, 22, 13}},
        {w.Label4,
         w.GroupBox3,
         "Przezroczystość karteczki gdy aplikacja nie jest aktywna *",
         {15, 90, 0, 0}},
        {w.TrackBarAlphaValueDeact, w.GroupBox3, "", {303, 80, 122, 31}},
        {w.LabelAlphaValueDeact, w.GroupBox3, "0", {425, 90, 22, 13}},
        {w.CheckBoxSoundKarteczka, w.GroupBox3, "Dźwięk przywołania karteczki", {15, 115, 0, 0}},
        {w.ComboBoxSoundKarteczka, w.GroupBox3, "", {275, 113, 171, 21}},
        {w.GroupBox2, &w, "Terminarz", {15, 370, 461, 76}},
        {w.CheckBoxAutomarkDelete,
         w.GroupBox2,
         "Automatycznie zaznaczaj do usunięcia aktualne wpisy jednorazowe",
         {15, 20, 0, 0}},
        {w.CheckBoxSoundTerminarz,
         w.GroupBox2,
         "Dźwięk przywołania wpisu terminarza",
         {15, 44, 0, 0}},
        {w.ComboBoxSoundTerminarz, w.GroupBox2, "", {272, 42, 171, 21}},
        {w.LabelRestart, &w, "* Wymagany restart aplikacji", {15, 450, 0, 0}},
        {w.ButtonOk, &w, "OK", {158, 465, 75, 25}},
        {w.ButtonCancel, &w, "Anuluj", {258, 465, 75, 25}},
    };
    for (const TRow& r : rows) {
        SCOPED_TRACE(r.Caption);
        EXPECT_EQ(r.Control->parentWidget(), r.Parent);
        QString caption;
        if (auto* g = qobject_cast<QGroupBox*>(r.Control))
            caption = g->title();
        else if (auto* l = qobject_cast<QLabel*>(r.Control))
            caption = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(r.Control))
            caption = b->text();
        EXPECT_EQ(caption, QString::fromUtf8(r.Caption));
        EXPECT_EQ(r.Control->pos(), r.Place.topLeft());
        if (!r.Place.size().isNull()) {
            EXPECT_EQ(r.Control->size(), r.Place.size());
        }
    }
    auto items = [](const QComboBox* box) {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    };
    EXPECT_EQ(items(w.ComboBoxAppPrior),
              (QStringList{"Czasu rzeczywistego", "Wysoki", "Normalny", "Niski"}));
    EXPECT_EQ(items(w.ComboBoxDefaultDblClickAction),
              (QStringList{"[BRAK]", "Nowa karteczka", "Terminarz", "Kalendarz",
                           "Nowy wpis terminarza"}));
    for (const QSlider* bar : {w.TrackBarAlphaValue, w.TrackBarAlphaValueDeact}) {
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 255);
        EXPECT_EQ(bar->tickInterval(), 15);
    }
    EXPECT_EQ(w.TrackBarAlphaValue->tickPosition(), QSlider::TicksAbove);
    EXPECT_FALSE(w.ComboBoxSoundKarteczka->isEnabled());
    EXPECT_FALSE(w.ComboBoxSoundTerminarz->isEnabled());
    EXPECT_TRUE(w.LabelRestart->isHidden());
    EXPECT_EQ(w.LabelRestart->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_TRUE(w.LabelRestart->font().bold());
    EXPECT_TRUE(w.ButtonOk->isDefault());

    // The groups, then the buttons.
    QList<QWidget*> order{w.ComboBoxAppPrior};
    while (order.size() < 100 && order.last()->nextInFocusChain() != order.first())
        order << order.last()->nextInFocusChain();
    const QList<QWidget*> expected{w.ComboBoxAppPrior,
                                   w.CheckBoxAltTab,
                                   w.ComboBoxDefaultDblClickAction,
                                   w.CheckBoxHotKeyToFront,
                                   w.CheckBoxHotKeyNewSheet,
                                   w.CheckBoxHotKeyCalendar,
                                   w.CheckBoxHotKeySheduler,
                                   w.CheckBoxHotKeyNewShedulerNote,
                                   w.CheckBoxEditTitleAtCreate,
                                   w.CheckBoxAutoresize,
                                   w.TrackBarAlphaValue,
                                   w.TrackBarAlphaValueDeact,
                                   w.CheckBoxSoundKarteczka,
                                   w.ComboBoxSoundKarteczka,
                                   w.CheckBoxAutomarkDelete,
                                   w.CheckBoxSoundTerminarz,
                                   w.ComboBoxSoundTerminarz,
                                   w.ButtonOk,
                                   w.ButtonCancel};
    QList<QWidget*> focusable;
    for (QWidget* c : order)
        if (c->focusPolicy() & Qt::TabFocus)
            focusable << c;
    EXPECT_EQ(focusable, expected);
}

TEST_F(SettingsWindowTest, OnlyStarredControlsAskForARestartAndTheTrackBarsShowPercents) {
    TFormSettings w;
    w.Fill(ChoiceFromSettings(TAppSettings(), false, {}), {});
    w.show();
    EXPECT_TRUE(w.LabelRestart->isHidden()) << "filling the window is no change";
    EXPECT_EQ(w.LabelAlphaValue->text(), "94");
    EXPECT_EQ(w.LabelAlphaValueDeact->text(), "54");

    w.CheckBoxEditTitleAtCreate->click();
    w.CheckBoxAutomarkDelete->click();
    w.ComboBoxDefaultDblClickAction->setCurrentIndex(3);
    w.CheckBoxSoundKarteczka->click();
    EXPECT_TRUE(w.ComboBoxSoundKarteczka->isEnabled());
    w.CheckBoxSoundTerminarz->click();
    EXPECT_TRUE(w.ComboBoxSoundTerminarz->isEnabled());
    w.CheckBoxSoundTerminarz->click();
    EXPECT_FALSE(w.ComboBoxSoundTerminarz->isEnabled());
    EXPECT_TRUE(w.LabelRestart->isHidden());

    const std::function<void(TFormSettings&)> starred[] = {
        [](TFormSettings& s) { s.ComboBoxAppPrior->setCurrentIndex(2); },
        [](TFormSettings& s) { s.CheckBoxAltTab->click(); },
        [](TFormSettings& s) { s.CheckBoxHotKeyToFront->click(); },
        [](TFormSettings& s) { s.CheckBoxHotKeyNewSheet->click(); },
        [](TFormSettings& s) { s.CheckBoxHotKeyCalendar->click(); },
        [](TFormSettings& s) { s.CheckBoxHotKeySheduler->click(); },
        [](TFormSettings& s) { s.CheckBoxHotKeyNewShedulerNote->click(); },
        [](TFormSettings& s) { s.CheckBoxAutoresize->click(); },
        [](TFormSettings& s) { s.TrackBarAlphaValue->setValue(255); },
        [](TFormSettings& s) { s.TrackBarAlphaValueDeact->setValue(0); },
    };
    for (const auto& change : starred) {
        w.LabelRestart->hide();
        change(w);
        EXPECT_TRUE(w.LabelRestart->isVisible());
    }
    EXPECT_EQ(w.LabelAlphaValue->text(), "100");
    EXPECT_EQ(w.LabelAlphaValueDeact->text(), "0");
    QTest::keyClick(w.TrackBarAlphaValue, Qt::Key_Left);
    EXPECT_EQ(w.LabelAlphaValue->text(), "99");
}

TEST_F(SettingsWindowTest, OkStoresEveryControlAndCancelOrEscChangesNothing) {
    Wav("ding.wav");
    Wav("eGem.wav");
    WriteBytes(Ini(), "[Sound]\r\nActivateSheet=EGEM.WAV\r\n[Settings]\r\nAlphaValue=300\r\n");
    TFormMain f;
    f.FormCreate();
    delete f.OpenSheet("a.sheet"); // a note gone meanwhile is passed over
    const QPointer<TFormKartka> note = f.OpenSheet("b.sheet");
    const QByteArray before = IniBytes();

    for (const bool esc : {false, true})
        EXPECT_TRUE(OpenSettings(f, [&](TFormSettings& w) {
            w.CheckBoxAltTab->click();
            w.ComboBoxDefaultDblClickAction->setCurrentIndex(0);
            if (esc)
                QTest::keyClick(&w, Qt::Key_Escape);
            else
                w.ButtonCancel->click();
        }));
    EXPECT_EQ(IniBytes(), before);
    EXPECT_EQ(f.Settings.DefaultDblClickAction, 1);

    TSettingsChoice shown;
    EXPECT_TRUE(OpenSettings(f, [&](TFormSettings& w) {
        shown = w.Choice();
        EXPECT_EQ(w.ComboBoxSoundKarteczka->currentText(), "eGem.wav");
        EXPECT_EQ(w.TrackBarAlphaValue->value(), 255);
        w.ComboBoxAppPrior->setCurrentIndex(3);
        w.CheckBoxAltTab->click();
        w.ComboBoxDefaultDblClickAction->setCurrentIndex(2);
        for (QCheckBox* box :
             {w.CheckBoxHotKeyToFront, w.CheckBoxHotKeyNewSheet, w.CheckBoxHotKeyCalendar,
              w.CheckBoxHotKeySheduler, w.CheckBoxHotKeyNewShedulerNote,
              w.CheckBoxEditTitleAtCreate, w.CheckBoxAutoresize, w.CheckBoxSoundKarteczka,
              w.CheckBoxAutomarkDelete, w.CheckBoxSoundTerminarz})
            box->click();
        w.TrackBarAlphaValue->setValue(200);
        w.TrackBarAlphaValueDeact->setValue(15);
        w.ComboBoxSoundTerminarz->setCurrentIndex(w.ComboBoxSoundTerminarz->findText("ding.wav"));
        QTest::keyClick(w.ComboBoxAppPrior, Qt::Key_Return); // the default button
    }));
    EXPECT_EQ(shown.AlphaValue, 255) << "the track bar clamps";

    TAppSettings expected;
    expected.ApplicationPriority = 3;
    expected.DefaultDblClickAction = 2;
    expected.HotKeyToFront = expected.HotKeyNewSheet = expected.HotKeyCalendar = false;
    expected.HotKeySheduler = expected.HotKeyNewShedulerNote = true;
    expected.EditTitleAtCreate = true;
    expected.Autoresize = false;
    expected.AlphaValue = 200;
    expected.AlphaValueDeactivated = 15;
    expected.ActivateSheetPlaySound = true;
    expected.ActivateSheet = "eGem.wav"; // as the file system lists it
    expected.AutomarkDelete = false;
    expected.ActivateTerminarzPlaySound = true;
    expected.ActivateTerminarz = "ding.wav";
    expected.LastLaunchedVersion = f.Settings.LastLaunchedVersion;
    EXPECT_EQ(f.Settings, expected);
    EXPECT_TRUE(f.ShowIconWhenAltTabPressed);
    EXPECT_EQ(f.PopupMenu->defaultAction(), f.mTerminarz);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->SoundFile, "eGem.wav");
    EXPECT_TRUE(note->PlaySound);

    // Through the file: a new start fills the window with the same values.
    TAppSettings loaded;
    bool altTab = false;
    LoadSettings(Ini(), loaded, altTab);
    loaded.LastLaunchedVersion = expected.LastLaunchedVersion;
    EXPECT_EQ(loaded, expected);
    EXPECT_TRUE(altTab);
    TSettingsChoice reopened;
    EXPECT_TRUE(OpenSettings(f, [&](TFormSettings& w) { reopened = w.Choice(); }));
    EXPECT_EQ(reopened, ChoiceFromSettings(loaded, altTab, SoundFileNames(SoundDir())));
    EXPECT_EQ(reopened.ActivateTerminarz, SoundFileNames(SoundDir()).indexOf("ding.wav"));
}

TEST_F(SettingsWindowTest, AFailedSaveIsReportedAndTheProgramGoesOn) {
    ASSERT_TRUE(QDir().mkpath(Ini())); // root cannot write it either
    TFormMain f;
    f.FormCreate();
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    bool openDuringBox = false;
    Fake.MessageBoxes.WhileOpen = [&](const TMessage&) { openDuringBox = ModalWindowOpen(); };
    EXPECT_TRUE(OpenSettings(f, [](TFormSettings& w) {
        w.ComboBoxDefaultDblClickAction->setCurrentIndex(0);
        w.ButtonOk->click();
    }));
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    EXPECT_EQ(Fake.MessageBoxes.Shown[0].Caption, QString::fromUtf8("Błąd"));
    EXPECT_TRUE(openDuringBox) << "no second window under the message";
    EXPECT_FALSE(ModalWindowOpen());
    EXPECT_EQ(f.Settings.DefaultDblClickAction, 0) << "in force for this run";
    EXPECT_EQ(f.PopupMenu->defaultAction(), nullptr);
    EXPECT_TRUE(OpenSettings(f, [](TFormSettings&) {})) << "the tray item still works";

    // While another of the program's windows is open, the item opens nothing.
    QWidget other;
    FormSheetsList = &other;
    EXPECT_FALSE(OpenSettings(f, [](TFormSettings&) {}));
    FormSheetsList = nullptr;
    f.Terminate(); // its save goes to stderr
}

TEST_F(SettingsWindowTest, NothingMoreHappensWhenTheRunEndsUnderTheWindow) {
    TFormMain f;
    f.FormCreate();
    EXPECT_TRUE(OpenSettings(f, [&](TFormSettings& w) {
        w.TrackBarAlphaValue->setValue(10);
        f.Terminate();
        w.ButtonOk->click();
    }));
    EXPECT_EQ(f.Settings.AlphaValue, 240);
    EXPECT_EQ(TMemIniFile(Ini()).ReadInteger("Settings", "AlphaValue", 0), 240);
}
