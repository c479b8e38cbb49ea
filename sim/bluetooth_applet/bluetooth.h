// The handset's Bluetooth program: it configures the Bluetooth the applet answers from and puts
// the applet on the handset as handset.toml says.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "ce/types.h"
#include "sim/bluetooth_applet/bluetooth_radio.h"
#include "sim/program.h"

namespace sim {

class Bluetooth : public Program {
 public:
  std::string_view name() const override { return kBluetoothProgram; }
  // Reads how the applet is present and its script.
  void Configure(const ConfigTable& table) override;
  // Installs the Bluetooth and its applet as handset.toml has it.
  void Install() override;

  // The script, to read or change under the returned lock's protection.
  Locked<BluetoothScript> Script() { return radio_->Script(); }
  // The state the applet answers from.
  const std::shared_ptr<BluetoothRadio>& radio() const { return radio_; }

  // How the applet is present on the handset.
  enum class Applet { kInstalled, kWithoutEntry, kMissing };
  // Installs the applet at "\Windows\BluetoothCPL.dll" on the current handset, with or without
  // its entry "CPlApplet", or removes it (until the handset is mounted again).
  void SetApplet(Applet applet);

 private:
  std::shared_ptr<BluetoothRadio> radio_ = std::make_shared<BluetoothRadio>();
  // How a mount puts the applet on the handset.
  Applet applet_ = Applet::kInstalled;
};

}  // namespace sim
