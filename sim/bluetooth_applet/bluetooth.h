// The handset's Bluetooth as its control-panel applet "BluetoothCPL.dll" serves it: scriptable
// by tests and tools. The applet answers from the Bluetooth installed on the current handset.
#pragma once

#include "sim/locked.h"

#include <memory>
#include <mutex>
#include <string>

#include "ce/types.h"
#include "cehost/programs.h"
#include "sim/program.h"

namespace sim {

// What the applet answers. Tests change it through Bluetooth::Script().
struct BluetoothScript {
  // The applet's answer to a power switch (message 16) and to a new device name (message 101).
  // A nonzero answer means the applet did as asked; with 0 it changes nothing.
  LONG power_result = 1;
  LONG name_result = 1;
  // The device name the applet last set.
  std::u16string name = u"M8";
};

class Bluetooth : public Program, public cehost::ProgramState {
 public:
  std::string_view name() const override { return "bluetooth"; }
  // Reads how the applet is present and its script.
  void Configure(const ConfigTable& table) override;
  // Installs the Bluetooth and its applet as handset.toml has it.
  void Install() override;

  // The script, to read or change under the returned lock's protection.
  Locked<BluetoothScript> Script() { return {std::unique_lock(mutex_), script_}; }

  // How the applet is present on the handset.
  enum class Applet { kInstalled, kWithoutEntry, kMissing };
  // Installs the applet at "\Windows\BluetoothCPL.dll" on the current handset, with or without
  // its entry "CPlApplet", or removes it (until the handset is mounted again).
  void SetApplet(Applet applet);

 private:
  std::mutex mutex_;
  BluetoothScript script_;
  // How a mount puts the applet on the handset.
  Applet applet_ = Applet::kInstalled;
};

// The Bluetooth installed on the current handset, or null.
std::shared_ptr<Bluetooth> CurrentBluetooth();

// The applet's entry "CPlApplet". Message 16 switches the radio: lParam2 nonzero asks for on,
// and the applet keeps the state where the platform does, as REG_DWORD "PowerOn" (1 or 0) under
// HKEY_LOCAL_MACHINE "SOFTWARE\Microsoft\Bluetooth\Razud". Message 101 sets the device name to
// the text lParam1 points at. Either answers with the script's result (0 for a null name); any
// other message answers 0. Every call is recorded in the journal as kind "applet".
LONG BluetoothApplet(HWND hwnd, UINT msg, LPARAM lParam1, LPARAM lParam2);

}  // namespace sim
