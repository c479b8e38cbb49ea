#include "sim/handset_config.h"

#include <fstream>
#include <iterator>
#include <string>

#include "sim/config_table.h"
#include "sim/program_list.h"

namespace sim {

namespace {

// The programs set as the parsed file says.
HandsetConfig ConfigureHandset(const toml::table& root, const std::string& file) {
  const ConfigTable top(root, file, "");
  HandsetConfig config{MakePrograms()};
  std::vector<std::string_view> names;
  for (const auto& program : config.programs) names.push_back(program->name());
  top.OnlyKeys(names);
  for (const auto& program : config.programs)
    if (auto table = top.Table(program->name())) program->Configure(*table);
  return config;
}

}  // namespace

HandsetConfig LoadHandsetConfig(const std::filesystem::path& toml_file) {
  std::ifstream in(toml_file, std::ios::binary);
  if (!in) throw HandsetConfigError(toml_file.string() + ": cannot be read");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  return ParseHandsetConfig(text, toml_file.string());
}

HandsetConfig ParseHandsetConfig(std::string_view text, const std::string& file) {
  toml::table root;
  try {
    root = toml::parse(text, file);
  } catch (const toml::parse_error& e) {
    ConfigTable(root, file, "").Fail(e.source(), "syntax", std::string(e.description()));
  }
  return ConfigureHandset(root, file);
}

}  // namespace sim
