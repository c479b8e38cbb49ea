// IPv4 addresses of the IP helper's records.
#pragma once

#include <cstddef>
#include <string>

#include "ce/types.h"

namespace cehost {

// The dotted address as the records hold it, in network byte order (its first number in the
// lowest byte); 0 for text that is not a dotted IPv4 address.
DWORD IpAddressValue(const std::string& dotted);

// The address in host byte order, for comparing addresses by value.
DWORD IpHostOrder(DWORD network_order);

// Copies 8-bit text into a field of size bytes, cut to size - 1 and always terminated; the rest
// of the field is zero.
void CopyText(char* field, size_t size, const std::string& text);

}  // namespace cehost
