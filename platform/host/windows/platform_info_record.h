// A handset's platform information record.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "cehost/platform_info.h"

namespace cehost {

struct PlatformInfoRecord {
  std::mutex mutex;
  // The record's words; empty when the handset does not answer.
  std::optional<std::vector<uint32_t>> words = DefaultPlatformInfo();
};

}  // namespace cehost
