// The devices RAS dials over: sim's programs install them by device name ("Hayes COM9:").
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
  // Makes the connection; 0 once it is up, else a RAS error code.
  virtual DWORD Dial(const DialRequest& request) = 0;
  // Ends the connection the last successful dial made.
  virtual void HangUp() = 0;
};

// Makes the current handset's phone book refuse (true) or accept (false) new entries, as a full
// or damaged store would; RasSetEntryProperties then fails with ERROR_CANNOT_OPEN_PHONEBOOK.
void LockPhoneBook(bool locked);

// Puts the device on the current handset under its name, replacing one of that name; null
// removes it.
void InstallRasDevice(std::u16string_view device_name, std::shared_ptr<RasDevice> device);

}  // namespace cehost
