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

BodyRefusal CheckBody(const std::string& method, const std::string& content_length,
                      const std::string& transfer_encoding, size_t max_bytes) {
  const std::string limit = std::to_string(max_bytes);
  if (method == "GET" || method == "HEAD") return {};
  if (method != "POST") return {405, "the panel answers GET and POST only"};
  if (!transfer_encoding.empty())
    return {411, "send the body whole, with its Content-Length, not in chunks"};
  if (content_length.empty() || content_length.find_first_not_of("0123456789") != std::string::npos)
    return {411, "the body's Content-Length must be given"};
  // Compared as digits, so that no length overflows.
  std::string digits = content_length.substr(
      std::min(content_length.find_first_not_of('0'), content_length.size() - 1));
  if (digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit))
    return {413, "the body is larger than " + limit + " bytes"};
  return {};
}

}  // namespace m8sim
