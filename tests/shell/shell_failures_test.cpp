// The shell channels' failures on a simulated handset set up by handset.toml: windows the shell
// lacks or that answer too late, a handset without a display driver, a shell that reads nothing,
// and message names the system has no room left to register.
//
// Its own program: the getters keep what they registered for the life of the process, so the
// one test that calls them must be the first to, whatever order the tests run in.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "ce/errors.h"
#include "ce/kernel.h"
#include "ce/windows.h"
#include "cehost/text.h"
#include "cehost/windows.h"
#include "frame/exports.h"
#include "handset_fixture.h"
#include "oem/shell.h"
#include "shell_getters.h"
#include "shell_support.h"
#include "sim/shell/shell.h"

namespace {

using shell_test::ShellHomeTest;

class ShellFailuresTest : public ShellHomeTest {
 protected:
  // A handset with handset.toml as given, whole.
  std::unique_ptr<sim::Handset> MountToml(const std::string& toml) {
    WriteText(temp_.home() / "handset.toml", toml);
    return Mount();
  }
  static size_t Count(const sim::Handset& handset, const std::string& kind) {
    return handset.journal().Entries(kind).size();
  }
};

struct Command {
  const char* what;
  BOOL (*call)();
};

// Every command to a shell window, with arguments that would make it post or send.
const Command kWindowCommands[] = {
    {"RefreshWallpaper", [] { return ShellNotifyMsgRefreshWallpaper(3); }},
    {"HideMzTopBar", ShellNotifyMsgHideMzTopBar},
    {"ShowMzTopBar", ShellNotifyMsgShowMzTopBar},
    {"ShowAppQuitAnimate", ShellNotifyMsgShowAppQuitAnimate},
    {"ShowVolumeWnd", [] { return ShellNotifyMsgShowVolumeWnd(1, 1); }},
    {"MzChangeDisplaySettingsEx", [] { return ShellNotifyMsgMzChangeDisplaySettingsEx(1, 0); }},
    {"MzBeginScreenRotate", ShellNotifyMsgMzBeginScreenRotate},
    {"MzEnableTaskbarList", ShellNotifyMsgMzEnableTaskbarList},
    {"MzDisableTaskbarList", ShellNotifyMsgMzDisableTaskbarList},
    {"MzEnableSlideApp", ShellNotifyMsgMzEnableSlideApp},
    {"MzDisableSlideApp", ShellNotifyMsgMzDisableSlideApp},
    {"MzNotifyAppInitBegin", ShellNotifyMsgMzNotifyAppInitBegin},
    {"MzNotifyAppInitFinished", ShellNotifyMsgMzNotifyAppInitFinished},
};

// A shell with none of its windows, and a handset without any shell: every command gives 0 and
// nothing is posted or sent; the theme reset still answers 1.
TEST_F(ShellFailuresTest, CommandsToWindowsThatDoNotExistGiveZeroAndSendNothing) {
  const std::string tomls[] = {
      "[shell.windows]\nDesktopExplorerWindow = \"absent\"\nCLockPhoneWnd = \"absent\"\n"
      "DesktopExploreWindows = \"absent\"\nCTaskBar = \"absent\"\nCShellMainWnd = \"absent\"\n"
      "CStartupWnd = \"absent\"\n",
      "[shell]\npresent = false\n"};
  for (const std::string& toml : tomls) {
    SCOPED_TRACE(toml);
    auto handset = MountToml(toml);
    for (const Command& c : kWindowCommands) EXPECT_EQ(c.call(), 0) << c.what;
    EXPECT_EQ(SettingApiResetThemeSetting(), 1);
    EXPECT_EQ(Count(*handset, "window.post"), 0u);
    EXPECT_EQ(Count(*handset, "window.send"), 0u);
  }
}

// A start-up window that hangs and a main window slower than its 2000 ms: the sends give 0.
TEST_F(ShellFailuresTest, SendsThatAreNotAnsweredInTimeGiveZero) {
  auto handset = MountToml(
      "[shell.windows]\nCStartupWnd = \"hung\"\n"
      "[shell.answer_delay_ms]\nCShellMainWnd = 2400\n");
  EXPECT_EQ(ShellNotifyMsgMzNotifyAppInitBegin(), 0);
  EXPECT_EQ(ShellNotifyMsgMzNotifyAppInitFinished(), 0);
  EXPECT_EQ(ShellNotifyMsgMzChangeDisplaySettingsEx(1, 0), 0);
}

// Without a display driver there is no screen device context: both switches give 0.
TEST_F(ShellFailuresTest, DisplaySwitchesWithoutAScreenGiveZero) {
  auto handset = MountToml("[display]\npresent = false\n");
  EXPECT_EQ(ShellNotifyMsgDisableChangeDisplaySetting(), 0);
  EXPECT_EQ(ShellNotifyMsgEnableChangeDisplaySetting(), 0);
  EXPECT_EQ(Count(*handset, "display.escape"), 0u);
}

// A shell that is installed but not started reads none of its queues: each takes sixteen
// records and refuses the seventeenth at once. A notification is still handed out, and closed by
// a clear that is refused.
TEST_F(ShellFailuresTest, QueuesNobodyReadsRefuseTheSeventeenthRecord) {
  auto handset = MountToml("[shell]\nrunning = false\n");
  const HWND window = reinterpret_cast<HWND>(uintptr_t{0x40});
  const std::vector<uint8_t> content(sizeof(UserNotificationRecord::abContent), 1);
  const Command writes[] = {
      {"register", [] { return ShellNotifyMsgRegisterShellMessage(reinterpret_cast<HWND>(8), 1); }},
      {"request", ShellNotifyMsgReloadDesktopIcons},
  };
  for (const Command& w : writes) {
    for (int i = 0; i < 16; ++i) ASSERT_EQ(w.call(), 1) << w.what << " " << i;
    EXPECT_EQ(w.call(), 0) << w.what;
  }
  EXPECT_EQ(ShellNotifyMsgUnRegisterShellMessage(window, 1), 0);
  std::vector<HANDLE> shown;
  for (int i = 0; i < 16; ++i)
    shown.push_back(ShellNotifyMsgMzSetUserNotification(nullptr, content.data()));
  HANDLE refused = ShellNotifyMsgMzSetUserNotification(nullptr, content.data());
  EXPECT_NE(refused, nullptr);
  EXPECT_EQ(ShellNotifyMsgMzClearUserNotification(refused), 0);
  EXPECT_FALSE(CloseHandle(refused));
  auto status = handset->program<sim::Shell>().Status();
  EXPECT_EQ(status.waiting, (std::array<DWORD, sim::kShellQueueCount>{16, 16, 16}));
  for (HANDLE h : shown) CloseHandle(h);
}

// On a handset without a shell, once the system's table of message names is full, the getters
// give 0, and each call tries again.
TEST_F(ShellFailuresTest, NamesThatCannotBeRegisteredGiveZero) {
  auto handset = MountToml("[shell]\npresent = false\n");
  for (int i = 0; RegisterWindowMessageW(cehost::ToUtf16("filler " + std::to_string(i)).c_str());
       ++i) {
  }
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  for (auto getter : kShellEventGetters) {
    EXPECT_EQ(getter(), 0u);
    EXPECT_EQ(getter(), 0u);
  }
}

}  // namespace
