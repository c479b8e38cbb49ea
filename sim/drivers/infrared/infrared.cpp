#include "sim/drivers/infrared/infrared.h"

#include <algorithm>
#include <cstring>

#include "ce/errors.h"
#include "sim/config_table.h"

namespace sim {

namespace {

cehost::DeviceListing InfraredListing() {
  return {kInfraredDevice, u"Drivers\\BuiltIn\\IRSensor", u"", {}, std::nullopt};
}

}  // namespace

Infrared::Infrared()
    : StreamDevice(kInfraredProgram, "infrared proximity sensor", InfraredListing(),
                   {{IOCTL_IRD_REGISTER, "IOCTL_IRD_REGISTER", sizeof(IRD_SUBSCRIBER), 0},
                    {IOCTL_IRD_SET_STATE, "IOCTL_IRD_SET_STATE", 4, 0},
                    {IOCTL_IRD_GET_DETECT_READY, "IOCTL_IRD_GET_DETECT_READY", 0, 4},
                    {IOCTL_IRD_UNREGISTER, "IOCTL_IRD_UNREGISTER", sizeof(IRD_SUBSCRIBER), 0},
                    {IOCTL_IRD_SET_LEVEL, "IOCTL_IRD_SET_LEVEL", 4, 0},
                    {IOCTL_IRD_GET_LEVEL, "IOCTL_IRD_GET_LEVEL", 0, 4}}) {}

void Infrared::SetDetection(DWORD detection) {
  std::vector<IRD_SUBSCRIBER> notified;
  bool on;
  {
    std::lock_guard lock(mutex_);
    if (state_.detection == detection) return;
    state_.detection = detection;
    SaveLocked();
    on = state_.state != 0;
    if (on) notified = state_.subscribers;
  }
  Note("detection", {{"detection", std::to_string(detection)}, {"sensor", on ? "on" : "off"}});
  for (const IRD_SUBSCRIBER& s : notified) Post(WindowOf(s.hwnd), s.message, detection, 0);
}

void Infrared::SetSensorState(DWORD state) {
  std::lock_guard lock(mutex_);
  state_.state = state;
  SaveLocked();
}

InfraredState Infrared::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

std::string Infrared::Summary() const {
  std::lock_guard lock(mutex_);
  return std::string(state_.state ? "on" : "off") + ", level " + std::to_string(state_.level) +
         ", detection " + std::to_string(state_.detection) + ", " +
         std::to_string(state_.subscribers.size()) + " subscribers";
}

std::vector<std::pair<std::string, std::string>> Infrared::FieldHelp() const {
  return {{"detection",
           "1 something covers the sensor, 0 nothing does (a change while the "
           "sensor is on notifies the subscribers)"},
          {"state", "the sensor on (1) or off (0)"},
          {"level", "the sensitivity level, 1 to 3"}};
}

void Infrared::SetFields(const std::vector<DeviceField>& fields) {
  InfraredState next = State();
  for (const DeviceField& field : fields) {
    if (field.first == "detection")
      next.detection = static_cast<DWORD>(FieldInteger(field, 0, 0xFFFFFFFF));
    else if (field.first == "state")
      next.state = static_cast<DWORD>(FieldInteger(field, 0, 0xFFFFFFFF));
    else if (field.first == "level")
      next.level = static_cast<DWORD>(FieldInteger(field, 1, 3));
    else
      UnknownField(field, device_name(), FieldHelp());
  }
  {
    std::lock_guard lock(mutex_);
    state_.state = next.state;
    state_.level = next.level;
    SaveLocked();
  }
  SetDetection(next.detection);
}

std::vector<std::string_view> Infrared::StateKeys() const {
  return {"state", "level", "detection"};
}

void Infrared::ConfigureState(const ConfigTable& table) {
  table.Read("state", &initial_.state);
  table.Read("level", &initial_.level);
  if (initial_.level < 1 || initial_.level > 3) table.Fail("level", "expected 1 to 3");
  table.Read("detection", &initial_.detection);
}

void Infrared::LoadState(const nlohmann::json& saved) {
  state_ = initial_;
  if (!saved.is_object()) return;
  state_.state = saved.value("state", initial_.state);
  DWORD level = saved.value("level", initial_.level);
  if (level >= 1 && level <= 3) state_.level = level;
  state_.detection = saved.value("detection", initial_.detection);
  auto subscribers = saved.find("subscribers");
  if (subscribers == saved.end() || !subscribers->is_array()) return;
  for (const auto& s : *subscribers) {
    if (state_.subscribers.size() == kInfraredMaxSubscribers || !s.is_object()) break;
    state_.subscribers.push_back({s.value("window", 0u), s.value("message", 0u)});
  }
}

nlohmann::json Infrared::SavedState() const {
  nlohmann::json subscribers = nlohmann::json::array();
  for (const IRD_SUBSCRIBER& s : state_.subscribers)
    subscribers.push_back({{"window", s.hwnd}, {"message", s.message}});
  return {{"state", state_.state},
          {"level", state_.level},
          {"detection", state_.detection},
          {"subscribers", subscribers}};
}

BOOL Infrared::Control(DWORD code, const uint8_t* in, DWORD, uint8_t* out, DWORD, DWORD* returned) {
  std::lock_guard lock(mutex_);
  switch (code) {
    case IOCTL_IRD_REGISTER:
    case IOCTL_IRD_UNREGISTER: {
      IRD_SUBSCRIBER subscriber;
      std::memcpy(&subscriber, in, sizeof subscriber);
      return code == IOCTL_IRD_REGISTER ? Register(subscriber) : Unregister(subscriber.hwnd);
    }
    case IOCTL_IRD_SET_STATE:
      state_.state = DwordAt(in);
      SaveLocked();
      return TRUE;
    case IOCTL_IRD_GET_DETECT_READY:
      PutDword(out, state_.state ? 1 : 0);
      *returned = 4;
      return TRUE;
    case IOCTL_IRD_SET_LEVEL: {
      DWORD level = DwordAt(in);
      if (level < 1 || level > 3) return Fail(ERROR_INVALID_PARAMETER);
      state_.level = level;
      SaveLocked();
      return TRUE;
    }
    case IOCTL_IRD_GET_LEVEL:
      PutDword(out, state_.level);
      *returned = 4;
      return TRUE;
  }
  return Fail(ERROR_INVALID_PARAMETER);
}

BOOL Infrared::Register(const IRD_SUBSCRIBER& subscriber) {
  if (subscriber.hwnd == 0) return Fail(ERROR_INVALID_PARAMETER);
  auto& list = state_.subscribers;
  auto found = std::find_if(list.begin(), list.end(),
                            [&](const IRD_SUBSCRIBER& s) { return s.hwnd == subscriber.hwnd; });
  if (found != list.end()) {
    found->message = subscriber.message;
  } else {
    if (list.size() == kInfraredMaxSubscribers) return Fail(ERROR_OUTOFMEMORY);
    list.push_back(subscriber);
  }
  SaveLocked();
  return TRUE;
}

BOOL Infrared::Unregister(DWORD window) {
  auto& list = state_.subscribers;
  auto found = std::find_if(list.begin(), list.end(),
                            [&](const IRD_SUBSCRIBER& s) { return s.hwnd == window; });
  if (found == list.end()) return Fail(ERROR_INVALID_PARAMETER);
  list.erase(found);
  SaveLocked();
  return TRUE;
}

BOOL Infrared::ReadData(uint8_t* buffer, DWORD size, DWORD* done) {
  if (size < 4) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::lock_guard lock(mutex_);
  PutDword(buffer, state_.state ? state_.detection : 0);
  *done = 4;
  return TRUE;
}

}  // namespace sim
