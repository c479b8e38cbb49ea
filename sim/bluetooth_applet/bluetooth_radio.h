// The handset's Bluetooth as its control-panel applet "BluetoothCPL.dll" serves it: scriptable
// by tests and tools. The applet answers from the Bluetooth installed on the current handset.
#pragma once

#include "sim/locked.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ce/types.h"
#include "cehost/programs.h"

namespace sim {

// The name the Bluetooth is installed under on a handset (and its handset.toml table).
inline constexpr char kBluetoothProgram[] = "bluetooth";

// What the applet answers. Tests change it through BluetoothRadio::Script().
struct BluetoothScript {
  // The applet's answer to a power switch (message 16) and to a new device name (message 101).
  // A nonzero answer means the applet did as asked; with 0 it changes nothing.
  LONG power_result = 1;
  LONG name_result = 1;
  // The device name the applet last set.
  std::u16string name = u"M8";
};

class BluetoothRadio : public cehost::ProgramState {
 public:
  // The script, to read or change under the returned lock's protection.
  Locked<BluetoothScript> Script() { return {std::unique_lock(mutex_), script_}; }
  // Answers an applet call that a program attached to the handset's server made.
  std::optional<std::vector<uint8_t>> Answer(const std::vector<uint8_t>& call) override;

 private:
  std::mutex mutex_;
  BluetoothScript script_;
};

// The applet's messages: switch the radio, and set the device name.
inline constexpr UINT kSwitchPower = 16;
inline constexpr UINT kSetName = 101;

// The Bluetooth installed on the current handset, or null.
std::shared_ptr<BluetoothRadio> CurrentBluetooth();

// The applet's entry "CPlApplet". Message 16 switches the radio: lParam2 nonzero asks for on,
// and the applet keeps the state where the platform does, as REG_DWORD "PowerOn" (1 or 0) under
// HKEY_LOCAL_MACHINE "SOFTWARE\Microsoft\Bluetooth\Razud". Message 101 sets the device name to
// the text lParam1 points at. Either answers with the script's result (0 for a null name); any
// other message answers 0. Every call is recorded in the journal as kind "applet". In a program
// attached to the handset's server, the server's Bluetooth answers.
LONG BluetoothApplet(HWND hwnd, UINT msg, LPARAM lParam1, LPARAM lParam2);

// The applet's answer as the server's Bluetooth gave it; nullopt when this process runs a
// Bluetooth of its own, or when the handset has no server to ask.
std::optional<LONG> CallServerApplet(HWND hwnd, UINT msg, LPARAM lParam1, LPARAM lParam2);

}  // namespace sim
