// The modem behind "Hayes COM9:": it reads the AT commands of the dial modifier, connects or
// fails as scripted, and while connected shows a GPRS link among the handset's networks. It
// tells the phone installed on the handset that GPRS is attached and what a connection carried.
// Its connection is kept in the handset home's state.json (section "modem": the entry, the
// link's address and the access point name it connected to), so that it outlives the process
// that dialled and every process on the handset sees the same one.
#pragma once

#include "sim/locked.h"

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "cehost/network.h"
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
  // 0 ends a connection when asked; a RAS error code refuses, and the connection stays up.
  DWORD hangup_result = 0;
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
  // Reads the script: the dial's and hang-up's results, the link's address and a connection's
  // traffic.
  void Configure(const ConfigTable& table) override;
  // Installs the modem as the RAS device "Hayes COM9:", and its link among the networks.
  void Install() override;

  // The script, to read or change while the returned lock is held.
  Locked<ModemScript> Script() { return {std::unique_lock(mutex_), script_}; }

  DWORD Dial(const cehost::DialRequest& request) override;
  DWORD HangUp(std::u16string_view entry_name) override;
  std::vector<std::u16string> Connections() override;

  // True while a connection is up.
  bool Connected();
  // The GPRS link while a connection is up; none otherwise.
  std::vector<cehost::NetworkInterface> Links();
  // What the last dial carried.
  ModemDial LastDial();

 private:
  std::mutex mutex_;
  ModemScript script_;
  ModemDial last_;
  // The handset home whose state.json keeps the connection.
  std::filesystem::path home_;
};

// Splits a dial modifier into its AT commands and reads the ones the modem acts on.
ModemDial ParseDialModifier(std::u16string_view modifier);

}  // namespace sim
