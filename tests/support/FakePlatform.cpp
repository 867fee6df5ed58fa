#include "support/FakePlatform.h"

#include "common/TextFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QPrinter>
#include <QTimer>
#include <gtest/gtest.h>

TFakeProgramDirectory::TFakeProgramDirectory() {
    EXPECT_TRUE(Root.isValid());
}

bool TFakeUserStore::WriteString(const QString& keyPath, const QString& name,
                                 const QString& value) {
    if (!Writable)
        return false;
    Keys[keyPath][name] = value;
    return true;
}

QString TFakeUserStore::ReadString(const QString& keyPath, const QString& name) const {
    return Keys.value(keyPath).value(name);
}

bool TFakeUserStore::DeleteValue(const QString& keyPath, const QString& name) {
    if (!Writable)
        return false;
    Keys[keyPath].remove(name);
    return true;
}

TMsgResult TScriptedMessageBoxes::Show(QWidget*, const TMessage& message) {
    Shown.push_back(message);
    if (WhileOpen)
        WhileOpen(message);
    if (Script.empty()) {
        if (FailUnscripted)
            ADD_FAILURE() << "unexpected message box: " << message.Caption.toStdString() << ": "
                          << message.Text.toStdString();
        return NoAnswer(message.Buttons);
    }
    const TMsgResult r = Script.front();
    Script.pop_front();
    return r;
}

std::shared_ptr<QPrinter> TFakePrinting::ChoosePrinter(QWidget* parent) {
    Parents << parent;
    if (Cancel)
        return {};
    // High resolution, as a real printer: sizes in screen pixels would print tiny.
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(OutputFile);
    return printer;
}

TFakePlatform::TFakePlatform() : Saved(Platform()) {
    Platform() =
        TPlatformServices{&Clock,   &Directory, &Marker,       &UserStore,    &Priority, &Keyboard,
                          &Beeper,  &Build,     &MessageBoxes, &WindowStyles, &Sound,    &Tray,
                          &HotKeys, &Url,       &Printing,     &FileDialogs};
    // The command socket of a main window under test stays in the test's own folder.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(Directory.Dir()));
}

TFakePlatform::~TFakePlatform() {
    qputenv("XDG_RUNTIME_DIR", SavedRuntimeDir);
    Platform() = Saved;
    SetShuttingDown(false);
}

QString ReadText(const QString& path) {
    QByteArray bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes)) << path.toStdString();
    return DecodeText(bytes);
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

void ClearQuitRequest() {
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}
