#pragma once

#include "common/Formats.h"
#include "common/TextFile.h"
#include "notes/Unitkart.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <gtest/gtest.h>

#include <vector>

// Note windows opened on files of a fresh program folder, as the collection opens them.
class NoteWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStartFormats();
        QDir().mkpath(Sheets());
    }
    QString Sheets() const { return Fake.Directory.Dir() + "/sheets"; }
    QString File(const QString& name = "a.sheet") const { return Sheets() + '/' + name; }
    // A note window on `text`, as the collection opens it.
    TFormKartka* Open(const QByteArray& text, const QString& name = "a.sheet") {
        WriteBytes(File(name), EncodeText(QString::fromUtf8(text)));
        auto* w = new TFormKartka(
            &AltTab, &LastActive, [this](TFormKartka*, int r) { Closed += r; }, nullptr, false, 140,
            240, true, true, File(name));
        Windows.emplace_back(w);
        return w;
    }
    static void Send(QWidget* target, QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
        const QPointF local = target->mapFromGlobal(global);
        QMouseEvent e(type, local, local, global,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(target, &e);
    }
    static QSize Screen() { return QGuiApplication::primaryScreen()->geometry().size(); }

    TFakePlatform Fake;
    bool AltTab = false;
    QPointer<QWidget> LastActive;
    int Closed = 0;
    std::vector<QPointer<TFormKartka>> Windows;

    void TearDown() override {
        for (auto& w : Windows)
            delete w.data();
    }
};

