// The handset's shell as a peer: the three queues it reads, the records written into them, and
// the names of the window messages it sends to subscribed windows. The library writes these
// records and the shell reads them, so both build them from this one layout.
#pragma once

#include <cstddef>

#include "ce/types.h"

// The queues the shell reads, with the limits every writer opens them with.
#define SHELL_NOTIFY_QUEUE_NAME u"QueueNameOfShellNotifyMessage"
#define SHELL_REQUEST_QUEUE_NAME u"QueueNameOffAppsAskShellEvent"
#define USER_NOTIFICATION_QUEUE_NAME u"NameOfMzUserNotification"
#define SHELL_QUEUE_MAX_MESSAGES 16

// A window's subscription to the shell's event messages.
#define SHELL_SUBSCRIBE_REGISTER 1
#define SHELL_SUBSCRIBE_UNREGISTER 2

typedef struct _ShellNotifySubscriptionRecord {
  DWORD dwOperation;  // SHELL_SUBSCRIBE_REGISTER or SHELL_SUBSCRIBE_UNREGISTER
  DWORD dwWindow;     // the subscriber's window handle
  DWORD dwValue;      // the subscriber's value, the shell's to interpret
} ShellNotifySubscriptionRecord;
static_assert(sizeof(ShellNotifySubscriptionRecord) == 12);

// What an application asks the shell to do.
#define SHELL_REQUEST_HOLD_BATTERY_LOW_BOX 1
#define SHELL_REQUEST_UNHOLD_BATTERY_LOW_BOX 2
#define SHELL_REQUEST_HOLD_KEYS 3
#define SHELL_REQUEST_UNHOLD_KEYS 4
#define SHELL_REQUEST_RELOAD_DESKTOP_ICONS 5
#define SHELL_REQUEST_POWER_OFF 6
#define SHELL_REQUEST_RESET 7
#define SHELL_REQUEST_ENTER_LOCK 8
#define SHELL_REQUEST_LEAVE_LOCK 9
#define SHELL_REQUEST_SCREEN_ALWAYS_ON 10
#define SHELL_REQUEST_SCREEN_AUTO_OFF 11
#define SHELL_REQUEST_ANIMATE_ICON 12
#define SHELL_REQUEST_USER_NAME_CHANGED 13

// Characters of the icon name and tip text fields, the terminating NUL included.
#define SHELL_ICON_NAME_CHARS 64
#define SHELL_TIP_TEXT_CHARS 32

// Animation kinds of request 12.
#define SHELL_ICON_TIP 0
#define SHELL_ICON_ANIMATE 1

// One request, zero wherever the request sets nothing.
typedef struct _ShellRequestRecord {
  DWORD dwCode;       // SHELL_REQUEST_...
  DWORD dwRequester;  // the requester's window (codes 1 to 4 and 10)
  DWORD dwValue;      // the requester's value (codes 3 and 4)
  WCHAR szIconName[SHELL_ICON_NAME_CHARS];
  DWORD dwAnimationKind;  // SHELL_ICON_ANIMATE or SHELL_ICON_TIP
  WCHAR szTipText[SHELL_TIP_TEXT_CHARS];
  DWORD dwAnimationArg1;
  DWORD dwAnimationArg2;
  DWORD dwTipBlock[4];
} ShellRequestRecord;
static_assert(sizeof(ShellRequestRecord) == 232);
static_assert(offsetof(ShellRequestRecord, szIconName) == 12);
static_assert(offsetof(ShellRequestRecord, dwAnimationKind) == 140);
static_assert(offsetof(ShellRequestRecord, szTipText) == 144);
static_assert(offsetof(ShellRequestRecord, dwAnimationArg1) == 208);
static_assert(offsetof(ShellRequestRecord, dwAnimationArg2) == 212);
static_assert(offsetof(ShellRequestRecord, dwTipBlock) == 216);

// A user notification's operations.
#define USER_NOTIFICATION_NEW 1
#define USER_NOTIFICATION_UPDATE 2
#define USER_NOTIFICATION_CLEAR 3

// The content of a notification, laid out by the shell.
#define USER_NOTIFICATION_CONTENT_BYTES 5072

typedef struct _UserNotificationRecord {
  DWORD dwNotification;  // the event handle that names the notification
  DWORD dwOperation;     // USER_NOTIFICATION_...
  BYTE abContent[USER_NOTIFICATION_CONTENT_BYTES];
} UserNotificationRecord;
static_assert(sizeof(UserNotificationRecord) == 5080);
static_assert(offsetof(UserNotificationRecord, abContent) == 8);

