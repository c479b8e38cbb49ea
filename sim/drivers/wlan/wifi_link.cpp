#include "sim/drivers/wlan/wifi_link.h"

#include "cehost/handset.h"
#include "cehost/journal.h"

namespace sim {

namespace {

const char* ChipName(WifiChip chip) {
  return chip == WifiChip::kSwld24sp1 ? "SWLD24SP1" : "SDIO86881";
}

}  // namespace

void BringWifiUp(std::string_view device, WifiChip chip, const std::string& address) {
  cehost::NetworkInterface link = WifiInterface(chip, address);
  cehost::SetNetworkInterface(link);
  cehost::RecordEffect(cehost::CurrentJournal(), cehost::EffectKind::kDevice,
                       {{"device", std::string(device)},
                        {"event", "interface up"},
                        {"adapter", ChipName(chip)},
                        {"address", address},
                        {"index", std::to_string(link.index)}});
}

void TakeWifiDown(std::string_view device, WifiChip chip) {
  cehost::RemoveNetworkInterface(kWifiIndex);
  cehost::RecordEffect(cehost::CurrentJournal(), cehost::EffectKind::kDevice,
                       {{"device", std::string(device)},
                        {"event", "interface down"},
                        {"adapter", ChipName(chip)},
                        {"index", std::to_string(kWifiIndex)}});
}

bool WifiIsUp(WifiChip chip) {
  for (const cehost::NetworkInterface& link : cehost::NetworkInterfaces())
    if (link.index == kWifiIndex && link.adapter_name == ChipName(chip)) return true;
  return false;
}

}  // namespace sim
