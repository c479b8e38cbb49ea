#include "sim/handset_config.h"

#include <string>

#include "sim/config_table.h"
#include "sim/program_list.h"

namespace sim {

HandsetConfig LoadHandsetConfig(const std::filesystem::path& toml_file) {
  const std::string file = toml_file.string();
  toml::table root;
  try {
    root = toml::parse_file(file);
  } catch (const toml::parse_error& e) {
    ConfigTable(root, file, "").Fail(e.source(), "syntax", std::string(e.description()));
  }
  const ConfigTable top(root, file, "");
  HandsetConfig config{MakePrograms()};
  std::vector<std::string_view> names;
  for (const auto& program : config.programs) names.push_back(program->name());
  top.OnlyKeys(names);
  for (const auto& program : config.programs)
    if (auto table = top.Table(program->name())) program->Configure(*table);
  return config;
}

}  // namespace sim
