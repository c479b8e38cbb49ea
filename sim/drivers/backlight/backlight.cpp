#include "sim/drivers/backlight/backlight.h"

#include "ce/errors.h"
#include "oem/drivers.h"
#include "sim/config_table.h"

namespace sim {

namespace {

cehost::DeviceListing BacklightListing() {
  return {kBacklightDevice, u"Drivers\\BuiltIn\\Backlight", u"", {}, std::nullopt};
}

}  // namespace

Backlight::Backlight()
    : StreamDevice(kBacklightProgram, "backlight and light sensor", BacklightListing(),
                   {{IOCTL_BKL_SET_STATE, "IOCTL_BKL_SET_STATE", 4, 0},
                    {IOCTL_BKL_SET_LUX_STATE, "IOCTL_BKL_SET_LUX_STATE", 4, 0},
                    {IOCTL_BKL_GET_LUX_STATE, "IOCTL_BKL_GET_LUX_STATE", 0, 4}}) {}

void Backlight::SetLevel(DWORD level) {
  Set({{"level", std::to_string(level)}});
}

BacklightState Backlight::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

std::string Backlight::Summary() const {
  std::lock_guard lock(mutex_);
  return "level " + std::to_string(state_.level) + ", backlight " + (state_.state ? "on" : "off") +
         " (" + std::to_string(state_.state) + "), light sensor " +
         (state_.lux_state ? "on" : "off") + " (" + std::to_string(state_.lux_state) + ")";
}

std::vector<std::pair<std::string, std::string>> Backlight::FieldHelp() const {
  return {{"level", "the backlight level, 0 to 255"},
          {"state", "the backlight state (0 off, else on)"},
          {"lux_state", "the light sensor's state (0 off, else on)"}};
}

void Backlight::SetFields(const std::vector<DeviceField>& fields) {
  BacklightState next = State();
  for (const DeviceField& field : fields) {
    if (field.first == "level")
      next.level = static_cast<DWORD>(FieldInteger(field, 0, BKL_MAX_LEVEL));
    else if (field.first == "state")
      next.state = static_cast<DWORD>(FieldInteger(field, 0, 0xFFFFFFFF));
    else if (field.first == "lux_state")
      next.lux_state = static_cast<DWORD>(FieldInteger(field, 0, 0xFFFFFFFF));
    else
      UnknownField(field, device_name(), FieldHelp());
  }
  std::lock_guard lock(mutex_);
  state_ = next;
  SaveLocked();
}

std::vector<std::string_view> Backlight::StateKeys() const {
  return {"level", "state", "lux_state"};
}

void Backlight::ConfigureState(const ConfigTable& table) {
  table.Read("level", &initial_.level);
  if (initial_.level > BKL_MAX_LEVEL) table.Fail("level", "expected 0 to 255");
  table.Read("state", &initial_.state);
  table.Read("lux_state", &initial_.lux_state);
}

void Backlight::LoadState(const nlohmann::json& saved) {
  state_ = initial_;
  if (!saved.is_object()) return;
  DWORD level = saved.value("level", initial_.level);
  if (level <= BKL_MAX_LEVEL) state_.level = level;
  state_.state = saved.value("state", initial_.state);
  state_.lux_state = saved.value("lux_state", initial_.lux_state);
}

nlohmann::json Backlight::SavedState() const {
  return {{"level", state_.level}, {"state", state_.state}, {"lux_state", state_.lux_state}};
}

BOOL Backlight::Control(DWORD code, const uint8_t* in, DWORD, uint8_t* out, DWORD,
                        DWORD* returned) {
  std::lock_guard lock(mutex_);
  switch (code) {
    case IOCTL_BKL_SET_STATE:
      state_.state = DwordAt(in);
      SaveLocked();
      return TRUE;
    case IOCTL_BKL_SET_LUX_STATE:
      state_.lux_state = DwordAt(in);
      SaveLocked();
      return TRUE;
    case IOCTL_BKL_GET_LUX_STATE:
      PutDword(out, state_.lux_state);
      *returned = 4;
      return TRUE;
  }
  return Fail(ERROR_INVALID_PARAMETER);
}

BOOL Backlight::ReadData(uint8_t* buffer, DWORD size, DWORD* done) {
  if (size < 4) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::lock_guard lock(mutex_);
  PutDword(buffer, state_.level);
  *done = 4;
  return TRUE;
}

BOOL Backlight::WriteData(const uint8_t* data, DWORD size, DWORD* done) {
  if (size < 4) return Fail(ERROR_INVALID_PARAMETER);
  DWORD level = DwordAt(data);
  if (level > BKL_MAX_LEVEL) return Fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(mutex_);
  state_.level = level;
  SaveLocked();
  *done = 4;
  return TRUE;
}

}  // namespace sim
