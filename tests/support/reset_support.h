// What the reset tests share: the registry writes a call made, in order, and values as text.
#pragma once

#include <string>
#include <vector>

#include "ce/registry.h"
#include "cehost/journal.h"
#include "cehost/text.h"
#include "registry_helpers.h"

namespace reset_test {

// "key\name" of each value the journal shows written, in order.
inline std::vector<std::string> WrittenValues(const cehost::Journal& journal) {
  std::vector<std::string> written;
  for (const auto& e : journal.Entries("reg.set_value"))
    written.push_back(e.Field("key") + "\\" + e.Field("name"));
  return written;
}

// "key\name" for each name under one key, in order.
inline std::vector<std::string> Under(const std::string& key,
                                      std::initializer_list<const char*> names) {
  std::vector<std::string> paths;
  for (const char* name : names) paths.push_back(key + "\\" + name);
  return paths;
}

}  // namespace reset_test
