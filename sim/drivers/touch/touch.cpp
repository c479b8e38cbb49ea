#include "sim/drivers/touch/touch.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

#include "ce/errors.h"
#include "cehost/journal.h"
#include "sim/config_table.h"

namespace sim {

namespace {

cehost::DeviceListing TouchListing() {
  return {kTouchDevice, u"Drivers\\BuiltIn\\Touch", u"", {}, std::nullopt};
}

// The 24 bytes of a sample given as hexadecimal text; throws DeviceFieldError.
TouchSample RawSample(const DeviceField& field) {
  const std::string& text = field.second;
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    if (!std::isxdigit(static_cast<unsigned char>(text[i])) ||
        !std::isxdigit(static_cast<unsigned char>(text[i + 1])))
      break;
    bytes.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  }
  TouchSample sample;
  if (bytes.size() * 2 != text.size() || bytes.size() != sizeof sample)
    throw DeviceFieldError(field.first + ": expected 24 bytes as 48 hexadecimal digits");
  std::memcpy(&sample, bytes.data(), sizeof sample);
  if (sample.size != TCH_RAW_SAMPLE_SIZE)
    throw DeviceFieldError(field.first + ": a raw sample begins with its size, 24 (18000000)");
  return sample;
}

}  // namespace

Touch::Touch()
    : StreamDevice(kTouchProgram, "touch panel", TouchListing(),
                   {{IOCTL_TCH_UNREGISTER, "IOCTL_TCH_UNREGISTER", 8, 0},
                    {IOCTL_TCH_GET_RAW, "IOCTL_TCH_GET_RAW", 0, TCH_RAW_SAMPLE_SIZE},
                    {IOCTL_TCH_REGISTER, "IOCTL_TCH_REGISTER", 12, 0},
                    {IOCTL_TCH_GET_SETTING, "IOCTL_TCH_GET_SETTING", 0, 4},
                    {IOCTL_TCH_SET_SETTING, "IOCTL_TCH_SET_SETTING", 4, 0}}) {}

void Touch::SetSample(LONG x, LONG y, DWORD pressure, bool down) {
  std::vector<std::array<DWORD, 3>> notified;
  TouchSample sample;
  {
    std::lock_guard lock(mutex_);
    sample = state_.sample;
    sample.size = TCH_RAW_SAMPLE_SIZE;
    sample.x = x;
    sample.y = y;
    sample.pressure = pressure;
    sample.down = down ? 1 : 0;
    sample.number = state_.sample.number + 1;
    state_.sample = sample;
    notified = state_.subscribers;
  }
  Note("sample", {{"x", std::to_string(x)},
                  {"y", std::to_string(y)},
                  {"pressure", std::to_string(pressure)},
                  {"down", down ? "1" : "0"},
                  {"number", std::to_string(sample.number)}});
  WPARAM position = (static_cast<DWORD>(x) & 0xFFFF) | (static_cast<DWORD>(y) & 0xFFFF) << 16;
  for (const auto& s : notified)
    if (s[0] && s[1]) Post(WindowOf(s[0]), s[1], position, static_cast<LPARAM>(s[2]));
}

TouchState Touch::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

std::string Touch::Summary() const {
  std::lock_guard lock(mutex_);
  const TouchSample& s = state_.sample;
  return std::string(s.down ? "touched" : "not touched") + " at " + std::to_string(s.x) + "," +
         std::to_string(s.y) + " (sample " + std::to_string(s.number) + "), setting " +
         cehost::HexNumber(state_.setting) + ", " + std::to_string(state_.subscribers.size()) +
         " subscribers";
}

std::vector<std::pair<std::string, std::string>> Touch::FieldHelp() const {
  return {{"x", "X of a new sample"},
          {"y", "Y of a new sample"},
          {"pressure", "pressure of a new sample"},
          {"down", "1 while the panel is touched, 0 when released"},
          {"raw", "a whole sample, 48 hexadecimal digits beginning 18000000"},
          {"setting", "the driver's setting word"}};
}

