// Calls the installed library: the network status of a handset with nothing connected is 1, the
// phone adapter gives the IMEI, and the backlight is the home's running handset's, reached
// through its handset server.
#include <m8api/exports.h>

#include <cstdio>

int main() {
  if (QueryNetWorkStatus() != 1) return 1;
  WCHAR model[16] = {};
  if (Dial_GetImeiSerialNumber2(nullptr, nullptr, 0, model, 16) == 1) std::puts("model read");
  std::puts("status 1");
  DWORD level = 0;
  if (SetBackLightLevelEx(200) && GetBackLightLevelEx(&level)) std::printf("backlight %u\n", level);
  return 0;
}
