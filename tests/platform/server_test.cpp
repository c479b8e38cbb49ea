// Programs of one handset home share one running handset: application programs (which link only
// the library) reach the home's server, started on demand, for its devices and its registered
// window messages, and the server outlives none of what they leave behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "ce/windows.h"
#include "cehost/server.h"
#include "pipe_child.h"
#include "sim/default_handset.h"
#include "temp_dir.h"

namespace {

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::EnsureHandset(dir_.home());
    setenv("M8_HANDSET", dir_.home().c_str(), 1);
    setenv("M8_HANDSET_SERVER", SERVER_PROGRAM, 1);
  }
  void TearDown() override { cehost::StopServer(dir_.home()); }

  std::unique_ptr<PipeChild> App() {
    auto app = std::make_unique<PipeChild>(std::vector<std::string>{APP_PROGRAM});
    EXPECT_TRUE(app->running());
    return app;
  }
  // Runs m8sim on the test's handset; its exit code, and what it printed in *out when given.
  int M8sim(const std::vector<std::string>& words, std::string* out = nullptr) {
    std::string command = std::string(M8SIM_PROGRAM) + " --handset " + dir_.home().string();
    for (const std::string& word : words) command += " '" + word + "'";
    if (!out) return WEXITSTATUS(std::system((command + " >/dev/null").c_str()));
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out->append(buffer, got);
    return WEXITSTATUS(pclose(pipe));
  }
  // Replaces a line of the home's handset.toml (its start), for the server that starts next.
  void Configure(const std::string& line, const std::string& replacement) {
    std::filesystem::path toml = dir_.home() / "handset.toml";
    std::stringstream text;
    text << std::ifstream(toml).rdbuf();
    std::string config = text.str();
    size_t at = config.find(line);
    ASSERT_NE(at, std::string::npos) << line;
    std::ofstream(toml) << config.replace(at, line.size(), replacement);
  }
  cehost::ServerInfo Info() {
    auto info = cehost::QueryServer(dir_.home());
    EXPECT_TRUE(info.has_value());
    return info.value_or(cehost::ServerInfo{});
  }
  // Waits, within a bound, until the server says what the test waits for: a program's end
  // reaches the server as the end of its connections, a moment after the program has gone.
  bool Eventually(const std::function<bool(const std::optional<cehost::ServerInfo>&)>& holds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (holds(cehost::QueryServer(dir_.home()))) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  TempDir dir_;
};

TEST_F(ServerTest, ApplicationsShareTheHandsetsDevicesThroughOneServer) {
  EXPECT_FALSE(cehost::QueryServer(dir_.home()));
  {
    auto app = App();
    EXPECT_EQ(app->Ask("backlight set 200"), "1 0");
    EXPECT_EQ(app->Ask("backlight get"), "1 200");
  }
  // Another program finds what the first one left on the handset's backlight.
  auto app = App();
  EXPECT_EQ(app->Ask("backlight get"), "1 200");
  // The phone adapter the library loads asks the handset's one phone.
  EXPECT_EQ(app->Ask("imei"), "1 860123456789012 M8");
  EXPECT_EQ(app->Ask("open ACC0:"), "ok");
  EXPECT_EQ(app->Ask("control"), "1 0 3");
  EXPECT_EQ(app->Ask("open XYZ7:"), "fail 2");
  cehost::ServerInfo info = Info();
  ASSERT_EQ(info.programs.size(), 1u);
  EXPECT_EQ(info.programs[0].name, "server_app");
  EXPECT_EQ(info.programs[0].handles, 1u);
  EXPECT_EQ(app->Ask("close"), "1");
  EXPECT_EQ(Info().programs[0].handles, 0u);
}

// A running handset took its settings as it started: a change of them stops it, and the next
// call starts it with the new ones.
TEST_F(ServerTest, AChangeOfSettingsRestartsTheRunningHandset) {
  auto app = App();
  EXPECT_EQ(app->Ask("imei"), "1 860123456789012 M8");
  EXPECT_EQ(M8sim({"handset", "set", "phone.imei=123456789012345"}), 0);
  EXPECT_EQ(app->Ask("imei"), "1 123456789012345 M8");
}

// m8sim on a running handset is one more program attached to it: what its calls announce reaches
// an application's window, and it shows what the server's programs did for them.
TEST_F(ServerTest, M8simCallsAreMadeOnTheRunningHandset) {
  auto app = App();
  ASSERT_EQ(app->Ask("window"), "ok");
  std::string gprs = app->Ask("register PalBroadcastNotifyMsgName");
  std::string out;
  EXPECT_EQ(M8sim({"call", "Dial_StartGprsConnect2", "print", "1", "CMWAP", "+",
                   "Dial_StopGprsConnect2", "0"},
                  &out),
            0);
  EXPECT_NE(out.find("modem     dial *99**1#"), std::string::npos) << out;
  // The hang-up announces the traffic to every window, the application's among them.
  EXPECT_EQ(app->Ask("received " + gprs), "2 0");
}

