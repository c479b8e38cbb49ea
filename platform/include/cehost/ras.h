// The devices RAS dials over: sim's programs install them by device name ("Hayes COM9:").
// A connection is held by its device, as by hardware: the device says which connections it holds
// now, whichever process on the handset dialled them, and the RAS service lists those.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ce/ras.h"

namespace cehost {

// What a dial hands the device: the entry, its stored device configuration and the parameters.
struct DialRequest {
  std::u16string entry_name;
  RASENTRY entry;
  std::vector<uint8_t> device_config;
  std::u16string user_name;
  std::u16string password;
};

class RasDevice {
 public:
  virtual ~RasDevice() = default;
  // Makes a connection on the request's entry; 0 once it is up, else a RAS error code.
  virtual DWORD Dial(const DialRequest& request) = 0;
  // Ends the device's connection on the entry: 0 once it is down, else the RAS error code that
  // RasHangUp reports, and the connection stays up.
  virtual DWORD HangUp(std::u16string_view entry_name) = 0;
  // The entry names of the connections the device holds now, made by this process or another
  // one on the handset. RasEnumConnections lists them: one that this process did not dial gets a
  // handle of its own there (so that it can be hung up), and one that the device no longer holds
  // (hung up elsewhere) is no longer listed.
  virtual std::vector<std::u16string> Connections() = 0;
};

// Makes the current handset's phone book refuse (true) or accept (false) new entries, as a full
// or damaged store would; RasSetEntryProperties then fails with ERROR_CANNOT_OPEN_PHONEBOOK.
void LockPhoneBook(bool locked);

// Puts the device on the current handset under its name, replacing one of that name; null
// removes it.
void InstallRasDevice(std::u16string_view device_name, std::shared_ptr<RasDevice> device);

}  // namespace cehost
