#include "sim/network/network_links.h"

#include <set>
#include <string>

#include "sim/config_table.h"
#include "sim/network/network.h"

namespace sim {

namespace {

// One interface: its kind's own fields, then the fields the table gives.
cehost::NetworkInterface ReadInterface(const ConfigTable& t) {
  t.OnlyKeys({"kind", "chip", "index", "type", "description", "adapter_name", "address", "mask",
              "gateway", "has_route", "metric", "in_octets", "out_octets"});
  enum class Kind { kLoopback, kWifi, kUsb, kOther };
  if (!t.Has("kind")) t.Fail("kind", "missing");
  Kind kind = Kind::kOther;
  t.ReadChoice<Kind>("kind",
                     {{"loopback", Kind::kLoopback},
                      {"wifi", Kind::kWifi},
                      {"usb", Kind::kUsb},
                      {"other", Kind::kOther}},
                     &kind);
  WifiChip chip = WifiChip::kSwld24sp1;
  if (t.Has("chip") && kind != Kind::kWifi) t.Fail("chip", "only a \"wifi\" interface has a chip");
  t.ReadChoice<WifiChip>(
      "chip", {{"SWLD24SP1", WifiChip::kSwld24sp1}, {"SDIO86881", WifiChip::kSdio86881}}, &chip);
  std::string address = "192.168.1.20";
  t.ReadAddress("address", &address);
  cehost::NetworkInterface link;
  if (kind == Kind::kLoopback) link = LoopbackInterface();
  if (kind == Kind::kWifi) link = WifiInterface(chip, address);
  if (kind == Kind::kUsb) link = UsbInterface();
  t.Read("index", &link.index);
  t.Read("type", &link.type);
  t.Read("description", &link.description);
  t.Read("adapter_name", &link.adapter_name);
  t.ReadAddress("address", &link.address);
  t.ReadAddress("mask", &link.mask);
  t.ReadAddress("gateway", &link.gateway);
  t.Read("has_route", &link.has_route);
  t.Read("metric", &link.metric);
  t.Read("in_octets", &link.in_octets);
  t.Read("out_octets", &link.out_octets);
  return link;
}

}  // namespace

NetworkLinks::NetworkLinks() : interfaces_{LoopbackInterface()} {}

void NetworkLinks::Configure(const ConfigTable& table) {
  table.OnlyKeys({"interfaces"});
  auto items = table.TableArray("interfaces");
  if (!items) return;
  // An empty array says the handset starts with no interface at all.
  interfaces_.clear();
  std::set<uint32_t> indexes;
  for (const ConfigTable& item : *items) {
    cehost::NetworkInterface link = ReadInterface(item);
    if (!indexes.insert(link.index).second)
      item.FailAtTable("index", "index " + std::to_string(link.index) + " is taken");
    interfaces_.push_back(std::move(link));
  }
}

void NetworkLinks::Install() {
  for (const cehost::NetworkInterface& link : cehost::NetworkInterfaces())
    cehost::RemoveNetworkInterface(link.index);
  for (const cehost::NetworkInterface& link : interfaces_) cehost::SetNetworkInterface(link);
}

}  // namespace sim
