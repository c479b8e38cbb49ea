// The shell as the handset runs it: what it tells subscribed windows, how its queues fill while
// nobody reads them, and what it keeps from one mount of its handset to the next.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ce/errors.h"
#include "ce/kernel.h"
#include "ce/registry.h"
#include "cehost/handset.h"
#include "shell_support.h"
#include "sim/handset.h"
#include "sim/shell/lock_state.h"
#include "sim/shell/shell.h"
#include "temp_dir.h"

namespace {

using namespace shell_test;

// A handset in a home of the test's own, which later handsets of the test mount again.
class ShellProgramTest : public ShellHomeTest {
 protected:
  static sim::Shell& ShellOf(sim::Handset& handset) { return handset.program<sim::Shell>(); }
};

TEST_F(ShellProgramTest, TheLockIsWrittenAndAnnouncedToSubscribersOnly) {
  auto handset = Mount();
  sim::Shell& shell = ShellOf(*handset);
  LoggingWindow subscriber;
  LoggingWindow withdrawn;
  Writer writer;
  writer.Notify(Subscription(1, subscriber.id(), 7));
  writer.Notify(Subscription(1, withdrawn.id(), 8));
  writer.Notify(Subscription(2, withdrawn.id(), 8));
  writer.Ask(Request(8));
  ASSERT_TRUE(shell.WaitIdle(5000));
  EXPECT_TRUE(sim::ReadLockState());
  writer.Ask(Request(9));
  ASSERT_TRUE(shell.WaitIdle(5000));
  EXPECT_FALSE(sim::ReadLockState());

  UINT entry = shell.MessageId(SHELL_EVENT_ENTRY_LOCK_PHONE);
  UINT leave = shell.MessageId(SHELL_EVENT_LEAVE_LOCK_PHONE);
  EXPECT_EQ(subscriber.Seen(), (std::vector<Posted>{{entry, 0, 0}, {leave, 0, 0}}));
  EXPECT_TRUE(withdrawn.Seen().empty());

  // The lock state is written after the request's entry and before the windows are told.
  std::vector<std::string> kinds;
  for (const auto& e : handset->journal().Entries())
    if (e.kind == "shell" || e.kind == "reg.set_value" || e.kind == "window.post")
      kinds.push_back(e.kind == "reg.set_value" ? e.kind + " " + e.Field("name") : e.kind);
  std::vector<std::string> expected = {"shell",
                                       "shell",
                                       "shell",
                                       "shell",
                                       "reg.set_value IsLockState",
                                       "shell",
                                       "window.post",
                                       "shell",
                                       "reg.set_value IsLockState",
                                       "shell",
                                       "window.post"};
  EXPECT_EQ(kinds, expected);
}

TEST_F(ShellProgramTest, AnEventReachesEverySubscriberAndNoOtherWindow) {
  auto handset = Mount();
  sim::Shell& shell = ShellOf(*handset);
  LoggingWindow first;
  LoggingWindow second;
  LoggingWindow withdrawn;
  LoggingWindow stranger;
  Writer writer;
  for (const auto* w : {&first, &second, &withdrawn}) writer.Notify(Subscription(1, w->id(), 1));
  writer.Notify(Subscription(2, withdrawn.id(), 1));
  ASSERT_TRUE(shell.WaitIdle(5000));

  std::vector<Posted> expected;
  for (int e = 0; e < SHELL_EVENT_COUNT; ++e) {
    auto event = static_cast<ShellEvent>(e);
    // The identifiers are those an application gets for the same names.
    EXPECT_EQ(shell.MessageId(event), RegisterWindowMessageW(kShellEventMessageNames[e]));
    ASSERT_TRUE(shell.FireEvent(event));
    expected.push_back({shell.MessageId(event), 0, 0});
  }
  EXPECT_EQ(first.Seen(), expected);
  EXPECT_EQ(second.Seen(), expected);
  EXPECT_TRUE(withdrawn.Seen().empty());
  EXPECT_TRUE(stranger.Seen().empty());
  EXPECT_EQ(handset->journal().Entries("window.post").size(), 2u * SHELL_EVENT_COUNT);
}

TEST_F(ShellProgramTest, QueuesNobodyReadsTakeSixteenRecordsUntilTheShellStarts) {
  struct Case {
    const char* what;
    std::string table;
    bool stop;
    sim::ShellRun run;
  };
  for (const Case& c :
       {Case{"stopped", "", true, sim::ShellRun::kStopped},
        Case{"not started", "running = false\n", false, sim::ShellRun::kNotStarted}}) {
    SCOPED_TRACE(c.what);
    TempDir home;
    WriteText(home.home() / "handset.toml", "[shell]\n" + c.table);
    sim::Handset handset(sim::Handset::Options{home.home()});
    sim::Shell& shell = ShellOf(handset);
    if (c.stop) {
      ASSERT_TRUE(shell.Stop());
    }
    EXPECT_EQ(shell.Status().run, c.run);

    Writer writer;
    for (int i = 0; i < SHELL_QUEUE_MAX_MESSAGES; ++i) ASSERT_TRUE(writer.Ask(Request(5)));
    SetLastError(0);
    EXPECT_FALSE(writer.Ask(Request(5)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_TRUE(shell.WaitIdle(0)) << "a shell that reads nothing is idle at once";
    EXPECT_EQ(shell.Status().waiting, (std::array<DWORD, 3>{0, 16, 0}));
    EXPECT_EQ(shell.Status().memory.icon_reloads, 0u);

    ASSERT_TRUE(shell.Start());
    ASSERT_TRUE(shell.WaitIdle(5000));
    EXPECT_EQ(shell.Status().run, sim::ShellRun::kRunning);
    EXPECT_EQ(shell.Status().memory.icon_reloads, 16u) << "what waited is handled";
    EXPECT_EQ(shell.Status().waiting, (std::array<DWORD, 3>{0, 0, 0}));
    EXPECT_TRUE(writer.Ask(Request(5)));
  }
}

TEST_F(ShellProgramTest, WhatTheShellHoldsOutlivesItsHandsetsMount) {
  sim::ShellMemory held;
  {
    auto handset = Mount();
    Writer writer;
    writer.Notify(Subscription(1, 0x1234, 7));
    writer.Ask(Request(8));
    writer.Ask(Request(10, 0x1234));
    writer.Ask(IconTip(u"Mail", u"new", {1, 2, 3, 4}));
    writer.Notification(Notification(1, 0x1f4, 0x5A));
    ASSERT_TRUE(ShellOf(*handset).WaitIdle(5000));
    ASSERT_TRUE(ShellOf(*handset).Stop());
    held = ShellOf(*handset).Status().memory;
    EXPECT_EQ(held.notifications.size(), 1u);
  }
  auto handset = Mount();
  sim::ShellStatus status = ShellOf(*handset).Status();
  EXPECT_EQ(status.run, sim::ShellRun::kStopped);
  EXPECT_TRUE(status.memory == held);
}

TEST_F(ShellProgramTest, RecordsWaitingForAStoppedShellAreKeptAcrossAMount) {
  {
    auto handset = Mount();
    ASSERT_TRUE(ShellOf(*handset).Stop());
    Writer writer;
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(writer.Ask(Request(5)));
    ASSERT_TRUE(writer.Notify(Subscription(1, 0x40, 1)));
  }
  auto handset = Mount();
  sim::Shell& shell = ShellOf(*handset);
  EXPECT_EQ(shell.Status().waiting, (std::array<DWORD, 3>{1, 10, 0}));
  Writer writer;
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(writer.Ask(Request(5)));
  EXPECT_FALSE(writer.Ask(Request(5))) << "the kept records count against the limit";
  ASSERT_TRUE(shell.Start());
  ASSERT_TRUE(shell.WaitIdle(5000));
  EXPECT_EQ(shell.Status().memory.icon_reloads, 16u);
  EXPECT_EQ(shell.Status().memory.subscriptions.count(0x40), 1u);
}

TEST_F(ShellProgramTest, ARunningShellHandlesWhatIsQueuedBeforeItsHandsetGoes) {
  {
    auto handset = Mount();
    Writer writer;
    for (int i = 0; i < SHELL_QUEUE_MAX_MESSAGES; ++i) ASSERT_TRUE(writer.Ask(Request(13)));
  }
  auto handset = Mount();
  EXPECT_EQ(ShellOf(*handset).Status().memory.user_name_changes, 16u);
}

TEST_F(ShellProgramTest, WithoutAShellNobodyReadsTheQueuesAndNoNameIsRegistered) {
  auto handset = Mount("present = false\n");
  sim::Shell& shell = ShellOf(*handset);
  EXPECT_EQ(sim::CurrentShell(), nullptr);
  EXPECT_EQ(shell.Status().run, sim::ShellRun::kAbsent);
  EXPECT_EQ(shell.MessageId(SHELL_EVENT_CLICK_M_KEY), 0u);
  EXPECT_EQ(RegisterWindowMessageW(u"ShellTest/First"), 0xC000u) << "the first name registered";
  EXPECT_FALSE(shell.Stop());
  EXPECT_FALSE(shell.Start());
  EXPECT_FALSE(shell.FireEvent(SHELL_EVENT_CLICK_M_KEY));
  Writer writer;
  for (int i = 0; i < SHELL_QUEUE_MAX_MESSAGES; ++i)
    ASSERT_TRUE(writer.Notify(Subscription(1, 1, 1)));
  EXPECT_FALSE(writer.Notify(Subscription(1, 1, 1)));
  EXPECT_TRUE(handset->journal().Entries("shell").empty());
}

TEST_F(ShellProgramTest, EachHandsetMountedInTurnHasItsOwnShellReading) {
  auto first = Mount();
  TempDir other;
  sim::Handset second(sim::Handset::Options{other.home()});
  EXPECT_EQ(sim::CurrentShell().get(), &ShellOf(second));
  {
    Writer writer;
    writer.Ask(Request(5));
    ASSERT_TRUE(ShellOf(second).WaitIdle(5000));
  }
  first->MakeCurrent();
  EXPECT_EQ(sim::CurrentShell().get(), &ShellOf(*first));
  Writer writer;
  writer.Ask(Request(5));
  writer.Ask(Request(5));
  ASSERT_TRUE(ShellOf(*first).WaitIdle(5000));
  EXPECT_EQ(ShellOf(*first).Status().memory.icon_reloads, 2u);
  EXPECT_EQ(ShellOf(second).Status().memory.icon_reloads, 1u);
}

}  // namespace
