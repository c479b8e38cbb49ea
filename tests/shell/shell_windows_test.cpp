// The commands to the shell's windows, against windows of the test's own on a handset without
// sim's programs: what each window is posted or sent, and the results.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "cehost/windows.h"
#include "frame/exports.h"
#include "handset_fixture.h"
#include "registry_helpers.h"
#include "shell_support.h"

namespace {

using shell_test::LoggingWindow;
using shell_test::Posted;

using ShellWindowsTest = BareHandsetTest;

TEST_F(ShellWindowsTest, PostedCommandsReachTheirWindowWithTheirParameters) {
  struct Case {
    const char16_t* window_class;
    BOOL (*call)();
    Posted expected;
  } cases[] = {
      {u"DesktopExplorerWindow",
       [] { return ShellNotifyMsgRefreshWallpaper(1); },
       {0xFFF00002u, 0, 0}},
      {u"CLockPhoneWnd", [] { return ShellNotifyMsgRefreshWallpaper(2); }, {0xFFF00002u, 0, 0}},
      {u"DesktopExploreWindows",
       [] { return ShellNotifyMsgShowAppQuitAnimate(); },
       {0xFFF00001u, 0, 2}},
      {u"CShellMainWnd",
       [] { return ShellNotifyMsgShowVolumeWnd(3, 0xFFFFFFFF); },
       {0xFFF00019u, 3, 0xFFFFFFFF}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.window_class));
    // Without its window a command sends nothing and gives 0.
    EXPECT_EQ(c.call(), 0);
    LoggingWindow window(c.window_class);
    EXPECT_NE(c.call(), 0);
    EXPECT_EQ(window.Seen(), std::vector<Posted>{c.expected});
    cehost::DestroyHostWindow(window.hwnd());
  }
}

TEST_F(ShellWindowsTest, SentCommandsReachTheirWindowAndAnswerWhenItDoes) {
  struct Case {
    const char16_t* window_class;
    BOOL (*call)();
    UINT msg;
    WPARAM wparam;
    LPARAM lparam;
  } cases[] = {
      {u"CTaskBar", ShellNotifyMsgMzBeginScreenRotate, 0xFFF0000D, 0, 0},
      {u"CTaskBar", ShellNotifyMsgMzEnableTaskbarList, 0xFFF0000F, 0, 0},
      {u"CTaskBar", ShellNotifyMsgMzDisableTaskbarList, 0xFFF00010, 0, 0},
      {u"CTaskBar", ShellNotifyMsgMzEnableSlideApp, 0xFFF00011, 0, 0},
      {u"CTaskBar", ShellNotifyMsgMzDisableSlideApp, 0xFFF00012, 0, 0},
      {u"CStartupWnd", ShellNotifyMsgMzNotifyAppInitBegin, 0xFFF0001B, 1, 0},
      {u"CStartupWnd", ShellNotifyMsgMzNotifyAppInitFinished, 0xFFF0001B, 2, 0},
      {u"CShellMainWnd", [] { return ShellNotifyMsgMzChangeDisplaySettingsEx(7, 0x80000000); },
       0xFFF0001A, 7, 0x80000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.msg);
    EXPECT_EQ(c.call(), 0);
    LoggingWindow window(c.window_class);
    EXPECT_NE(c.call(), 0);
    EXPECT_EQ(window.Seen(), (std::vector<Posted>{{c.msg, c.wparam, c.lparam}}));
    cehost::DestroyHostWindow(window.hwnd());
  }
}

