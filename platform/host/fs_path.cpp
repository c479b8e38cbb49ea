#include "file_system.h"

namespace cehost {

FileSystem::FileSystem(std::filesystem::path home) : root_(home / "fs") {}

}  // namespace cehost
