// DeviceIoControl: control codes sent to an open device.
#include "ce/devices.h"
#include "ce/errors.h"
#include "devices/device_handle.h"
#include "handset/handset_state.h"

using namespace cehost;

// Only device handles take control codes (ERROR_INVALID_HANDLE for any other). lpOverlapped is
// not used on CE and is ignored: the call completes before it returns.
extern "C" BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer,
                                DWORD nInBufferSize, LPVOID lpOutBuffer, DWORD nOutBufferSize,
                                LPDWORD lpBytesReturned, LPOVERLAPPED /*lpOverlapped*/) {
  if (lpBytesReturned) *lpBytesReturned = 0;
  auto device = Current().handles.Get<DeviceObject>(hDevice, HandleKind::kDevice);
  if (!device) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD returned = 0;
  BOOL result = device->Control(dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer,
                                nOutBufferSize, &returned);
  if (lpBytesReturned) *lpBytesReturned = returned;
  return result;
}
