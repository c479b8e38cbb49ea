#include "sim/drivers/wlan/ndis_control.h"

#include "ce/errors.h"
#include "ce/ndis.h"
#include "sim/config_table.h"
#include "sim/drivers/wlan/hardware_version.h"
#include "sim/drivers/wlan/ndis_names.h"
#include "sim/drivers/wlan/ndis_power.h"
#include "sim/drivers/wlan/wifi_link.h"

namespace sim {

namespace {

cehost::DeviceListing NdisControlListing() {
  return {kNdisDevice, u"Drivers\\BuiltIn\\Ndis", u"", {}, std::nullopt};
}

// The shortest list: one name of one character, its terminator and the list's.
constexpr DWORD kShortestList = 3 * sizeof(char16_t);

// The adapter as the power manager reaches it.
class AdapterPower : public cehost::PowerManagedDevice {
 public:
  explicit AdapterPower(std::shared_ptr<NdisControl> stack) : stack_(std::move(stack)) {}
  int SetPower(int state) override { return stack_->SetAdapterPower(state); }

 private:
  std::shared_ptr<NdisControl> stack_;
};

// The state the adapter takes for one asked of it: it has D0 and D4 only.
int SupportedState(int state) {
  return state == 0 ? 0 : 4;
}

}  // namespace

NdisControl::NdisControl()
    : StreamDevice(kNdisProgram, "network stack control and the SDIO86881 Wi-Fi adapter",
                   NdisControlListing(),
                   {{IOCTL_NDIS_BIND_ADAPTER, "IOCTL_NDIS_BIND_ADAPTER", kShortestList, 0},
                    {IOCTL_NDIS_UNBIND_ADAPTER, "IOCTL_NDIS_UNBIND_ADAPTER", kShortestList, 0}}) {}

bool NdisControl::Fitted() const {
  return !HasSerialWlanChip();
}

SdioAdapterState NdisControl::Adapter() const {
  std::lock_guard lock(mutex_);
  return adapter_;
}

int NdisControl::SetAdapterPower(int state) {
  if (state < PwrDeviceUnspecified || state > D4) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  Sync();
  std::lock_guard lock(mutex_);
  SdioAdapterState next = adapter_;
  if (state == PwrDeviceUnspecified)
    next.forced.reset();
  else
    next.forced = SupportedState(state);
  ChangeLocked(next);
  SaveLocked();
  return next.power();
}

std::string NdisControl::Summary() const {
  if (!has_adapter_) return "no adapter";
  SdioAdapterState adapter = Adapter();
  return std::string("SDIO86881 ") + (adapter.bound ? "bound" : "unbound") + ", " +
         (adapter.powered() ? "powered" : "powered off");
}

std::vector<std::pair<std::string, std::string>> NdisControl::FieldHelp() const {
  return {{"bound", "1 binds the SDIO86881 adapter to the protocols, 0 unbinds it"},
          {"power", "the adapter's forced power state: -1 (none), 0 (on) to 4 (off)"}};
}

void NdisControl::SetFields(const std::vector<DeviceField>& fields) {
  std::optional<bool> bound;
  std::optional<int> power;
  for (const DeviceField& field : fields) {
    if (field.first == "bound")
      bound = FieldSwitch(field);
    else if (field.first == "power")
      power = static_cast<int>(FieldInteger(field, PwrDeviceUnspecified, D4));
    else
      UnknownField(field, device_name(), FieldHelp());
  }
  if (!has_adapter_ && (bound || power))
    throw DeviceFieldError(std::string(device_name()) + ": the handset has no SDIO86881 adapter");
  if (power) SetAdapterPower(*power);
  if (!bound) return;
  std::lock_guard lock(mutex_);
  SdioAdapterState next = adapter_;
  next.bound = *bound;
  ChangeLocked(next);
  SaveLocked();
}

std::vector<std::string_view> NdisControl::StateKeys() const {
  return {"adapter", "address", "bound"};
}

void NdisControl::ConfigureState(const ConfigTable& table) {
  table.Read("adapter", &has_adapter_);
  table.ReadAddress("address", &address_);
  table.Read("bound", &initial_bound_);
}

void NdisControl::LoadState(const nlohmann::json& saved) {
  adapter_ = {};
  adapter_.bound = initial_bound_;
  if (!has_adapter_) adapter_.bound = false;
  if (!has_adapter_ || !saved.is_object()) return;
  adapter_.bound = saved.value("bound", false);
  nlohmann::json forced = saved.value("forced_power", nlohmann::json());
  if (forced.is_number_integer()) adapter_.forced = SupportedState(forced.get<int>());
}

nlohmann::json NdisControl::SavedState() const {
  nlohmann::json forced = adapter_.forced ? nlohmann::json(*adapter_.forced) : nlohmann::json();
  return {{"adapter", has_adapter_},
          {"bound", adapter_.bound},
          {"powered", adapter_.powered()},
          {"forced_power", forced}};
}

BOOL NdisControl::Control(DWORD code, const uint8_t* in, DWORD in_size, uint8_t*, DWORD, DWORD*) {
  if (code != IOCTL_NDIS_BIND_ADAPTER && code != IOCTL_NDIS_UNBIND_ADAPTER)
    return Fail(ERROR_INVALID_PARAMETER);
  auto names = ParseAdapterList(in, in_size);
  if (!names) return Fail(ERROR_INVALID_PARAMETER);
  // All or nothing: every adapter named must be one the handset has.
  for (const std::u16string& name : *names)
    if (!has_adapter_ || !SameAdapter(name, kSdioAdapterName)) return Fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(mutex_);
  SdioAdapterState next = adapter_;
  next.bound = code == IOCTL_NDIS_BIND_ADAPTER;
  ChangeLocked(next);
  SaveLocked();
  return TRUE;
}

void NdisControl::Installed() {
  if (!has_adapter_) return;
  cehost::InstallPowerManagedDevice(
      cehost::kNdisMiniportPowerClass, kSdioAdapterName,
      std::make_shared<AdapterPower>(std::static_pointer_cast<NdisControl>(shared_from_this())));
  std::lock_guard lock(mutex_);
  if (adapter_.up()) BringWifiUp("NDS0:", WifiChip::kSdio86881, address_);
}

void NdisControl::ChangeLocked(const SdioAdapterState& next) {
  bool was_up = adapter_.up();
  adapter_ = next;
  if (adapter_.up() && !was_up) BringWifiUp("NDS0:", WifiChip::kSdio86881, address_);
  if (!adapter_.up() && was_up) TakeWifiDown("NDS0:", WifiChip::kSdio86881);
}

}  // namespace sim
