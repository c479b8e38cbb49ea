#include "sim/drivers/accelerometer/accelerometer.h"

#include "ce/errors.h"
#include "oem/drivers.h"
#include "sim/config_table.h"

namespace sim {

namespace {

constexpr const char* kAxisNames[] = {"x", "y", "z"};

cehost::DeviceListing AccelerometerListing() {
  return {kAccelerometerDevice, u"Drivers\\BuiltIn\\Accelerometer", u"", {}, std::nullopt};
}

WPARAM Packed(const std::array<int8_t, 3>& axes) {
  return static_cast<uint8_t>(axes[0]) | static_cast<uint8_t>(axes[1]) << 8 |
         static_cast<uint8_t>(axes[2]) << 16;
}

}  // namespace

Accelerometer::Accelerometer()
    : StreamDevice(kAccelerometerProgram, "accelerometer", AccelerometerListing(),
                   {{IOCTL_ACC_GET_X, "IOCTL_ACC_GET_X", 0, 1},
                    {IOCTL_ACC_GET_Y, "IOCTL_ACC_GET_Y", 0, 1},
                    {IOCTL_ACC_GET_Z, "IOCTL_ACC_GET_Z", 0, 1},
                    {IOCTL_ACC_GET_XYZ, "IOCTL_ACC_GET_XYZ", 0, 3},
                    {IOCTL_ACC_SET_MESSAGE, "IOCTL_ACC_SET_MESSAGE", 4, 0}}) {}

void Accelerometer::SetAxes(int8_t x, int8_t y, int8_t z) {
  UINT message;
  WPARAM packed;
  {
    std::lock_guard lock(mutex_);
    std::array<int8_t, 3> axes = {x, y, z};
    if (axes == axes_) return;
    axes_ = axes;
    SaveLocked();
    message = message_;
    packed = Packed(axes);
  }
  Note("tilt", {{"x", std::to_string(x)}, {"y", std::to_string(y)}, {"z", std::to_string(z)}});
  if (message) Post(HWND_BROADCAST, message, packed, 0);
}

std::array<int8_t, 3> Accelerometer::Axes() const {
  std::lock_guard lock(mutex_);
  return axes_;
}

UINT Accelerometer::message() const {
  std::lock_guard lock(mutex_);
  return message_;
}

std::string Accelerometer::Summary() const {
  std::lock_guard lock(mutex_);
  return "x " + std::to_string(axes_[0]) + ", y " + std::to_string(axes_[1]) + ", z " +
         std::to_string(axes_[2]) +
         (message_ ? ", notifies with message " + std::to_string(message_) : ", no message");
}

std::vector<std::pair<std::string, std::string>> Accelerometer::FieldHelp() const {
  return {{"x", "X axis, -128 to 127"},
          {"y", "Y axis, -128 to 127"},
          {"z", "Z axis, -128 to 127 (a change of any axis posts the message)"}};
}

void Accelerometer::SetFields(const std::vector<DeviceField>& fields) {
  std::array<int8_t, 3> axes = Axes();
  for (const DeviceField& field : fields) {
    bool known = false;
    for (int i = 0; i < 3; ++i) {
      if (field.first != kAxisNames[i]) continue;
      axes[i] = static_cast<int8_t>(FieldInteger(field, -128, 127));
      known = true;
    }
    if (!known) UnknownField(field, device_name(), FieldHelp());
  }
  SetAxes(axes[0], axes[1], axes[2]);
}

std::vector<std::string_view> Accelerometer::StateKeys() const {
  return {"x", "y", "z"};
}

void Accelerometer::ConfigureState(const ConfigTable& table) {
  for (int i = 0; i < 3; ++i) {
    int32_t value = initial_[i];
    table.Read(kAxisNames[i], &value);
    if (value < -128 || value > 127) table.Fail(kAxisNames[i], "expected -128 to 127");
    initial_[i] = static_cast<int8_t>(value);
  }
}

void Accelerometer::ForgetMountState() {
  message_ = 0;
}

void Accelerometer::LoadState(const nlohmann::json& saved) {
  axes_ = initial_;
  if (!saved.is_object()) return;
  for (int i = 0; i < 3; ++i) {
    int value = saved.value(kAxisNames[i], static_cast<int>(initial_[i]));
    if (value >= -128 && value <= 127) axes_[i] = static_cast<int8_t>(value);
  }
}

nlohmann::json Accelerometer::SavedState() const {
  return {{"x", axes_[0]}, {"y", axes_[1]}, {"z", axes_[2]}, {"message", message_}};
}

BOOL Accelerometer::Control(DWORD code, const uint8_t* in, DWORD, uint8_t* out, DWORD,
                            DWORD* returned) {
  std::lock_guard lock(mutex_);
  switch (code) {
    case IOCTL_ACC_GET_X:
    case IOCTL_ACC_GET_Y:
    case IOCTL_ACC_GET_Z:
      out[0] = static_cast<uint8_t>(axes_[(code - IOCTL_ACC_GET_X) / 4]);
      *returned = 1;
      return TRUE;
    case IOCTL_ACC_GET_XYZ:
      for (int i = 0; i < 3; ++i) out[i] = static_cast<uint8_t>(axes_[i]);
      *returned = 3;
      return TRUE;
    case IOCTL_ACC_SET_MESSAGE:
      message_ = DwordAt(in);
      return TRUE;
  }
  return Fail(ERROR_INVALID_PARAMETER);
}

}  // namespace sim
