#include "devices/device_search.h"

#include <algorithm>

#include "devices/device_names.h"

namespace cehost {

namespace {

// Copies text into a field of capacity characters, cut to leave room for the terminator.
template <size_t N>
void CopyField(WCHAR (&field)[N], std::u16string_view first, std::u16string_view second = {}) {
  size_t n = std::min(first.size(), N - 1);
  std::copy_n(first.data(), n, field);
  size_t m = std::min(second.size(), N - 1 - n);
  std::copy_n(second.data(), m, field + n);
  std::fill(field + n + m, field + N, u'\0');
}

}  // namespace

void Describe(const InstalledDriver& device, DEVMGR_DEVICE_INFORMATION* out) {
  out->hDevice = HandleTable::ToHandle<HANDLE>(device.activation);
  // Drivers on this handset are loaded by the device manager itself, never by a bus driver.
  out->hParentDevice = nullptr;
  const DeviceListing& listing = device.listing;
  CopyField(out->szLegacyName, listing.legacy_name);
  CopyField(out->szDeviceKey, listing.device_key);
  CopyField(out->szDeviceName, u"$device\\", DeviceNameOf(listing.legacy_name));
  CopyField(out->szBusName, listing.bus_name);
}

bool DeviceSearch::Next(DEVMGR_DEVICE_INFORMATION* out) {
  std::lock_guard lock(mutex_);
  if (!listed_.empty()) {
    if (next_ >= listed_.size()) return false;
    DWORD size = out->dwSize;
    *out = listed_[next_++];
    out->dwSize = size;
    return true;
  }
  while (next_ < matches_.size()) {
    const auto& device = matches_[next_++];
    if (!device->present()) continue;
    Describe(*device, out);
    return true;
  }
  return false;
}

}  // namespace cehost
