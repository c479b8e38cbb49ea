// The library's shell exports against the handset's running shell: what the shell makes of each
// record, and the identifiers the shell and the library agree on.
#include <gtest/gtest.h>

#include <vector>

#include "ce/registry.h"
#include "frame/exports.h"
#include "handset_fixture.h"
#include "registry_helpers.h"
#include "shell_getters.h"
#include "shell_support.h"
#include "sim/display/display.h"
#include "sim/shell/shell.h"

namespace {

constexpr DWORD kIdle = 5000;

class ShellPeerTest : public HandsetTest {
 protected:
  sim::Shell& shell() { return handset().program<sim::Shell>(); }
  sim::ShellMemory Memory() {
    EXPECT_TRUE(shell().WaitIdle(kIdle));
    return shell().Status().memory;
  }
};

TEST_F(ShellPeerTest, GettersAnswerTheIdentifiersTheShellSends) {
  for (int event = 0; event < SHELL_EVENT_COUNT; ++event) {
    EXPECT_EQ(kShellEventGetters[event](), shell().MessageId(static_cast<ShellEvent>(event)))
        << event;
    EXPECT_NE(kShellEventGetters[event](), 0u);
  }
}

// A subscribed window hears the lock come and go, and the lock state the shell keeps in the
// registry follows.
TEST_F(ShellPeerTest, LockRequestsReachSubscribersAndTheLockState) {
  shell_test::LoggingWindow subscriber;
  shell_test::LoggingWindow bystander;
  ASSERT_EQ(ShellNotifyMsgRegisterShellMessage(subscriber.hwnd(), 7), 1);
  ASSERT_EQ(ShellNotifyMsgMzEntryLockPhone(), 1);
  EXPECT_TRUE(Memory().locked);
  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, SHELL_LOCK_STATE_KEY, SHELL_LOCK_STATE_VALUE), Dword(1));
  ASSERT_EQ(ShellNotifyMsgMzLeaveLockPhone(), 1);
  EXPECT_FALSE(Memory().locked);
  EXPECT_EQ(Load(HKEY_LOCAL_MACHINE, SHELL_LOCK_STATE_KEY, SHELL_LOCK_STATE_VALUE), Dword(0));

  std::vector<shell_test::Posted> expected = {
      {ShellNotifyMsgGetShellNotifyMsg_EntryLockPhone(), 0, 0},
      {ShellNotifyMsgGetShellNotifyMsg_LeaveLockPhone(), 0, 0}};
  EXPECT_EQ(subscriber.Seen(), expected);
  EXPECT_TRUE(bystander.Seen().empty());

  ASSERT_EQ(ShellNotifyMsgUnRegisterShellMessage(subscriber.hwnd(), 7), 1);
  EXPECT_TRUE(Memory().subscriptions.empty());
}

TEST_F(ShellPeerTest, TheShellKeepsWhatRequestsAndNotificationsSay) {
  shell_test::LoggingWindow app;
  ASSERT_EQ(ShellNotifyMsgHoldShellBatteryLowWarningBox(app.hwnd()), 1);
  ASSERT_EQ(ShellNotifyMsgHoldShellUsingSomeKeyFunction(app.hwnd(), 3), 1);
  ASSERT_EQ(ShellNotifyMsgSetScreenAlwaysOn(app.hwnd()), 1);
  ASSERT_EQ(ShellNotifyMsgSetAnimateDesktopIcon(u"Mail", 4, 5), 1);
  std::vector<uint8_t> content(5072, 0x5A);
  HANDLE notification = ShellNotifyMsgMzSetUserNotification(nullptr, content.data());
  ASSERT_NE(notification, nullptr);
  auto memory = Memory();
  EXPECT_EQ(memory.battery_box_holders.count(app.id()), 1u);
  EXPECT_EQ(memory.held_keys.count({app.id(), 3}), 1u);
  EXPECT_TRUE(memory.screen_always_on);
  ASSERT_EQ(memory.icons.count(u"Mail"), 1u);
  EXPECT_EQ(memory.icons[u"Mail"].animation, (sim::IconAnimation{4, 5}));
  auto handle = static_cast<DWORD>(reinterpret_cast<uintptr_t>(notification));
  ASSERT_EQ(memory.notifications.count(handle), 1u);
  EXPECT_EQ(memory.notifications[handle], content);

  ASSERT_NE(ShellNotifyMsgMzClearUserNotification(notification), 0);
  ASSERT_EQ(ShellNotifyMsgUnHoldShellBatteryLowWarningBox(app.hwnd()), 1);
  ASSERT_EQ(ShellNotifyMsgSetScreenAutoOff(), 1);
  memory = Memory();
  EXPECT_TRUE(memory.notifications.empty());
  EXPECT_TRUE(memory.battery_box_holders.empty());
  EXPECT_FALSE(memory.screen_always_on);
}

// A stopped shell's queue takes sixteen requests and refuses the seventeenth; started again, the
// shell handles the sixteen that waited.
TEST_F(ShellPeerTest, AStoppedShellFillsUpAndCatchesUpWhenStarted) {
  ASSERT_TRUE(shell().Stop());
  for (int i = 0; i < 16; ++i) ASSERT_EQ(ShellNotifyMsgReloadDesktopIcons(), 1) << i;
  EXPECT_EQ(ShellNotifyMsgReloadDesktopIcons(), 0);
  EXPECT_EQ(shell().Status().memory.icon_reloads, 0u);
  ASSERT_TRUE(shell().Start());
  EXPECT_EQ(Memory().icon_reloads, 16u);
  EXPECT_EQ(ShellNotifyMsgReloadDesktopIcons(), 1);
  EXPECT_EQ(Memory().icon_reloads, 17u);
}

// The switches answer 1 only when the driver's escape answers above 0, and the driver changes
// its acceptance only then.
TEST_F(ShellPeerTest, DisplaySettingSwitchesFollowTheEscapesResult) {
  sim::Display& display = handset().program<sim::Display>();
  struct Case {
    int32_t result;
    BOOL answer;
  } cases[] = {{1, 1}, {7, 1}, {0, 0}, {-1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.result);
    display.SetSwitchResult(false, c.result);
    display.SetSwitchResult(true, c.result);
    EXPECT_EQ(ShellNotifyMsgDisableChangeDisplaySetting(), c.answer);
    EXPECT_EQ(display.ChangesAccepted(), c.answer == 0);
    EXPECT_EQ(ShellNotifyMsgEnableChangeDisplaySetting(), c.answer);
    EXPECT_TRUE(display.ChangesAccepted());
  }
  std::vector<std::string> escapes;
  for (const auto& e : handset().journal().Entries("display.escape"))
    escapes.push_back(e.Field("escape"));
  EXPECT_EQ(escapes.size(), 8u);
}

// After the lock requests, the lock-state export reads what the shell wrote.
TEST_F(ShellPeerTest, LockStatusReadsWhatTheShellDid) {
  EXPECT_EQ(ShellNotifyMsgIsLockPhoneStatus(), 0);
  ASSERT_EQ(ShellNotifyMsgMzEntryLockPhone(), 1);
  ASSERT_TRUE(shell().WaitIdle(kIdle));
  EXPECT_EQ(ShellNotifyMsgIsLockPhoneStatus(), 1);
  ASSERT_EQ(ShellNotifyMsgMzLeaveLockPhone(), 1);
  ASSERT_TRUE(shell().WaitIdle(kIdle));
  EXPECT_EQ(ShellNotifyMsgIsLockPhoneStatus(), 0);
}

}  // namespace
