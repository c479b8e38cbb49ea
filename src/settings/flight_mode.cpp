#include "settings/flight_mode.h"

#include "ce/windows.h"
#include "frame/broadcast.h"
#include "settings/setting_keys.h"

namespace {
// lParam of the broadcast when the mode is exactly 1.
constexpr LPARAM kFlightModeOn = 3;
}  // namespace

INT SetFlyModeFlag(BYTE mode) {
  if (HKEY key = CreateSettingKey(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\FlyMode")) {
    SetSettingDword(key, u"FlyModeFlag", mode ? 1 : 0);
    RegCloseKey(key);
  }
  return PostFlyModeBroadcast(mode);
}

INT PostFlyModeBroadcast(BYTE mode) {
  PostMessageW(HWND_BROADCAST, GetPalBroadcastMessage(), PAL_BROADCAST_FLIGHT_MODE,
               mode == 1 ? kFlightModeOn : 0);
  return 1;
}
