// The network stack's power service "NPW1:" on a handset with the SDIO86881 adapter (any
// hardware version but 1). IOCTL_NPW_SAVE_POWER_STATE (NDISPWR_SAVEPOWERSTATE) keeps, for the
// adapter it names, the power state the adapter is to be in when the stack next loads it:
// PwrDeviceUnspecified (-1, no state of its own) or D0 to D4. The name is read through the
// caller's pointer up to its terminator, at most 255 characters; a null pointer, an empty or
// longer name, or a state outside -1 to 4 fails with ERROR_INVALID_PARAMETER. Any adapter name is
// kept, whether or not the handset has that adapter: the stack keeps the state for an adapter
// it has not loaded yet. The states are kept in state.json.
//
// handset.toml's [ndis_power] table: the fault keys of driver_faults.h.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "sim/drivers/stream_device.h"

namespace sim {

inline constexpr char kNdisPowerProgram[] = "ndis_power";

class NdisPower : public StreamDevice {
 public:
  NdisPower();

  // The power state kept for the adapter (case ignored), or nothing when none is.
  std::optional<int> SavedState(std::u16string_view adapter) const;
  // Every state kept, by adapter name as it was given.
  std::map<std::u16string, int> SavedStates() const;

  // Device.
  std::string Summary() const override;
  std::vector<std::pair<std::string, std::string>> FieldHelp() const override;
  // ADAPTER=STATE keeps the state for that adapter, as the control does.
  void SetFields(const std::vector<DeviceField>& fields) override;

 protected:
  bool Fitted() const override;
  std::vector<std::string_view> StateKeys() const override { return {}; }
  void ConfigureState(const ConfigTable&) override {}
  void LoadState(const nlohmann::json& saved) override;
  nlohmann::json SavedState() const override;
  BOOL Control(DWORD code, const uint8_t* in, DWORD in_size, uint8_t* out, DWORD out_size,
               DWORD* returned) override;

 private:
  // Keeps the state under the name, replacing a state kept under the name in another case.
  void KeepLocked(const std::u16string& adapter, int state);

  std::map<std::u16string, int> saved_;
};

// "unspecified" for PwrDeviceUnspecified, else "D0" to "D4".
std::string PowerStateName(int state);

}  // namespace sim
