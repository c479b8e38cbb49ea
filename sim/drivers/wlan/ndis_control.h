// The network stack's control device "NDS0:" and the SDIO86881 Wi-Fi adapter, on a handset of
// any hardware version but 1. IOCTL_NDIS_BIND_ADAPTER binds the adapters named in its input to
// the stack's protocols and IOCTL_NDIS_UNBIND_ADAPTER unbinds them; the input is a list of names,
// each ending in a terminator, the list ending in one more. A list that does not end within the
// input, or names no adapter, fails with ERROR_INVALID_PARAMETER; so does a list naming an
// adapter the handset does not have, and then nothing changes. Binding a bound adapter, or
// unbinding an unbound one, succeeds and changes nothing.
//
// The adapter is a power-managed device of the NDIS miniport power class, "SDIO86881":
// SetDevicePower forces it to a power state, which it takes as D0 (full on) or, for D1 to D4,
// as D4 (off: the adapter has no low-power states); PwrDeviceUnspecified drops the forced state,
// and the adapter goes back to D0. Its Wi-Fi interface is up in the IP helper's tables exactly
// while it is bound and on. Whether it is bound and the state it was forced to are kept in
// state.json, so that an adapter that was up comes back up when the handset is mounted.
//
// handset.toml's [ndis] table: adapter (whether the handset has the adapter; true), address (its
// interface's address, "192.168.1.20"), bound (whether it is bound on a handset whose
// state.json says nothing; false), and the fault keys of driver_faults.h.
#pragma once

#include <optional>
#include <string>

#include "sim/drivers/stream_device.h"

namespace sim {

inline constexpr char kNdisProgram[] = "ndis";
// The adapter's name, under which SetDevicePower finds it in the NDIS miniport power class.
inline constexpr char16_t kSdioAdapterName[] = u"SDIO86881";

// What the adapter is at one moment.
struct SdioAdapterState {
  bool bound = false;
  // The power state SetDevicePower forced it to, D0 or D4; nothing when none is forced.
  std::optional<int> forced;

  // D0 unless forced off.
  int power() const { return forced.value_or(0); }
  bool powered() const { return power() == 0; }
  // True while its interface is up.
  bool up() const { return bound && powered(); }
};

class NdisControl : public StreamDevice {
 public:
  NdisControl();

  // What the adapter is now.
  SdioAdapterState Adapter() const;
  // Takes a power state for the adapter as SetDevicePower gives it: the state it is in
  // afterwards, or -1 with ERROR_INVALID_PARAMETER for a state outside -1 to 4.
  int SetAdapterPower(int state);

  // Device.
  // "SDIO86881 bound, powered" (or "unbound", "powered off"); "no adapter".
  std::string Summary() const override;
  std::vector<std::pair<std::string, std::string>> FieldHelp() const override;
  // bound=1/0 binds or unbinds the adapter; power=-1..4 sets its power as SetDevicePower does.
  void SetFields(const std::vector<DeviceField>& fields) override;

 protected:
  bool Fitted() const override;
  std::vector<std::string_view> StateKeys() const override;
  void ConfigureState(const ConfigTable& table) override;
  void LoadState(const nlohmann::json& saved) override;
  nlohmann::json SavedState() const override;
  BOOL Control(DWORD code, const uint8_t* in, DWORD in_size, uint8_t* out, DWORD out_size,
               DWORD* returned) override;
  // Puts the adapter in its power class, and brings its interface up when it is up.
  void Installed() override;

 private:
  // Makes the adapter next, bringing the interface up or down as it changes; called with mutex_
  // held.
  void ChangeLocked(const SdioAdapterState& next);

  bool has_adapter_ = true;
  std::string address_ = "192.168.1.20";
  bool initial_bound_ = false;
  SdioAdapterState adapter_;
};

}  // namespace sim
