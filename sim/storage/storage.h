// The handset's storage: handset.toml's [storage] table says how many bytes of file contents may
// still be added to the handset's files (free_bytes = -1: as many as the host holds).
#pragma once

#include <cstdint>

#include "sim/program.h"

namespace sim {

class Storage : public Program {
 public:
  std::string_view name() const override { return "storage"; }
  // Reads free_bytes: -1 or a number of bytes.
  void Configure(const ConfigTable& table) override;
  // Limits the current handset's storage to the free bytes, or lifts the limit.
  void Install() override;

 private:
  int64_t free_bytes_ = -1;
};

}  // namespace sim
