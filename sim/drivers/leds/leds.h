// The notification LED service: the handset's LEDs, the vibrator the last of them. Each LED is
// off, on or blinking, with a total cycle, an on time and an off time in microseconds; blinking
// is timed in steps of 1000 microseconds, and meta cycles are not supported (they are ignored,
// as the platform's LED drivers ignore what they do not support). Apply refuses, with
// ERROR_INVALID_PARAMETER, a state other than off, on or blink, and a blink with a negative
// time or a total cycle shorter than its on and off times together; what an LED does after a
// change is noted in the journal ("device", event "led"). The settings are kept in state.json.
//
// handset.toml's [leds] table: count (2 by default: the notification LED and the vibrator; 0
// leaves the handset without any, and without a vibrator), and the fault keys present (false:
// no LED service at all), fail_controls = "NLedSetDevice" with fail_error (every change fails
// with that error).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "ce/nled.h"
#include "cehost/devices.h"
#include "cehost/programs.h"
#include "sim/drivers/device.h"
#include "sim/drivers/driver_faults.h"
#include "sim/program.h"

namespace sim {

inline constexpr char kLedsProgram[] = "leds";
// The name of a change of settings among the LED service's faults.
inline constexpr char kLedApplyName[] = "NLedSetDevice";
// The granularity of blink times, in microseconds.
inline constexpr LONG kLedCycleAdjust = 1000;

class Leds : public Program, public cehost::ProgramState, public cehost::LedService, public Device {
 public:
  // Program.
  std::string_view name() const override { return kLedsProgram; }
  void Configure(const ConfigTable& table) override;
  // Installs the service (none when not present) with the settings state.json holds.
  void Install() override;

  // The faults it plays.
  DriverFaults& faults() { return faults_; }
  // Every LED's settings, the vibrator last.
  std::vector<NLED_SETTINGS_INFO> AllSettings() const;
  // What a setting does, in words ("off", "on", "blinks 500 ms on, 500 ms off").
  static std::string Describe(const NLED_SETTINGS_INFO& settings);

  // cehost::LedService.
  UINT Count() const override;
  void Supports(NLED_SUPPORTS_INFO* info) const override;
  void Settings(NLED_SETTINGS_INFO* info) const override;
  BOOL Apply(const NLED_SETTINGS_INFO& settings) override;

  // Device: "LED".
  std::string_view device_name() const override { return "LED"; }
  std::string_view description() const override { return "notification LEDs and vibrator"; }
  bool present() const override { return faults_.present(); }
  nlohmann::json StateJson() const override;
  std::string Summary() const override;
  std::vector<std::pair<std::string, std::string>> FieldHelp() const override;
  void Set(const std::vector<DeviceField>& fields) override;

 private:
  void SaveLocked() const;

  DriverFaults faults_;
  UINT count_ = 2;
  mutable std::mutex mutex_;
  std::vector<NLED_SETTINGS_INFO> settings_;
  std::filesystem::path home_;
};

}  // namespace sim
