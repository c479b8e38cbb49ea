#include "sim/drivers/leds/leds.h"

#include <algorithm>
#include <stdexcept>

#include "ce/errors.h"
#include "cehost/handset.h"
#include "cehost/journal.h"
#include "sim/config_table.h"
#include "sim/state_file.h"

namespace sim {

namespace {

constexpr std::pair<std::string_view, INT> kModes[] = {
    {"off", NLED_OFF}, {"on", NLED_ON}, {"blink", NLED_BLINK}};

std::string ModeName(INT mode) {
  for (const auto& [name, value] : kModes)
    if (value == mode) return std::string(name);
  return std::to_string(mode);
}

NLED_SETTINGS_INFO Off(UINT led) {
  NLED_SETTINGS_INFO settings{};
  settings.LedNum = led;
  settings.OffOnBlink = NLED_OFF;
  return settings;
}

// The refusal of a setting, or 0 when the LED takes it.
DWORD Refusal(const NLED_SETTINGS_INFO& s) {
  if (s.OffOnBlink < NLED_OFF || s.OffOnBlink > NLED_BLINK) return ERROR_INVALID_PARAMETER;
  if (s.OffOnBlink != NLED_BLINK) return 0;
  if (s.OnTime < 0 || s.OffTime < 0 || s.TotalCycleTime < 0) return ERROR_INVALID_PARAMETER;
  if (static_cast<int64_t>(s.TotalCycleTime) <
      static_cast<int64_t>(s.OnTime) + static_cast<int64_t>(s.OffTime))
    return ERROR_INVALID_PARAMETER;
  return 0;
}

std::string Microseconds(LONG us) {
  if (us % 1000 == 0) return std::to_string(us / 1000) + " ms";
  return std::to_string(us) + " us";
}

}  // namespace

void Leds::Configure(const ConfigTable& table) {
  table.OnlyKeys({"present", "count", "fail_controls", "fail_error"});
  faults_.Configure(table, {kLedApplyName});
  table.Read("count", &count_);
  if (count_ > 32) table.Fail("count", "expected 0 to 32");
}

void Leds::Install() {
  home_ = cehost::CurrentHome();
  nlohmann::json saved = StateFile(home_).Read(kLedsProgram);
  {
    std::lock_guard lock(mutex_);
    settings_.clear();
    for (UINT led = 0; led < count_; ++led) settings_.push_back(Off(led));
    const nlohmann::json* leds =
        saved.is_object() && saved.contains("leds") ? &saved["leds"] : nullptr;
    for (UINT led = 0; leds && leds->is_array() && led < count_ && led < leds->size(); ++led) {
      const nlohmann::json& s = (*leds)[led];
      if (!s.is_object()) continue;
      NLED_SETTINGS_INFO info = Off(led);
      info.OffOnBlink = s.value("mode", NLED_OFF);
      info.TotalCycleTime = s.value("cycle_us", 0);
      info.OnTime = s.value("on_us", 0);
      info.OffTime = s.value("off_us", 0);
      if (Refusal(info) == 0) settings_[led] = info;
    }
  }
  auto self = std::static_pointer_cast<Leds>(shared_from_this());
  cehost::InstallProgramState(kLedsProgram, self);
  cehost::InstallLedService(faults_.present() ? self : nullptr);
}

std::vector<NLED_SETTINGS_INFO> Leds::AllSettings() const {
  std::lock_guard lock(mutex_);
  return settings_;
}

std::string Leds::Describe(const NLED_SETTINGS_INFO& s) {
  if (s.OffOnBlink != NLED_BLINK) return ModeName(s.OffOnBlink);
  return "blinks " + Microseconds(s.OnTime) + " on, " + Microseconds(s.OffTime) + " off, every " +
         Microseconds(s.TotalCycleTime);
}

UINT Leds::Count() const {
  std::lock_guard lock(mutex_);
  return static_cast<UINT>(settings_.size());
}

void Leds::Supports(NLED_SUPPORTS_INFO* info) const {
  info->lCycleAdjust = kLedCycleAdjust;
  info->fAdjustTotalCycleTime = TRUE;
  info->fAdjustOnTime = TRUE;
  info->fAdjustOffTime = TRUE;
  info->fMetaCycleOn = FALSE;
  info->fMetaCycleOff = FALSE;
}

void Leds::Settings(NLED_SETTINGS_INFO* info) const {
  std::lock_guard lock(mutex_);
  if (info->LedNum < settings_.size()) *info = settings_[info->LedNum];
}

BOOL Leds::Apply(const NLED_SETTINGS_INFO& settings) {
  DWORD error = faults_.ControlError(kLedApplyName);
  if (!error) error = Refusal(settings);
  std::string role;
  {
    std::lock_guard lock(mutex_);
    if (settings.LedNum >= settings_.size()) error = ERROR_INVALID_PARAMETER;
    if (error) {
      SetLastError(error);
      return FALSE;
    }
    NLED_SETTINGS_INFO kept = settings;
    // Meta cycles are not supported: they are ignored.
    kept.MetaCycleOn = 0;
    kept.MetaCycleOff = 0;
    settings_[settings.LedNum] = kept;
    role = settings.LedNum + 1 == settings_.size() ? "vibrator" : "LED";
    SaveLocked();
  }
  cehost::RecordEffect(cehost::CurrentJournal(), cehost::EffectKind::kDevice,
                       {{"device", "LED"},
                        {"event", "led"},
                        {"led", std::to_string(settings.LedNum)},
                        {"role", role},
                        {"does", Describe(settings)}});
  return TRUE;
}

nlohmann::json Leds::StateJson() const {
  std::lock_guard lock(mutex_);
  nlohmann::json leds = nlohmann::json::array();
  for (const NLED_SETTINGS_INFO& s : settings_) {
    leds.push_back({{"led", s.LedNum},
                    {"role", s.LedNum + 1 == settings_.size() ? "vibrator" : "LED"},
                    {"mode", ModeName(s.OffOnBlink)},
                    {"cycle_us", s.TotalCycleTime},
                    {"on_us", s.OnTime},
                    {"off_us", s.OffTime},
                    {"does", Describe(s)}});
  }
  nlohmann::json state = {{"count", settings_.size()}, {"leds", leds}};
  state["vibrator"] = settings_.empty() ? nlohmann::json() : leds.back();
  return {{"device", "LED"},
          {"description", description()},
          {"present", present()},
          {"state", state},
          {"faults", {{"failing_controls", faults_.Json()["failing_controls"]}}}};
}

std::string Leds::Summary() const {
  std::lock_guard lock(mutex_);
  if (settings_.empty()) return "no LEDs, no vibrator";
  std::string text = std::to_string(settings_.size()) + " LEDs:";
  for (const NLED_SETTINGS_INFO& s : settings_) {
    text += s.LedNum ? "; " : " ";
    text +=
        (s.LedNum + 1 == settings_.size() ? "vibrator " : "LED " + std::to_string(s.LedNum) + " ") +
        Describe(s);
  }
  return text;
}

std::vector<std::pair<std::string, std::string>> Leds::FieldHelp() const {
  return {{"led", "which LED to set (the vibrator, the last, unless given)"},
          {"mode", "off, on or blink"},
          {"on_us", "on time of a blink, in microseconds"},
          {"off_us", "off time of a blink, in microseconds"},
          {"cycle_us", "total cycle of a blink (on_us + off_us unless given)"}};
}

void Leds::Set(const std::vector<DeviceField>& fields) {
  UINT count = Count();
  if (count == 0) throw DeviceFieldError("the handset has no LEDs");
  NLED_SETTINGS_INFO s = Off(count - 1);
  bool cycle_given = false;
  for (const DeviceField& field : fields) {
    const std::string& f = field.first;
    if (f == "led") {
      s.LedNum = static_cast<UINT>(FieldInteger(field, 0, count - 1));
    } else if (f == "mode") {
      auto named = std::find_if(std::begin(kModes), std::end(kModes),
                                [&](const auto& m) { return m.first == field.second; });
      s.OffOnBlink =
          named != std::end(kModes) ? named->second : static_cast<INT>(FieldInteger(field, 0, 2));
    } else if (f == "on_us" || f == "off_us" || f == "cycle_us") {
      LONG value = static_cast<LONG>(FieldInteger(field, 0, INT32_MAX));
      (f == "on_us" ? s.OnTime : f == "off_us" ? s.OffTime : s.TotalCycleTime) = value;
      cycle_given = cycle_given || f == "cycle_us";
    } else {
      UnknownField(field, device_name(), FieldHelp());
    }
  }
  if (!cycle_given)
    s.TotalCycleTime =
        static_cast<LONG>(std::min<int64_t>(INT32_MAX, static_cast<int64_t>(s.OnTime) + s.OffTime));
  if (DWORD error = faults_.ControlError(kLedApplyName))
    throw std::runtime_error("the LED service fails every change (error " + std::to_string(error) +
                             ")");
  if (!Apply(s))
    throw DeviceFieldError("the LED service refuses " + Describe(s) + " (error " +
                           std::to_string(GetLastError()) + ")");
}

void Leds::SaveLocked() const {
  if (home_.empty()) return;
  nlohmann::json leds = nlohmann::json::array();
  for (const NLED_SETTINGS_INFO& s : settings_)
    leds.push_back({{"mode", s.OffOnBlink},
                    {"cycle_us", s.TotalCycleTime},
                    {"on_us", s.OnTime},
                    {"off_us", s.OffTime}});
  StateFile(home_).Update(kLedsProgram, [&leds](nlohmann::json& section) {
    section = {{"leds", leds}};
  });
}

}  // namespace sim