// The server's handset is set up from handset.toml: every program has what it says.
TEST_F(ServerTest, TheStorageLimitIsOneForEveryProgram) {
  Configure("free_bytes = -1", "free_bytes = 1000");
  EXPECT_EQ(App()->Ask("file \\first.bin 600"), "1 600 0");
  // The second program has what the first left: the rest, then a full storage (ERROR_DISK_FULL).
  EXPECT_EQ(App()->Ask("file \\second.bin 600"), "0 400 112");
}

TEST_F(ServerTest, TheScreenRecordModulesPanelAndAppletAreTheServersHandsets) {
  Configure("hardware_version = 1", "hardware_version = 2");
  Configure("unread_messages = 0", "unread_messages = 7");
  auto app = App();
  EXPECT_EQ(app->Ask("hardware"), "2");
  // A module the library loads by name is the one the handset has installed, its code loaded
  // into the application.
  EXPECT_EQ(app->Ask("unread"), "7");
  // The input panel the UI library keeps is the handset's: another program sees it open.
  EXPECT_EQ(app->Ask("sip"), "0 0");
  EXPECT_EQ(app->Ask("sip open"), "1");
  EXPECT_EQ(App()->Ask("sip"), "1 1");
  std::string sip;
  EXPECT_EQ(M8sim({"sip"}, &sip), 0);
  EXPECT_EQ(sip.substr(0, sip.find('\n')), "input panel: open, letters");
  // The Bluetooth applet is the handset's too: a program without it has no radio to switch.
  EXPECT_EQ(app->Ask("bt power 1"), "1 1");
  EXPECT_EQ(app->Ask("bt name Pocket"), "1");
  // The server's display driver takes the escape (a program without one has no screen).
  EXPECT_EQ(app->Ask("display off"), "1");
}

