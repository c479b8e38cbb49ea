#include "sim/platform_record/platform_record.h"

#include "cehost/platform_info.h"
#include "sim/config_table.h"

namespace sim {

void PlatformRecord::Configure(const ConfigTable& table) {
  table.OnlyKeys({"record", "hardware_version", "wifi"});
  table.Read("record", &record_);
  table.Read("hardware_version", &hardware_version_);
  table.Read("wifi", &wifi_);
}

void PlatformRecord::Install() {
  if (record_)
    cehost::SetPlatformInfo(Words());
  else
    cehost::ClearPlatformInfo();
}

void PlatformRecord::SetHardwareVersion(uint32_t version) {
  hardware_version_ = version;
  Install();
}

std::vector<uint32_t> PlatformRecord::Words() const {
  std::vector<uint32_t> words = cehost::DefaultPlatformInfo();
  words[6] = hardware_version_;
  words[8] = wifi_ ? 0 : 1;
  return words;
}

}  // namespace sim
