// A temporary folder for a handset home, removed with the object.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

class TempHome {
 public:
  TempHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "m8sim-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempHome() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  // The home itself, a folder inside the temporary one that does not exist yet.
  std::filesystem::path home() const { return path_ / "home"; }

 private:
  std::filesystem::path path_;
};
