// FindFirstDevice, FindNextDevice: searches of the loaded devices. FindClose closes them.
#include <cstring>
#include <new>

#include "ce/devices.h"
#include "ce/errors.h"
#include "devices/device_names.h"
#include "devices/device_search.h"
#include "devices/remote_device.h"
#include "handset/handset_state.h"

using namespace cehost;

namespace {

bool Matches(const InstalledDriver& device, DeviceSearchType type, LPCVOID param) {
  const DeviceListing& listing = device.listing;
  switch (type) {
    case DeviceSearchByLegacyName:
      return MatchesPattern(static_cast<LPCWSTR>(param), listing.legacy_name);
    case DeviceSearchByDeviceName:
      return MatchesPattern(static_cast<LPCWSTR>(param), DeviceNameOf(listing.legacy_name));
    case DeviceSearchByBusName:
      return MatchesPattern(static_cast<LPCWSTR>(param), listing.bus_name);
    case DeviceSearchByGuid:
      for (const GUID& guid : listing.interface_classes) {
        if (std::memcmp(&guid, param, sizeof guid) == 0) return true;
      }
      return false;
    case DeviceSearchByParent:
      // No device here has a parent: every driver is loaded by the device manager itself.
      return false;
  }
  return false;
}

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

// A search that matches nothing fails with ERROR_NO_MORE_ITEMS, the code FindNextDevice gives at
// the end: the device manager answers both from one enumeration of its devices, so cehost gives
// one code for "no (more) device".
extern "C" HANDLE FindFirstDevice(DeviceSearchType searchType, LPCVOID pvSearchParam,
                                  PDEVMGR_DEVICE_INFORMATION pdi) {
  if (!pdi || !pvSearchParam || pdi->dwSize != sizeof(DEVMGR_DEVICE_INFORMATION) ||
      searchType < DeviceSearchByLegacyName || searchType > DeviceSearchByParent) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  HandsetState& state = Current();
  if (state.server) return FindRemoteDevices(state, searchType, pvSearchParam, pdi);
  try {
    std::vector<std::shared_ptr<InstalledDriver>> matches;
    for (auto& device : state.devices.All()) {
      if (Matches(*device, searchType, pvSearchParam)) matches.push_back(std::move(device));
    }
    auto search = std::make_shared<DeviceSearch>(std::move(matches));
    if (!search->Next(pdi)) return Fail(ERROR_NO_MORE_ITEMS);
    return HandleTable::ToHandle<HANDLE>(state.handles.Insert(std::move(search)));
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_OUTOFMEMORY);
  }
}

extern "C" BOOL FindNextDevice(HANDLE hSearchHandle, PDEVMGR_DEVICE_INFORMATION pdi) {
  // A search handle of the file system is of the same kind: only a device search answers here.
  auto search = std::dynamic_pointer_cast<DeviceSearch>(
      Current().handles.Find(HandleTable::ValueOf(hSearchHandle), HandleKind::kFind));
  if (!search) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!pdi || pdi->dwSize != sizeof(DEVMGR_DEVICE_INFORMATION)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!search->Next(pdi)) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  return TRUE;
}
