// The Wi-Fi chip SWLD24SP1 of hardware version 1, on the serial peripheral bus, and its stream
// driver library "swld24sp.dll". The device manager loads the driver from its key
// "Drivers\\SSP\\SWLD24SP" (ActivateDeviceEx) and lists it as "NDL1:"; while the driver is loaded
// the chip's Wi-Fi interface is up in the IP helper's tables. It goes down when the device
// manager lets go of the driver: at DeactivateDevice, or, when a handle is still open on
// "NDL1:", once that handle is closed. A second load while it is loaded is the device manager's
// to refuse (ERROR_ALREADY_EXISTS). The driver answers no control codes (ERROR_INVALID_PARAMETER).
//
// Whether the driver is loaded is kept in state.json: the device manager forgets what it loaded
// at each mount, so a handset whose driver was loaded loads it again when it is mounted.
// Installing writes the driver key (Dll "swld24sp.dll", Prefix "NDL", Index 1) when the registry
// has no such key. A handset of another hardware version has neither the chip nor the library.
//
// handset.toml's [swld24sp] table: address (the interface's address, "192.168.1.20"), loaded
// (whether the driver is loaded on a handset whose state.json says nothing; false), and the
// fault keys of driver_faults.h (present = false: the library is missing, so ActivateDeviceEx
// fails with ERROR_MOD_NOT_FOUND; open_error: opens of "NDL1:" fail).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "cehost/devices.h"
#include "cehost/programs.h"
#include "sim/drivers/device.h"
#include "sim/drivers/driver_faults.h"
#include "sim/program.h"

namespace sim {

inline constexpr char kSerialWlanProgram[] = "swld24sp";
// The driver's key under HKEY_LOCAL_MACHINE, its library and the name it is listed under.
inline constexpr char16_t kSerialWlanKey[] = u"Drivers\\SSP\\SWLD24SP";
inline constexpr char16_t kSerialWlanDll[] = u"swld24sp.dll";
inline constexpr char16_t kSerialWlanDevice[] = u"NDL1:";

class SerialWlan : public Program, public cehost::ProgramState, public Device {
 public:
  std::string_view name() const override { return kSerialWlanProgram; }
  // Reads address, loaded and the fault keys.
  void Configure(const ConfigTable& table) override;
  // Puts the library on a handset of hardware version 1 (with its key when missing), and loads
  // the driver when it was loaded.
  void Install() override;
  // Leaves the driver as loaded in state.json: the device manager forgets it with the mount.
  void Unmount() override;

  // Whether the driver is loaded now.
  bool loaded() const;
  // Whether the hardware of the handset it was last installed on has the chip.
  bool fitted() const;
  // The faults it plays; a change takes effect at the next call.
  DriverFaults& faults() { return faults_; }

  // Device.
  std::string_view device_name() const override { return "NDL1:"; }
  std::string_view description() const override { return "Wi-Fi chip SWLD24SP1 (serial bus)"; }
  bool present() const override;
  nlohmann::json StateJson() const override;
  // "loaded" or "unloaded".
  std::string Summary() const override;
  std::vector<std::pair<std::string, std::string>> FieldHelp() const override;
  // loaded=1 loads the driver through the device manager, loaded=0 unloads it.
  void Set(const std::vector<DeviceField>& fields) override;

 private:
  class Driver;

  // The device manager loads the driver: the interface comes up.
  std::shared_ptr<cehost::StreamDriver> Load();
  // The device manager let go of the driver of that load.
  void Unloaded(uint64_t load);
  // Writes loaded_ to state.json; called with mutex_ held.
  void SaveLocked() const;

  DriverFaults faults_;
  std::string address_ = "192.168.1.20";
  bool initial_loaded_ = false;

  mutable std::mutex mutex_;
  std::filesystem::path home_;
  bool fitted_ = false;
  bool loaded_ = false;
  // Counts loads and mounts: letting go of a driver of an earlier load, or of an earlier mount,
  // changes nothing.
  uint64_t load_ = 0;
  bool mounted_ = false;
};

}  // namespace sim
