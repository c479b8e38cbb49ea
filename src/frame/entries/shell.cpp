// The shell's exports: event subscriptions and their message identifiers, requests to the shell,
// user notifications, commands to the shell's windows, the display driver's acceptance of
// display-setting changes and the lock state. Thin entries over the shell family's operations.
#include "frame/entries/guard.h"
#include "frame/exports.h"
#include "shell/display_settings.h"
#include "shell/lock_state.h"
#include "shell/shell_request.h"
#include "shell/shell_subscription.h"
#include "shell/shell_windows.h"
#include "shell/user_notification.h"

namespace {

BOOL Subscribe(HWND window, DWORD value, bool register_window) {
  if (!window) return FALSE;
  return RunGuarded(
      FALSE, [&] { return WriteShellNotifyRecord(window, value, register_window) ? TRUE : FALSE; });
}

UINT EventMessage(ShellEvent event) {
  return RunGuarded(0u, [&] { return GetShellEventMessage(event); });
}

}  // namespace

extern "C" BOOL ShellNotifyMsgRegisterShellMessage(HWND hwnd, DWORD dwValue) {
  return Subscribe(hwnd, dwValue, true);
}

extern "C" BOOL ShellNotifyMsgUnRegisterShellMessage(HWND hwnd, DWORD dwValue) {
  return Subscribe(hwnd, dwValue, false);
}

extern "C" UINT ShellNotifyMsgGetShellNotifyMsg_ClickMKey(void) {
  return EventMessage(SHELL_EVENT_CLICK_M_KEY);
}

extern "C" UINT ShellNotifyMsgGetShellNotifyMsg_ClickTaskbar(void) {
  return EventMessage(SHELL_EVENT_CLICK_TASKBAR);
}

extern "C" UINT ShellNotifyMsgGetShellNotifyMsg_EntryLockPhone(void) {
  return EventMessage(SHELL_EVENT_ENTRY_LOCK_PHONE);
}

extern "C" UINT ShellNotifyMsgGetShellNotifyMsg_LeaveLockPhone(void) {
  return EventMessage(SHELL_EVENT_LEAVE_LOCK_PHONE);
}

extern "C" UINT ShellNotifyMsgGetShellNotifyMsg_EntryShutDown(void) {
  return EventMessage(SHELL_EVENT_ENTRY_SHUT_DOWN);
}

extern "C" UINT ShellNotifyMsgGetShellNotifyMsg_LeaveShutDown(void) {
  return EventMessage(SHELL_EVENT_LEAVE_SHUT_DOWN);
}

extern "C" UINT ShellNotifyMsgGetShellNotifyMsg_ReadyPowerOFF(void) {
  return EventMessage(SHELL_EVENT_READY_POWER_OFF);
}

extern "C" UINT ShellNotifyMsgGetShellNotifyMsg_BatteryLow(void) {
  return EventMessage(SHELL_EVENT_BATTERY_LOW);
}

extern "C" UINT ShellNotifyMsgGetShellNotifyMsg_EntryMusic(void) {
  return EventMessage(SHELL_EVENT_ENTRY_MUSIC);
}

extern "C" UINT ShellNotifyGetShellNotifyMsg_AllKeyEvent(void) {
  return EventMessage(SHELL_EVENT_ALL_KEY_EVENT);
}

extern "C" UINT ShellNotifyMsgGetShellNotifyMsg_SyncBeginEvent(void) {
  return EventMessage(SHELL_EVENT_SYNC_BEGIN);
}

extern "C" UINT ShellNotifyMsgGetMsg_SyncEndEvent(void) {
  return EventMessage(SHELL_EVENT_SYNC_END);
}

extern "C" UINT ShellNotifyMsgGetShellNotifyMsg_NetConnect(void) {
  return EventMessage(SHELL_EVENT_NET_CONNECT);
}

extern "C" UINT ShellNotifyMsgGetShellNotifyMsg_NetDisconnect(void) {
  return EventMessage(SHELL_EVENT_NET_DISCONNECT);
}

extern "C" UINT ShellNotifyMsgGetShellNotifyMsg_ShowNotifyWnd(void) {
  return EventMessage(SHELL_EVENT_SHOW_NOTIFY_WND);
}

