#include "sensors/touch.h"

#include <cstring>

#include "ce/files.h"
#include "ce/kernel.h"
#include "frame/section_lock.h"
#include "oem/drivers.h"
#include "sensors/device_call.h"

namespace {

// The shared handle. The lock makes each touch call whole, so that a withdrawal on one thread
// cannot close the handle under another thread's request.
struct TouchPanel {
  TouchPanel() { InitializeCriticalSection(&lock); }
  CRITICAL_SECTION lock;
  HANDLE handle = INVALID_HANDLE_VALUE;
};

// Made on first use and kept for the whole process, so its lock is never deleted.
TouchPanel& Panel() {
  static TouchPanel* state = new TouchPanel();
  return *state;
}

HANDLE OpenTouchPanel() {
  return OpenStreamDevice(kTouchDevice, 0, 0);
}

// The shared handle, opened when it is not; INVALID_HANDLE_VALUE when the driver cannot be
// opened, and the next call tries again.
HANDLE SharedHandle(TouchPanel& state) {
  if (state.handle == INVALID_HANDLE_VALUE) state.handle = OpenTouchPanel();
  return state.handle;
}

}  // namespace

BOOL RegisterTouchNotify(DWORD first, DWORD second, DWORD third) {
  TouchPanel& state = Panel();
  SectionLock locked(state.lock);
  HANDLE device = SharedHandle(state);
  if (device == INVALID_HANDLE_VALUE) return FALSE;
  DWORD words[3] = {first, second, third};
  return SendDeviceControl(device, IOCTL_TCH_REGISTER, words, sizeof words, nullptr, 0, true);
}

BOOL UnregisterTouchNotify(DWORD subscriber) {
  TouchPanel& state = Panel();
  SectionLock locked(state.lock);
  HANDLE device = SharedHandle(state);
  if (device == INVALID_HANDLE_VALUE) return FALSE;
  DWORD words[2] = {subscriber, 0};
  BOOL result =
      SendDeviceControl(device, IOCTL_TCH_UNREGISTER, words, sizeof words, nullptr, 0, true);
  CloseHandle(device);
  state.handle = INVALID_HANDLE_VALUE;
  return result;
}

BOOL ReadTouchRawData(void* sample) {
  if (!sample) return FALSE;
  TouchPanel& state = Panel();
  SectionLock locked(state.lock);
  HANDLE device = SharedHandle(state);
  if (device == INVALID_HANDLE_VALUE) return FALSE;
  DWORD size = TCH_RAW_SAMPLE_SIZE;
  std::memcpy(sample, &size, sizeof size);
  return SendDeviceControl(device, IOCTL_TCH_GET_RAW, nullptr, 0, sample, TCH_RAW_SAMPLE_SIZE,
                           true);
}

DWORD GetTouchDriverSetting() {
  HANDLE device = OpenTouchPanel();
  if (device == INVALID_HANDLE_VALUE) return 0;
  DWORD setting = 0;
  if (!SendDeviceControl(device, IOCTL_TCH_GET_SETTING, nullptr, 0, &setting, sizeof setting,
                         true)) {
    setting = 0;
  }
  CloseHandle(device);
  return setting;
}

BOOL SetTouchDriverSetting(DWORD setting) {
  HANDLE device = OpenTouchPanel();
  if (device == INVALID_HANDLE_VALUE) return FALSE;
  BOOL result =
      SendDeviceControl(device, IOCTL_TCH_SET_SETTING, &setting, sizeof setting, nullptr, 0, true);
  CloseHandle(device);
  return result;
}
