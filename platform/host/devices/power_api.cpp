// SetDevicePower: forcing a power-managed device into a power state, or releasing it.
#include <string>

#include "ce/devices.h"
#include "ce/errors.h"
#include "cehost/text.h"
#include "devices/power_devices.h"
#include "handset/handset_state.h"

using namespace cehost;

namespace {

// The device's answer to a power state: the state taken, or -1 with *error set.
struct PowerAnswer {
  int taken = -1;
  DWORD error = ERROR_FILE_NOT_FOUND;
};

// Finds the device by class and name among the power-managed devices that are not stream
// drivers, then among the stream drivers by legacy name, and gives it the state.
PowerAnswer Apply(HandsetState& state, const PowerName& name, int power_state) {
  PowerAnswer answer;
  std::shared_ptr<PowerManagedDevice> device =
      state.power_devices.Find(name.power_class, name.name);
  std::shared_ptr<InstalledDriver> driver;
  if (!device) {
    driver = state.devices.ByLegacyName(name.name);
    if (!driver ||
        !SameGuid(driver->listing.power_class.value_or(kGenericPowerClass), name.power_class)) {
      return answer;
    }
  }
  // The device reports a refusal through the last error; the caller's last error is its own.
  DWORD callers_error = GetLastError();
  SetLastError(ERROR_SUCCESS);
  answer.taken = device ? device->SetPower(power_state) : driver->driver->SetPower(power_state);
  // A device that refuses without saying why failed to take the state.
  answer.error =
      answer.taken < 0 ? (GetLastError() ? GetLastError() : ERROR_WRITE_FAULT) : ERROR_SUCCESS;
  SetLastError(callers_error);
  return answer;
}

void Record(Journal& journal, const PowerName& name, int power_state, const PowerAnswer& answer) {
  std::vector<std::pair<std::string, std::string>> fields;
  fields.emplace_back("name", ToUtf8(name.name));
  fields.emplace_back("class", GuidText(name.power_class));
  fields.emplace_back("state", std::to_string(power_state));
  if (answer.taken >= 0) fields.emplace_back("taken", std::to_string(answer.taken));
  fields.emplace_back("result", std::to_string(answer.error));
  RecordEffect(journal, EffectKind::kDevicePower, std::move(fields));
}

}  // namespace

extern "C" DWORD SetDevicePower(PVOID pvDevice, DWORD dwDeviceFlags, CEDEVICE_POWER_STATE dwState) {
  // Only devices named by text are known here; POWER_FORCE changes nothing for a forced state.
  if (!pvDevice || !(dwDeviceFlags & POWER_NAME) ||
      (dwDeviceFlags & ~(POWER_NAME | POWER_FORCE)) != 0) {
    return ERROR_INVALID_PARAMETER;
  }
  int power_state = static_cast<int>(dwState);
  if (power_state < PwrDeviceUnspecified || power_state > D4) return ERROR_INVALID_PARAMETER;
  PowerName name;
  // A class prefix that is not a GUID names no class, so the name is refused rather than looked
  // up: the power manager splits the class off before it looks for the device.
  if (!SplitPowerName(static_cast<const char16_t*>(pvDevice), &name)) {
    return ERROR_INVALID_PARAMETER;
  }
  HandsetState& state = Current();
  PowerAnswer answer = Apply(state, name, power_state);
  Record(state.journal, name, power_state, answer);
  return answer.error;
}
