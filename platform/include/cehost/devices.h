// The devices of the current handset, as the simulated handset installs them: stream drivers
// that CreateFileW reaches by their names, driver libraries that ActivateDeviceEx loads, and the
// notification LED service.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ce/devices.h"
#include "ce/nled.h"
#include "ce/types.h"

namespace cehost {

// A stream driver: what the handles opened on its name reach. Its calls run on the caller's
// thread, as a CE driver's entry points do, and report failure the way a CE driver does: a
// FALSE (or 0) result with the thread's last error set (SetLastError). A driver serialises its
// own state: several threads may call it at once.
class StreamDriver {
 public:
  virtual ~StreamDriver() = default;

  // Opens one handle with the caller's access and share mode: a nonzero open context that the
  // other calls are given, or 0 with the last error set (the error CreateFileW then reports).
  virtual uint32_t Open(DWORD access, DWORD share) = 0;
  // Answers one control code: TRUE, with *returned set to the output bytes written, or FALSE
  // with the last error set. *returned is 0 when called.
  virtual BOOL IoControl(uint32_t open, DWORD code, const void* in, DWORD in_size, void* out,
                         DWORD out_size, DWORD* returned) = 0;
  // Reads up to size bytes; TRUE with *done set, or FALSE with the last error set.
  virtual BOOL Read(uint32_t open, void* buffer, DWORD size, DWORD* done);
  // Writes size bytes; TRUE with *done set, or FALSE with the last error set.
  virtual BOOL Write(uint32_t open, const void* data, DWORD size, DWORD* done);
  // Closes one open context.
  virtual void Close(uint32_t open) = 0;
  // Takes a power state (D0 full on to D4 off) asked for by SetDevicePower: the state it is in
  // afterwards (a state it cannot take becomes the next it can), or -1 with the last error set.
  // PwrDeviceUnspecified (-1) releases a forced state: the answer is the state it goes back to.
  virtual int SetPower(int state);
  // The name of a control code it answers ("IOCTL_ACC_GET_XYZ"), as the journal shows it; empty
  // when it has none.
  virtual std::string_view ControlName(DWORD code) const;
};

// How the device manager lists a stream driver.
struct DeviceListing {
  // The name CreateFileW opens: three letters, a digit and a colon ("ACC0:").
  std::u16string legacy_name;
  // Its driver key under HKEY_LOCAL_MACHINE ("Drivers\\BuiltIn\\Accelerometer").
  std::u16string device_key;
  // Its bus name, which CreateFileW also opens; empty when it has none.
  std::u16string bus_name;
  // The interface classes it advertises, which FindFirstDevice by GUID matches.
  std::vector<GUID> interface_classes;
  // The power class SetDevicePower finds it in, by its legacy name; none: the generic class.
  std::optional<GUID> power_class = std::nullopt;
};

// Puts a stream driver on the current handset under its listing's names and lists it under
// Drivers\Active, replacing a driver of the same legacy name; its activation handle. Handles
// already open on a replaced driver fail from then on with ERROR_INVALID_HANDLE.
HANDLE InstallStreamDriver(DeviceListing listing, std::shared_ptr<StreamDriver> driver);

// Takes the driver of that legacy name off the current handset (its Drivers\Active key goes
// too); false when there is none. Its open handles fail from then on.
bool RemoveStreamDriver(std::u16string_view legacy_name);

// Makes a driver for ActivateDeviceEx: given the driver key and what the key holds, the driver
// and its bus name and interface classes (legacy_name is made from the key's "Prefix" and
// "Index"; device_key is the key). Null refuses to load (the last error set).
using DriverFactory =
    std::function<std::shared_ptr<StreamDriver>(std::u16string_view device_key, DeviceListing*)>;

// Puts a driver library on the current handset: ActivateDeviceEx of a key whose "Dll" value is
// this name (compared without case) loads it through the factory.
void InstallDriverLibrary(std::u16string_view dll_name, DriverFactory factory);

// A power-managed device that is not a stream driver, such as a network adapter: what
// SetDevicePower reaches by its power class and name. It serialises its own state.
class PowerManagedDevice {
 public:
  virtual ~PowerManagedDevice() = default;
  // As StreamDriver::SetPower: the state it is in afterwards (a state it cannot take becomes the
  // next it can; PwrDeviceUnspecified releases a forced state), or -1 with the last error set.
  virtual int SetPower(int state) = 0;
};

// The power class of devices that name none (PMCLASS_GENERIC_DEVICE).
inline constexpr GUID kGenericPowerClass = {
    0xA32942B7, 0x920C, 0x486B, {0xB0, 0xE6, 0x92, 0xA7, 0x02, 0xA9, 0x9B, 0x35}};
// The power class of NDIS miniport network adapters (PMCLASS_NDIS_MINIPORT).
inline constexpr GUID kNdisMiniportPowerClass = {
    0x98C5250D, 0xC29A, 0x4985, {0xAE, 0x5F, 0xAF, 0xE5, 0x36, 0x7E, 0x50, 0x06}};

// Puts a power-managed device on the current handset under its power class and name ("SDIO86881"
// in kNdisMiniportPowerClass), replacing one of the same class and name (case ignored).
void InstallPowerManagedDevice(const GUID& power_class, std::u16string name,
                               std::shared_ptr<PowerManagedDevice> device);

// Takes the power-managed device of that class and name off the current handset; false when
// there is none.
bool RemovePowerManagedDevice(const GUID& power_class, std::u16string_view name);

// The notification LED service: the LEDs a handset has, the vibrator among them. NLedSetDevice
// checks the LED number before it reaches the service.
class LedService {
 public:
  virtual ~LedService() = default;
  // How many LEDs the handset has; 0 is allowed.
  virtual UINT Count() const = 0;
  // What the LED (below Count()) can do; info->LedNum is set.
  virtual void Supports(NLED_SUPPORTS_INFO* info) const = 0;
  // Fills the LED's settings (below Count()); info->LedNum is set.
  virtual void Settings(NLED_SETTINGS_INFO* info) const = 0;
  // Applies settings to an LED below Count(); FALSE with the last error set for a value it
  // refuses.
  virtual BOOL Apply(const NLED_SETTINGS_INFO& settings) = 0;
};

// Puts the LED service on the current handset; null leaves it without one (NLED calls then fail
// with ERROR_NOT_SUPPORTED).
void InstallLedService(std::shared_ptr<LedService> service);

// GUID text as the platform writes it: "{E2BDC372-598F-4619-BC50-54B3F7848D35}".
std::string GuidText(const GUID& guid);

}  // namespace cehost
