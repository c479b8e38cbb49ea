// Changing one key of a TOML document as a person would with an editor: the value on the key's
// line is replaced, or the key is added at the end of its table, or the table at the end of the
// document; every other byte (comments, order, spacing) stays as it was.
#pragma once

#include <toml++/toml.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace m8sim {

// A key the document cannot take as asked (an array of tables on its path, a table where a
// value is wanted), or a document that is not TOML.
class TomlEditError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The names of a dotted key ("shell.windows.CShellMainWnd"); refuses an empty name.
std::vector<std::string> TomlKeyPath(std::string_view key);

// The node at the path, or null when the document lacks it; refuses a path through an array.
const toml::node* TomlNodeAt(const toml::table& root, const std::vector<std::string>& path);

// The value as a TOML document spells it: "text" (escaped), 678, true, [1, 2].
std::string TomlValueText(const toml::node& value);

// The document with the key at path set to the value (path has a table and a key at least).
std::string SetTomlValue(std::string_view text, const std::vector<std::string>& path,
                         const toml::node& value);

}  // namespace m8sim
