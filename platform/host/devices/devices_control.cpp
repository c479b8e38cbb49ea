// Host control of a handset's devices: sim installs its stream drivers, driver libraries and LED
// service through these.
#include <cstdio>

#include "ce/errors.h"
#include "cehost/devices.h"
#include "devices/device_table.h"
#include "devices/power_devices.h"
#include "handset/handset_state.h"

namespace cehost {

// A driver without a read or write entry: the call is not one it answers.
BOOL StreamDriver::Read(uint32_t, void*, DWORD, DWORD*) {
  SetLastError(ERROR_INVALID_FUNCTION);
  return FALSE;
}

BOOL StreamDriver::Write(uint32_t, const void*, DWORD, DWORD*) {
  SetLastError(ERROR_INVALID_FUNCTION);
  return FALSE;
}

// A driver that does not manage its power takes every state, and is fully on once a forced
// state is released.
int StreamDriver::SetPower(int state) {
  return state < 0 ? 0 : state;
}

std::string_view StreamDriver::ControlName(DWORD) const {
  return {};
}

HANDLE InstallStreamDriver(DeviceListing listing, std::shared_ptr<StreamDriver> driver) {
  HandsetState& state = Current();
  auto entry = state.devices.Install(std::move(listing), std::move(driver), state.registry.get());
  return HandleTable::ToHandle<HANDLE>(entry->activation);
}

bool RemoveStreamDriver(std::u16string_view legacy_name) {
  HandsetState& state = Current();
  return state.devices.Remove(legacy_name, state.registry.get()) != nullptr;
}

void InstallDriverLibrary(std::u16string_view dll_name, DriverFactory factory) {
  Current().devices.InstallLibrary(dll_name, std::move(factory));
}

void InstallPowerManagedDevice(const GUID& power_class, std::u16string name,
                               std::shared_ptr<PowerManagedDevice> device) {
  Current().power_devices.Install(power_class, std::move(name), std::move(device));
}

bool RemovePowerManagedDevice(const GUID& power_class, std::u16string_view name) {
  return Current().power_devices.Remove(power_class, name);
}

void InstallLedService(std::shared_ptr<LedService> service) {
  Current().devices.SetLedService(std::move(service));
}

std::string GuidText(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

}  // namespace cehost
