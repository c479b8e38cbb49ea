// The fifteen getters of the shell's event messages, in the order of the shell's events.
#pragma once

#include "frame/exports.h"
#include "oem/shell.h"

inline UINT (*const kShellEventGetters[SHELL_EVENT_COUNT])() = {
    ShellNotifyMsgGetShellNotifyMsg_ClickMKey,      ShellNotifyMsgGetShellNotifyMsg_ClickTaskbar,
    ShellNotifyMsgGetShellNotifyMsg_EntryLockPhone, ShellNotifyMsgGetShellNotifyMsg_LeaveLockPhone,
    ShellNotifyMsgGetShellNotifyMsg_EntryShutDown,  ShellNotifyMsgGetShellNotifyMsg_LeaveShutDown,
    ShellNotifyMsgGetShellNotifyMsg_ReadyPowerOFF,  ShellNotifyMsgGetShellNotifyMsg_BatteryLow,
    ShellNotifyMsgGetShellNotifyMsg_EntryMusic,     ShellNotifyGetShellNotifyMsg_AllKeyEvent,
    ShellNotifyMsgGetShellNotifyMsg_SyncBeginEvent, ShellNotifyMsgGetMsg_SyncEndEvent,
    ShellNotifyMsgGetShellNotifyMsg_NetConnect,     ShellNotifyMsgGetShellNotifyMsg_NetDisconnect,
    ShellNotifyMsgGetShellNotifyMsg_ShowNotifyWnd,
};
