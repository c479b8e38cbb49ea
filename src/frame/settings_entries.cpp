// The radio and connectivity settings exports: thin entries over the settings' operations.
#include "frame/exports.h"
#include "settings/bluetooth_applet.h"
#include "settings/bluetooth_state.h"
#include "settings/edge_switch.h"
#include "settings/flight_mode.h"
#include "settings/platform_info.h"

extern "C" bool SetFlyModeEx(DWORD, BYTE bMode) {
  // The first argument is part of the interface and not used. Receivers see the broadcast twice.
  SetFlyModeFlag(bMode);
  PostFlyModeBroadcast(bMode);
  return true;
}

extern "C" INT SettingApiSetFlyModeReg(BYTE bMode) {
  return SetFlyModeFlag(bMode);
}

extern "C" INT SettingApiFlyModeSendMsgToShell(BYTE bMode) {
  return PostFlyModeBroadcast(bMode);
}

extern "C" bool SettingApiGetEdgeState() {
  return GetEdgeState();
}

extern "C" INT SettingApiSwitchBTPower(INT nOn) {
  return SwitchBluetoothPower(nOn);
}

extern "C" INT SettingApiBTUpdateName(LPCWSTR pszName) {
  return UpdateBluetoothName(pszName);
}

extern "C" INT SettingApiBTIsOn() {
  return IsBluetoothOn();
}

extern "C" INT SettingApiIsBluetoothAvailable() {
  return IsBluetoothAvailable();
}

extern "C" INT SettingApiIsWifiAvailable() {
  return IsWifiAvailable();
}

extern "C" INT SettingApiGetHardwareVersionNumber() {
  return static_cast<INT>(GetHardwareVersionNumber());
}