extern "C" BOOL ShellNotifyMsgHoldShellBatteryLowWarningBox(HWND hwndRequester) {
  return RunGuarded(FALSE, [&] {
    return RequestShellForWindow(SHELL_REQUEST_HOLD_BATTERY_LOW_BOX, hwndRequester, 0);
  });
}

extern "C" BOOL ShellNotifyMsgUnHoldShellBatteryLowWarningBox(HWND hwndRequester) {
  return RunGuarded(FALSE, [&] {
    return RequestShellForWindow(SHELL_REQUEST_UNHOLD_BATTERY_LOW_BOX, hwndRequester, 0);
  });
}

extern "C" BOOL ShellNotifyMsgHoldShellUsingSomeKeyFunction(HWND hwndRequester, DWORD dwValue) {
  return RunGuarded(FALSE, [&] {
    return RequestShellForWindow(SHELL_REQUEST_HOLD_KEYS, hwndRequester, dwValue);
  });
}

extern "C" BOOL ShellNotifyMsgUnHoldShellUsingSomeKeyFunction(HWND hwndRequester, DWORD dwValue) {
  return RunGuarded(FALSE, [&] {
    return RequestShellForWindow(SHELL_REQUEST_UNHOLD_KEYS, hwndRequester, dwValue);
  });
}

extern "C" BOOL ShellNotifyMsgReloadDesktopIcons(void) {
  return RunGuarded(FALSE, [] { return RequestShell(SHELL_REQUEST_RELOAD_DESKTOP_ICONS); });
}

extern "C" BOOL ShellNotifyMsgMzPowerOffSystem(void) {
  return RunGuarded(FALSE, [] { return RequestShell(SHELL_REQUEST_POWER_OFF); });
}

extern "C" BOOL ShellNotifyMsgMzResetSystem(void) {
  return RunGuarded(FALSE, [] { return RequestShell(SHELL_REQUEST_RESET); });
}

extern "C" BOOL ShellNotifyMsgMzEntryLockPhone(void) {
  return RunGuarded(FALSE, [] { return RequestShell(SHELL_REQUEST_ENTER_LOCK); });
}

extern "C" BOOL ShellNotifyMsgMzLeaveLockPhone(void) {
  return RunGuarded(FALSE, [] { return RequestShell(SHELL_REQUEST_LEAVE_LOCK); });
}

extern "C" BOOL ShellNotifyMsgSetScreenAlwaysOn(HWND hwndRequester) {
  return RunGuarded(FALSE, [&] {
    return RequestShellForWindow(SHELL_REQUEST_SCREEN_ALWAYS_ON, hwndRequester, 0);
  });
}

extern "C" BOOL ShellNotifyMsgSetScreenAutoOff(void) {
  return RunGuarded(FALSE, [] { return RequestShell(SHELL_REQUEST_SCREEN_AUTO_OFF); });
}

extern "C" BOOL ShellNotifyMsgSetAnimateDesktopIcon(LPCWSTR pszIconName, DWORD dwArg1,
                                                    DWORD dwArg2) {
  return RunGuarded(FALSE, [&] { return AnimateDesktopIcon(pszIconName, dwArg1, dwArg2); });
}

extern "C" BOOL ShellNotifyMsgSetAnimateDesktopIconTip(LPCWSTR pszIconName, LPCWSTR pszTipText,
                                                       const DesktopIconTipBlock* pTip) {
  return RunGuarded(FALSE, [&] {
    return ShowDesktopIconTip(pszIconName, pszTipText, pTip ? pTip->dwData : nullptr);
  });
}

extern "C" BOOL ShellNotifyMsgNotifyShellUserNameChanged(void) {
  return RunGuarded(FALSE, [] { return RequestShell(SHELL_REQUEST_USER_NAME_CHANGED); });
}

extern "C" HANDLE ShellNotifyMsgMzSetUserNotification(HANDLE hNotification, LPCVOID pContent) {
  return RunGuarded<HANDLE>(nullptr, [&] { return SetUserNotification(hNotification, pContent); });
}

extern "C" BOOL ShellNotifyMsgMzClearUserNotification(HANDLE hNotification) {
  return RunGuarded(FALSE, [&] { return ClearUserNotification(hNotification); });
}

