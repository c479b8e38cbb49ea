// The factory Wi-Fi test program "\\Disk\\wifi_test\\WifiTestProgram.exe": ShellExecuteEx of its
// file runs it on a thread of its own. It looks at the handset's Wi-Fi interface, records what it
// found in the journal (kind "program": "Wi-Fi test started", then "Wi-Fi interface up" with its
// adapter and address, or "Wi-Fi interface down") and ends with exit code 0.
//
// handset.toml's [wifi_test] table: present (whether the handset has the program; true). The
// file itself is part of the handset's file system: without it ShellExecuteEx refuses the path.
#pragma once

#include "sim/program.h"

namespace sim {

inline constexpr char16_t kWifiTestPath[] = u"\\Disk\\wifi_test\\WifiTestProgram.exe";

class WifiTestProgram : public Program {
 public:
  std::string_view name() const override { return "wifi_test"; }
  // Reads present.
  void Configure(const ConfigTable& table) override;
  // Makes ShellExecuteEx of the program's path run it.
  void Install() override;

 private:
  bool present_ = true;
};

}  // namespace sim
