// Reads any bytes as the body of a POST to the panel: every body is answered, a refused one with
// 400 or 404 and a message, and an accepted one becomes words within the limits, none of which
// the command could take for an option it was not given.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "panel/panel_request.h"

namespace {

const char* const kPaths[] = {"/api/call",     "/api/device", "/api/shell",
                              "/api/snapshot", "/api/diff",   "/api/other"};

void Require(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string path = kPaths[data[0] % (sizeof kPaths / sizeof kPaths[0])];
  const std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
  m8sim::PanelRequest request = m8sim::ReadPanelRequest(path, body);
  if (request.words.empty()) {
    Require(request.refusal.status == 400 || request.refusal.status == 404);
    Require(request.refusal.body["error"].is_string());
    request.refusal.body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return 0;
  }
  // Only a call's words may read as options, and only after the "--" that ends the options.
  bool options_ended = false;
  for (size_t i = 0; i < request.words.size(); ++i) {
    const std::string& word = request.words[i];
    Require(word.size() <= m8sim::kMaxWordBytes + m8sim::kMaxWordBytes + 1);
    if (word == "--" && request.words[0] == "call" && i == 2) {
      options_ended = true;
      continue;
    }
    Require(options_ended || !word.starts_with("-"));
  }
  return 0;
}