extern "C" BOOL ShellNotifyMsgRefreshWallpaper(DWORD dwFlags) {
  return RunGuarded(FALSE, [&] { return RefreshShellWallpaper(dwFlags); });
}

extern "C" BOOL ShellNotifyMsgHideMzTopBar(void) {
  return RunGuarded(FALSE, [] { return ShowShellTopBar(false); });
}

extern "C" BOOL ShellNotifyMsgShowMzTopBar(void) {
  return RunGuarded(FALSE, [] { return ShowShellTopBar(true); });
}

extern "C" BOOL ShellNotifyMsgShowAppQuitAnimate(void) {
  return RunGuarded(FALSE, [] { return ShowAppQuitAnimation(); });
}

extern "C" BOOL ShellNotifyMsgShowVolumeWnd(DWORD dwWParam, DWORD dwLParam) {
  return RunGuarded(FALSE, [&] { return ShowVolumeWindow(dwWParam, dwLParam); });
}

extern "C" BOOL ShellNotifyMsgMzChangeDisplaySettingsEx(DWORD dwWParam, DWORD dwLParam) {
  return RunGuarded(FALSE, [&] {
    return SendToShellWindow(SHELL_MAIN_WINDOW_CLASS, SHELL_MSG_CHANGE_DISPLAY_SETTINGS, dwWParam,
                             dwLParam, SHELL_DISPLAY_SETTINGS_TIMEOUT_MS);
  });
}

namespace {

// A command the task bar or the start-up window answers within 800 ms.
BOOL SendShellCommand(LPCWSTR class_name, UINT msg, WPARAM wparam = 0) {
  return RunGuarded(
      FALSE, [&] { return SendToShellWindow(class_name, msg, wparam, 0, SHELL_SEND_TIMEOUT_MS); });
}

}  // namespace

extern "C" BOOL ShellNotifyMsgMzBeginScreenRotate(void) {
  return SendShellCommand(SHELL_TASKBAR_WINDOW_CLASS, SHELL_MSG_BEGIN_SCREEN_ROTATE);
}

extern "C" BOOL ShellNotifyMsgMzEnableTaskbarList(void) {
  return SendShellCommand(SHELL_TASKBAR_WINDOW_CLASS, SHELL_MSG_ENABLE_TASKBAR_LIST);
}

extern "C" BOOL ShellNotifyMsgMzDisableTaskbarList(void) {
  return SendShellCommand(SHELL_TASKBAR_WINDOW_CLASS, SHELL_MSG_DISABLE_TASKBAR_LIST);
}

extern "C" BOOL ShellNotifyMsgMzEnableSlideApp(void) {
  return SendShellCommand(SHELL_TASKBAR_WINDOW_CLASS, SHELL_MSG_ENABLE_SLIDE_APP);
}

extern "C" BOOL ShellNotifyMsgMzDisableSlideApp(void) {
  return SendShellCommand(SHELL_TASKBAR_WINDOW_CLASS, SHELL_MSG_DISABLE_SLIDE_APP);
}

extern "C" BOOL ShellNotifyMsgMzNotifyAppInitBegin(void) {
  return SendShellCommand(SHELL_STARTUP_WINDOW_CLASS, SHELL_MSG_APP_INIT, SHELL_APP_INIT_BEGIN);
}

extern "C" BOOL ShellNotifyMsgMzNotifyAppInitFinished(void) {
  return SendShellCommand(SHELL_STARTUP_WINDOW_CLASS, SHELL_MSG_APP_INIT, SHELL_APP_INIT_FINISHED);
}

extern "C" BOOL ShellNotifyMsgDisableChangeDisplaySetting(void) {
  return RunGuarded(FALSE, [] { return AcceptDisplaySettingChanges(false); });
}

extern "C" BOOL ShellNotifyMsgEnableChangeDisplaySetting(void) {
  return RunGuarded(FALSE, [] { return AcceptDisplaySettingChanges(true); });
}

extern "C" BOOL ShellNotifyMsgIsLockPhoneStatus(void) {
  return RunGuarded(FALSE, [] { return IsPhoneLocked() ? TRUE : FALSE; });
}
