// A shell event reaches a window a program made itself, through that program's message loop.
#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

#include "ce/windows.h"
#include "cehost/windows.h"
#include "frame/exports.h"
#include "handset_fixture.h"
#include "sim/shell/shell.h"

namespace shell_app_window_test {

// The registered messages the window's procedure was given; only its own thread writes it.
std::vector<UINT> g_registered;

LRESULT CALLBACK Listener(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg >= 0xC000) g_registered.push_back(msg);
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

using ShellAppWindowTest = HandsetTest;

TEST_F(ShellAppWindowTest, ASubscribedApplicationWindowHearsAShellEvent) {
  WNDCLASSW record{};
  record.lpfnWndProc = Listener;
  record.lpszClassName = u"ShellListener";
  ASSERT_NE(RegisterClassW(&record), 0);
  std::promise<HWND> made;
  std::thread program([&made] {
    HWND hwnd = CreateWindowExW(0, u"ShellListener", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                nullptr);
    made.set_value(hwnd);
    MSG msg;
    while (hwnd && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  });
  HWND hwnd = made.get_future().get();
  auto& shell = handset().program<sim::Shell>();
  EXPECT_EQ(ShellNotifyMsgRegisterShellMessage(hwnd, 1), 1);
  EXPECT_TRUE(shell.WaitIdle(5000));
  EXPECT_TRUE(shell.FireEvent(SHELL_EVENT_BATTERY_LOW));
  EXPECT_TRUE(cehost::WaitWindowIdle(hwnd, 5000));
  ASSERT_TRUE(PostMessageW(hwnd, WM_CLOSE, 0, 0));
  program.join();
  EXPECT_EQ(g_registered, std::vector<UINT>{ShellNotifyMsgGetShellNotifyMsg_BatteryLow()});
  // The shell's post, in the journal by the window's class and the message's name.
  auto posts = handset().journal().Entries("window.post");
  ASSERT_FALSE(posts.empty());
  EXPECT_EQ(posts[0].Field("to"), "ShellListener");
  EXPECT_EQ(posts[0].Field("name"), "ShellNotifyMsg/BatteryLow");
}

}  // namespace shell_app_window_test
