#include "sim/drivers/wlan/ndis_power.h"

#include <cstring>

#include "ce/errors.h"
#include "ce/ndis.h"
#include "cehost/text.h"
#include "sim/drivers/wlan/hardware_version.h"
#include "sim/drivers/wlan/ndis_names.h"

namespace sim {

namespace {

cehost::DeviceListing NdisPowerListing() {
  return {kNdisPowerDevice, u"Drivers\\BuiltIn\\NdisPower", u"", {}, std::nullopt};
}

bool ValidState(int64_t state) {
  return state >= PwrDeviceUnspecified && state <= D4;
}

}  // namespace

std::string PowerStateName(int state) {
  if (state == PwrDeviceUnspecified) return "unspecified";
  return "D" + std::to_string(state);
}

NdisPower::NdisPower()
    : StreamDevice(kNdisPowerProgram, "network adapters' power service", NdisPowerListing(),
                   {{IOCTL_NPW_SAVE_POWER_STATE, "IOCTL_NPW_SAVE_POWER_STATE",
                     sizeof(NDISPWR_SAVEPOWERSTATE), 0}}) {}

bool NdisPower::Fitted() const {
  return !HasSerialWlanChip();
}

std::optional<int> NdisPower::SavedState(std::u16string_view adapter) const {
  std::lock_guard lock(mutex_);
  for (const auto& [name, state] : saved_)
    if (SameAdapter(name, adapter)) return state;
  return std::nullopt;
}

std::map<std::u16string, int> NdisPower::SavedStates() const {
  std::lock_guard lock(mutex_);
  return saved_;
}

std::string NdisPower::Summary() const {
  auto states = SavedStates();
  if (states.empty()) return "no power state kept";
  std::string text;
  for (const auto& [name, state] : states)
    text += (text.empty() ? "" : ", ") + cehost::ToUtf8(name) + " " + PowerStateName(state);
  return text;
}

std::vector<std::pair<std::string, std::string>> NdisPower::FieldHelp() const {
  return {{"ADAPTER", "the power state kept for the adapter so named: -1 (none) or 0 to 4"}};
}

void NdisPower::SetFields(const std::vector<DeviceField>& fields) {
  std::vector<std::pair<std::u16string, int>> changes;
  for (const DeviceField& field : fields) {
    std::u16string name = cehost::ToUtf16(field.first);
    if (name.empty() || name.size() > kMaxAdapterName)
      throw DeviceFieldError(field.first + ": not an adapter name");
    changes.emplace_back(name, static_cast<int>(FieldInteger(field, PwrDeviceUnspecified, D4)));
  }
  std::lock_guard lock(mutex_);
  for (const auto& [name, state] : changes) KeepLocked(name, state);
  SaveLocked();
}

void NdisPower::LoadState(const nlohmann::json& saved) {
  saved_.clear();
  if (!saved.is_object() || !saved.contains("adapters") || !saved["adapters"].is_object()) return;
  for (const auto& [name, state] : saved["adapters"].items()) {
    if (!state.is_number_integer() || !ValidState(state.get<int64_t>())) continue;
    std::u16string adapter = cehost::ToUtf16(name);
    if (!adapter.empty() && adapter.size() <= kMaxAdapterName)
      KeepLocked(adapter, state.get<int>());
  }
}

nlohmann::json NdisPower::SavedState() const {
  nlohmann::json adapters = nlohmann::json::object();
  for (const auto& [name, state] : saved_) adapters[cehost::ToUtf8(name)] = state;
  return {{"adapters", adapters}};
}

BOOL NdisPower::Control(DWORD code, const uint8_t* in, DWORD, uint8_t*, DWORD, DWORD*) {
  if (code != IOCTL_NPW_SAVE_POWER_STATE) return Fail(ERROR_INVALID_PARAMETER);
  NDISPWR_SAVEPOWERSTATE request;
  std::memcpy(&request, in, sizeof request);
  std::optional<std::u16string> adapter = ReadAdapterName(request.pwcAdapterName);
  int state = static_cast<int>(request.CePowerState);
  if (!adapter || !ValidState(state)) return Fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(mutex_);
  KeepLocked(*adapter, state);
  SaveLocked();
  return TRUE;
}

void NdisPower::KeepLocked(const std::u16string& adapter, int state) {
  for (auto it = saved_.begin(); it != saved_.end(); ++it) {
    if (SameAdapter(it->first, adapter)) {
      saved_.erase(it);
      break;
    }
  }
  saved_[adapter] = state;
}

}  // namespace sim
