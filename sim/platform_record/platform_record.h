// The platform information record of the simulated handset, which SystemParametersInfoW answers
// with (action 224): handset.toml's [platform] table says whether there is one and two of its
// words.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/program.h"

namespace sim {

class PlatformRecord : public Program {
 public:
  std::string_view name() const override { return "platform"; }
  // Reads record, hardware_version and wifi.
  void Configure(const ConfigTable& table) override;
  // Gives the current handset the record, or takes it away.
  void Install() override;

  // The words of the record: the platform's own, with word 6 the hardware version and word 8 0
  // when the handset has Wi-Fi.
  std::vector<uint32_t> Words() const;
  // The hardware version (word 6) the handset has.
  uint32_t hardware_version() const { return hardware_version_; }
  // Makes the hardware version another for as long as the program runs, giving the current
  // handset the record again; handset.toml keeps its own.
  void SetHardwareVersion(uint32_t version);

 private:
  bool record_ = true;
  uint32_t hardware_version_ = 1;
  bool wifi_ = true;
};

}  // namespace sim
