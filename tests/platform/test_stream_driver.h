// A small stream driver for cehost's own tests: it echoes control input, reads a counting
// pattern, keeps what is written, and remembers its opens and closes.
#pragma once

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "ce/errors.h"
#include "ce/kernel.h"
#include "cehost/devices.h"

class TestStreamDriver : public cehost::StreamDriver {
 public:
  static constexpr DWORD kEcho = 0x10;     // output: the input, as much as fits
  static constexpr DWORD kRefuse = 0x14;   // fails with ERROR_NOT_SUPPORTED
  static constexpr DWORD kOverrun = 0x18;  // claims more output than it was given room for

  uint32_t Open(DWORD access, DWORD share) override {
    std::lock_guard lock(mutex_);
    if (refuse_opens) {
      SetLastError(ERROR_SHARING_VIOLATION);
      return 0;
    }
    last_access = access;
    last_share = share;
    open_.insert(++next_);
    return next_;
  }
  BOOL IoControl(uint32_t open, DWORD code, const void* in, DWORD in_size, void* out,
                 DWORD out_size, DWORD* returned) override {
    if (!IsOpen(open)) return Fail(ERROR_INVALID_HANDLE);
    switch (code) {
      case kEcho: {
        DWORD n = std::min(in_size, out_size);
        if (n) std::memcpy(out, in, n);
        *returned = n;
        return TRUE;
      }
      case kOverrun:
        *returned = out_size + 8;
        return TRUE;
      default:
        return Fail(ERROR_NOT_SUPPORTED);
    }
  }
  BOOL Read(uint32_t open, void* buffer, DWORD size, DWORD* done) override {
    if (!IsOpen(open)) return Fail(ERROR_INVALID_HANDLE);
    auto bytes = static_cast<uint8_t*>(buffer);
    for (DWORD i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i + 1);
    *done = size;
    return TRUE;
  }
  BOOL Write(uint32_t open, const void* data, DWORD size, DWORD* done) override {
    if (!IsOpen(open)) return Fail(ERROR_INVALID_HANDLE);
    std::lock_guard lock(mutex_);
    auto bytes = static_cast<const uint8_t*>(data);
    written.assign(bytes, bytes + size);
    *done = size;
    return TRUE;
  }
  void Close(uint32_t open) override {
    std::lock_guard lock(mutex_);
    open_.erase(open);
    ++closes;
  }
  std::string_view ControlName(DWORD code) const override {
    return code == kEcho ? "IOCTL_TEST_ECHO" : "";
  }

  size_t OpenCount() {
    std::lock_guard lock(mutex_);
    return open_.size();
  }

  bool refuse_opens = false;
  DWORD last_access = 0;
  DWORD last_share = 0;
  int closes = 0;
  std::vector<uint8_t> written;

 private:
  bool IsOpen(uint32_t open) {
    std::lock_guard lock(mutex_);
    return open_.count(open) != 0;
  }
  static BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
  }

  std::mutex mutex_;
  std::set<uint32_t> open_;
  uint32_t next_ = 0;
};
