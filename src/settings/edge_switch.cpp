#include "settings/edge_switch.h"

#include "settings/setting_keys.h"

bool GetEdgeState() {
  HKEY key = CreateSettingKey(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\EDGE");
  if (!key) return false;
  DWORD value = 0;
  if (!QuerySettingDword(key, u"Switch", &value)) SetSettingDword(key, u"Switch", 0);
  RegCloseKey(key);
  return value != 0;
}
