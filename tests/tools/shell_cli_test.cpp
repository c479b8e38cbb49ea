// m8sim shell and m8sim handset reboot, run in-process on a home of the test's own; between two
// commands the test mounts the same home to write into the shell's queues as an application.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "ce/windows.h"
#include "cehost/journal.h"
#include "cehost/windows.h"
#include "cli_run.h"
#include "journal_view.h"
#include "oem/shell.h"
#include "shell_support.h"
#include "sim/handset.h"
#include "sim/shell/lock_state.h"
#include "sim/shell/shell.h"
#include "temp_dir.h"

namespace {

using namespace shell_test;

using Result = CliResult;

class ShellCliTest : public ::testing::Test {
 protected:
  Result Run(std::vector<std::string> args) { return RunCli(temp_.home(), std::move(args)); }
  // The shell's status as --json gives it.
  nlohmann::json Status() {
    Result r = Run({"--json", "shell", "status"});
    EXPECT_EQ(r.code, 0) << r.err;
    return r.Records().at(0);
  }
  // Mounts the home as an application would find it, and runs the step on it.
  void OnHandset(const std::function<void(sim::Handset&)>& step) {
    sim::Handset handset(sim::Handset::Options{temp_.home()});
    step(handset);
  }

  TempDir temp_;
};

TEST_F(ShellCliTest, StatusShowsWhatTheShellHolds) {
  Result fresh = Run({"shell", "status"});
  EXPECT_EQ(fresh.code, 0) << fresh.err;
  EXPECT_EQ(fresh.out.rfind("shell: running\nsubscribed windows: none\n", 0), 0u) << fresh.out;

  OnHandset([](sim::Handset& handset) {
    Writer writer;
    writer.Notify(Subscription(1, 0x1234, 7));
    writer.Ask(AnimateIcon(u"Mail", 3, 4));
    writer.Notification(Notification(1, 0x1f4, 0xAB));
    ASSERT_TRUE(handset.program<sim::Shell>().WaitIdle(5000));
  });
  Result text = Run({"shell", "status"});
  EXPECT_NE(text.out.find("  0x1234 value 7\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  \"Mail\": animate 3 4\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  0x1f4: 5072 bytes, abababab"), std::string::npos) << text.out;

  nlohmann::json status = Status();
  EXPECT_EQ(status["type"], "shell");
  EXPECT_EQ(status["run"], "running");
  EXPECT_EQ(status["memory"]["subscriptions"],
            (nlohmann::json::array({{{"window", 0x1234}, {"value", 7}}})));
  EXPECT_EQ(status["memory"]["notifications"][0]["handle"], 0x1f4);
  EXPECT_EQ(status["waiting"],
            (nlohmann::json{{"notify", 0}, {"request", 0}, {"notification", 0}}));
}

TEST_F(ShellCliTest, StatusShowsTheShellsWindowsAndWhatTheyDid) {
  ASSERT_EQ(Run({"shell", "status"}).code, 0);
  std::string described;
  OnHandset([&described](sim::Handset& handset) {
    HWND desktop = FindWindowW(SHELL_DESKTOP_WINDOW_CLASS, nullptr);
    ASSERT_TRUE(PostMessageW(desktop, SHELL_MSG_REFRESH_WALLPAPER, 0, 0));
    ASSERT_TRUE(cehost::WaitWindowIdle(desktop, 5000));
    ShowWindow(FindWindowW(SHELL_TASKBAR_WINDOW_CLASS, nullptr), SW_HIDE);
    DWORD_PTR answer = 0;
    ASSERT_NE(SendMessageTimeoutW(FindWindowW(SHELL_MAIN_WINDOW_CLASS, nullptr),
                                  SHELL_MSG_SHOW_VOLUME_WINDOW, 3, 9, SMTO_NORMAL, 5000, &answer),
              0);
    ASSERT_TRUE(handset.program<sim::Shell>().SetWindowPresent(SHELL_STARTUP_WINDOW_CLASS, false));
    described = m8sim::DescribeEntry(handset.journal().Entries("window.post").at(0));
  });
  EXPECT_NE(described.find("msg 0xfff00002 \"wallpaper refresh\" wparam"), std::string::npos)
      << described;
  Result text = Run({"shell", "status"});
  for (const char* line : {"  CTaskBar: present, hidden\n", "  CStartupWnd: present, shown\n",
                           "wallpaper refreshed 1 times on the desktop, 0 on the lock screen",
                           "top bar hidden", "volume window shown 1 times (last 3, 9)"})
    EXPECT_NE(text.out.find(line), std::string::npos) << line << "\n" << text.out;
  nlohmann::json status = Status();
  EXPECT_EQ(status["windows"]["CTaskBar"]["visible"], false);
  EXPECT_EQ(status["windows"]["DesktopExplorerWindow"]["presence"], "present");
  EXPECT_EQ(status["memory"]["windows"]["desktop_wallpaper_refreshes"], 1);
}

TEST_F(ShellCliTest, TheJournalNamesTheDisplayDriversEscapes) {
  ASSERT_EQ(Run({"shell", "status"}).code, 0);
  OnHandset([](sim::Handset& handset) {
    HDC dc = GetDC(nullptr);
    ExtEscape(dc, DISPLAY_ESCAPE_DISABLE_SETTING_CHANGES, 0, nullptr, 0, nullptr);
    ExtEscape(dc, 0x77, 2, "ab", 0, nullptr);
    ReleaseDC(nullptr, dc);
    auto escapes = handset.journal().Entries("display.escape");
    ASSERT_EQ(escapes.size(), 2u);
    EXPECT_EQ(m8sim::DescribeEntry(escapes[0]),
              "display   escape 0x20114 (refuse display-setting changes) -> 1");
    EXPECT_EQ(m8sim::DescribeEntry(escapes[1]), "display   escape 0x77, input 2 bytes -> 0");
  });
}

TEST_F(ShellCliTest, AnEventIsPostedToTheSubscribedWindows) {
  OnHandset([](sim::Handset& handset) {
    Writer writer;
    writer.Notify(Subscription(1, 0x40, 1));
    writer.Notify(Subscription(1, 0x44, 1));
    ASSERT_TRUE(handset.program<sim::Shell>().WaitIdle(5000));
  });
  Result r = Run({"--json", "shell", "event", "entrylockphone"});
  ASSERT_EQ(r.code, 0) << r.err;
  nlohmann::json event = r.Records().at(0);
  EXPECT_EQ(event["type"], "shell_event");
  EXPECT_EQ(event["event"], "EntryLockphone");
  EXPECT_EQ(event["message"], 0xC002);
  EXPECT_EQ(event["windows"], (nlohmann::json{0x40, 0x44}));
  EXPECT_EQ(r.JournalTexts("shell"),
            std::vector<std::string>{"event EntryLockphone (message 0xc002) to 2 windows"});
  // The windows belong to the programs that subscribed them, which are gone: the posts fail.
  EXPECT_EQ(r.JournalTexts("window.post").size(), 2u);

  Result text = Run({"shell", "event", "ClickMKey"});
  EXPECT_EQ(text.out.rfind("ClickMKey (message 0xc000) posted to 2 subscribed windows\n", 0), 0u)
      << text.out;
  EXPECT_EQ(Run({"shell", "event", "NoSuchEvent"}).code, 2);
  EXPECT_EQ(Run({"shell", "event"}).code, 2);
}

TEST_F(ShellCliTest, AStoppedShellLetsSixteenRecordsWaitAcrossCommandsUntilStarted) {
  Result stop = Run({"--json", "shell", "stop"});
  ASSERT_EQ(stop.code, 0) << stop.err;
  EXPECT_EQ(stop.Records().at(0),
            (nlohmann::json{{"type", "shell_run"}, {"before", "running"}, {"run", "stopped"}}));
  EXPECT_EQ(Run({"shell", "stop"}).out, "shell stopped already\n");
  // Each application run writes one record; the 17th finds the queue full.
  for (int i = 0; i <= SHELL_QUEUE_MAX_MESSAGES; ++i) {
    OnHandset([i](sim::Handset&) {
      Writer writer;
      EXPECT_EQ(writer.Ask(Request(5)), i < SHELL_QUEUE_MAX_MESSAGES ? TRUE : FALSE) << i;
    });
  }
  nlohmann::json stopped = Status();
  EXPECT_EQ(stopped["run"], "stopped");
  EXPECT_EQ(stopped["waiting"]["request"], 16);

  Result start = Run({"--json", "shell", "start"});
  ASSERT_EQ(start.code, 0) << start.err;
  EXPECT_EQ(start.JournalTexts("shell"),
            std::vector<std::string>(16, "shell request 5 reload desktop icons"));
  EXPECT_TRUE(start.JournalTexts("event.set").empty()) << "the shell's own wake-up is not shown";
  nlohmann::json running = Status();
  EXPECT_EQ(running["run"], "running");
  EXPECT_EQ(running["memory"]["icon_reloads"], 16);
}

TEST_F(ShellCliTest, WithoutAShellItsCommandsFail) {
  ASSERT_EQ(Run({"handset", "init"}).code, 0);
  std::filesystem::path toml = temp_.home() / "handset.toml";
  std::ifstream in(toml);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  size_t at = text.find("present = true");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 14, "present = false");
  WriteText(toml, text);

