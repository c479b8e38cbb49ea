// The handset's display driver as a program of the simulated handset. It answers the escapes
// that switch its acceptance of display-setting changes on (0x20113) and off (0x20114) with a
// result a test or handset.toml scripts (1 by default: done; 0 not implemented; < 0 an error),
// and holds whether changes are accepted, kept in the home's state.json. A switch is carried out
// only when its result is > 0. Every other escape is not implemented (0).
//
// handset.toml's [display] table: present = false leaves the handset without a display driver
// (GetDC gives no screen); enable_result and disable_result script the two escapes' results.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>

#include "cehost/programs.h"
#include "sim/program.h"

namespace sim {

inline constexpr char kDisplayProgram[] = "display";

class Display : public Program, public cehost::ProgramState {
 public:
  std::string_view name() const override { return kDisplayProgram; }
  // Reads present, enable_result and disable_result.
  void Configure(const ConfigTable& table) override;
  // Installs the driver on the current handset (or leaves it without one when not present) and
  // takes whether changes are accepted from state.json (accepted when it says nothing).
  void Install() override;

  // Scripts the result of the escape that accepts (enable true) or refuses display-setting
  // changes, from the next escape on.
  void SetSwitchResult(bool enable, int32_t result);
  // Whether the driver accepts display-setting changes.
  bool ChangesAccepted() const;
  // Whether the handset has this driver.
  bool present() const { return present_; }

  // The driver's answer to one escape.
  int Escape(int escape);

 private:
  void Save(bool accepted) const;

  bool present_ = true;
  mutable std::mutex mutex_;
  int32_t enable_result_ = 1;
  int32_t disable_result_ = 1;
  bool accepted_ = true;
  std::filesystem::path home_;
};

}  // namespace sim
