// The network links up when the simulated handset starts: handset.toml's [[network.interfaces]]
// tables, in file order; the loopback alone when the file says nothing.
#pragma once

#include <vector>

#include "cehost/network.h"
#include "sim/program.h"

namespace sim {

class NetworkLinks : public Program {
 public:
  NetworkLinks();

  std::string_view name() const override { return "network"; }
  // Reads the interfaces: each of a kind ("loopback", "wifi" with its chip, "usb" or "other")
  // whose fields the table may override; two interfaces may not share an index.
  void Configure(const ConfigTable& table) override;
  // Puts the interfaces on the current handset in place of all others.
  void Install() override;

  // The interfaces, in order.
  const std::vector<cehost::NetworkInterface>& interfaces() const { return interfaces_; }

 private:
  std::vector<cehost::NetworkInterface> interfaces_;
};

}  // namespace sim
