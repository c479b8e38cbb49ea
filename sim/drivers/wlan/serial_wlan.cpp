#include "sim/drivers/wlan/serial_wlan.h"

#include <optional>

#include "ce/devices.h"
#include "ce/errors.h"
#include "ce/registry.h"
#include "cehost/handset.h"
#include "sim/config_table.h"
#include "sim/drivers/wlan/hardware_version.h"
#include "sim/drivers/wlan/wifi_link.h"
#include "sim/state_file.h"

namespace sim {

// One load of the driver: what handles on "NDL1:" reach until the device manager lets go of it.
class SerialWlan::Driver : public cehost::StreamDriver {
 public:
  Driver(std::shared_ptr<SerialWlan> chip, uint64_t load) : chip_(std::move(chip)), load_(load) {}
  ~Driver() override { chip_->Unloaded(load_); }
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  uint32_t Open(DWORD, DWORD) override {
    if (DWORD error = chip_->faults().open_error()) {
      SetLastError(error);
      return 0;
    }
    std::lock_guard lock(mutex_);
    if (++next_open_ == 0) next_open_ = 1;
    return next_open_;
  }
  BOOL IoControl(uint32_t, DWORD, const void*, DWORD, void*, DWORD, DWORD*) override {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  void Close(uint32_t) override {}

 private:
  std::shared_ptr<SerialWlan> chip_;
  uint64_t load_;
  std::mutex mutex_;
  uint32_t next_open_ = 0;
};

namespace {

// Writes the driver's key when the registry has none: a handset flashed without it still loads
// the driver.
void WriteDriverKeyIfMissing() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialWlanKey, 0, 0, &key) == ERROR_SUCCESS) {
    RegCloseKey(key);
    return;
  }
  DWORD disposition = 0;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSerialWlanKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, &disposition) != ERROR_SUCCESS)
    return;
  auto set_text = [key](const char16_t* name, std::u16string_view text) {
    std::u16string value(text);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
  };
  set_text(u"Dll", kSerialWlanDll);
  set_text(u"Prefix", u"NDL");
  DWORD index = 1;
  RegSetValueExW(key, u"Index", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&index), sizeof index);
  RegCloseKey(key);
}

bool Activated(HANDLE handle) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

}  // namespace

void SerialWlan::Configure(const ConfigTable& table) {
  std::vector<std::string_view> keys(std::begin(kFaultKeys), std::end(kFaultKeys));
  keys.push_back("address");
  keys.push_back("loaded");
  table.OnlyKeys(keys);
  faults_.Configure(table, {});
  table.ReadAddress("address", &address_);
  table.Read("loaded", &initial_loaded_);
}

void SerialWlan::Install() {
  std::filesystem::path home = cehost::CurrentHome();
  nlohmann::json saved = StateFile(home).Read(kSerialWlanProgram);
  bool fitted = HasSerialWlanChip();
  bool load = saved.is_object() ? saved.value("loaded", false) : initial_loaded_;
  {
    std::lock_guard lock(mutex_);
    home_ = home;
    fitted_ = fitted;
    loaded_ = false;
    ++load_;
    mounted_ = true;
  }
  auto self = std::static_pointer_cast<SerialWlan>(shared_from_this());
  cehost::InstallProgramState(kSerialWlanProgram, self);
  if (!fitted) return;
  // The key belongs to the handset's registry, whether or not the library is there to load.
  WriteDriverKeyIfMissing();
  if (!faults_.present()) return;
  std::weak_ptr<SerialWlan> weak = self;
  cehost::InstallDriverLibrary(
      kSerialWlanDll,
      [weak](std::u16string_view, cehost::DeviceListing*) -> std::shared_ptr<cehost::StreamDriver> {
        auto chip = weak.lock();
        if (!chip) SetLastError(ERROR_MOD_NOT_FOUND);
        return chip ? chip->Load() : nullptr;
      });
  if (load && !Activated(ActivateDeviceEx(kSerialWlanKey, nullptr, 0, nullptr))) {
    // The key no longer loads it: the handset comes up with the driver unloaded.
    std::lock_guard lock(mutex_);
    SaveLocked();
  }
}

void SerialWlan::Unmount() {
  std::lock_guard lock(mutex_);
  mounted_ = false;
}

std::shared_ptr<cehost::StreamDriver> SerialWlan::Load() {
  uint64_t load;
  {
    std::lock_guard lock(mutex_);
    loaded_ = true;
    load = ++load_;
    SaveLocked();
    BringWifiUp("NDL1:", WifiChip::kSwld24sp1, address_);
  }
  return std::make_shared<Driver>(std::static_pointer_cast<SerialWlan>(shared_from_this()), load);
}

void SerialWlan::Unloaded(uint64_t load) {
  std::lock_guard lock(mutex_);
  if (!mounted_ || load != load_ || !loaded_) return;
  loaded_ = false;
  SaveLocked();
  TakeWifiDown("NDL1:", WifiChip::kSwld24sp1);
}

void SerialWlan::SaveLocked() const {
  if (home_.empty()) return;
  bool loaded = loaded_;
  StateFile(home_).Update(kSerialWlanProgram, [loaded](nlohmann::json& section) {
    section = {{"loaded", loaded}};
  });
}

bool SerialWlan::loaded() const {
  std::lock_guard lock(mutex_);
  return loaded_;
}

bool SerialWlan::fitted() const {
  std::lock_guard lock(mutex_);
  return fitted_;
}

bool SerialWlan::present() const {
  std::lock_guard lock(mutex_);
  return fitted_ && faults_.present();
}

nlohmann::json SerialWlan::StateJson() const {
  return {{"device", "NDL1:"},
          {"description", description()},
          {"present", present()},
          {"state", {{"loaded", loaded()}, {"address", address_}}},
          {"faults", faults_.Json()}};
}

std::string SerialWlan::Summary() const {
  return loaded() ? "loaded" : "unloaded";
}

std::vector<std::pair<std::string, std::string>> SerialWlan::FieldHelp() const {
  return {{"loaded", "1 loads the driver through the device manager, 0 unloads it"}};
}

void SerialWlan::Set(const std::vector<DeviceField>& fields) {
  std::optional<bool> load;
  for (const DeviceField& field : fields) {
    if (field.first != "loaded") UnknownField(field, device_name(), FieldHelp());
    load = FieldSwitch(field);
  }
  if (!load || *load == loaded()) return;
  if (!*load) {
    cehost::RemoveStreamDriver(kSerialWlanDevice);
    return;
  }
  if (!Activated(ActivateDeviceEx(kSerialWlanKey, nullptr, 0, nullptr)))
    throw DeviceFieldError("loaded=1: the device manager did not load the driver (error " +
                           std::to_string(GetLastError()) + ")");
}

}  // namespace sim
