#include "sensors/backlight.h"

#include "ce/files.h"
#include "ce/kernel.h"
#include "oem/drivers.h"
#include "sensors/device_call.h"

BOOL SetBacklightLevel(DWORD level) {
  if (level > BKL_MAX_LEVEL) return FALSE;
  HANDLE device = OpenStreamDevice(kBacklightDevice, GENERIC_WRITE, 0);
  if (device == INVALID_HANDLE_VALUE) return FALSE;
  DWORD written = 0;
  BOOL result = WriteFile(device, &level, sizeof level, &written, nullptr);
  CloseHandle(device);
  return result;
}

BOOL GetBacklightLevel(LPDWORD level) {
  if (!level) return FALSE;
  HANDLE device = OpenStreamDevice(kBacklightDevice, GENERIC_READ, 0);
  if (device == INVALID_HANDLE_VALUE) return FALSE;
  DWORD read = 0;
  BOOL result = ReadFile(device, level, sizeof *level, &read, nullptr);
  CloseHandle(device);
  return result;
}

BOOL SetBacklightState(DWORD state) {
  // Opened for query only: the state is a control code's input.
  return ControlDeviceOnce(kBacklightDevice, 0, IOCTL_BKL_SET_STATE, &state, sizeof state, nullptr,
                           0, false);
}

BOOL SetLuxSensorState(DWORD state) {
  return ControlDeviceOnce(kBacklightDevice, GENERIC_READ | GENERIC_WRITE, IOCTL_BKL_SET_LUX_STATE,
                           &state, sizeof state, nullptr, 0, false);
}

BOOL GetLuxSensorState(LPDWORD state) {
  if (!state) return FALSE;
  return ControlDeviceOnce(kBacklightDevice, GENERIC_READ | GENERIC_WRITE, IOCTL_BKL_GET_LUX_STATE,
                           nullptr, 0, state, sizeof *state, false);
}
