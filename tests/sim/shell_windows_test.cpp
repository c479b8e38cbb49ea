// The shell's six windows: what each does with the private messages sent to it, how handset.toml
// and tests set them up, and what the shell keeps of them from one mount to the next.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ce/errors.h"
#include "ce/windows.h"
#include "cehost/windows.h"
#include "oem/shell.h"
#include "shell_support.h"
#include "sim/handset.h"
#include "sim/shell/shell.h"

namespace {

constexpr DWORD kWait = 10000;
constexpr UINT kShort = 50;

class ShellWindowsTest : public shell_test::ShellHomeTest {
 protected:
  static sim::ShellWindowMemory Windows(sim::Handset& handset) {
    return handset.program<sim::Shell>().Status().memory.windows;
  }
};

// Sends as the library does, with no wait for a reply beyond the time-out.
LRESULT Send(const char16_t* class_name, UINT msg, WPARAM wparam, LPARAM lparam,
             UINT timeout = kWait) {
  HWND hwnd = FindWindowW(class_name, nullptr);
  DWORD_PTR answer = 0;
  LRESULT sent = SendMessageTimeoutW(hwnd, msg, wparam, lparam, SMTO_NORMAL, timeout, &answer);
  return sent ? static_cast<LRESULT>(answer) : -1;
}

TEST_F(ShellWindowsTest, EachWindowActsOnItsMessagesAndKeepsItAcrossAMount) {
  struct Case {
    const char16_t* window;
    UINT msg;
    WPARAM wparam;
    LPARAM lparam;
    std::string text;
    std::function<bool(const sim::ShellWindowMemory&)> kept;
  };
  using M = const sim::ShellWindowMemory&;
  const std::vector<Case> cases{
      {SHELL_DESKTOP_WINDOW_CLASS, SHELL_MSG_REFRESH_WALLPAPER, 0, 0,
       "wallpaper refreshed on the desktop",
       [](M m) { return m.desktop_wallpaper_refreshes == 1; }},
      {SHELL_LOCK_WINDOW_CLASS, SHELL_MSG_REFRESH_WALLPAPER, 0, 0,
       "wallpaper refreshed on the lock screen",
       [](M m) { return m.lock_wallpaper_refreshes == 1; }},
      {SHELL_QUIT_ANIMATION_WINDOW_CLASS, SHELL_MSG_APP_QUIT_ANIMATE, 0, 2,
       "application-quit animation played (wParam 0, lParam 2)",
       [](M m) { return m.quit_animations == 1; }},
      {SHELL_TASKBAR_WINDOW_CLASS, SHELL_MSG_BEGIN_SCREEN_ROTATE, 0, 0, "screen rotation begun",
       [](M m) { return m.screen_rotations == 1; }},
      {SHELL_TASKBAR_WINDOW_CLASS, SHELL_MSG_DISABLE_TASKBAR_LIST, 0, 0, "task-bar list disabled",
       [](M m) { return !m.taskbar_list_enabled; }},
      {SHELL_TASKBAR_WINDOW_CLASS, SHELL_MSG_DISABLE_SLIDE_APP, 0, 0,
       "application sliding disabled", [](M m) { return !m.slide_app_enabled; }},
      {SHELL_MAIN_WINDOW_CLASS, SHELL_MSG_SHOW_VOLUME_WINDOW, 3, 4,
       "volume window shown (wParam 3, lParam 4)",
       [](M m) {
         return m.volume_shows == 1 && m.volume == sim::MessageParams{3, 4};
       }},
      {SHELL_MAIN_WINDOW_CLASS, SHELL_MSG_CHANGE_DISPLAY_SETTINGS, 5, 6,
       "display settings changed (wParam 5, lParam 6)",
       [](M m) {
         return m.display_settings == sim::MessageParams{5, 6};
       }},
      {SHELL_STARTUP_WINDOW_CLASS, SHELL_MSG_APP_INIT, SHELL_APP_INIT_BEGIN, 0,
       "an application's initialisation began", [](M m) { return m.app_init_begins == 1; }},
      {SHELL_STARTUP_WINDOW_CLASS, SHELL_MSG_APP_INIT, SHELL_APP_INIT_FINISHED, 0,
       "an application's initialisation finished", [](M m) { return m.app_init_finishes == 1; }},
  };
  {
    auto handset = Mount();
    for (const Case& c : cases) {
      handset->journal().Clear();
      EXPECT_EQ(Send(c.window, c.msg, c.wparam, c.lparam), 1) << c.text;
      auto shell = handset->journal().Entries("shell");
      ASSERT_EQ(shell.size(), 1u) << c.text;
      EXPECT_EQ(shell[0].Field("text"), c.text);
      EXPECT_TRUE(c.kept(Windows(*handset))) << c.text;
      // The journal names the message the window was sent.
      EXPECT_EQ(handset->journal().Entries("window.send")[0].Field("name"),
                sim::ShellMessageName(c.msg));
    }
    // A message a window does not know is answered 0 and changes nothing.
    auto before = Windows(*handset);
    EXPECT_EQ(Send(SHELL_DESKTOP_WINDOW_CLASS, SHELL_MSG_APP_QUIT_ANIMATE, 0, 0), 0);
    EXPECT_EQ(Send(SHELL_STARTUP_WINDOW_CLASS, SHELL_MSG_APP_INIT, 3, 0), 0);
    EXPECT_EQ(Windows(*handset), before);
  }
  auto handset = Mount();
  for (const Case& c : cases) EXPECT_TRUE(c.kept(Windows(*handset))) << c.text;
  EXPECT_EQ(Send(SHELL_TASKBAR_WINDOW_CLASS, SHELL_MSG_ENABLE_TASKBAR_LIST, 0, 0), 1);
  EXPECT_EQ(Send(SHELL_TASKBAR_WINDOW_CLASS, SHELL_MSG_ENABLE_SLIDE_APP, 0, 0), 1);
  EXPECT_TRUE(Windows(*handset).taskbar_list_enabled);
  EXPECT_TRUE(Windows(*handset).slide_app_enabled);
}

TEST_F(ShellWindowsTest, PostedWallpaperRefreshesAreCountedPerWindow) {
  auto handset = Mount();
  for (const char16_t* window :
       {SHELL_DESKTOP_WINDOW_CLASS, SHELL_LOCK_WINDOW_CLASS, SHELL_LOCK_WINDOW_CLASS}) {
    HWND hwnd = FindWindowW(window, nullptr);
    ASSERT_TRUE(PostMessageW(hwnd, SHELL_MSG_REFRESH_WALLPAPER, 0, 0));
    ASSERT_TRUE(cehost::WaitWindowIdle(hwnd, kWait));
  }
  EXPECT_EQ(Windows(*handset).desktop_wallpaper_refreshes, 1u);
  EXPECT_EQ(Windows(*handset).lock_wallpaper_refreshes, 2u);
  EXPECT_EQ(handset->journal().Entries("window.post")[0].Field("name"), "wallpaper refresh");
}

TEST_F(ShellWindowsTest, TheTopBarsVisibilityIsReadFromItsWindowAndKept) {
  {
    auto handset = Mount();
    EXPECT_TRUE(Windows(*handset).top_bar_visible);
    EXPECT_NE(ShowWindow(FindWindowW(SHELL_TASKBAR_WINDOW_CLASS, nullptr), SW_HIDE), 0);
    EXPECT_FALSE(Windows(*handset).top_bar_visible);
  }
  auto handset = Mount();
  EXPECT_FALSE(cehost::IsHostWindowVisible(FindWindowW(SHELL_TASKBAR_WINDOW_CLASS, nullptr)));
  EXPECT_FALSE(Windows(*handset).top_bar_visible);
}

TEST_F(ShellWindowsTest, HandsetTomlSetsWindowsAbsentHungOrSlow) {
  auto handset = Mount(
      "windows.CTaskBar = \"absent\"\n"
      "windows.CStartupWnd = \"hung\"\n"
      "answer_delay_ms.CShellMainWnd = 1\n");
  EXPECT_EQ(FindWindowW(SHELL_TASKBAR_WINDOW_CLASS, nullptr), nullptr);
  EXPECT_NE(FindWindowW(SHELL_DESKTOP_WINDOW_CLASS, nullptr), nullptr);
  auto status = handset->program<sim::Shell>().Status();
  EXPECT_EQ(status.windows[sim::kTaskBarWindow].hwnd, nullptr);
  EXPECT_EQ(status.windows[sim::kStartupWindow].setup.presence, sim::WindowPresence::kHung);
  EXPECT_EQ(status.windows[sim::kMainWindow].setup.answer_delay_ms, 1u);
  // The hung window keeps the message, and acts on it once it recovers.
  SetLastError(0);
  EXPECT_EQ(Send(SHELL_STARTUP_WINDOW_CLASS, SHELL_MSG_APP_INIT, 1, 0, kShort), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_EQ(Windows(*handset).app_init_begins, 0u);
  ASSERT_TRUE(handset->program<sim::Shell>().SetWindowHung(SHELL_STARTUP_WINDOW_CLASS, false));
  EXPECT_EQ(Send(SHELL_STARTUP_WINDOW_CLASS, SHELL_MSG_APP_INIT, 2, 0), 1);
  EXPECT_EQ(Windows(*handset).app_init_begins, 1u);
  // A slow window still answers within a generous time-out.
  EXPECT_EQ(Send(SHELL_MAIN_WINDOW_CLASS, SHELL_MSG_SHOW_VOLUME_WINDOW, 1, 1), 1);
}

TEST_F(ShellWindowsTest, TestsMakeWindowsAbsentHungOrPresent) {
  auto handset = Mount();
  sim::Shell& shell = handset->program<sim::Shell>();
  EXPECT_FALSE(shell.SetWindowPresent(u"NoSuchWindow", false));
  ASSERT_TRUE(shell.SetWindowPresent(u"ctaskbar", false));
  EXPECT_EQ(FindWindowW(SHELL_TASKBAR_WINDOW_CLASS, nullptr), nullptr);
  EXPECT_FALSE(shell.SetWindowHung(SHELL_TASKBAR_WINDOW_CLASS, true));
  ASSERT_TRUE(shell.SetWindowPresent(SHELL_TASKBAR_WINDOW_CLASS, true));
  EXPECT_EQ(FindWindowW(SHELL_TASKBAR_WINDOW_CLASS, nullptr),
            shell.Window(SHELL_TASKBAR_WINDOW_CLASS));
  ASSERT_TRUE(shell.SetWindowHung(SHELL_TASKBAR_WINDOW_CLASS, true));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Send(SHELL_TASKBAR_WINDOW_CLASS, SHELL_MSG_BEGIN_SCREEN_ROTATE, 0, 0, kShort), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ASSERT_TRUE(shell.SetWindowHung(SHELL_TASKBAR_WINDOW_CLASS, false));
  // Sent messages are handled in turn: once this one is answered, the late one was handled.
  EXPECT_EQ(Send(SHELL_TASKBAR_WINDOW_CLASS, SHELL_MSG_ENABLE_SLIDE_APP, 0, 0), 1);
  EXPECT_EQ(Windows(*handset).screen_rotations, 1u);
}

TEST_F(ShellWindowsTest, AnAbsentShellHasNoWindows) {
  auto handset = Mount("present = false\n");
  for (int w = 0; w < sim::kShellWindowCount; ++w)
    EXPECT_EQ(FindWindowW(sim::ShellWindowClass(static_cast<sim::ShellWindow>(w)), nullptr),
              nullptr);
  EXPECT_FALSE(handset->program<sim::Shell>().SetWindowPresent(SHELL_TASKBAR_WINDOW_CLASS, true));
}

}  // namespace
