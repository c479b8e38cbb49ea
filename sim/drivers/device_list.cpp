#include "sim/drivers/device_list.h"

#include <cctype>
#include <string>

#include "sim/drivers/accelerometer/accelerometer.h"
#include "sim/drivers/backlight/backlight.h"
#include "sim/drivers/infrared/infrared.h"
#include "sim/drivers/leds/leds.h"
#include "sim/drivers/touch/touch.h"
#include "sim/drivers/usb_function/usb_function.h"
#include "sim/drivers/wlan/ndis_control.h"
#include "sim/drivers/wlan/ndis_power.h"
#include "sim/drivers/wlan/serial_wlan.h"

namespace sim {

namespace {

// The name without its colon, in upper case.
std::string Key(std::string_view name) {
  std::string key;
  for (char c : name) key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (!key.empty() && key.back() == ':') key.pop_back();
  return key;
}

}  // namespace

std::vector<Device*> HandsetDevices(Handset& handset) {
  std::vector<Device*> devices = {&handset.program<Accelerometer>(), &handset.program<Infrared>(),
                                  &handset.program<Backlight>(), &handset.program<Touch>(),
                                  &handset.program<UsbFunction>()};
  // The WLAN hardware of the handset's variant: the serial-bus chip, or the network stack's
  // devices with the SDIO adapter.
  if (handset.program<SerialWlan>().fitted()) {
    devices.push_back(&handset.program<SerialWlan>());
  } else {
    devices.push_back(&handset.program<NdisPower>());
    devices.push_back(&handset.program<NdisControl>());
  }
  devices.push_back(&handset.program<Leds>());
  return devices;
}

Device* FindDevice(Handset& handset, std::string_view name) {
  std::string key = Key(name);
  if (key.empty()) return nullptr;
  for (Device* device : HandsetDevices(handset))
    if (Key(device->device_name()) == key) return device;
  return nullptr;
}

Device& NamedDevice(Handset& handset, std::string_view name) {
  if (Device* device = FindDevice(handset, name)) return *device;
  std::string names;
  for (Device* device : HandsetDevices(handset))
    names += (names.empty() ? "" : ", ") + std::string(device->device_name());
  throw DeviceSetError("no device " + std::string(name) + " (devices: " + names + ")", true);
}

Device& SetDevice(Handset& handset, std::string_view name, const std::vector<DeviceField>& fields) {
  Device& device = NamedDevice(handset, name);
  if (!device.present())
    throw DeviceSetError("the handset has no " + std::string(device.device_name()) +
                             " (its handset.toml table says present = false)",
                         false);
  try {
    device.Set(fields);
  } catch (const DeviceFieldError& e) {
    throw DeviceSetError(std::string(device.device_name()) + " " + e.what(), true);
  }
  return device;
}

}  // namespace sim
