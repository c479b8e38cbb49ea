#include "iphlpapi/remote_network.h"

#include "handset/handset_state.h"
#include "iphlpapi/network_table.h"
#include "server/server_link.h"

namespace cehost {

namespace {

// The longest text of an interface on the wire (descriptions and adapter names are far shorter).
constexpr uint32_t kMaxText = 256;
// More interfaces than any handset has: a reply that claims more is broken.
constexpr uint32_t kMostInterfaces = 256;

std::vector<NetworkInterface> ReadInterfaces(wire::Reader& in) {
  std::vector<NetworkInterface> interfaces;
  uint32_t count = in.U32();
  if (count > kMostInterfaces) return {};
  for (uint32_t i = 0; i < count && in.ok(); ++i) {
    NetworkInterface interface;
    interface.index = in.U32();
    interface.type = in.U32();
    interface.description = in.Utf8(kMaxText);
    interface.adapter_name = in.Utf8(kMaxText);
    interface.address = in.Utf8(kMaxText);
    interface.mask = in.Utf8(kMaxText);
    interface.gateway = in.Utf8(kMaxText);
    interface.has_route = in.U8() != 0;
    interface.metric = in.U32();
    interface.in_octets = in.U32();
    interface.out_octets = in.U32();
    interfaces.push_back(std::move(interface));
  }
  if (!in.End()) return {};
  return interfaces;
}

}  // namespace

void WriteInterfaces(wire::Writer& out, const std::vector<NetworkInterface>& interfaces) {
  out.U32(static_cast<uint32_t>(interfaces.size()));
  for (const NetworkInterface& interface : interfaces) {
    out.U32(interface.index)
        .U32(interface.type)
        .Utf8(interface.description)
        .Utf8(interface.adapter_name)
        .Utf8(interface.address)
        .Utf8(interface.mask)
        .Utf8(interface.gateway)
        .U8(interface.has_route ? 1 : 0)
        .U32(interface.metric)
        .U32(interface.in_octets)
        .U32(interface.out_octets);
  }
}

std::vector<NetworkInterface> HandsetInterfaces() {
  HandsetState& state = Current();
  if (!state.server) return state.network.AsAdded();
  auto reply = state.server->Call(ServerRequest(ServerOp::kNetworkInterfaces));
  if (!reply) return {};
  return ReadInterfaces(reply->fields);
}

}  // namespace cehost
