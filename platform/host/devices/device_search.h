// The object behind a device search handle: the devices a FindFirstDevice call matched.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "ce/devices.h"
#include "devices/device_table.h"
#include "kernel/handle_table.h"

namespace cehost {

// A search of the loaded devices, of the search kind: FindClose closes it, CloseHandle does not.
class DeviceSearch : public HandleObject {
 public:
  explicit DeviceSearch(std::vector<std::shared_ptr<InstalledDriver>> matches)
      : HandleObject(HandleKind::kFind), matches_(std::move(matches)) {}
  // A search the handset server made: the records of the devices it matched then.
  explicit DeviceSearch(std::vector<DEVMGR_DEVICE_INFORMATION> listed)
      : HandleObject(HandleKind::kFind), listed_(std::move(listed)) {}

  bool ClosedByCloseHandle() const override { return false; }

  // Describes the next match that is still loaded; false when none is left.
  bool Next(DEVMGR_DEVICE_INFORMATION* out);

 private:
  std::mutex mutex_;
  std::vector<std::shared_ptr<InstalledDriver>> matches_;
  std::vector<DEVMGR_DEVICE_INFORMATION> listed_;
  size_t next_ = 0;
};

// Fills the record's names and handles for a device; dwSize is left as the caller set it.
void Describe(const InstalledDriver& device, DEVMGR_DEVICE_INFORMATION* out);

}  // namespace cehost
