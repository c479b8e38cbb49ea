// A POST to the panel read as the m8sim command it asks for, with every limit on what a request
// may hold checked before anything runs.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace m8sim {

// An answer: the HTTP status and its JSON body.
struct ApiReply {
  int status = 200;
  nlohmann::json body;
};

// The deepest a request body may nest.
constexpr int kMaxBodyDepth = 8;
// The most values (objects, lists, words and numbers together) a request body may hold.
constexpr size_t kMaxBodyValues = 64;
// The longest word (a name, an argument, a field's value) a request may give, in bytes: the
// exports' strings are paths of 260 characters and names and values far shorter.
constexpr size_t kMaxWordBytes = 4096;

// What a POST asks for: the command's words, or the answer that refuses it.
struct PanelRequest {
  std::vector<std::string> words;
  // 400 with the reason for a body it refuses, 404 for a path that is no action; meaningful only
  // when words is empty.
  ApiReply refusal;
};

// Reads the body of a POST to path: the command that m8sim would be given, or why there is none.
// Never throws; any bytes are answered.
PanelRequest ReadPanelRequest(const std::string& path, const std::string& body);

}  // namespace m8sim
