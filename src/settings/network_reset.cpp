#include "settings/network_reset.h"

#include "ce/registry.h"
#include "frame/flight_mode.h"
#include "frame/stored_path.h"
#include "settings/app_resets.h"
#include "settings/bluetooth_reset.h"
#include "settings/handset_paths.h"
#include "settings/registry_settings.h"
#include "telephony/access_point.h"

int ResetNetSettings() {
  SetFlyModeFlag(0);
  WriteSettingsToKey(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\EDGE",
                     {Number(u"Switch", 1), Number(u"CallFirst", 0), Number(u"RoamSwitch", 1)});
  // The user's own access point profile file goes, then the working copy of the operator's,
  // which the telephony family makes again from the operator's file when it is next needed.
  WCHAR path[MAX_PATH];
  ReadStoredPath(HKEY_LOCAL_MACHINE, u"Software\\Razud\\Path", u"UsrConnectNodePath", path);
  if (path[0]) DeleteFileIfFound(path);
  path[0] = 0;
  GetDefConIniPath(path);
  if (path[0]) DeleteFileIfFound(path);
  ResetBluetoothSettings();
  ResetWifiSettings();
  return 1;
}
