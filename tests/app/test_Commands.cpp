#include "app/Unitmain.h"
#include "common/Formats.h"
#include "notes/NoteText.h"
#include "platform/InstanceChannel.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QDialog>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <future>

namespace {

class CommandsTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetStartFormats();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<TFormKartka*>(w))
                delete w;
        ClearQuitRequest();
    }
    static QStringList NoteTexts(const TFormMain& f) {
        QStringList out;
        for (TFormKartka* s : f.Sheets)
            if (s)
                out << s->Editor()->toPlainText();
        return out;
    }
    TFakePlatform Fake;
};

} // namespace

TEST_F(CommandsTest, ASecondProcessMessageIsCarriedOutByTheRunningInstance) {
    TFormMain f;
    f.FormCreate();
    TCommandRequest request;
    request.Commands = {TCommand::NewNote, TCommand::ToFront};
    request.NoteText = "Zakupy";
    auto sent = std::async(std::launch::async, [&] {
        return SendToInstance(InstanceChannelPath(), CommandMessage(request));
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return NoteTexts(f) == QStringList{"Zakupy"}; }, 2000));
    EXPECT_EQ(sent.get(), TDelivery::Delivered);
    ASSERT_EQ(f.Sheets.size(), 1);
    EXPECT_TRUE(f.Sheets[0]->isVisible());
    EXPECT_TRUE(f.Sheets[0]->Storage->SavePending()) << "saved like typed text";

    // Too many lines: the note's own limit and its warning, once.
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    QStringList lines;
    for (int i = 0; i < 400; ++i)
        lines << QString::number(i);
    request.Commands = {TCommand::NewNote};
    request.NoteText = lines.join('\n');
    f.RunCommands(request);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Fake.MessageBoxes.Shown.size() == 1; }, 2000));
    EXPECT_EQ(HardLines(NoteTexts(f).value(1)), 300);

    // Ended: nothing more is carried out.
    f.Terminate();
    f.RunCommand(TCommand::NewNote, "late");
    EXPECT_TRUE(f.Sheets.isEmpty());
}

TEST_F(CommandsTest, KeysTheDesktopRefusedAreToldOnceWithTheirCommands) {
    TFormMain f;
    f.FormCreate();
    Fake.MessageBoxes.Answer(TMsgResult::OK);
    Fake.MessageBoxes.WhileOpen = [](const TMessage& m) {
        if (m.Checked)
            *m.Checked = true;
    };
    Fake.HotKeys.OnRefused({HotKeyNewSheet, HotKeyCalendar});
    ASSERT_EQ(Fake.MessageBoxes.Shown.size(), 1u);
    const TMessage& m = Fake.MessageBoxes.Shown[0];
    EXPECT_TRUE(m.Text.contains("Win+Shift+Ctrl+N - notella --new-note")) << m.Text.toStdString();
    EXPECT_TRUE(m.Text.contains("Win+Shift+K - notella --calendar"));
    EXPECT_FALSE(m.Text.contains("--to-front"));
    EXPECT_FALSE(m.CheckBox.isEmpty());
    EXPECT_FALSE(f.RegisteredHotKeys.contains(HotKeyNewSheet));

    Fake.HotKeys.OnRefused({HotKeyToFront});
    EXPECT_EQ(Fake.MessageBoxes.Shown.size(), 1u) << "the box was ticked";
}

TEST_F(CommandsTest, EachWindowCommandOpensItsWindowAndWaitsForAnOpenOne) {
    TFormMain f;
    f.FormCreate();
    const std::pair<TCommand, QPointer<QWidget>*> windows[] = {
        {TCommand::Calendar, &FormKalendarz}, {TCommand::Scheduler, &FormTerminarzManager},
        {TCommand::NewEntry, &FormTerminarz}, {TCommand::Trash, &FormSheetsList},
        {TCommand::Settings, &FormSettings},
    };
    for (const auto& [command, form] : windows) {
        bool opened = false;
        QTimer::singleShot(0, [&, form = form] {
            opened = *form && (*form)->isVisible();
            // A second command while it is open opens nothing more.
            f.RunCommand(TCommand::Settings, {});
            f.RunCommand(TCommand::Calendar, {});
            if (*form)
                static_cast<QDialog*>(form->data())->reject();
        });
        f.RunCommand(command, {});
        EXPECT_TRUE(opened) << int(command);
        EXPECT_FALSE(ModalWindowOpen()) << int(command);
    }
}
