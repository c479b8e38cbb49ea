// The radio and connectivity settings exports: thin entries over the settings' operations and the
// frame's shared helpers.
#include "frame/entries/guard.h"
#include "frame/exports.h"
#include "frame/flight_mode.h"
#include "frame/platform_info.h"
#include "settings/bluetooth_applet.h"
#include "settings/bluetooth_state.h"
#include "settings/edge_switch.h"

extern "C" bool SetFlyModeEx(DWORD, BYTE bMode) {
  // The first argument is part of the interface and not used. Receivers see the broadcast twice.
  return RunGuarded(true, [&] {
    SetFlyModeFlag(bMode);
    PostFlyModeBroadcast(bMode);
    return true;
  });
}

extern "C" INT SettingApiSetFlyModeReg(BYTE bMode) {
  return RunGuarded(1, [&] {
    SetFlyModeFlag(bMode);
    return 1;
  });
}

extern "C" INT SettingApiFlyModeSendMsgToShell(BYTE bMode) {
  return RunGuarded(1, [&] {
    PostFlyModeBroadcast(bMode);
    return 1;
  });
}

extern "C" bool SettingApiGetEdgeState() {
  return RunGuarded(false, [] { return GetEdgeState(); });
}

extern "C" INT SettingApiSwitchBTPower(INT nOn) {
  return RunGuarded(0, [&] { return SwitchBluetoothPower(nOn); });
}

extern "C" INT SettingApiBTUpdateName(LPCWSTR pszName) {
  return RunGuarded(0, [&] { return UpdateBluetoothName(pszName); });
}

extern "C" INT SettingApiBTIsOn() {
  return RunGuarded(0, [] { return IsBluetoothOn() ? 1 : 0; });
}

extern "C" INT SettingApiIsBluetoothAvailable() {
  return RunGuarded(0, [] { return IsBluetoothAvailable() ? 1 : 0; });
}

extern "C" INT SettingApiIsWifiAvailable() {
  return RunGuarded(0, [] { return IsWifiAvailable() ? 1 : 0; });
}

extern "C" INT SettingApiGetHardwareVersionNumber() {
  return RunGuarded(0, [] { return static_cast<INT>(GetHardwareVersionNumber()); });
}
