#include "sensors/device_call.h"

#include "ce/files.h"
#include "ce/kernel.h"

HANDLE OpenStreamDevice(LPCWSTR name, DWORD access, DWORD share) {
  return CreateFileW(name, access, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

BOOL SendDeviceControl(HANDLE device, DWORD code, LPVOID in, DWORD in_size, LPVOID out,
                       DWORD out_size, bool count_returned) {
  DWORD returned = 0;
  return DeviceIoControl(device, code, in, in_size, out, out_size,
                         count_returned ? &returned : nullptr, nullptr);
}

BOOL ControlDeviceOnce(LPCWSTR name, DWORD access, DWORD code, LPVOID in, DWORD in_size, LPVOID out,
                       DWORD out_size, bool count_returned) {
  HANDLE device = OpenStreamDevice(name, access, 0);
  if (device == INVALID_HANDLE_VALUE) return FALSE;
  BOOL result = SendDeviceControl(device, code, in, in_size, out, out_size, count_returned);
  CloseHandle(device);
  return result;
}
