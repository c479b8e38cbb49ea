// The modem as a program of the handset: its handset.toml table and its place on the handset.
#include "cehost/handset.h"
#include "cehost/network.h"
#include "sim/config_table.h"
#include "sim/modem/modem.h"

namespace sim {

void Modem::Configure(const ConfigTable& t) {
  t.OnlyKeys({"dial_result", "address", "connection_sent", "connection_received", "hangup_result"});
  std::lock_guard lock(mutex_);
  t.Read("dial_result", &script_.dial_result);
  t.ReadAddress("address", &script_.address);
  t.Read("connection_sent", &script_.connection_sent);
  t.Read("connection_received", &script_.connection_received);
  t.Read("hangup_result", &script_.hangup_result);
}

void Modem::Install() {
  home_ = cehost::CurrentHome();
  auto self = std::static_pointer_cast<Modem>(shared_from_this());
  cehost::InstallRasDevice(u"Hayes COM9:", self);
  std::weak_ptr<Modem> weak = self;
  cehost::InstallNetworkSource("modem", [weak] {
    auto modem = weak.lock();
    return modem ? modem->Links() : std::vector<cehost::NetworkInterface>{};
  });
}

}  // namespace sim
