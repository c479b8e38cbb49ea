// The object behind a device handle: one open of a stream driver.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "cehost/journal.h"
#include "devices/device_table.h"
#include "kernel/handle_table.h"

namespace cehost {

// An open device as the calls on its handle see it: an open context of a driver in this process,
// or one the handset server holds for it.
class DeviceObject : public HandleObject {
 public:
  DeviceObject() : HandleObject(HandleKind::kDevice) {}
  // Hands a control code to the driver; *returned is the output bytes written (at most
  // out_size).
  virtual BOOL Control(DWORD code, const void* in, DWORD in_size, void* out, DWORD out_size,
                       DWORD* returned) = 0;
};

// One open context of a driver. Its calls go to the driver while the driver is on the handset;
// once it has been removed or replaced they fail with ERROR_INVALID_HANDLE.
class DeviceHandle : public DeviceObject {
 public:
  DeviceHandle(std::shared_ptr<InstalledDriver> device, uint32_t open, Journal* journal)
      : device_(std::move(device)), open_(open), journal_(journal) {}

  // Its handle value, as the journal shows it; set once, before the handle is handed out.
  void set_value(uint32_t value) { value_.store(value, std::memory_order_relaxed); }

  // Hands a control code to the driver and journals it.
  BOOL Control(DWORD code, const void* in, DWORD in_size, void* out, DWORD out_size,
               DWORD* returned) override;
  BOOL Read(void* buffer, DWORD size, DWORD* done) override;
  BOOL Write(const void* data, DWORD size, DWORD* done) override;
  // Closes the open context on the driver, unless the driver has gone meanwhile.
  void Close() override;

 private:
  // True while the driver is on the handset; else sets ERROR_INVALID_HANDLE.
  bool Present() const;

  const std::shared_ptr<InstalledDriver> device_;
  const uint32_t open_;
  Journal* const journal_;
  // Another thread may use the handle as soon as it is in the table.
  std::atomic<uint32_t> value_{0};
};

}  // namespace cehost
