#include "app/Application.h"

#include <QSessionManager>
#include <gtest/gtest.h>

// The autostart entry is the one way the program starts at login: a session manager that
// restores sessions must not start a second copy.
TEST(Application, AsksTheSessionManagerNeverToRestartIt) {
    ASSERT_NE(qobject_cast<TApplication*>(qApp), nullptr);
    auto* session = qApp->findChild<QSessionManager*>();
    ASSERT_NE(session, nullptr);
    session->setRestartHint(QSessionManager::RestartIfRunning);
    emit qApp->commitDataRequest(*session);
    EXPECT_EQ(session->restartHint(), QSessionManager::RestartNever);
    session->setRestartHint(QSessionManager::RestartIfRunning);
    emit qApp->saveStateRequest(*session);
    EXPECT_EQ(session->restartHint(), QSessionManager::RestartNever);
}
