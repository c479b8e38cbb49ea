#include "sim/wifi_test/wifi_test_program.h"

#include "cehost/handset.h"
#include "cehost/journal.h"
#include "cehost/launch.h"
#include "cehost/network.h"
#include "sim/config_table.h"
#include "sim/network/network.h"

namespace sim {

namespace {

void Report(std::string text, std::vector<std::pair<std::string, std::string>> fields = {}) {
  fields.insert(fields.begin(), {{"program", "WifiTestProgram.exe"}, {"text", std::move(text)}});
  cehost::RecordEffect(cehost::CurrentJournal(), cehost::EffectKind::kProgram, std::move(fields));
}

DWORD RunWifiTest(const cehost::LaunchRequest&) {
  Report("Wi-Fi test started");
  for (const cehost::NetworkInterface& link : cehost::NetworkInterfaces()) {
    if (link.index != kWifiIndex) continue;
    Report("Wi-Fi interface up", {{"adapter", link.adapter_name}, {"address", link.address}});
    return 0;
  }
  Report("Wi-Fi interface down");
  return 0;
}

}  // namespace

void WifiTestProgram::Configure(const ConfigTable& table) {
  table.OnlyKeys({"present"});
  table.Read("present", &present_);
}

void WifiTestProgram::Install() {
  if (present_) cehost::InstallLaunchable(kWifiTestPath, RunWifiTest);
}

}  // namespace sim