  for (std::vector<std::string> args : {std::vector<std::string>{"shell", "stop"},
                                        {"shell", "start"},
                                        {"shell", "event", "ClickMKey"}}) {
    Result r = Run(args);
    EXPECT_EQ(r.code, 1) << args[1];
    EXPECT_NE(r.err.find("no shell"), std::string::npos) << r.err;
  }
  Result status = Run({"shell", "status"});
  EXPECT_EQ(status.code, 0);
  EXPECT_EQ(status.out, "shell: absent\n");
}

TEST_F(ShellCliTest, RebootForgetsWhatTheHandsetHeld) {
  OnHandset([](sim::Handset& handset) {
    Writer writer;
    writer.Notify(Subscription(1, 0x40, 1));
    writer.Ask(Request(8));
    ASSERT_TRUE(handset.program<sim::Shell>().WaitIdle(5000));
  });
  ASSERT_EQ(Run({"shell", "stop"}).code, 0);
  EXPECT_TRUE(Status()["memory"]["locked"]);

  Result reboot = Run({"--json", "handset", "reboot"});
  ASSERT_EQ(reboot.code, 0) << reboot.err;
  EXPECT_EQ(reboot.Records().at(0)["rebooted"], true);
  nlohmann::json status = Status();
  EXPECT_EQ(status["run"], "running");
  EXPECT_EQ(status["memory"], sim::MemoryJson(sim::ShellMemory{}));
  OnHandset([](sim::Handset&) { EXPECT_FALSE(sim::ReadLockState()); });
}

