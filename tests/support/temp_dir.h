// A fresh empty folder on the host, removed with everything in it when the object goes; and
// short helpers for the host files tests put in it.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "m8-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
      throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // A handset home inside the folder, which does not exist until something makes it.
  std::filesystem::path home() const { return path_ / "home"; }

 private:
  std::filesystem::path path_;
};

// A test with a fresh folder of its own, dir().
class TempDirTest : public ::testing::Test {
 protected:
  const std::filesystem::path& dir() const { return temp_.path(); }

 private:
  TempDir temp_;
};

// The bytes of a host file; empty when it is missing.
inline std::vector<uint8_t> FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Writes text to a host file, making its folder.
inline void WriteText(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}
