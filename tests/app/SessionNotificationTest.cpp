// The lock and console flags. Wine's WTSRegisterSessionNotification accepts
// every window and never delivers, so the notifications are handed in here.
#include "app/SessionNotification.h"
#include "tests/app/TestWindow.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class SessionNotificationTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, window.Get()); }

    // As the main window does for each message: lock, then hand over.
    void Deliver(HWND target, UINT message, WPARAM code)
    {
        notification.GetLock().Lock();
        notification.OnSessionChange(target, message, code);
    }

    TestWindow window;
    CSessionNotification notification;
};

TEST_F(SessionNotificationTest, RegistersOnceAndStartsUnlockedAndConnected)
{
    ASSERT_EQ(1, notification.Register(window.Get(), 1, 0));
    EXPECT_EQ(window.Get(), notification.RegisteredWindow());
    EXPECT_FALSE(notification.IsSessionLocked());
    EXPECT_TRUE(notification.IsConsoleConnected());
    TestWindow other;
    EXPECT_EQ(0, notification.Register(other.Get(), 1, 0)) << "one window at a time";
    EXPECT_EQ(window.Get(), notification.RegisteredWindow());
    EXPECT_FALSE(notification.GetLock().IsLocked());
}

struct ChangeCase {
    const char* name;
    std::vector<WPARAM> codes;
    bool locked;
    bool connected;
};

void PrintTo(const ChangeCase& c, std::ostream* os)
{
    *os << c.name;
}

class SessionChangeTest : public SessionNotificationTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(SessionChangeTest, FlagsFollowTheNotifications)
{
    ASSERT_EQ(1, notification.Register(window.Get(), 1, 0));
    for (WPARAM code : GetParam().codes) {
        Deliver(window.Get(), WM_WTSSESSION_CHANGE, code);
        EXPECT_FALSE(notification.GetLock().IsLocked()) << "the lock is released after code " << code;
    }
    EXPECT_EQ(GetParam().locked, notification.IsSessionLocked() != FALSE);
    EXPECT_EQ(GetParam().connected, notification.IsConsoleConnected() != FALSE);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, SessionChangeTest,
    ::testing::Values(ChangeCase{"Lock", {WTS_SESSION_LOCK}, true, true},
                      ChangeCase{"LockUnlock", {WTS_SESSION_LOCK, WTS_SESSION_UNLOCK}, false, true},
                      ChangeCase{"ConsoleDisconnect", {WTS_CONSOLE_DISCONNECT}, false, false},
                      ChangeCase{"SwitchAwayAndBack", {WTS_CONSOLE_DISCONNECT, WTS_CONSOLE_CONNECT}, false, true},
                      ChangeCase{"LockedWhileAway", {WTS_SESSION_LOCK, WTS_CONSOLE_DISCONNECT}, true, false},
                      ChangeCase{"LogonAndRemoteCodesChangeNothing",
                                 {WTS_SESSION_LOGON, WTS_SESSION_LOGOFF, WTS_REMOTE_CONNECT, WTS_REMOTE_DISCONNECT},
                                 false,
                                 true}),
    [](const ::testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

TEST_F(SessionNotificationTest, OnlyTheRegisteredWindowsNotificationsCount)
{
    TestWindow other;
    ASSERT_EQ(1, notification.Register(window.Get(), 1, 0));
    Deliver(other.Get(), WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK);
    EXPECT_FALSE(notification.IsSessionLocked()) << "addressed to another window";
    Deliver(window.Get(), WM_TIMER, WTS_SESSION_LOCK);
    EXPECT_FALSE(notification.IsSessionLocked()) << "another message with the same wParam";
    EXPECT_FALSE(notification.GetLock().IsLocked());
}

TEST_F(SessionNotificationTest, WithoutRegistrationNothingChanges)
{
    Deliver(window.Get(), WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK);
    EXPECT_FALSE(notification.IsSessionLocked());
    EXPECT_FALSE(notification.GetLock().IsLocked());
}

TEST_F(SessionNotificationTest, UnregisterAndRegisterAgainResetTheFlags)
{
    ASSERT_EQ(1, notification.Register(window.Get(), 1, 0));
    Deliver(window.Get(), WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK);
    Deliver(window.Get(), WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT);
    notification.Unregister();
    EXPECT_EQ(nullptr, notification.RegisteredWindow());
    EXPECT_FALSE(notification.IsSessionLocked());
    EXPECT_TRUE(notification.IsConsoleConnected());
    notification.Unregister(); // nothing registered: harmless

    ASSERT_EQ(1, notification.Register(window.Get(), 1, 0));
    Deliver(window.Get(), WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK);
    ASSERT_TRUE(notification.IsSessionLocked());
    notification.Unregister();
    ASSERT_EQ(1, notification.Register(window.Get(), 1, 0));
    EXPECT_FALSE(notification.IsSessionLocked()) << "a new registration starts unlocked";
}

} // namespace
