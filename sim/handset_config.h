// handset.toml: the simulated hardware and programs of a handset home, read with toml++. Each
// top-level table belongs to one of the handset's programs, which reads it.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sim/program.h"

namespace sim {

// A handset.toml that cannot be read; the message is "file:line: key: what is wrong".
class HandsetConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Everything handset.toml says.
struct HandsetConfig {
  // The handset's programs (MakePrograms), each set as its table says; what the file leaves out
  // keeps the program's default.
  std::vector<std::shared_ptr<Program>> programs;
};

// Reads a handset.toml; throws HandsetConfigError naming the file, line and key of a syntax
// error, an unknown key, a value of the wrong type or one out of range.
HandsetConfig LoadHandsetConfig(const std::filesystem::path& toml_file);
// Reads the text of a handset.toml as LoadHandsetConfig reads the file; file names it in errors.
HandsetConfig ParseHandsetConfig(std::string_view text, const std::string& file);

}  // namespace sim
