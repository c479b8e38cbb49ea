#include "frame/platform_info.h"

#include "ce/sysinfo.h"

namespace {
constexpr size_t kHardwareVersionWord = 6;
constexpr size_t kWifiAbsentWord = 8;
}  // namespace

// Each asks for the record's words up to the one it needs, into a zeroed buffer, so that a record
// the platform does not fill reads as 0.

DWORD GetHardwareVersionNumber() {
  DWORD words[8] = {};
  SystemParametersInfoW(SPI_GETPLATFORMINFO, sizeof words, words, SPIF_UPDATEINIFILE);
  return words[kHardwareVersionWord];
}

bool IsWifiAvailable() {
  DWORD words[10] = {};
  SystemParametersInfoW(SPI_GETPLATFORMINFO, sizeof words, words, SPIF_UPDATEINIFILE);
  return words[kWifiAbsentWord] == 0;
}
