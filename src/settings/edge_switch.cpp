#include "settings/edge_switch.h"

#include "frame/registry_value.h"

bool GetEdgeState() {
  HKEY key = CreateRegistryKey(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\EDGE", KEY_ALL_ACCESS);
  if (!key) return false;
  DWORD value = 0;
  if (!QueryDwordOrZero(key, u"Switch", &value)) SetDwordValue(key, u"Switch", 0);
  RegCloseKey(key);
  return value != 0;
}
