#include "sensors/usb_controller.h"

#include "ce/devices.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "sensors/device_call.h"

HANDLE OpenUsbFnController(const GUID& device_class, bool* found) {
  if (found) *found = false;
  DEVMGR_DEVICE_INFORMATION info = {};
  info.dwSize = sizeof info;
  HANDLE search = FindFirstDevice(DeviceSearchByGuid, &device_class, &info);
  if (search == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
  if (found) *found = true;
  HANDLE controller = OpenStreamDevice(info.szBusName, GENERIC_READ, FILE_SHARE_READ);
  FindClose(search);
  return controller;
}
