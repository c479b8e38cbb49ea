// A simulated device as a person sees it from outside the handset: its name, whether the handset
// has it, its state, and the fields a test or m8sim sets to play what the hardware does (a tilt,
// a cable plugged in, a hand over the proximity sensor).
#pragma once

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

// A field, or a value for it, that the device does not take; the message names it.
class DeviceFieldError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// One FIELD=VALUE of a device setting.
using DeviceField = std::pair<std::string, std::string>;

class Device {
 public:
  virtual ~Device() = default;

  // The name the handset knows it by ("ACC0:"; "LED" for the LED service).
  virtual std::string_view device_name() const = 0;
  // What it is ("accelerometer").
  virtual std::string_view description() const = 0;
  // Whether the handset has it.
  virtual bool present() const = 0;
  // Its whole state as JSON.
  virtual nlohmann::json StateJson() const = 0;
  // Its state in one line.
  virtual std::string Summary() const = 0;
  // The fields Set takes, each with what it does, for help texts.
  virtual std::vector<std::pair<std::string, std::string>> FieldHelp() const = 0;
  // Sets the fields as the hardware would change them, doing what the hardware then does (a
  // notification posted); all or none: throws DeviceFieldError for an unknown field or a value
  // it does not take, before anything changes, and std::runtime_error when a scripted fault
  // refuses the change.
  virtual void Set(const std::vector<DeviceField>& fields) = 0;
};

// A field's value as an integer within [low, high] (decimal, or hexadecimal after "0x", with an
// optional sign); throws DeviceFieldError naming the field.
int64_t FieldInteger(const DeviceField& field, int64_t low, int64_t high);
// A field's value as on/off ("1", "0", "on", "off", "true", "false", "yes", "no").
bool FieldSwitch(const DeviceField& field);
// Throws DeviceFieldError for a field the device does not have, naming the ones it has.
[[noreturn]] void UnknownField(const DeviceField& field, std::string_view device,
                               const std::vector<std::pair<std::string, std::string>>& help);

}  // namespace sim
