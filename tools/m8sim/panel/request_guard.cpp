#include "request_guard.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace m8sim {

namespace {

bool IsAddress(const std::string& name) {
  unsigned char buffer[16];
  if (name.size() > 2 && name.front() == '[' && name.back() == ']')
    return inet_pton(AF_INET6, name.substr(1, name.size() - 2).c_str(), buffer) == 1;
  return inet_pton(AF_INET, name.c_str(), buffer) == 1;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

bool AllowedRequest(const std::string& host, const std::string& origin, int port) {
  std::string wanted = ":" + std::to_string(port);
  if (host.size() <= wanted.size() || !host.ends_with(wanted)) return false;
  std::string name = Lower(host.substr(0, host.size() - wanted.size()));
  if (name != "localhost" && !IsAddress(name)) return false;
  return origin.empty() || Lower(origin) == "http://" + Lower(host);
}

bool IsJsonBody(const std::string& content_type) {
  return Lower(content_type).starts_with("application/json");
}

}  // namespace m8sim
