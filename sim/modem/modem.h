// The modem behind "Hayes COM9:": it reads the AT commands of the dial modifier, connects or
// fails as scripted, and while connected shows a GPRS link among the handset's networks. It
// tells the phone installed on the handset that GPRS is attached and what a connection carried.
#pragma once

#include "sim/locked.h"

#include <mutex>
#include <string>
#include <vector>

#include "cehost/ras.h"
#include "sim/program.h"

namespace sim {

struct ModemScript {
  // 0 connects; a RAS error code (678 no answer, 691 authentication failure...) fails the dial.
  DWORD dial_result = 0;
  // The address the network gives the link.
  std::string address = "10.168.1.23";
  // Traffic of one connection, added to the phone adapter's counters when it is hung up.
  DWORD connection_sent = 0;
  DWORD connection_received = 0;
};

// What the last dial told the modem.
struct ModemDial {
  std::u16string number;
  std::u16string modifier;
  std::vector<std::u16string> commands;
  std::u16string apn;
  std::u16string auth_user;
  std::u16string auth_password;
  int auth_type = 0;
  std::u16string user_name;
  std::u16string password;
};

class Modem : public Program, public cehost::RasDevice {
 public:
  std::string_view name() const override { return "modem"; }
  // Reads the script: the dial's result, the link's address and a connection's traffic.
  void Configure(const ConfigTable& table) override;
  // Installs the modem as the RAS device "Hayes COM9:".
  void Install() override;

  // The script, to read or change while the returned lock is held.
  Locked<ModemScript> Script() { return {std::unique_lock(mutex_), script_}; }

  DWORD Dial(const cehost::DialRequest& request) override;
  void HangUp() override;

  // True while a connection is up.
  bool Connected();
  // What the last dial carried.
  ModemDial LastDial();

 private:
  std::mutex mutex_;
  ModemScript script_;
  ModemDial last_;
  bool connected_ = false;
};

// Splits a dial modifier into its AT commands and reads the ones the modem acts on.
ModemDial ParseDialModifier(std::u16string_view modifier);

}  // namespace sim
