#include "settings/bluetooth_state.h"

#include "frame/registry_value.h"

bool IsBluetoothOn() {
  return ReadDwordOfExistingKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Bluetooth\\Razud",
                                u"PowerOn") != 0;
}

bool IsBluetoothAvailable() {
  if (!ReadDwordOfExistingKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Setting\\Display", u"BTAvailable"))
    return false;
  return ReadDwordOfExistingKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Setting\\Display\\main\\04",
                                u"Flag") != 0;
}
