// The WLAN exports: thin entries over the WLAN family's operations.
#include "frame/entries/guard.h"
#include "frame/exports.h"
#include "wlan/wifi_switch.h"

extern "C" bool EnableViROVUEx(bool bEnable) {
  return RunGuarded(true, [&] { return EnableWlan(bEnable); });
}

extern "C" BOOL IsLoadWifiEx(void) {
  return RunGuarded(0, [] { return IsLoadWifi(); });
}

extern "C" void ShellPostWlanEx(void) {
  RunGuarded(false, [] {
    ShellPostWlan();
    return true;
  });
}
