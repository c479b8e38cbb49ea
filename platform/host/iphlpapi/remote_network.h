// The handset's network interfaces as a program sees them: its own table's when the handset runs
// in the program, the server's when the program is attached to one.
#pragma once

#include <vector>

#include "cehost/network.h"
#include "server/wire.h"

namespace cehost {

// The current handset's interfaces in the order they came up. A server that cannot be reached
// has no interfaces to report: the list is empty, as on a handset whose adapters are all gone.
std::vector<NetworkInterface> HandsetInterfaces();

// Puts the interfaces on a server's reply.
void WriteInterfaces(wire::Writer& out, const std::vector<NetworkInterface>& interfaces);

}  // namespace cehost
