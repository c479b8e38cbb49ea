// The handset's file system: the fs/ folder of the handset home, seen as one CE tree.
#pragma once

#include <filesystem>

namespace cehost {

class FileSystem {
 public:
  explicit FileSystem(std::filesystem::path home);

 private:
  std::filesystem::path root_;
};

}  // namespace cehost
