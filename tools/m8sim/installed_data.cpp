#include "installed_data.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace m8sim {

namespace {

// Points the variable at the folder, relative to the program's own, when it is not set and the
// folder is there.
void UseInstalled(const char* variable, const std::filesystem::path& program,
                  const char* relative) {
  const char* set = std::getenv(variable);
  if (set && *set) return;
  std::error_code ec;
  std::filesystem::path data = program.parent_path() / relative;
  if (std::filesystem::is_directory(data, ec)) setenv(variable, data.lexically_normal().c_str(), 1);
}

}  // namespace

void UseInstalledHandsetData() {
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return;
  UseInstalled("M8_DEFAULT_HANDSET_DATA", program, M8SIM_INSTALLED_DATA);
  UseInstalled("M8SIM_PANEL_FILES", program, M8SIM_INSTALLED_PANEL);
}

}  // namespace m8sim
