// The sensor and device notification exports: thin entries over the sensors family's
// operations on the accelerometer, infrared sensor, backlight, vibrator, touch panel and USB
// function controller.
#include "frame/entries/guard.h"
#include "frame/exports.h"
#include "sensors/accelerometer.h"
#include "sensors/backlight.h"
#include "sensors/idle_timeout.h"
#include "sensors/infrared.h"
#include "sensors/touch.h"
#include "sensors/usb_notify.h"
#include "sensors/vibrator.h"

extern "C" BOOL AccAPIOpen(void) {
  return RunGuarded(FALSE, [] { return OpenAccelerometer(); });
}

extern "C" void AccAPIClose(void) {
  RunGuarded(false, [] {
    CloseAccelerometer();
    return true;
  });
}

extern "C" UINT AccAPIGetMessage(void) {
  return RunGuarded(0u, [] { return GetAccelerometerMessage(); });
}

extern "C" BOOL AccAPIGetX(signed char* pX) {
  return RunGuarded(FALSE, [&] { return ReadAccelerometerAxis(AccAxis::kX, pX); });
}

extern "C" BOOL AccAPIGetY(signed char* pY) {
  return RunGuarded(FALSE, [&] { return ReadAccelerometerAxis(AccAxis::kY, pY); });
}

extern "C" BOOL AccAPIetZ(signed char* pZ) {
  return RunGuarded(FALSE, [&] { return ReadAccelerometerAxis(AccAxis::kZ, pZ); });
}

extern "C" BOOL AccAPIGetXYZ(signed char* pX, signed char* pY, signed char* pZ) {
  return RunGuarded(FALSE, [&] { return ReadAccelerometerAxes(pX, pY, pZ); });
}

extern "C" BOOL IRSensorRegisterIRSensorNotify(HWND hwnd, UINT uMsg) {
  return RunGuarded(FALSE, [&] { return RegisterInfraredNotify(hwnd, uMsg); });
}

extern "C" BOOL IRSensorUnRegisterIRSensorNotify(HWND hwnd) {
  return RunGuarded(FALSE, [&] { return UnregisterInfraredNotify(hwnd); });
}

extern "C" BOOL IRSensorSetIRSensorState(DWORD dwState) {
  return RunGuarded(FALSE, [&] { return SetInfraredState(dwState); });
}

extern "C" BOOL IRSensorGetIRSensorDetection(LPDWORD pdwDetection) {
  return RunGuarded(FALSE, [&] { return GetInfraredDetection(pdwDetection); });
}

extern "C" BOOL IRSensorSetIRSensorLevel(DWORD dwLevel) {
  return RunGuarded(FALSE, [&] { return SetInfraredLevel(dwLevel); });
}

extern "C" DWORD IRSensorGetIRSensorLevel(void) {
  return RunGuarded(0u, [] { return GetInfraredLevel(); });
}

extern "C" BOOL GetBackLightLevelEx(LPDWORD pdwLevel) {
  return RunGuarded(FALSE, [&] { return GetBacklightLevel(pdwLevel); });
}

extern "C" BOOL SetBackLightLevelEx(DWORD dwLevel) {
  return RunGuarded(FALSE, [&] { return SetBacklightLevel(dwLevel); });
}

extern "C" BOOL SetBackLightStateEx(DWORD dwState) {
  return RunGuarded(FALSE, [&] { return SetBacklightState(dwState); });
}

extern "C" BOOL GetLuxSensorStateEx(LPDWORD pdwState) {
  return RunGuarded(FALSE, [&] { return GetLuxSensorState(pdwState); });
}

extern "C" BOOL SetLuxSensorStateEx(DWORD dwState) {
  return RunGuarded(FALSE, [&] { return SetLuxSensorState(dwState); });
}

extern "C" DWORD GetSystemIdleTimeoutEx(void) {
  return RunGuarded(kIdleTimeoutUnknown, [] { return GetSystemIdleTimeout(); });
}

extern "C" void SetVibrateOn(DWORD dwOnMs, DWORD dwOffMs) {
  RunGuarded(false, [&] {
    StartVibrator(dwOnMs, dwOffMs);
    return true;
  });
}

extern "C" void SetVibrateOff(void) {
  RunGuarded(false, [] {
    StopVibrator();
    return true;
  });
}

extern "C" BOOL TouchNotifyApiRegisterTouchNotifyEx(DWORD dwArg1, DWORD dwArg2, DWORD dwArg3) {
  return RunGuarded(FALSE, [&] { return RegisterTouchNotify(dwArg1, dwArg2, dwArg3); });
}

extern "C" BOOL TouchNotifyApiUnRegisterTouchNotify(DWORD dwSubscriber, DWORD /*dwReserved*/) {
  return RunGuarded(FALSE, [&] { return UnregisterTouchNotify(dwSubscriber); });
}

extern "C" BOOL TouchNotifyApiGetTouchRawData(TouchRawData* pData) {
  return RunGuarded(FALSE, [&] { return ReadTouchRawData(pData); });
}

extern "C" UINT UsbNotifyApiRegisterUsbNotifyMsg(void) {
  return RunGuarded(kUsbUnavailable, [] { return RegisterUsbNotifyMessage(); });
}

extern "C" DWORD UsbNotifyApiGetUsbConnectType(void) {
  return RunGuarded(kUsbUnavailable, [] { return GetUsbConnectType(); });
}
