#include "sensors/usb_notify.h"

#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/windows.h"
#include "oem/drivers.h"
#include "sensors/device_call.h"
#include "sensors/usb_controller.h"

UINT RegisterUsbNotifyMessage() {
  // Registered on every call: the system gives the same identifier each time.
  UINT message = RegisterWindowMessageW(kUsbNotifyMessageName);
  HANDLE controller = OpenUsbFnController();
  if (controller == INVALID_HANDLE_VALUE) return kUsbUnavailable;
  // The controller's answer changes nothing: the message is the caller's either way.
  SendDeviceControl(controller, IOCTL_UFN_SET_NOTIFY_MESSAGE, &message, sizeof message, nullptr, 0,
                    true);
  CloseHandle(controller);
  return message;
}

DWORD GetUsbConnectType() {
  HANDLE controller = OpenUsbFnController();
  if (controller == INVALID_HANDLE_VALUE) return kUsbUnavailable;
  DWORD type = 0;
  BOOL result = SendDeviceControl(controller, IOCTL_UFN_GET_CONNECT_TYPE, nullptr, 0, &type,
                                  sizeof type, true);
  CloseHandle(controller);
  return result ? type : kUsbUnavailable;
}
