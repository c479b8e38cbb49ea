// The infrared proximity sensor "IRD1:". It keeps:
//   - its subscribers, windows each with a message (IOCTL_IRD_REGISTER; a window registered
//     again takes the new message; IOCTL_IRD_UNREGISTER removes a window, and fails with
//     ERROR_INVALID_PARAMETER for one that is not registered; at most 16 windows, the 17th is
//     refused with ERROR_OUTOFMEMORY; window 0 is refused with ERROR_INVALID_PARAMETER);
//   - its state (IOCTL_IRD_SET_STATE): 0 off, any other value on;
//   - its sensitivity level, 1 to 3 (IOCTL_IRD_SET_LEVEL refuses any other with
//     ERROR_INVALID_PARAMETER);
//   - its detection value: 1 while something covers the sensor, 0 when nothing does.
// IOCTL_IRD_GET_DETECT_READY gives 1 while the sensor is on (a detection value waits) and 0
// while it is off; ReadFile of 4 bytes gives the detection value (0 while the sensor is off).
// When the detection value changes while the sensor is on, it posts each subscriber's message
// to its window with wParam = the detection value, lParam = 0. Everything is kept in state.json.
//
// handset.toml's [infrared] table: state (1 on, by default), level (2), detection (0), and the
// fault keys of driver_faults.h.
#pragma once

#include <cstdint>
#include <vector>

#include "oem/drivers.h"
#include "sim/drivers/stream_device.h"

namespace sim {

inline constexpr char kInfraredProgram[] = "infrared";

// The most windows the sensor notifies.
inline constexpr size_t kInfraredMaxSubscribers = 16;

struct InfraredState {
  std::vector<IRD_SUBSCRIBER> subscribers;
  DWORD state = 1;
  DWORD level = 2;
  DWORD detection = 0;
};

class Infrared : public StreamDevice {
 public:
  Infrared();

  // Something comes over the sensor (nonzero) or goes away (0), as the hardware detects it;
  // notifies the subscribers when the value changes while the sensor is on.
  void SetDetection(DWORD detection);
  // Switches the sensor, as IOCTL_IRD_SET_STATE does.
  void SetSensorState(DWORD state);
  // Everything the sensor keeps.
  InfraredState State() const;

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

 private:
  BOOL Register(const IRD_SUBSCRIBER& subscriber);
  BOOL Unregister(DWORD window);

  InfraredState initial_;
  InfraredState state_;
};

}  // namespace sim
