#include "sim/drivers/wlan/hardware_version.h"

#include "ce/sysinfo.h"

namespace sim {

uint32_t HardwareVersion() {
  uint32_t words[10] = {};
  if (!SystemParametersInfoW(SPI_GETPLATFORMINFO, sizeof words, words, 0)) return 0;
  return words[6];
}

bool HasSerialWlanChip() {
  return HardwareVersion() == 1;
}

}  // namespace sim
