// Where commands write what they did: human-readable lines, or one JSON object a line.
#pragma once

#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

namespace m8sim {

class Output {
 public:
  Output(std::ostream& stream, const bool& json) : stream_(stream), json_(json) {}

  // True when records go out as JSON lines.
  bool json() const { return json_; }
  // Writes one record: its JSON object as a line in JSON mode, else its text (when not empty).
  void Emit(const nlohmann::json& record, const std::string& text);
  // Writes a line of text in human mode only.
  void Text(const std::string& text);
  // The stream itself, for raw bytes.
  std::ostream& stream() { return stream_; }

 private:
  std::mutex mutex_;
  std::ostream& stream_;
  const bool& json_;
};

}  // namespace m8sim
