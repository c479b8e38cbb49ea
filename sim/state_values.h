// Values of a state.json section as sim's programs read them back: a value that is missing or of
// another type gives the caller's fallback, so that a damaged file never stops a program.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

namespace sim {

// The key's value as an unsigned 32-bit number, or the fallback.
inline uint32_t StateDword(const nlohmann::json& section, const char* key, uint32_t fallback) {
  if (!section.is_object()) return fallback;
  auto found = section.find(key);
  if (found == section.end() || !found->is_number_unsigned() || found->get<uint64_t>() > UINT32_MAX)
    return fallback;
  return found->get<uint32_t>();
}

// The key's value as a truth value, or the fallback.
inline bool StateBool(const nlohmann::json& section, const char* key, bool fallback) {
  if (!section.is_object()) return fallback;
  auto found = section.find(key);
  return found != section.end() && found->is_boolean() ? found->get<bool>() : fallback;
}

// The key's value as text, or the fallback.
inline std::string StateText(const nlohmann::json& section, const char* key,
                             const std::string& fallback) {
  if (!section.is_object()) return fallback;
  auto found = section.find(key);
  return found != section.end() && found->is_string() ? found->get<std::string>() : fallback;
}

}  // namespace sim
