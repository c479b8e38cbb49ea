#include "settings/bluetooth_applet.h"

#include "ce/cpl.h"
#include "ce/kernel.h"
#include "ce/modules.h"

namespace {

// The applet's messages.
constexpr UINT kSwitchPower = 16;
constexpr UINT kSetName = 101;
// The longest device name the applet is given.
constexpr size_t kLongestDeviceName = 50;

// Has the applet answer one message, with a null window; 0 when it or its entry is missing, which
// is traced when trace is set.
INT CallApplet(UINT msg, LPARAM lparam1, LPARAM lparam2, bool trace) {
  HMODULE applet = LoadLibraryW(u"BluetoothCPL.dll");
  if (!applet) {
    if (trace) NKDbgPrintfW(u"Load dll failed err %d..........\n", GetLastError());
    return 0;
  }
  auto entry = reinterpret_cast<APPLET_PROC>(GetProcAddressW(applet, u"CPlApplet"));
  if (!entry) {
    if (trace) NKDbgPrintfW(u"GetProcAddress failed..........\n");
    FreeLibrary(applet);
    return 0;
  }
  LONG result = entry(nullptr, msg, lparam1, lparam2);
  FreeLibrary(applet);
  return result;
}

}  // namespace

INT SwitchBluetoothPower(INT on) {
  return CallApplet(kSwitchPower, 0, on, true);
}

INT UpdateBluetoothName(LPCWSTR name) {
  if (!name) return 0;
  size_t length = 0;
  while (length <= kLongestDeviceName && name[length]) ++length;
  if (length > kLongestDeviceName) return 0;
  return CallApplet(kSetName, reinterpret_cast<LPARAM>(name), 0, false);
}
