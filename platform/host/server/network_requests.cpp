// The server's answer to a program that lists the handset's network interfaces: the drivers and
// the modem that bring them up and down run here.
#include "handset/handset_state.h"
#include "iphlpapi/network_table.h"
#include "iphlpapi/remote_network.h"
#include "server/request_call.h"

namespace cehost {

bool NetworkInterfacesRequest(Call& call) {
  if (!call.in.End()) return false;
  WriteInterfaces(call.out, Current().network.AsAdded());
  return true;
}

}  // namespace cehost
