#include <gtest/gtest.h>

#include <cstdint>
#include <latch>
#include <set>
#include <thread>
#include <vector>

#include "ce/windows.h"
#include "frame/exports.h"
#include "shell_queue_reader.h"

namespace {

HWND Window(uintptr_t value) {
  return reinterpret_cast<HWND>(value);
}

using ShellSubscriptionTest = ShellChannelTest;

TEST_F(ShellSubscriptionTest, RegisterAndUnregisterWriteTheWindowAndValue) {
  EXPECT_EQ(ShellNotifyMsgRegisterShellMessage(Window(0x5678), 7), 1);
  EXPECT_EQ(ShellNotifyMsgUnRegisterShellMessage(Window(0x5678), 0xFFFFFFFF), 1);
  auto records = notify().Drain();
  ASSERT_EQ(records.size(), 2u);
  for (const auto& r : records) ASSERT_EQ(r.size(), 12u);
  EXPECT_EQ(WordAt(records[0], 0), 1u);
  EXPECT_EQ(WordAt(records[0], 4), 0x5678u);
  EXPECT_EQ(WordAt(records[0], 8), 7u);
  EXPECT_EQ(WordAt(records[1], 0), 2u);
  EXPECT_EQ(WordAt(records[1], 4), 0x5678u);
  EXPECT_EQ(WordAt(records[1], 8), 0xFFFFFFFFu);
}

TEST_F(ShellSubscriptionTest, NullWindowAndFullQueueAreRefused) {
  EXPECT_EQ(ShellNotifyMsgRegisterShellMessage(nullptr, 1), 0);
  EXPECT_EQ(ShellNotifyMsgUnRegisterShellMessage(nullptr, 1), 0);
  EXPECT_TRUE(notify().Drain().empty());

  for (int i = 0; i < 16; ++i) ASSERT_EQ(ShellNotifyMsgRegisterShellMessage(Window(8), i), 1);
  EXPECT_EQ(ShellNotifyMsgRegisterShellMessage(Window(8), 16), 0);
  EXPECT_EQ(ShellNotifyMsgUnRegisterShellMessage(Window(8), 17), 0);
  EXPECT_EQ(notify().Drain().size(), 16u);
}

TEST_F(ShellSubscriptionTest, EachGetterAnswersItsRegisteredNameEveryTime) {
  struct Case {
    UINT (*getter)();
    const char16_t* name;
  } cases[] = {
      {ShellNotifyMsgGetShellNotifyMsg_ClickMKey, u"ShellNotifyMsg/ClickMKey"},
      {ShellNotifyMsgGetShellNotifyMsg_ClickTaskbar, u"ShellNotifyMsg/ClickTaskbar"},
      {ShellNotifyMsgGetShellNotifyMsg_EntryLockPhone, u"ShellNotifyMsg/EntryLockphone"},
      {ShellNotifyMsgGetShellNotifyMsg_LeaveLockPhone, u"ShellNotifyMsg/LeaveLockPhone"},
      {ShellNotifyMsgGetShellNotifyMsg_EntryShutDown, u"ShellNotifyMsg/EntryShutDown"},
      {ShellNotifyMsgGetShellNotifyMsg_LeaveShutDown, u"ShellNotifyMsg/LeaveShutDown"},
      {ShellNotifyMsgGetShellNotifyMsg_ReadyPowerOFF, u"ShellNotifyMsg/ReadyPowerOFF"},
      {ShellNotifyMsgGetShellNotifyMsg_BatteryLow, u"ShellNotifyMsg/BatteryLow"},
      {ShellNotifyMsgGetShellNotifyMsg_EntryMusic, u"ShellNotifyMsg/EntryMusic"},
      {ShellNotifyGetShellNotifyMsg_AllKeyEvent, u"ShellNotifyMsg/AllKeyEvent"},
      {ShellNotifyMsgGetShellNotifyMsg_SyncBeginEvent, u"ShellNotifyMsg/BeginSyncEvent"},
      {ShellNotifyMsgGetMsg_SyncEndEvent, u"ShellNotifyMsg/EndSyncEvent"},
      {ShellNotifyMsgGetShellNotifyMsg_NetConnect, u"ShellNotifyMsg/NectConnect"},
      {ShellNotifyMsgGetShellNotifyMsg_NetDisconnect, u"ShellNotifyMsg/NetDisconnect"},
      {ShellNotifyMsgGetShellNotifyMsg_ShowNotifyWnd, u"ShellNotifyMsg/ShowNotifyWnd"},
  };
  std::set<UINT> ids;
  for (const auto& c : cases) {
    UINT id = c.getter();
    EXPECT_GE(id, 0xC000u);
    EXPECT_EQ(id, RegisterWindowMessageW(c.name)) << cehost::ToUtf8(c.name);
    EXPECT_EQ(c.getter(), id);
    ids.insert(id);
  }
  EXPECT_EQ(ids.size(), 15u);
}

// Threads that make their first subscription at the same moment share one queue handle and one
// lock: every record arrives whole.
TEST(ShellFirstUseTest, ThreadsSubscribingAtOnceAllGetTheirRecordIn) {
  TempDir temp;
  WriteText(temp.home() / "handset.toml", "[shell]\nrunning = false\n");
  sim::Handset handset(sim::Handset::Options{temp.home()});
  QueueReader reader(SHELL_NOTIFY_QUEUE_NAME, sizeof(ShellNotifySubscriptionRecord));
  constexpr int kThreads = 8;
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  std::vector<BOOL> results(kThreads);
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      start.arrive_and_wait();
      results[i] = ShellNotifyMsgRegisterShellMessage(Window(0x100 + i), i);
    });
  }
  for (auto& t : threads) t.join();
  for (BOOL result : results) EXPECT_EQ(result, 1);
  auto records = reader.Drain();
  ASSERT_EQ(records.size(), static_cast<size_t>(kThreads));
  std::set<uint32_t> windows;
  for (const auto& r : records) {
    EXPECT_EQ(WordAt(r, 0), 1u);
    EXPECT_EQ(WordAt(r, 4), 0x100 + WordAt(r, 8));
    windows.insert(WordAt(r, 4));
  }
  EXPECT_EQ(windows.size(), static_cast<size_t>(kThreads));
}

}  // namespace
