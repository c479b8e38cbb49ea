// The backlight "BKL1:": the screen's backlight level, 0 to 255 (WriteFile of 4 bytes sets it,
// refusing a level above 255 with ERROR_INVALID_PARAMETER and a write of fewer than 4 bytes
// with ERROR_INVALID_PARAMETER; ReadFile of 4 bytes gives it), the backlight state
// (IOCTL_BKL_SET_STATE) and the ambient light sensor's state (IOCTL_BKL_SET_LUX_STATE and
// IOCTL_BKL_GET_LUX_STATE). The states are kept as given: 0 off, any other value on. Everything
// is kept in state.json.
//
// handset.toml's [backlight] table: level (160 by default), state (1), lux_state (0), and the
// fault keys of driver_faults.h.
#pragma once

#include <cstdint>

#include "sim/drivers/stream_device.h"

namespace sim {

inline constexpr char kBacklightProgram[] = "backlight";

struct BacklightState {
  DWORD level = 160;
  DWORD state = 1;
  DWORD lux_state = 0;
};

class Backlight : public StreamDevice {
 public:
  Backlight();

  // Sets the level (0 to 255), as the hardware's own controls would.
  void SetLevel(DWORD level);
  // Everything the backlight keeps.
  BacklightState State() const;

  // Device.
  std::string Summary() const override;
  std::vector<std::pair<std::string, std::string>> FieldHelp() const override;
  void SetFields(const std::vector<DeviceField>& fields) override;

 protected:
  std::vector<std::string_view> StateKeys() const override;
  void ConfigureState(const ConfigTable& table) override;
  void LoadState(const nlohmann::json& saved) override;
  nlohmann::json SavedState() const override;
  BOOL Control(DWORD code, const uint8_t* in, DWORD in_size, uint8_t* out, DWORD out_size,
               DWORD* returned) override;
  BOOL ReadData(uint8_t* buffer, DWORD size, DWORD* done) override;
  BOOL WriteData(const uint8_t* data, DWORD size, DWORD* done) override;

 private:
  BacklightState initial_;
  BacklightState state_;
};

}  // namespace sim