// The events the shell announces to subscribed windows, in the order of the library's getters.
enum ShellEvent {
  SHELL_EVENT_CLICK_M_KEY,
  SHELL_EVENT_CLICK_TASKBAR,
  SHELL_EVENT_ENTRY_LOCK_PHONE,
  SHELL_EVENT_LEAVE_LOCK_PHONE,
  SHELL_EVENT_ENTRY_SHUT_DOWN,
  SHELL_EVENT_LEAVE_SHUT_DOWN,
  SHELL_EVENT_READY_POWER_OFF,
  SHELL_EVENT_BATTERY_LOW,
  SHELL_EVENT_ENTRY_MUSIC,
  SHELL_EVENT_ALL_KEY_EVENT,
  SHELL_EVENT_SYNC_BEGIN,
  SHELL_EVENT_SYNC_END,
  SHELL_EVENT_NET_CONNECT,
  SHELL_EVENT_NET_DISCONNECT,
  SHELL_EVENT_SHOW_NOTIFY_WND,
  SHELL_EVENT_COUNT
};

// The registered window message of each event, as the shell registers it: the spellings are
// the shell's own ("EntryLockphone", "NectConnect").
inline constexpr LPCWSTR kShellEventMessageNames[SHELL_EVENT_COUNT] = {
    u"ShellNotifyMsg/ClickMKey",      u"ShellNotifyMsg/ClickTaskbar",
    u"ShellNotifyMsg/EntryLockphone", u"ShellNotifyMsg/LeaveLockPhone",
    u"ShellNotifyMsg/EntryShutDown",  u"ShellNotifyMsg/LeaveShutDown",
    u"ShellNotifyMsg/ReadyPowerOFF",  u"ShellNotifyMsg/BatteryLow",
    u"ShellNotifyMsg/EntryMusic",     u"ShellNotifyMsg/AllKeyEvent",
    u"ShellNotifyMsg/BeginSyncEvent", u"ShellNotifyMsg/EndSyncEvent",
    u"ShellNotifyMsg/NectConnect",    u"ShellNotifyMsg/NetDisconnect",
    u"ShellNotifyMsg/ShowNotifyWnd",
};

// The shell's lock state: REG_DWORD "IsLockState" under HKEY_LOCAL_MACHINE, nonzero when locked.
#define SHELL_LOCK_STATE_KEY u"System\\State\\DovuZivUvaro"
#define SHELL_LOCK_STATE_VALUE u"IsLockState"

// The shell's top-level windows, by class name.
#define SHELL_DESKTOP_WINDOW_CLASS u"DesktopExplorerWindow"
#define SHELL_LOCK_WINDOW_CLASS u"CLockPhoneWnd"
#define SHELL_QUIT_ANIMATION_WINDOW_CLASS u"DesktopExploreWindows"
#define SHELL_TASKBAR_WINDOW_CLASS u"CTaskBar"
#define SHELL_MAIN_WINDOW_CLASS u"CShellMainWnd"
#define SHELL_STARTUP_WINDOW_CLASS u"CStartupWnd"

// Private messages the shell's windows recognise by value, above the 16-bit range.
#define SHELL_MSG_APP_QUIT_ANIMATE 0xFFF00001u
#define SHELL_MSG_REFRESH_WALLPAPER 0xFFF00002u
#define SHELL_MSG_BEGIN_SCREEN_ROTATE 0xFFF0000Du
#define SHELL_MSG_ENABLE_TASKBAR_LIST 0xFFF0000Fu
#define SHELL_MSG_DISABLE_TASKBAR_LIST 0xFFF00010u
#define SHELL_MSG_ENABLE_SLIDE_APP 0xFFF00011u
#define SHELL_MSG_DISABLE_SLIDE_APP 0xFFF00012u
#define SHELL_MSG_SHOW_VOLUME_WINDOW 0xFFF00019u
#define SHELL_MSG_CHANGE_DISPLAY_SETTINGS 0xFFF0001Au
#define SHELL_MSG_APP_INIT 0xFFF0001Bu

// wParam of SHELL_MSG_APP_INIT.
#define SHELL_APP_INIT_BEGIN 1
#define SHELL_APP_INIT_FINISHED 2
// lParam of SHELL_MSG_APP_QUIT_ANIMATE.
#define SHELL_APP_QUIT_ANIMATE_LPARAM 2

// Display driver escapes on the screen's device context: whether the driver accepts changes of
// the display settings.
#define DISPLAY_ESCAPE_ENABLE_SETTING_CHANGES 0x20113
#define DISPLAY_ESCAPE_DISABLE_SETTING_CHANGES 0x20114
