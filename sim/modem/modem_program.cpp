// The modem as a program of the handset: its handset.toml table and its place on the handset.
#include "sim/config_table.h"
#include "sim/modem/modem.h"

namespace sim {

void Modem::Configure(const ConfigTable& t) {
  t.OnlyKeys({"dial_result", "address", "connection_sent", "connection_received"});
  std::lock_guard lock(mutex_);
  t.Read("dial_result", &script_.dial_result);
  t.ReadAddress("address", &script_.address);
  t.Read("connection_sent", &script_.connection_sent);
  t.Read("connection_received", &script_.connection_received);
}

void Modem::Install() {
  cehost::InstallRasDevice(u"Hayes COM9:", std::static_pointer_cast<Modem>(shared_from_this()));
}

}  // namespace sim