// A task bar that does not answer: the command gives 0 once its 800 ms are up, not much later.
TEST_F(ShellWindowsTest, ACommandToAHungWindowFailsAfterItsTimeOut) {
  LoggingWindow taskbar(u"CTaskBar");
  ASSERT_TRUE(cehost::SetWindowHung(taskbar.hwnd(), true));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ShellNotifyMsgMzEnableSlideApp(), 0);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(800));
  EXPECT_LT(took, std::chrono::milliseconds(5000));
  // The message is handled once the window recovers, as a late shell would: ahead of a post
  // made afterwards.
  ASSERT_TRUE(cehost::SetWindowHung(taskbar.hwnd(), false));
  ASSERT_TRUE(PostMessageW(taskbar.hwnd(), WM_USER, 0, 0));
  EXPECT_EQ(taskbar.Seen(), (std::vector<Posted>{{0xFFF00011u, 0, 0}, {WM_USER, 0, 0}}));
}

TEST_F(ShellWindowsTest, WallpaperFlagsChooseTheWindowsAndTheLastPostAnswers) {
  LoggingWindow lock_screen(u"CLockPhoneWnd");
  // No flag: no post, though the windows are looked up.
  EXPECT_EQ(ShellNotifyMsgRefreshWallpaper(0), 0);
  // Both bits with only the lock screen there: one post, to it. Higher bits are ignored.
  EXPECT_NE(ShellNotifyMsgRefreshWallpaper(0xFFFFFFFF), 0);
  EXPECT_EQ(lock_screen.Seen().size(), 1u);
  // The desktop alone is asked for, and is missing.
  EXPECT_EQ(ShellNotifyMsgRefreshWallpaper(1), 0);
  LoggingWindow desktop(u"DesktopExplorerWindow");
  EXPECT_NE(ShellNotifyMsgRefreshWallpaper(3), 0);
  EXPECT_EQ(desktop.Seen().size(), 1u);
  EXPECT_EQ(lock_screen.Seen().size(), 2u);
}

TEST_F(ShellWindowsTest, VolumeWindowNeedsAFirstArgument) {
  LoggingWindow main_window(u"CShellMainWnd");
  EXPECT_EQ(ShellNotifyMsgShowVolumeWnd(0, 5), 0);
  EXPECT_TRUE(main_window.Seen().empty());
  EXPECT_TRUE(handset().journal().Entries("window.post").empty());
}

// The top bar's commands answer whether it was visible before, as ShowWindow does.
TEST_F(ShellWindowsTest, TopBarCommandsAnswerTheVisibilityBefore) {
  EXPECT_EQ(ShellNotifyMsgHideMzTopBar(), 0);
  LoggingWindow taskbar(u"CTaskBar");
  EXPECT_NE(ShellNotifyMsgHideMzTopBar(), 0);
  EXPECT_FALSE(cehost::IsHostWindowVisible(taskbar.hwnd()));
  EXPECT_EQ(ShellNotifyMsgHideMzTopBar(), 0);
  EXPECT_EQ(ShellNotifyMsgShowMzTopBar(), 0);
  EXPECT_TRUE(cehost::IsHostWindowVisible(taskbar.hwnd()));
  EXPECT_NE(ShellNotifyMsgShowMzTopBar(), 0);
}

TEST_F(ShellWindowsTest, LockStatusIsOneOnlyForANonZeroValue) {
  const char16_t* key = u"System\\State\\DovuZivUvaro";
  EXPECT_EQ(ShellNotifyMsgIsLockPhoneStatus(), 0);
  MakeKey(HKEY_LOCAL_MACHINE, key);
  EXPECT_EQ(ShellNotifyMsgIsLockPhoneStatus(), 0);
  struct Case {
    StoredValue value;
    BOOL locked;
  } cases[] = {
      {Dword(0), 0},
      {Dword(1), 1},
      {Dword(0x100), 1},
      {Dword(0xFFFFFFFF), 1},
      // More than the 4 bytes asked for: the read fails.
      {{REG_BINARY, {1, 0, 0, 0, 0}}, 0},
  };
  for (const auto& c : cases) {
    Store(HKEY_LOCAL_MACHINE, key, u"IsLockState", c.value);
    EXPECT_EQ(ShellNotifyMsgIsLockPhoneStatus(), c.locked);
  }
}

}  // namespace
