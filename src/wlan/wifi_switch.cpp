#include "wlan/wifi_switch.h"

#include "ce/kernel.h"
#include "ce/registry.h"
#include "ce/shell.h"
#include "ce/windows.h"
#include "frame/flight_mode.h"
#include "frame/registry_value.h"
#include "wlan/wlan_adapter.h"

namespace {

constexpr char16_t kWifiKey[] = u"Software\\VIROVU";
// Read access with the rights to set values and make subkeys.
constexpr REGSAM kWifiKeyAccess = 0x2001F;
constexpr char16_t kTestProgram[] = u"\\Disk\\wifi_test\\WifiTestProgram.exe";

// The user's switch and the test switch; false when their key cannot be opened. A missing value
// reads as 0.
bool ReadWifiSwitches(DWORD* setting, DWORD* test) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kWifiKey, 0, kWifiKeyAccess, &key) != ERROR_SUCCESS) {
    return false;
  }
  QueryDwordOrZero(key, u"wifisetting", setting);
  if (test) QueryDwordOrZero(key, u"wifitest", test);
  RegCloseKey(key);
  return true;
}

void LaunchWifiTest() {
  SHELLEXECUTEINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = u"Open";
  info.lpFile = kTestProgram;
  info.nShow = SW_SHOW;
  // Nothing waits for the program: its process handle is let go of at once.
  if (ShellExecuteEx(&info) && info.hProcess) CloseHandle(info.hProcess);
}

}  // namespace

bool EnableWlan(bool enable) {
  if (enable) {
    LoadWlanAdapter();
  } else {
    UnloadWlanAdapter();
  }
  return true;
}

BOOL IsLoadWifi() {
  if (IsFlyModeOn()) return 0;
  DWORD setting = 0;
  if (!ReadWifiSwitches(&setting, nullptr)) return 0;
  return setting == 1 ? 1 : 0;
}

void ShellPostWlan() {
  if (IsFlyModeOn()) return;
  DWORD setting = 0;
  DWORD test = 0;
  if (!ReadWifiSwitches(&setting, &test)) return;
  if (setting == 1 && test == 0) LoadWlanAdapter();
  if (setting == 0 && test == 0) UnloadWlanAdapter();
  if (test == 1) LaunchWifiTest();
}
