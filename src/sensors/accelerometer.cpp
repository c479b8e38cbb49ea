#include "sensors/accelerometer.h"

#include "ce/errors.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/windows.h"
#include "frame/section_lock.h"
#include "oem/drivers.h"
#include "sensors/device_call.h"

namespace {

// The process's one view of the device. The lock makes each call whole, so that a close on one
// thread cannot take the handle from under a read on another.
struct Accelerometer {
  Accelerometer() { InitializeCriticalSection(&lock); }
  CRITICAL_SECTION lock;
  HANDLE handle = INVALID_HANDLE_VALUE;
  int open_count = 0;
  UINT message = 0;
};

// Made on first use and kept for the whole process, so its lock is never deleted.
Accelerometer& Sensor() {
  static Accelerometer* state = new Accelerometer();
  return *state;
}

constexpr char16_t kNotOpened[] = u"[Acc Api] ACC0 not opened..........\n";

DWORD AxisControl(AccAxis axis) {
  switch (axis) {
    case AccAxis::kX:
      return IOCTL_ACC_GET_X;
    case AccAxis::kY:
      return IOCTL_ACC_GET_Y;
    case AccAxis::kZ:
      break;
  }
  return IOCTL_ACC_GET_Z;
}

}  // namespace

BOOL OpenAccelerometer() {
  Accelerometer& state = Sensor();
  SectionLock locked(state.lock);
  if (state.open_count == 0) {
    state.handle = OpenStreamDevice(kAccelerometerDevice, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (state.handle == INVALID_HANDLE_VALUE) {
      NKDbgPrintfW(u"[Acc Api] Open ACC0 failed err %d..........\n", GetLastError());
      return FALSE;
    }
  }
  if (state.message == 0) {
    state.message = RegisterWindowMessageW(kAccMessageName);
    UINT message = state.message;
    // The driver's answer changes nothing: readings work without notifications.
    SendDeviceControl(state.handle, IOCTL_ACC_SET_MESSAGE, &message, sizeof message, nullptr, 0,
                      false);
  }
  ++state.open_count;
  return TRUE;
}

void CloseAccelerometer() {
  Accelerometer& state = Sensor();
  SectionLock locked(state.lock);
  if (state.handle == INVALID_HANDLE_VALUE) {
    NKDbgPrintfW(kNotOpened);
    return;
  }
  if (--state.open_count > 0) return;
  NKDbgPrintfW(u"[Acc Api] Close ACC0..........\n");
  state.open_count = 0;
  CloseHandle(state.handle);
  state.handle = INVALID_HANDLE_VALUE;
  state.message = 0;
}

UINT GetAccelerometerMessage() {
  Accelerometer& state = Sensor();
  SectionLock locked(state.lock);
  if (state.handle == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_SERVICE_NOT_ACTIVE);
    return 0;
  }
  return state.message;
}

BOOL ReadAccelerometerAxis(AccAxis axis, signed char* value) {
  Accelerometer& state = Sensor();
  SectionLock locked(state.lock);
  if (state.handle == INVALID_HANDLE_VALUE) {
    NKDbgPrintfW(kNotOpened);
    return FALSE;
  }
  if (!value) return FALSE;
  signed char reading = 0;
  BOOL result = SendDeviceControl(state.handle, AxisControl(axis), nullptr, 0, &reading, 1, true);
  *value = result ? reading : 0;
  return result;
}

BOOL ReadAccelerometerAxes(signed char* x, signed char* y, signed char* z) {
  Accelerometer& state = Sensor();
  SectionLock locked(state.lock);
  if (state.handle == INVALID_HANDLE_VALUE) {
    NKDbgPrintfW(kNotOpened);
    return FALSE;
  }
  if (!x || !y || !z) return FALSE;
  signed char readings[3] = {};
  BOOL result = SendDeviceControl(state.handle, IOCTL_ACC_GET_XYZ, nullptr, 0, readings, 3, true);
  *x = result ? readings[0] : 0;
  *y = result ? readings[1] : 0;
  *z = result ? readings[2] : 0;
  return result;
}
