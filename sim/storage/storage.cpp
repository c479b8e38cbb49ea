#include "sim/storage/storage.h"

#include <optional>

#include "cehost/storage.h"
#include "sim/config_table.h"

namespace sim {

void Storage::Configure(const ConfigTable& table) {
  table.OnlyKeys({"free_bytes"});
  table.Read("free_bytes", &free_bytes_);
  if (free_bytes_ < -1) table.Fail("free_bytes", "expected -1 (unlimited) or a number of bytes");
}

void Storage::Install() {
  cehost::SetFreeStorage(
      free_bytes_ < 0 ? std::nullopt : std::optional<uint64_t>(static_cast<uint64_t>(free_bytes_)));
}

}  // namespace sim
