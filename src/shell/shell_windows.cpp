#include "shell/shell_windows.h"

#include "ce/kernel.h"
#include "ce/windows.h"
#include "oem/shell.h"

BOOL PostToShellWindow(LPCWSTR class_name, UINT msg, WPARAM wparam, LPARAM lparam) {
  HWND window = FindWindowW(class_name, nullptr);
  if (!window) return FALSE;
  return PostMessageW(window, msg, wparam, lparam);
}

BOOL SendToShellWindow(LPCWSTR class_name, UINT msg, WPARAM wparam, LPARAM lparam,
                       UINT timeout_ms) {
  HWND window = FindWindowW(class_name, nullptr);
  if (!window) return FALSE;
  DWORD_PTR answer = 0;
  LRESULT sent = SendMessageTimeout(window, msg, wparam, lparam, SMTO_NORMAL, timeout_ms, &answer);
  return sent ? TRUE : FALSE;
}

BOOL ShowShellTopBar(bool show) {
  HWND window = FindWindowW(SHELL_TASKBAR_WINDOW_CLASS, nullptr);
  if (!window) return FALSE;
  return ShowWindow(window, show ? SW_SHOW : SW_HIDE);
}

BOOL RefreshShellWallpaper(DWORD flags) {
  // Both windows are looked up whatever the flags say.
  HWND desktop = FindWindowW(SHELL_DESKTOP_WINDOW_CLASS, nullptr);
  HWND lock_screen = FindWindowW(SHELL_LOCK_WINDOW_CLASS, nullptr);
  BOOL result = FALSE;
  if ((flags & 1) && desktop) result = PostMessageW(desktop, SHELL_MSG_REFRESH_WALLPAPER, 0, 0);
  if ((flags & 2) && lock_screen) {
    result = PostMessageW(lock_screen, SHELL_MSG_REFRESH_WALLPAPER, 0, 0);
  }
  return result;
}

BOOL ShowAppQuitAnimation() {
  BOOL posted = PostToShellWindow(SHELL_QUIT_ANIMATION_WINDOW_CLASS, SHELL_MSG_APP_QUIT_ANIMATE, 0,
                                  SHELL_APP_QUIT_ANIMATE_LPARAM);
  Sleep(10);
  return posted;
}

BOOL ShowVolumeWindow(DWORD first, DWORD second) {
  if (first == 0) return FALSE;
  return PostToShellWindow(SHELL_MAIN_WINDOW_CLASS, SHELL_MSG_SHOW_VOLUME_WINDOW, first, second);
}
