// The RAS service of a handset: its devices and its connections.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "cehost/ras.h"
#include "kernel/handle_table.h"

namespace cehost {

// A connection made by RasDial; it lives until RasHangUp, up or not.
class RasConnection : public HandleObject {
 public:
  RasConnection(std::u16string entry_name, std::shared_ptr<RasDevice> device)
      : HandleObject(HandleKind::kRasConnection),
        entry_name_(std::move(entry_name)),
        device_(std::move(device)) {}
  const std::u16string& entry_name() const { return entry_name_; }
  RasDevice* device() const { return device_.get(); }
  // A connection closes only with RasHangUp.
  bool ClosedByCloseHandle() const override { return false; }
  // Its handle value; set once, before the handle is handed out.
  uint32_t handle = 0;

 private:
  std::u16string entry_name_;
  std::shared_ptr<RasDevice> device_;
};

// The RAS service of a handset: its devices by name, whether the phone book refuses new
// entries, and the connections that are up.
class RasService {
 public:
  // Installs the device under the name, or removes the name's device when device is null.
  void InstallDevice(std::u16string_view name, std::shared_ptr<RasDevice> device);
  // The device of that name (case ignored), or null.
  std::shared_ptr<RasDevice> Device(std::u16string_view name) const;
  // Makes the phone book refuse new entries, or take them again.
  void LockPhoneBook(bool locked);
  // Whether the phone book refuses new entries.
  bool PhoneBookLocked() const;
  // Counts the connection as up.
  void Connected(std::shared_ptr<RasConnection> connection);
  // Whether the connection of that handle value is counted as up.
  bool IsUp(uint32_t handle) const;
  // Counts the connection as down; false when it was not up.
  bool Disconnect(const RasConnection& connection);
  // The connections that are up, by handle value, in the order they were made, as the devices
  // hold them now: one a device holds that the service does not know (dialled by another
  // process) is adopted under a new handle of the table; one no device holds any longer is
  // forgotten, its handle left to its holder's RasHangUp.
  std::map<uint32_t, std::shared_ptr<RasConnection>> Connections(HandleTable& handles);

 private:
  mutable std::mutex mutex_;
  // Devices by folded name.
  std::map<std::u16string, std::shared_ptr<RasDevice>> devices_;
  bool phone_book_locked_ = false;
  std::map<uint32_t, std::shared_ptr<RasConnection>> connections_;
};

// The phone book: entries kept in the registry under HKEY_CURRENT_USER "Comm\RasBook\<name>".
// Reads the entry and its device configuration; false when there is no such entry.
bool LoadPhoneBookEntry(const std::u16string& name, RASENTRY* entry,
                        std::vector<uint8_t>* device_config);
// Stores the entry; false when the registry refused.
bool StorePhoneBookEntry(const std::u16string& name, const RASENTRY& entry, const uint8_t* device,
                         DWORD device_size);
// Removes the entry; false when there is none.
bool DeletePhoneBookEntry(const std::u16string& name);

}  // namespace cehost
