#include "sim/handset_config.h"

#include "cehost/platform_info.h"

namespace sim {

std::vector<uint32_t> HandsetConfig::PlatformInfo() const {
  std::vector<uint32_t> words = cehost::DefaultPlatformInfo();
  words[6] = hardware_version;
  words[8] = wifi ? 0 : 1;
  return words;
}

void ApplyHandsetConfig(Handset& handset, const HandsetConfig& config) {
  handset.phone().Script().script = config.phone;
  handset.modem().Script().script = config.modem;
  handset.bluetooth().Script().script = config.bluetooth;
  ApplyMountedHardware(handset, config);
}

void ApplyMountedHardware(Handset& handset, const HandsetConfig& config) {
  if (config.platform_record)
    cehost::SetPlatformInfo(config.PlatformInfo());
  else
    cehost::ClearPlatformInfo();
  handset.bluetooth().SetApplet(config.bluetooth_applet);
  for (const cehost::NetworkInterface& link : cehost::NetworkInterfaces())
    cehost::RemoveNetworkInterface(link.index);
  for (const cehost::NetworkInterface& link : config.interfaces) cehost::SetNetworkInterface(link);
}

}  // namespace sim
