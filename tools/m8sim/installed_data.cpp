#include "installed_data.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace m8sim {

void UseInstalledHandsetData() {
  const char* set = std::getenv("M8_DEFAULT_HANDSET_DATA");
  if (set && *set) return;
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return;
  std::filesystem::path data = program.parent_path() / M8SIM_INSTALLED_DATA;
  if (std::filesystem::is_directory(data, ec))
    setenv("M8_DEFAULT_HANDSET_DATA", data.lexically_normal().c_str(), 1);
}

}  // namespace m8sim
