// The touch panel "TCH0:". It keeps:
//   - its subscribers, three DWORDs each (IOCTL_TCH_REGISTER): a window, a message, and a value
//     of the subscriber's own; a subscriber registered again with the same window takes the new
//     message and value; IOCTL_TCH_UNREGISTER removes the subscriber of a window (its first
//     input DWORD) and fails with ERROR_INVALID_PARAMETER when none has it; at most 16;
//   - its latest raw sample (IOCTL_TCH_GET_RAW), 24 bytes: the size 24, X, Y, pressure, 1 while
//     the panel is touched (else 0), and a sample number that each new sample raises;
//   - its setting word (IOCTL_TCH_GET_SETTING and IOCTL_TCH_SET_SETTING), kept as given.
// Each new sample is posted to the subscribers whose window and message are not 0:
//   wParam = X & 0xFFFF | (Y & 0xFFFF) << 16, lParam = the subscriber's own value.
// The subscribers and the setting word are kept in state.json; the sample is not.
//
// handset.toml's [touch] table: setting (2 by default), and the fault keys of driver_faults.h.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "oem/drivers.h"
#include "sim/drivers/stream_device.h"

namespace sim {

inline constexpr char kTouchProgram[] = "touch";

// The most subscribers the panel notifies.
inline constexpr size_t kTouchMaxSubscribers = 16;

// A raw touch sample as IOCTL_TCH_GET_RAW gives it.
struct TouchSample {
  DWORD size = TCH_RAW_SAMPLE_SIZE;
  LONG x = 0;
  LONG y = 0;
  DWORD pressure = 0;
  DWORD down = 0;
  DWORD number = 0;
};
static_assert(sizeof(TouchSample) == TCH_RAW_SAMPLE_SIZE);

struct TouchState {
  std::vector<std::array<DWORD, 3>> subscribers;
  TouchSample sample;
  DWORD setting = 2;
};

class Touch : public StreamDevice {
 public:
  Touch();

  // A new sample from the panel (its size and number are the driver's): notifies the
  // subscribers.
  void SetSample(LONG x, LONG y, DWORD pressure, bool down);
  // Everything the panel keeps.
  TouchState State() const;

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

 private:
  DWORD initial_setting_ = 2;
  TouchState state_;
};

}  // namespace sim
