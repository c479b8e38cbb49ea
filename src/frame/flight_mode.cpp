#include "frame/flight_mode.h"

#include "ce/windows.h"
#include "frame/broadcast.h"
#include "frame/registry_value.h"

namespace {
// lParam of the broadcast when the mode is exactly 1.
constexpr LPARAM kFlightModeOn = 3;
}  // namespace

void SetFlyModeFlag(BYTE mode) {
  if (HKEY key =
          CreateRegistryKey(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\FlyMode", KEY_ALL_ACCESS)) {
    SetDwordValue(key, u"FlyModeFlag", mode ? 1 : 0);
    RegCloseKey(key);
  }
  PostFlyModeBroadcast(mode);
}

bool IsFlyModeOn() {
  DWORD flag = 0;
  if (ReadRegistryDword(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\FlyMode", u"FlyModeFlag",
                        &flag)) {
    return flag != 0;
  }
  SetFlyModeFlag(0);
  return false;
}

void PostFlyModeBroadcast(BYTE mode) {
  PostMessageW(HWND_BROADCAST, GetPalBroadcastMessage(), PAL_BROADCAST_FLIGHT_MODE,
               mode == 1 ? kFlightModeOn : 0);
}