// A program an application launches is the handset's, run by the server, and its process handle
// is the application's until it closes it.
TEST_F(ServerTest, AProgramAnApplicationLaunchesRunsOnTheHandset) {
  int panel = open((dir_.home() / "panel.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_EQ(flock(panel, LOCK_EX), 0);
  auto app = App();
  EXPECT_EQ(app->Ask("launch \\Disk\\wifi_test\\WifiTestProgram.exe"), "1 42 0 0");
  EXPECT_EQ(app->Ask("launch \\Disk\\NoSuchProgram.exe"), "0 2");
  EXPECT_EQ(Info().programs.at(0).handles, 0u);
  std::ifstream journal(dir_.home() / "journal.jsonl");
  std::string app_pid = "\"pid\":" + std::to_string(app->pid()), line;
  bool launched = false, ran = false;
  while (std::getline(journal, line)) {
    launched |= line.find("\"kind\":\"program.launch\"") != std::string::npos &&
                line.find(app_pid) != std::string::npos &&
                line.find("\"installed\":\"1\"") != std::string::npos;
    ran |= line.find("Wi-Fi test started") != std::string::npos;
  }
  EXPECT_TRUE(launched);
  EXPECT_TRUE(ran);
  close(panel);
}

TEST_F(ServerTest, ARegisteredMessageHasOneIdentifierInEveryProgram) {
  auto first = App();
  auto second = App();
  std::string usb = first->Ask("register UsbNotifyMsgName");
  std::string pal = second->Ask("register PalBroadcastNotifyMsgName");
  EXPECT_NE(usb, pal);
  EXPECT_EQ(second->Ask("register UsbNotifyMsgName"), usb);
  EXPECT_EQ(first->Ask("register palbroadcastnotifymsgname"), pal);
  std::string own = second->Ask("register AnApplicationsOwnMessage");
  EXPECT_GE(std::stoul(own), 0xC000u);
  EXPECT_EQ(first->Ask("register AnApplicationsOwnMessage"), own);
}

// What other programs do to the handset (a person at m8sim) reaches an application's window with
// the documented parameters, and the application's own calls are in the handset's journal under
// its pid, in order with the others'.
TEST_F(ServerTest, AnApplicationsWindowHearsWhatOtherProgramsAnnounce) {
  // As while a panel serves the home: the handset's journal goes to journal.jsonl.
  int panel = open((dir_.home() / "panel.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_EQ(flock(panel, LOCK_EX), 0);
  auto app = App();
  ASSERT_EQ(app->Ask("window"), "ok");
  EXPECT_EQ(app->Ask("subscribe"), "1");
  std::string accelerometer = app->Ask("accelerometer");
  ASSERT_EQ(accelerometer.substr(0, 2), "1 ");
  std::string click = app->Ask("shell ClickMKey");
  std::string usb = app->Ask("usb");
  EXPECT_EQ(M8sim({"shell", "event", "ClickMKey"}), 0);
  EXPECT_EQ(M8sim({"device", "set", "ACC0:", "x=-5", "y=10", "z=0"}), 0);
  EXPECT_EQ(M8sim({"device", "set", "UFN1:", "connect=pc"}), 0);
  EXPECT_EQ(app->Ask("received " + click), "0 0");
  // The axes packed a byte each, x lowest: 0xFB, 0x0A, 0x00.
  EXPECT_EQ(app->Ask("received " + accelerometer.substr(2)), std::to_string(0x0AFB) + " 0");
  EXPECT_EQ(app->Ask("received " + usb), "1 0");
  // The window's own thread sends to every window, its own among them, through the server: it
  // answers its own window while it waits, instead of waiting out the time-out.
  EXPECT_EQ(app->Ask("broadcast"), "ok");
  EXPECT_EQ(app->Ask("received " + std::to_string(WM_APP + 2)), "7 0");
  EXPECT_EQ(app->Ask("received " + std::to_string(WM_APP + 3)), "1 0");
  // The application's own calls, then what the person did, in the handset's one journal.
  EXPECT_EQ(app->Ask("backlight set 99").substr(0, 2), "1 ");
  // The GPRS dial runs on the handset's modem and RAS: another program sees the link it made.
  EXPECT_EQ(app->Ask("dial"), "1");
  EXPECT_EQ(App()->Ask("network"), "5");
  std::ifstream journal(dir_.home() / "journal.jsonl");
  std::vector<std::string> order;
  std::string app_pid = "\"pid\":" + std::to_string(app->pid());
  for (std::string line; std::getline(journal, line);) {
    if (line.find("\"kind\":\"device.open\"") != std::string::npos &&
        line.find("ACC0:") != std::string::npos && line.find(app_pid) != std::string::npos)
      order.push_back("app opens ACC0:");
    if (line.find("\"m8sim.command\"") != std::string::npos &&
        line.find("device set ACC0:") != std::string::npos)
      order.push_back("m8sim begins");
    if (line.find("tilt") != std::string::npos) order.push_back("tilt");
    if (line.find("\"kind\":\"device.write\"") != std::string::npos &&
        line.find("BKL1:") != std::string::npos && line.find(app_pid) != std::string::npos)
      order.push_back("app sets the backlight");
    if (line.find("\"kind\":\"ras.dial\"") != std::string::npos &&
        line.find(app_pid) != std::string::npos)
      order.push_back("app dials");
    // What the application did in its own process (its registry) is there too, in its place.
    if (line.find("\"kind\":\"reg.set_value\"") != std::string::npos &&
        line.find("GprsIsProxy") != std::string::npos && line.find(app_pid) != std::string::npos)
      order.push_back("app notes the proxy");
  }
  EXPECT_EQ(order, (std::vector<std::string>{"app opens ACC0:", "m8sim begins", "tilt",
                                             "app sets the backlight", "app dials",
                                             "app notes the proxy"}));
  EXPECT_EQ(app->Ask("hangup"), "1");
  close(panel);
}

TEST_F(ServerTest, NamedQueuesAndEventsAreOneInEveryProgram) {
  auto reader = App();
  auto writer = App();
  EXPECT_EQ(reader->Ask("queue read Records 0"), "0 1460 ");
  EXPECT_EQ(writer->Ask("queue write Records hello"), "1 0");
  EXPECT_EQ(reader->Ask("queue read Records 5000"), "1 0 hello");
  // A read that waits is answered by a write made meanwhile in another program.
  ASSERT_TRUE(reader->Send("queue read Records 60000"));
  EXPECT_EQ(writer->Ask("queue write Records again"), "1 0");
  EXPECT_EQ(reader->ReadLine(), "1 0 again");

  EXPECT_EQ(reader->Ask("event wait Changed 0"), "258");
  ASSERT_TRUE(reader->Send("event wait Changed 60000"));
  EXPECT_EQ(writer->Ask("event set Changed"), "1 183");
  EXPECT_EQ(reader->ReadLine(), "0");
}

TEST_F(ServerTest, WhatAKilledProgramHeldIsReleased) {
  auto keeper = App();
  EXPECT_EQ(keeper->Ask("open ACC0:"), "ok");
  {
    auto doomed = App();
    EXPECT_EQ(doomed->Ask("open ACC0:"), "ok");
    EXPECT_EQ(doomed->Ask("open BKL1:"), "ok");
    EXPECT_EQ(doomed->Ask("queue write Records left"), "1 0");
    // Killed while the server waits for it: the wait ends with the program.
    ASSERT_TRUE(doomed->Send("event wait Never 60000"));
    EXPECT_TRUE(Eventually([](const auto& info) { return info && info->programs.size() == 2; }));
    doomed->Kill();
  }
  EXPECT_TRUE(Eventually([](const auto& info) {
    return info && info->programs.size() == 1 && info->programs[0].handles == 1;
  }));
  // The program that lives on keeps its device.
  EXPECT_EQ(keeper->Ask("control"), "1 0 3");
  // A program killed while it waits for a hung window's answer is let go of at once, not when
  // its send would have timed out.
  ASSERT_EQ(keeper->Ask("window"), "ok");
  ASSERT_EQ(keeper->Ask("hang"), "ok");
  {
    auto sender = App();
    ASSERT_TRUE(sender->Send("send AppWindow 60000"));
    EXPECT_TRUE(Eventually([](const auto& info) { return info && info->programs.size() == 2; }));
    sender->Kill();
  }
  EXPECT_TRUE(Eventually([](const auto& info) { return info && info->programs.size() == 1; }));
}

TEST_F(ServerTest, CallsFailWhenTheServerIsKilledAndTheNextStartsAnotherThatResumes) {
  auto app = App();
  EXPECT_EQ(app->Ask("backlight set 123"), "1 0");
  EXPECT_EQ(app->Ask("open ACC0:"), "ok");
  ASSERT_EQ(app->Ask("window"), "ok");
  std::string usb = app->Ask("register UsbNotifyMsgName");
  int pid = Info().pid;
  ASSERT_GT(pid, 0);
  ASSERT_EQ(kill(pid, SIGKILL), 0);
  ASSERT_TRUE(Eventually([pid](const auto& info) { return !info || info->pid != pid; }));
  // The device opened on the server that died is gone with it, as a removed device's handle.
  EXPECT_EQ(app->Ask("control"), "0 6 0");
  // A new server holds what the handset held.
  EXPECT_EQ(app->Ask("backlight get"), "1 123");
  EXPECT_NE(Info().pid, pid);
  // As after a reboot, names are numbered afresh in the order they are asked for: an identifier
  // a program cached may now be another name's, and registering again gives the current one.
  EXPECT_EQ(App()->Ask("register AnotherProgramsMessage"), usb);
  EXPECT_NE(app->Ask("register UsbNotifyMsgName"), usb);
  // A window made now has a handle of its own, though the new server numbers its windows afresh.
  EXPECT_EQ(app->Ask("window"), "ok");
}

// The socket is the owner's alone; even opened up to everyone, the server refuses a peer of
// another user.
TEST_F(ServerTest, APeerOfAnotherUserIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "needs to be root to become another user";
  std::string error;
  ASSERT_TRUE(cehost::StartServer(dir_.home(), true, &error)) << error;
  auto asks_as_nobody = [this] {
    pid_t child = fork();
    if (child == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
      _exit(cehost::QueryServer(dir_.home()) ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(asks_as_nobody(), 0);
  for (const auto& path : {dir_.path(), dir_.home(), dir_.home() / "handset.sock"})
    std::filesystem::permissions(path, std::filesystem::perms::all);
  EXPECT_EQ(asks_as_nobody(), 0);
  EXPECT_TRUE(cehost::QueryServer(dir_.home()));
}

TEST_F(ServerTest, AServerWithNoProgramsEndsAfterItsLingerUnlessPersistent) {
  std::string error;
  ASSERT_TRUE(cehost::StartServer(dir_.home(), true, &error)) << error;
  int pid = Info().pid;
  { EXPECT_EQ(App()->Ask("backlight get").substr(0, 1), "1"); }
  EXPECT_TRUE(Eventually([](const auto& info) { return info && info->programs.empty(); }));
  EXPECT_EQ(Info().pid, pid);
  EXPECT_TRUE(Info().persistent);
  EXPECT_TRUE(cehost::StopServer(dir_.home()));
  EXPECT_FALSE(cehost::QueryServer(dir_.home()));
  EXPECT_FALSE(cehost::StopServer(dir_.home()));
}

}  // namespace
