// One table of handset.toml as a program reads it: a value it refuses is named by file, line and
// key in a HandsetConfigError.
#pragma once

#include <toml++/toml.h>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

class ConfigTable {
 public:
  // The table of the file; prefix is its keys' path ("" at the top, "modem." in [modem]).
  ConfigTable(const toml::table& table, std::string file, std::string prefix);

  // Throws HandsetConfigError: "file:line: prefix+key: what", at the line of the place given.
  [[noreturn]] void Fail(const toml::source_region& where, std::string_view key,
                         const std::string& what) const;
  // Throws HandsetConfigError at the line of the key's value (of the table when it is missing).
  [[noreturn]] void Fail(std::string_view key, const std::string& what) const;
  // Throws HandsetConfigError at the line where the table begins.
  [[noreturn]] void FailAtTable(std::string_view key, const std::string& what) const;
  // Refuses a key of the table that is not among the known ones.
  void OnlyKeys(std::initializer_list<std::string_view> known) const;
  void OnlyKeys(const std::vector<std::string_view>& known) const;
  // True when the table has the key.
  bool Has(std::string_view key) const { return table_->get(key) != nullptr; }

  // The table under the key, or nothing when the key is missing; refuses a value of another type.
  std::optional<ConfigTable> Table(std::string_view key) const;
  // The tables of the array under the key ([[key]] tables, or an empty array), or nothing when
  // the key is missing; refuses any other value.
  std::optional<std::vector<ConfigTable>> TableArray(std::string_view key) const;

  // Each Read leaves *out as it was when the key is missing, and refuses a value of another type
  // (an integer out of the type's range).
  void Read(std::string_view key, std::string* out) const;
  void Read(std::string_view key, std::u16string* out) const;
  void Read(std::string_view key, bool* out) const;
  void Read(std::string_view key, uint32_t* out) const;
  void Read(std::string_view key, int32_t* out) const;
  void Read(std::string_view key, int64_t* out) const;
  // An array of strings.
  void Read(std::string_view key, std::vector<std::string>* out) const;
  // A dotted IPv4 address.
  void ReadAddress(std::string_view key, std::string* out) const;
  // A comma-separated list of names ("A, B"), each one of the known ones; what says what a name
  // stands for in the message that refuses another ("phone adapter entry").
  void ReadNames(std::string_view key, const std::vector<std::string_view>& known,
                 std::string_view what, std::set<std::string>* out) const;

  // One of the named choices.
  template <class T>
  void ReadChoice(std::string_view key,
                  std::initializer_list<std::pair<std::string_view, T>> choices, T* out) const {
    if (!Has(key)) return;
    std::string text;
    Read(key, &text);
    std::string names;
    for (const auto& [name, value] : choices) {
      if (text == name) {
        *out = value;
        return;
      }
      names += (names.empty() ? "\"" : ", \"") + std::string(name) + "\"";
    }
    Fail(key, "expected one of " + names);
  }

 private:
  int64_t Integer(std::string_view key, int64_t low, int64_t high, int64_t fallback) const;

  const toml::table* table_;
  std::string file_;
  std::string prefix_;
};

}  // namespace sim
