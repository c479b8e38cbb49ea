// USB connection notifications: the registered message the USB function controller announces
// connection changes with, and the connection type it reports. Nothing is kept between calls.
#pragma once

#include "ce/types.h"

// What the USB calls answer when the controller is missing, cannot be opened or cannot tell.
inline constexpr DWORD kUsbUnavailable = 0xFFFFFFFFu;

// Registers "UsbNotifyMsgName", gives it to the controller and returns it; kUsbUnavailable when
// the controller cannot be found or opened.
UINT RegisterUsbNotifyMessage();

// The controller's connection type; kUsbUnavailable when it cannot be found, opened or asked.
DWORD GetUsbConnectType();
