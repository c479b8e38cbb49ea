#include "sim/config_table.h"

#include <algorithm>

#include <arpa/inet.h>

#include <limits>

#include "cehost/text.h"
#include "sim/handset_config.h"

namespace sim {

ConfigTable::ConfigTable(const toml::table& table, std::string file, std::string prefix)
    : table_(&table), file_(std::move(file)), prefix_(std::move(prefix)) {}

void ConfigTable::Fail(const toml::source_region& where, std::string_view key,
                       const std::string& what) const {
  throw HandsetConfigError(file_ + ":" + std::to_string(where.begin.line) + ": " + prefix_ +
                           std::string(key) + ": " + what);
}

void ConfigTable::Fail(std::string_view key, const std::string& what) const {
  const toml::node* node = table_->get(key);
  Fail(node ? node->source() : table_->source(), key, what);
}

void ConfigTable::FailAtTable(std::string_view key, const std::string& what) const {
  Fail(table_->source(), key, what);
}

void ConfigTable::OnlyKeys(std::initializer_list<std::string_view> known) const {
  OnlyKeys(std::vector<std::string_view>(known));
}

void ConfigTable::OnlyKeys(const std::vector<std::string_view>& known) const {
  for (auto&& [key, node] : *table_) {
    bool found = false;
    for (std::string_view name : known) found = found || key.str() == name;
    if (!found) Fail(key.source(), key.str(), "unknown key");
  }
}

std::optional<ConfigTable> ConfigTable::Table(std::string_view key) const {
  const toml::node* node = table_->get(key);
  if (!node) return std::nullopt;
  if (!node->is_table()) Fail(key, "expected a table");
  return ConfigTable(*node->as_table(), file_, prefix_ + std::string(key) + ".");
}

std::optional<std::vector<ConfigTable>> ConfigTable::TableArray(std::string_view key) const {
  const toml::node* node = table_->get(key);
  if (!node) return std::nullopt;
  if (!node->is_array() || (!node->as_array()->empty() && !node->is_array_of_tables()))
    Fail(key, "expected [[" + prefix_ + std::string(key) + "]] tables");
  std::vector<ConfigTable> tables;
  for (const toml::node& item : *node->as_array()) {
    std::string prefix = prefix_ + std::string(key) + "[" + std::to_string(tables.size()) + "].";
    tables.emplace_back(*item.as_table(), file_, std::move(prefix));
  }
  return tables;
}

void ConfigTable::ReadNames(std::string_view key, const std::vector<std::string_view>& known,
                            std::string_view what, std::set<std::string>* out) const {
  if (!Has(key)) return;
  std::string list;
  Read(key, &list);
  out->clear();
  for (size_t start = 0; start <= list.size();) {
    size_t comma = std::min(list.find(',', start), list.size());
    std::string name = list.substr(start, comma - start);
    start = comma + 1;
    name.erase(0, name.find_first_not_of(" \t"));
    name.erase(name.find_last_not_of(" \t") + 1);
    if (name.empty()) continue;
    if (std::find(known.begin(), known.end(), name) == known.end())
      Fail(key, "no " + std::string(what) + " " + name);
    out->insert(name);
  }
}

void ConfigTable::Read(std::string_view key, std::string* out) const {
  if (const toml::node* node = table_->get(key)) {
    if (!node->is_string()) Fail(key, "expected a string");
    *out = node->as_string()->get();
  }
}

void ConfigTable::Read(std::string_view key, std::vector<std::string>* out) const {
  const toml::node* node = table_->get(key);
  if (!node) return;
  if (!node->is_array() ||
      (!node->as_array()->empty() && !node->as_array()->is_homogeneous<std::string>()))
    Fail(key, "expected an array of strings");
  out->clear();
  for (const toml::node& item : *node->as_array()) out->push_back(item.as_string()->get());
}

void ConfigTable::Read(std::string_view key, std::u16string* out) const {
  std::string text = cehost::ToUtf8(*out);
  Read(key, &text);
  *out = cehost::ToUtf16(text);
}

void ConfigTable::Read(std::string_view key, bool* out) const {
  if (const toml::node* node = table_->get(key)) {
    if (!node->is_boolean()) Fail(key, "expected true or false");
    *out = node->as_boolean()->get();
  }
}

void ConfigTable::Read(std::string_view key, uint32_t* out) const {
  *out = static_cast<uint32_t>(Integer(key, 0, std::numeric_limits<uint32_t>::max(), *out));
}

void ConfigTable::Read(std::string_view key, int32_t* out) const {
  *out = static_cast<int32_t>(
      Integer(key, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), *out));
}

void ConfigTable::Read(std::string_view key, int64_t* out) const {
  *out =
      Integer(key, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(), *out);
}

void ConfigTable::ReadAddress(std::string_view key, std::string* out) const {
  Read(key, out);
  in_addr parsed;
  if (Has(key) && inet_pton(AF_INET, out->c_str(), &parsed) != 1)
    Fail(key, "expected a dotted IPv4 address");
}

int64_t ConfigTable::Integer(std::string_view key, int64_t low, int64_t high,
                             int64_t fallback) const {
  const toml::node* node = table_->get(key);
  if (!node) return fallback;
  if (!node->is_integer() || node->as_integer()->get() < low || node->as_integer()->get() > high)
    Fail(key, "expected an integer from " + std::to_string(low) + " to " + std::to_string(high));
  return node->as_integer()->get();
}

}  // namespace sim
