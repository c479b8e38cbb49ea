// Reads any bytes as a handset.toml: no crash, no read past a buffer, and no error but
// HandsetConfigError.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "sim/handset_config.h"

namespace {

// The folder the input is written to, made once and removed when the run ends.
struct InputFolder {
  InputFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "m8-fuzz-config-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    path = pattern;
  }
  ~InputFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::filesystem::path path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static InputFolder folder;
  const std::filesystem::path file = folder.path / "handset.toml";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    sim::LoadHandsetConfig(file);
  } catch (const sim::HandsetConfigError&) {
  }
  return 0;
}