void Touch::SetFields(const std::vector<DeviceField>& fields) {
  TouchState now = State();
  TouchSample sample = now.sample;
  DWORD setting = now.setting;
  bool new_sample = false;
  for (const DeviceField& field : fields) {
    const std::string& f = field.first;
    if (f == "x" || f == "y") {
      (f == "x" ? sample.x : sample.y) =
          static_cast<LONG>(FieldInteger(field, INT32_MIN, INT32_MAX));
    } else if (f == "pressure") {
      sample.pressure = static_cast<DWORD>(FieldInteger(field, 0, 0xFFFFFFFF));
    } else if (f == "down") {
      sample.down = FieldSwitch(field) ? 1 : 0;
    } else if (f == "raw") {
      sample = RawSample(field);
    } else if (f == "setting") {
      setting = static_cast<DWORD>(FieldInteger(field, 0, 0xFFFFFFFF));
      continue;
    } else {
      UnknownField(field, device_name(), FieldHelp());
    }
    new_sample = true;
  }
  {
    std::lock_guard lock(mutex_);
    state_.setting = setting;
    SaveLocked();
  }
  if (new_sample) SetSample(sample.x, sample.y, sample.pressure, sample.down != 0);
}

std::vector<std::string_view> Touch::StateKeys() const {
  return {"setting"};
}

void Touch::ConfigureState(const ConfigTable& table) {
  table.Read("setting", &initial_setting_);
}

void Touch::LoadState(const nlohmann::json& saved) {
  state_ = TouchState();
  state_.setting = initial_setting_;
  if (!saved.is_object()) return;
  state_.setting = saved.value("setting", initial_setting_);
  auto subscribers = saved.find("subscribers");
  if (subscribers == saved.end() || !subscribers->is_array()) return;
  for (const auto& s : *subscribers) {
    if (state_.subscribers.size() == kTouchMaxSubscribers) break;
    if (s.is_array() && s.size() == 3 && s[0].is_number_unsigned() && s[1].is_number_unsigned() &&
        s[2].is_number_unsigned())
      state_.subscribers.push_back({s[0].get<DWORD>(), s[1].get<DWORD>(), s[2].get<DWORD>()});
  }
}

nlohmann::json Touch::SavedState() const {
  const TouchSample& s = state_.sample;
  return {
      {"setting", state_.setting},
      {"subscribers", state_.subscribers},
      {"sample",
       {{"x", s.x}, {"y", s.y}, {"pressure", s.pressure}, {"down", s.down}, {"number", s.number}}}};
}

BOOL Touch::Control(DWORD code, const uint8_t* in, DWORD, uint8_t* out, DWORD, DWORD* returned) {
  std::lock_guard lock(mutex_);
  auto& list = state_.subscribers;
  switch (code) {
    case IOCTL_TCH_REGISTER: {
      std::array<DWORD, 3> subscriber = {DwordAt(in), DwordAt(in + 4), DwordAt(in + 8)};
      auto found = std::find_if(list.begin(), list.end(),
                                [&](const auto& s) { return s[0] == subscriber[0]; });
      if (found != list.end()) {
        *found = subscriber;
      } else {
        if (list.size() == kTouchMaxSubscribers) return Fail(ERROR_OUTOFMEMORY);
        list.push_back(subscriber);
      }
      SaveLocked();
      return TRUE;
    }
    case IOCTL_TCH_UNREGISTER: {
      DWORD first = DwordAt(in);
      auto found =
          std::find_if(list.begin(), list.end(), [&](const auto& s) { return s[0] == first; });
      if (found == list.end()) return Fail(ERROR_INVALID_PARAMETER);
      list.erase(found);
      SaveLocked();
      return TRUE;
    }
    case IOCTL_TCH_GET_RAW:
      std::memcpy(out, &state_.sample, sizeof state_.sample);
      *returned = sizeof state_.sample;
      return TRUE;
    case IOCTL_TCH_GET_SETTING:
      PutDword(out, state_.setting);
      *returned = 4;
      return TRUE;
    case IOCTL_TCH_SET_SETTING:
      state_.setting = DwordAt(in);
      SaveLocked();
      return TRUE;
  }
  return Fail(ERROR_INVALID_PARAMETER);
}

}  // namespace sim
