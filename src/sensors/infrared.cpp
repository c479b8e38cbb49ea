#include "sensors/infrared.h"

#include "ce/files.h"
#include "ce/kernel.h"
#include "oem/drivers.h"
#include "sensors/device_call.h"

namespace {

// The driver is opened for query only: every request is a control code or a read that the
// driver allows on such a handle.
constexpr DWORD kQueryOnly = 0;

// A subscriber as the driver takes it: the window's handle value and the message.
IRD_SUBSCRIBER Subscriber(HWND window, UINT message) {
  IRD_SUBSCRIBER subscriber = {};
  subscriber.hwnd = static_cast<DWORD>(reinterpret_cast<uintptr_t>(window));
  subscriber.message = message;
  return subscriber;
}

}  // namespace

BOOL RegisterInfraredNotify(HWND window, UINT message) {
  IRD_SUBSCRIBER subscriber = Subscriber(window, message);
  return ControlDeviceOnce(kInfraredDevice, kQueryOnly, IOCTL_IRD_REGISTER, &subscriber,
                           sizeof subscriber, nullptr, 0, true);
}

BOOL UnregisterInfraredNotify(HWND window) {
  IRD_SUBSCRIBER subscriber = Subscriber(window, 0);
  return ControlDeviceOnce(kInfraredDevice, kQueryOnly, IOCTL_IRD_UNREGISTER, &subscriber,
                           sizeof subscriber, nullptr, 0, true);
}

BOOL SetInfraredState(DWORD state) {
  return ControlDeviceOnce(kInfraredDevice, kQueryOnly, IOCTL_IRD_SET_STATE, &state, sizeof state,
                           nullptr, 0, false);
}

BOOL GetInfraredDetection(LPDWORD detection) {
  if (!detection) return FALSE;
  HANDLE device = OpenStreamDevice(kInfraredDevice, kQueryOnly, 0);
  if (device == INVALID_HANDLE_VALUE) return FALSE;
  // Whether a value waits is told by what the driver leaves in the caller's word, not by the
  // control's result.
  SendDeviceControl(device, IOCTL_IRD_GET_DETECT_READY, nullptr, 0, detection, sizeof *detection,
                    false);
  BOOL result = FALSE;
  if (*detection != 0) result = ReadFile(device, detection, sizeof *detection, nullptr, nullptr);
  CloseHandle(device);
  return result;
}

BOOL SetInfraredLevel(DWORD level) {
  if (level < 1 || level > 3) return FALSE;
  return ControlDeviceOnce(kInfraredDevice, kQueryOnly, IOCTL_IRD_SET_LEVEL, &level, sizeof level,
                           nullptr, 0, false);
}

DWORD GetInfraredLevel() {
  DWORD level = 0;
  if (!ControlDeviceOnce(kInfraredDevice, kQueryOnly, IOCTL_IRD_GET_LEVEL, nullptr, 0, &level,
                         sizeof level, false)) {
    return 0;
  }
  return level;
}
