// The accelerometer "ACC0:": three signed 8-bit axes that IOCTL_ACC_GET_X, _Y, _Z and _XYZ read.
// IOCTL_ACC_SET_MESSAGE gives it the window message it notifies with; from then on, each change
// of the axes posts that message to every top-level window (HWND_BROADCAST) with
//   wParam = X | Y << 8 | Z << 16 (each axis as its unsigned byte), lParam = 0,
// noted in the journal ("device", event "post"). Until a message is given, a change only moves
// the axes. The axes are taken back from state.json at each mount; the message is written there
// to be seen but not taken back, since the library gives it again on its first open in each
// program and a message identifier belongs to one run.
//
// handset.toml's [accelerometer] table: x, y and z, from -128 to 127 (the handset lying flat:
// 0, 0, -64 by default), and the fault keys of driver_faults.h.
#pragma once

#include <array>
#include <cstdint>

#include "sim/drivers/stream_device.h"

namespace sim {

inline constexpr char kAccelerometerProgram[] = "accelerometer";

class Accelerometer : public StreamDevice {
 public:
  Accelerometer();

  // Moves the axes, as a tilt of the handset does, posting the notification when they change.
  void SetAxes(int8_t x, int8_t y, int8_t z);
  // The axes, X, Y, Z.
  std::array<int8_t, 3> Axes() const;
  // The message it notifies with; 0 while none was given.
  UINT message() const;

  // Device.
  std::string Summary() const override;
  std::vector<std::pair<std::string, std::string>> FieldHelp() const override;
  void SetFields(const std::vector<DeviceField>& fields) override;

 protected:
  std::vector<std::string_view> StateKeys() const override;
  void ConfigureState(const ConfigTable& table) override;
  // The message goes with the windows of the last mount.
  void ForgetMountState() override;
  void LoadState(const nlohmann::json& saved) override;
  nlohmann::json SavedState() const override;
  BOOL Control(DWORD code, const uint8_t* in, DWORD in_size, uint8_t* out, DWORD out_size,
               DWORD* returned) override;

 private:
  std::array<int8_t, 3> initial_ = {0, 0, -64};
  std::array<int8_t, 3> axes_ = initial_;
  UINT message_ = 0;
};

}  // namespace sim
