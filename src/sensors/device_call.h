// Stream drivers as the sensor calls reach them: opened by name, one request, closed.
#pragma once

#include "ce/devices.h"
#include "ce/types.h"

// Opens the device by name with the access and share mode, without security attributes,
// template or flags, as an existing device; INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE OpenStreamDevice(LPCWSTR name, DWORD access, DWORD share);

// Sends one control code to an open device, with a bytes-returned count when count_returned is
// true (the count itself is not looked at); the control's result.
BOOL SendDeviceControl(HANDLE device, DWORD code, LPVOID in, DWORD in_size, LPVOID out,
                       DWORD out_size, bool count_returned);

// Opens the device (share mode 0), sends one control code as SendDeviceControl does and closes
// it again: the control's result, FALSE when the device cannot be opened.
BOOL ControlDeviceOnce(LPCWSTR name, DWORD access, DWORD code, LPVOID in, DWORD in_size, LPVOID out,
                       DWORD out_size, bool count_returned);
