// handset.toml: the simulated hardware and programs of a handset home, read with toml++ and put
// on a handset.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "cehost/network.h"
#include "sim/bluetooth.h"
#include "sim/handset.h"
#include "sim/modem/modem.h"
#include "sim/network.h"
#include "sim/phone.h"

namespace sim {

// A handset.toml that cannot be read; the message is "file:line: key: what is wrong".
class HandsetConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Everything handset.toml says; what it leaves out keeps these defaults (the simulator's own).
struct HandsetConfig {
  // [platform]: whether the handset answers the platform information record, and two words of it.
  bool platform_record = true;
  uint32_t hardware_version = 1;
  bool wifi = true;
  // [phone], [modem], [bluetooth]: the scripts of the phone adapter, modem and applet.
  PhoneScript phone;
  ModemScript modem;
  BluetoothScript bluetooth;
  Bluetooth::Applet bluetooth_applet = Bluetooth::Applet::kInstalled;
  // [[network.interfaces]]: the interfaces up at start, in file order.
  std::vector<cehost::NetworkInterface> interfaces = {LoopbackInterface()};

  // The words of the platform information record this config gives.
  std::vector<uint32_t> PlatformInfo() const;
};

// Reads a handset.toml; throws HandsetConfigError naming the file, line and key of a syntax
// error, an unknown key, a value of the wrong type or one out of range.
HandsetConfig LoadHandsetConfig(const std::filesystem::path& toml_file);

// Scripts the handset's phone, modem and Bluetooth applet and puts the record, applet and
// interfaces (ApplyMountedHardware) on the current handset, which should be this one.
void ApplyHandsetConfig(Handset& handset, const HandsetConfig& config);

// Puts the platform information record, the Bluetooth applet and the network interfaces (in
// place of all others) on the current handset: the part a mount starts afresh.
void ApplyMountedHardware(Handset& handset, const HandsetConfig& config);

}  // namespace sim
