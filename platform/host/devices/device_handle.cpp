#include "devices/device_handle.h"

#include "ce/errors.h"
#include "devices/device_journal.h"

namespace cehost {

bool DeviceHandle::Present() const {
  if (device_->present()) return true;
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

BOOL DeviceHandle::Control(DWORD code, const void* in, DWORD in_size, void* out, DWORD out_size,
                           DWORD* returned) {
  *returned = 0;
  if (!Present()) return FALSE;
  // A missing buffer has no room, whatever size came with it.
  if (!in) in_size = 0;
  if (!out) out_size = 0;
  DWORD written = 0;
  BOOL result = device_->driver->IoControl(open_, code, in, in_size, out, out_size, &written);
  DWORD error = result ? 0 : GetLastError();
  *returned = written > out_size ? out_size : written;
  ControlRecord record;
  record.device = device_->name;
  record.handle = value_.load(std::memory_order_relaxed);
  record.code = code;
  record.code_name = device_->driver->ControlName(code);
  record.in = in;
  record.in_size = in_size;
  record.out = out;
  record.returned = *returned;
  record.result = result;
  record.error = error;
  RecordControl(*journal_, record);
  // The journal does not touch the last error, but keep the driver's for certain.
  if (!result) SetLastError(error);
  return result;
}

BOOL DeviceHandle::Read(void* buffer, DWORD size, DWORD* done) {
  DWORD got = 0;
  if (!Present()) return FALSE;
  if (!buffer) size = 0;
  BOOL result = device_->driver->Read(open_, buffer, size, &got);
  DWORD error = result ? 0 : GetLastError();
  if (got > size) got = size;
  if (done) *done = got;
  RecordTransfer(*journal_, EffectKind::kDeviceRead, device_->name,
                 value_.load(std::memory_order_relaxed), buffer, got, got, result, error);
  if (!result) SetLastError(error);
  return result;
}

BOOL DeviceHandle::Write(const void* data, DWORD size, DWORD* done) {
  DWORD put = 0;
  if (!Present()) return FALSE;
  if (!data) size = 0;
  BOOL result = device_->driver->Write(open_, data, size, &put);
  DWORD error = result ? 0 : GetLastError();
  if (put > size) put = size;
  if (done) *done = put;
  RecordTransfer(*journal_, EffectKind::kDeviceWrite, device_->name,
                 value_.load(std::memory_order_relaxed), data, size, put, result, error);
  if (!result) SetLastError(error);
  return result;
}

void DeviceHandle::Close() {
  if (device_->present()) device_->driver->Close(open_);
  RecordClose(*journal_, device_->name, value_.load(std::memory_order_relaxed));
}

}  // namespace cehost
