#include "iphlpapi/ip_address.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace cehost {

DWORD IpAddressValue(const std::string& dotted) {
  in_addr address{};
  if (inet_pton(AF_INET, dotted.c_str(), &address) != 1) return 0;
  return address.s_addr;
}

DWORD IpHostOrder(DWORD network_order) {
  return ntohl(network_order);
}

void CopyText(char* field, size_t size, const std::string& text) {
  if (size == 0) return;
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

}  // namespace cehost