// Through the library: a call's journal shows what the shell made of its record, and what the
// shell then holds is there for the next command.
TEST_F(ShellCliTest, CallsThroughTheLibraryReachTheShellBeforeTheCommandEnds) {
  Result lock = Run({"--json", "call", "ShellNotifyMsgMzEntryLockPhone"});
  ASSERT_EQ(lock.code, 0) << lock.err;
  EXPECT_EQ(lock.Records().at(0)["result"], 1);
  ASSERT_FALSE(lock.JournalTexts("shell").empty());
  EXPECT_EQ(lock.JournalTexts("shell")[0], "shell request 8 enter phone lock");
  EXPECT_TRUE(Status()["memory"]["locked"]);

  Result icon = Run({"call", "ShellNotifyMsgSetAnimateDesktopIconTip", "Mail", "2 new", "1,2,3,4"});
  ASSERT_EQ(icon.code, 0) << icon.err;
  EXPECT_NE(icon.out.find("-> 1"), std::string::npos) << icon.out;
  EXPECT_EQ(Status()["memory"]["icons"].size(), 1u);

  Result set = Run({"--json", "call", "ShellNotifyMsgMzSetUserNotification", "null", "0102"});
  ASSERT_EQ(set.code, 0) << set.err;
  ASSERT_EQ(set.JournalTexts("shell").size(), 1u);
  EXPECT_NE(set.JournalTexts("shell")[0].find("new, 5072 bytes"), std::string::npos);
  EXPECT_EQ(Status()["memory"]["notifications"].size(), 1u);
}

TEST(ShellJournalViewTest, ShellEntriesShowTheirTextAndQueueRecordsTheirQueueAndSize) {
  cehost::JournalEntry shell;
  shell.kind = "shell";
  shell.fields = {{"text", "shell request 6 power off"}, {"code", "6"}};
  EXPECT_EQ(m8sim::DescribeEntry(shell), "shell     shell request 6 power off");
  cehost::JournalEntry write;
  write.kind = "queue.write";
  write.fields = {{"queue", "QueueNameOffAppsAskShellEvent"}, {"size", "232"}, {"flags", "0x0"}};
  write.bytes.assign(232, 0);
  EXPECT_EQ(m8sim::DescribeEntry(write),
            "queue     write \"QueueNameOffAppsAskShellEvent\" 232 bytes");
  write.fields[2].second = "0x1";
  EXPECT_EQ(m8sim::DescribeEntry(write),
            "queue     write \"QueueNameOffAppsAskShellEvent\" 232 bytes (alert)");
}

}  // namespace
