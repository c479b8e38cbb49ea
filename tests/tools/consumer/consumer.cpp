// Calls the installed library: the network status of a handset with nothing connected is 1, and
// the phone adapter gives the IMEI.
#include <m8api/exports.h>

#include <cstdio>

int main() {
  if (QueryNetWorkStatus() != 1) return 1;
  WCHAR model[16] = {};
  if (Dial_GetImeiSerialNumber2(nullptr, nullptr, 0, model, 16) == 1) std::puts("model read");
  std::puts("status 1");
  return 0;
}
