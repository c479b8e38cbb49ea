#include "settings/bluetooth_state.h"

#include "settings/setting_keys.h"

namespace {

// Reads a value of an existing key; 0 when the key or the value cannot be read.
DWORD ReadExistingDword(LPCWSTR key_path, LPCWSTR value_name) {
  HKEY key = OpenSettingKey(HKEY_LOCAL_MACHINE, key_path);
  if (!key) return 0;
  DWORD value = 0;
  QuerySettingDword(key, value_name, &value);
  RegCloseKey(key);
  return value;
}

}  // namespace

INT IsBluetoothOn() {
  return ReadExistingDword(u"SOFTWARE\\Microsoft\\Bluetooth\\Razud", u"PowerOn") != 0;
}

INT IsBluetoothAvailable() {
  if (!ReadExistingDword(u"SOFTWARE\\Setting\\Display", u"BTAvailable")) return 0;
  return ReadExistingDword(u"SOFTWARE\\Setting\\Display\\main\\04", u"Flag") != 0;
}
