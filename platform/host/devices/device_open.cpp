#include "devices/device_open.h"

#include <memory>
#include <new>
#include <string_view>

#include "ce/errors.h"
#include "cehost/text.h"
#include "devices/device_handle.h"
#include "devices/device_journal.h"
#include "devices/device_names.h"
#include "devices/remote_device.h"
#include "handset/handset_state.h"

namespace cehost {

namespace {

// The length of a name shorter than MAX_PATH; MAX_PATH when it is not (no device has such a name).
size_t NameLength(LPCWSTR name) {
  size_t n = 0;
  while (n < MAX_PATH && name[n] != 0) ++n;
  return n;
}

// The driver a device name asks for; *device_form tells whether the name is a device's at all.
std::shared_ptr<InstalledDriver> Lookup(const DeviceTable& devices, std::u16string_view name,
                                        bool* device_form) {
  std::u16string_view part;
  *device_form = true;
  if (IsLegacyName(name)) return devices.ByLegacyName(name);
  if (DeviceNamePart(name, &part)) return devices.ByDeviceName(part);
  if (BusNamePart(name, &part)) return devices.ByBusName(part);
  auto by_bus = devices.ByBusName(name);
  *device_form = by_bus != nullptr;
  return by_bus;
}

}  // namespace

// The device manager hands a driver's open only the access and share mode; the creation
// disposition, flags and attributes are not the driver's business and are not looked at, so a
// device opens with any of them (callers pass OPEN_EXISTING). Share modes are the driver's to
// enforce: the device manager passes them through and refuses nothing itself.
//
// A name of the legacy form without a driver fails with ERROR_FILE_NOT_FOUND, the answer CE's
// device manager gives for a device that is not loaded; it never reaches a file of that name.
bool OpenDevice(LPCWSTR name, DWORD access, DWORD share, HANDLE* handle) {
  if (!name) return false;
  HandsetState& state = Current();
  if (state.server) return OpenRemoteDevice(*state.server, name, access, share, handle);
  std::u16string_view asked(name, NameLength(name));
  bool device_form = false;
  auto device = Lookup(state.devices, asked, &device_form);
  if (!device_form) return false;
  *handle = INVALID_HANDLE_VALUE;
  if (!device) {
    RecordOpen(state.journal, ToUtf8(asked), access, share, 0, ERROR_FILE_NOT_FOUND);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return true;
  }
  uint32_t open = device->driver->Open(access, share);
  if (open == 0) {
    DWORD error = GetLastError();
    // A driver that refuses without saying why still fails the open.
    if (error == ERROR_SUCCESS) error = ERROR_ACCESS_DENIED;
    RecordOpen(state.journal, device->name, access, share, 0, error);
    SetLastError(error);
    return true;
  }
  try {
    auto object = std::make_shared<DeviceHandle>(device, open, &state.journal);
    DeviceHandle* opened = object.get();
    uint32_t value = state.handles.Insert(std::move(object));
    opened->set_value(value);
    RecordOpen(state.journal, device->name, access, share, value, 0);
    *handle = HandleTable::ToHandle<HANDLE>(value);
  } catch (const std::bad_alloc&) {
    device->driver->Close(open);
    SetLastError(ERROR_OUTOFMEMORY);
  }
  return true;
}

}  // namespace cehost
